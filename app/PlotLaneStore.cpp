#include "app/PlotLaneStore.h"

#include "serial/Profile.h"

namespace daridez {

namespace {

constexpr char kSeparator = ';';

}  // namespace

std::string PlotLaneStore::key(const std::string& ldfPath) {
    if (ldfPath.empty()) {
        return "Lanes";
    }
    std::string key = "Lanes:";
    for (const char c : ldfPath) {
        key += c == '=' ? "%3D" : c == '%' ? "%25" : std::string(1, c);
    }
    return key;
}

QStringList PlotLaneStore::lanes(const std::string& ldfPath) const {
    const QString texts =
        QString::fromStdString(profile_.GetProfileString(kSection, key(ldfPath), std::string()));
    return texts.split(QLatin1Char(kSeparator), Qt::SkipEmptyParts);
}

void PlotLaneStore::keep(const std::string& ldfPath, const QStringList& lanes) {
    const std::string absent(1, '\x01');
    if (lanes.isEmpty() && profile_.GetProfileString(kSection, key(ldfPath), absent) == absent) {
        return;
    }
    profile_.WriteProfileString(kSection, key(ldfPath),
                                lanes.join(QLatin1Char(kSeparator)).toStdString());
}

}  // namespace daridez
