// daridez-screenshot OUTPUT.png [SUMMARY.png]: builds the real main window on the user's
// profile, presses "Start", lets rows arrive for a moment, presses "Stop", clicks the
// last row of a frame the LDF names (the signal pane shows it) and saves a grab of the
// window; with a second file, a grab of the ID summary too. tools/screenshot.sh runs it
// under Xvfb against the simulated tracer.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "app/AppIcon.h"
#include "app/IdSummaryWindow.h"
#include "app/MainDialog.h"
#include "app/TraceApp.h"
#include "lin/Columns.h"
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

// The last row with this text in the Frame column, selected as a click does.
void selectLast(daridez::MainDialog& dialog, const QString& frame) {
    const daridez::TraceListModel& model = *dialog.listModel();
    for (int row = model.rowCount() - 1; row >= 0; --row) {
        const QModelIndex cell = model.index(row, static_cast<int>(daridez::Column::Frame));
        if (cell.data().toString() == frame) {
            dialog.listView()->setCurrentIndex(cell.siblingAtColumn(0));
            dialog.listView()->scrollTo(cell);
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: daridez-screenshot OUTPUT.png [SUMMARY.png]\n");
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
    selectLast(dialog, QStringLiteral("RLS_Status"));
    QTest::qWait(100);
    bool saved = dialog.grab().save(QString::fromLocal8Bit(argv[1]));
    if (argc == 3) {
        dialog.idSummaryWindow()->showInFront();
        QTest::qWait(500);
        saved = dialog.idSummaryWindow()->grab().save(QString::fromLocal8Bit(argv[2])) && saved;
    }
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
