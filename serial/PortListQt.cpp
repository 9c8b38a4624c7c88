// The serial devices Qt's serial port module enumerates (the window's and Linux's list).
#include <QSerialPortInfo>

#include "serial/PortList.h"

namespace daridez {

namespace {

std::string describe(const QSerialPortInfo& info) {
    const QString description = info.description();
    const QString maker = info.manufacturer();
    if (maker.isEmpty() || description.contains(maker, Qt::CaseInsensitive)) {
        return description.toStdString();
    }
    return (description.isEmpty() ? maker : description + QStringLiteral(" (") + maker + ')')
        .toStdString();
}

}  // namespace

std::vector<PortList::Entry> PortList::available(const std::string& byIdFolder) {
    std::vector<Entry> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back({info.systemLocation().toStdString(), describe(info), {}});
    }
    return complete(std::move(devices), byIdFolder);
}

}  // namespace daridez
