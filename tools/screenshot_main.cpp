// daridez-screenshot OUTPUT.png: builds the real main window on the user's profile,
// presses "Start", lets rows arrive for a moment, presses "Stop" and saves a grab of
// the window. tools/screenshot.sh runs it under Xvfb against the simulated tracer.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "app/AppIcon.h"
#include "app/MainDialog.h"
#include "app/TraceApp.h"
#include "protocol/ProgramWide.h"
#include "serial/Profile.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

namespace {

constexpr int kTraceMs = 2500;
constexpr std::uint32_t kEnoughRows = 60;

void press(daridez::MainDialog& dialog, int id) {
    if (auto* button = dialog.findChild<QAbstractButton*>(QString::number(id))) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: daridez-screenshot OUTPUT.png\n");
        return 2;
    }
    QApplication::setWindowIcon(daridez::appIcon());
    daridez::ProgramWide programWide;
    daridez::TraceApp traceApp(programWide, daridez::Profile::defaultPath());
    daridez::MainDialog& dialog = traceApp.window();
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        std::fprintf(stderr, "daridez-screenshot: the window never showed\n");
        return 1;
    }
    press(dialog, daridez::ControlId::Start);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kTraceMs || dialog.listModel()->indexCount() < kEnoughRows) {
        QTest::qWait(100);
        if (clock.elapsed() > 4 * kTraceMs) {
            break;
        }
    }
    press(dialog, daridez::ControlId::Stop);
    QTest::qWait(200);
    const bool saved = dialog.grab().save(QString::fromLocal8Bit(argv[1]));
    const bool traced = dialog.listModel()->indexCount() > 0;  // closing clears the list
    dialog.close();
    if (!saved) {
        std::fprintf(stderr, "daridez-screenshot: could not write %s\n", argv[1]);
        return 1;
    }
    if (!traced) {
        std::fprintf(stderr, "daridez-screenshot: the trace stayed empty\n");
        return 1;
    }
    return 0;
}
