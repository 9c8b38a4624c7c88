#include "app/TraceApp.h"

#include "app/AppIcon.h"
#include "app/MainDialog.h"
#include "serial/Profile.h"

namespace daridez {

TraceApp::TraceApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Daridez"));
    setWindowIcon(appIcon());
}

int TraceApp::run(ProgramWide& programWide) {
    // The window initialises while it is built, before it shows: a port that cannot
    // be opened is reported before the window appears.
    MainDialog dialog(programWide, Profile::defaultPath());
    dialog.exec();
    return 0;
}

}  // namespace daridez
