// daridez-extcap: the LIN tracer as a capture interface of Wireshark and tshark.
#include <QCoreApplication>
#include <QFileInfo>

#include "serial/Profile.h"
#include "tools/extcap/ExtcapCommand.h"

namespace {

// Wireshark shows anything on standard error as an error: Qt's own notes stay quiet.
void quietMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietMessages);
    // The serial port's notifiers want an application object, though no event loop runs.
    QCoreApplication application(argc, argv);
    const std::string program =
        QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath().toStdString();
    daridez::ExtcapCommand command(daridez::Profile::defaultPath(), program);
    return command.run(argc - 1, argv + 1, stdout, stderr);
}
