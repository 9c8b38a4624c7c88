#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/PlotCursorLine.h"
#include "app/PlotLaneView.h"
#include "app/PlotTimeAxis.h"
#include "lin/LinDescription.h"
#include "lin/PlotTracker.h"
#include "protocol/TraceSession.h"

class QComboBox;
class QCustomPlot;
class QMouseEvent;
class QPushButton;

namespace daridez {

class WindowPrompts;

// The "Plot" window: lanes stacked over one time axis (the plot's clock, shown from the
// first frame or as the trace clock, as the list's TimeStamp column shows times), each
// with its own y axis, name, unit and colour, kept up to date while a trace runs. The
// wheel zooms time, dragging pans, Shift+drag zooms to a box, Home shows everything and
// follows a live trace again; "Fit y" lets the chosen lane's y axis follow the shown
// span; a cursor line shows every lane's value; a click asks the list to select the row
// of the nearest point of the lane clicked.
class PlotWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRefreshMs = 250;

    // rowsArriving tells whether the decoder may still fill its current row.
    PlotWindow(TraceSession& session, std::function<bool()> rowsArriving, WindowPrompts& prompts,
               QWidget* parent = nullptr);
    ~PlotWindow() override;

    // A lane from its text ("3C byte 2", "bus load", "RLS_Status.AmbientLight"); false
    // with error set when the text names no lane (a signal the window's LDF does not name).
    bool addLane(const QString& text, QString* error = nullptr);
    void removeLane(int lane);
    void moveLane(int from, int to);
    // The lanes of these texts in place of those before (texts naming no lane left out).
    void setLanes(const QStringList& texts) { setLdf(ldf_, texts); }
    QStringList laneTexts() const;
    int laneCount() const { return static_cast<int>(tracker_.lanes().size()); }
    // The lane the buttons act on (-1: none).
    int currentLane() const;
    void setCurrentLane(int lane);
    // Whether a lane's y axis follows the shown span rather than all its values.
    bool fitsToView(int lane) const;
    void setFitToView(int lane, bool fit);

    // What the trace context tells the window, all here. The LDF the signal lanes and the verdicts
    // read with (empty: none) and the lanes to show with it, filled once.
    void setLdf(const LinDescription& ldf, const QStringList& lanes);
    const LinDescription& ldf() const { return ldf_; }
    // The bit rate the bus load assumes; times shown from the first frame or as the clock.
    void setBaudrate(int baudrate);
    void setRelativeTime(bool relative);
    // The trace was cleared or is being reloaded: the lanes and the cursor's values go.
    void resetPlot();

    // Reads the rows completed since the last refresh and redraws (the timer calls it).
    void refresh();

    // The shown time span in seconds of the axis; the user's own span (following ends);
    // Home.
    double timeFrom() const { return time_->from(); }
    double timeTo() const { return time_->to(); }
    void setTimeRange(double from, double to);
    void showAll();
    bool following() const { return time_->following(); }
    // The time of the axis at a point of the plot, and the axis value of a plot time.
    double axisTime(std::int64_t micros) const { return time_->axisTime(micros); }
    std::int64_t plotTime(double axis) const { return time_->plotTime(axis); }

    // "12.345678 s  3C byte 2: 17  10 period: 20.1 ms" at a time of the axis.
    QString cursorText(double axis) const;

    // Save by the name's suffix (see PlotExport); false with error set when it failed.
    bool saveTo(const QString& path, QString& error);
    void onSave();
    void onAddLane();
    void showInFront();
    // A lane asked for elsewhere (the ID summary's and the signal pane's "Plot"): added,
    // and the window shown.
    void addLaneInFront(const QString& text);

    QCustomPlot* plot() const { return plot_; }
    const PlotTracker& tracker() const { return tracker_; }
    PlotCursorLine* cursorLabel() const { return cursor_; }

  signals:
    // The user clicked a point: the row's position from the head of the trace.
    void rowClicked(quint32 position);
    void lanesChanged();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void buildToolBar();
    void lanesEdited(int current);
    void rebuildLanes();
    void layOutAndFill();
    void onMousePress(QMouseEvent* event);
    void onMouseMove(QMouseEvent* event);
    void onMouseRelease(QMouseEvent* event);
    int laneAt(const QPoint& point) const;
    void moveCursor(double axis);
    void clearCursor();

    TraceSession& session_;
    std::function<bool()> rowsArriving_;
    WindowPrompts& prompts_;
    LinDescription ldf_;  // kept here: the tracker reads with its model
    PlotTracker tracker_;
    QCustomPlot* plot_ = nullptr;
    PlotTimeAxis* time_ = nullptr;
    QComboBox* lanePicker_ = nullptr;
    QPushButton* fitButton_ = nullptr;
    PlotCursorLine* cursor_ = nullptr;
    std::vector<PlotLaneView> views_;
    std::vector<bool> fitted_;  // per lane: its y axis follows the shown span
    QTimer timer_;
    QPoint pressedAt_;
    bool pressed_ = false;
};

}  // namespace daridez
