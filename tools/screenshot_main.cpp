// daridez-screenshot OUTPUT.png [PLOT.png]: builds the real main window on the user's
// profile, presses "Start", lets rows arrive for a moment, presses "Stop", clicks the last
// RLS_Status row (the signal pane shows it) and saves a grab of the window; with PLOT.png also one
// of the plot window with a few lanes of the simulated tracer's schedule. tools/screenshot.sh runs
// it under Xvfb against the simulated tracer.
#include <qcustomplot.h>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "app/AppIcon.h"
#include "app/IdSummaryWindow.h"
#include "app/MainDialog.h"
#include "app/PlotWindow.h"
#include "app/TraceApp.h"
#include "lin/Columns.h"
#include "protocol/ProgramWide.h"
#include "serial/Profile.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

namespace {

constexpr int kTraceMs = 2500;
constexpr int kPlotTraceMs = 6500;  // a few whole seconds for the per-second lanes
// Signals of the example LDF the profile names (a ramp with its unit, steps with their
// texts), a period and the bus load.
const char* const kPlotLanes[] = {"BCM_Command.VehicleSpeed", "BCM_Command.WiperMode",
                                  "RLS_Status.AmbientLight", "31 period", "bus load"};
constexpr std::uint32_t kEnoughRows = 60;

void press(daridez::MainDialog& dialog, const char* name) {
    if (auto* button = dialog.findChild<QAbstractButton*>(QString::fromLatin1(name))) {
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

// The mouse over the plot a little left of the middle: the cursor line and the line of
// every lane's value there show.
void showCursor(daridez::PlotWindow& plot) {
    QWidget* area = plot.plot();
    QTest::mouseMove(area, QPoint(area->width() * 2 / 5, area->height() / 2));
    QTest::qWait(100);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: daridez-screenshot OUTPUT.png [PLOT.png]\n");
        return 2;
    }
    const bool plotToo = argc == 3;
    QApplication::setWindowIcon(daridez::appIcon());
    daridez::ProgramWide programWide;
    daridez::TraceApp traceApp(programWide, daridez::Profile::defaultPath());
    daridez::MainDialog& dialog = traceApp.window();
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        std::fprintf(stderr, "daridez-screenshot: the window never showed\n");
        return 1;
    }
    daridez::PlotWindow& plot = *dialog.plotWindow();
    if (plotToo) {
        while (plot.laneCount() != 0) {
            plot.removeLane(0);
        }
        for (const char* lane : kPlotLanes) {
            plot.addLane(QString::fromLatin1(lane));
        }
        plot.showInFront();
    }
    press(dialog, "startButton");
    const int traceMs = plotToo ? kPlotTraceMs : kTraceMs;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < traceMs || dialog.listModel()->indexCount() < kEnoughRows) {
        QTest::qWait(100);
        if (clock.elapsed() > 4 * traceMs) {
            break;
        }
    }
    press(dialog, "stopButton");
    QTest::qWait(400);
    if (plotToo) {
        showCursor(plot);
    }
    if (plotToo && !plot.grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "daridez-screenshot: could not write %s\n", argv[2]);
        return 1;
    }
    selectLast(dialog, QStringLiteral("RLS_Status"));  // the signal pane shows it
    QTest::qWait(100);
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
