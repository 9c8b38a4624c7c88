// Daridez: a front end for a LIN-bus tracer device. Takes no arguments.
#include <QApplication>

#include "app/AppIcon.h"
#include "app/TraceApp.h"
#include "protocol/ProgramWide.h"
#include "serial/Profile.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Daridez"));
    QApplication::setWindowIcon(daridez::appIcon());
    // The window initialises while it is built, before it shows: a port that cannot be
    // opened is reported before the window appears.
    daridez::TraceApp traceApp(daridez::programWide(), daridez::Profile::defaultPath());
    return traceApp.run();
}
