#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lin/IdSummaryTracker.h"
#include "lin/LinDescription.h"
#include "lin/PlotTracker.h"
#include "protocol/TraceSession.h"

class QCPAxisRect;
class QCPGraph;
class QCPItemStraightLine;
class QCPItemText;
class QComboBox;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QWheelEvent;

namespace daridez {

class Profile;
class WindowPrompts;

// The "Plot" window: lanes stacked over one time axis (the plot's clock, shown from the
// first frame or as the trace clock, as the list's TimeStamp column shows times), each
// with its own y axis, name, unit and colour, kept up to date while a trace runs. The
// wheel zooms time, dragging pans, Shift+drag zooms to a box, Home shows everything and
// follows a live trace again; a cursor line shows every lane's value; a click asks the
// list to select the row of the nearest point.
class PlotWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRefreshMs = 250;
    static constexpr const char* kProfileSection = "PLOT";

    // rowsArriving tells whether the decoder may still fill its current row.
    PlotWindow(TraceSession& session, std::function<bool()> rowsArriving, WindowPrompts& prompts,
               QWidget* parent = nullptr);
    ~PlotWindow() override;

    // A lane from its text ("3C byte 2", "bus load", "RLS_Status.AmbientLight"); false
    // with error set when the text names no lane (a signal the window's LDF does not name).
    bool addLane(const QString& text, QString* error = nullptr);
    void removeLane(int lane);
    void moveLane(int from, int to);
    QStringList laneTexts() const;
    int laneCount() const { return static_cast<int>(tracker_.lanes().size()); }
    // The lane the buttons act on (-1: none).
    int currentLane() const;
    void setCurrentLane(int lane);

    // The lanes of the profile for an LDF ("": no LDF), and back.
    void loadLanes(const Profile& profile, const std::string& ldfPath);
    void saveLanes(Profile& profile, const std::string& ldfPath) const;
    static std::string profileKey(const std::string& ldfPath);

    // The LDF the signal lanes and the verdicts read with (empty: none); every lane is
    // filled again. The lanes themselves change with loadLanes().
    void setLdf(const LinDescription& ldf);
    const LinDescription& ldf() const { return ldf_; }
    // The bit rate the bus load assumes; times shown from the first frame or as the clock.
    void setBaudrate(int baudrate);
    void setRelativeTime(bool relative);
    // The trace was cleared or is being reloaded.
    void resetPlot();
    // Reads the rows completed since the last refresh and redraws (the timer calls it).
    void refresh();

    // The shown time span in seconds of the axis; Home.
    double timeFrom() const;
    double timeTo() const;
    void setTimeRange(double from, double to);
    void showAll();
    bool following() const { return following_; }
    // The time of the axis at a point of the plot, and the axis value of a plot time.
    double axisTime(std::int64_t micros) const;
    std::int64_t plotTime(double axis) const;

    // "12.345678 s  3C byte 2: 17  10 period: 20.1 ms" at a time of the axis.
    QString cursorText(double axis) const;
    // The trace position of the row nearest to the axis time in lane (the first lane
    // with points when that one has none); -1 without points.
    std::int64_t rowNear(int lane, double axis) const;

    // Save by the name's suffix: .png, .svg (the picture) or .csv (the series); false
    // with error set when the file could not be written (an old file stays as it was).
    bool saveTo(const QString& path, QString& error);
    void onSave();
    void onAddLane();
    void showInFront();
    // A lane asked for elsewhere (the ID summary's and the signal pane's "Plot"): added,
    // and the window shown.
    void addLaneInFront(const QString& text);

    QCustomPlot* plot() const { return plot_; }
    const PlotTracker& tracker() const { return tracker_; }
    QLabel* cursorLabel() const { return cursor_; }

  signals:
    // The user clicked a point: the row's position from the head of the trace.
    void rowClicked(quint32 position);
    void lanesChanged();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    struct LaneView {
        QCPAxisRect* rect = nullptr;
        QCPGraph* line = nullptr;
        QCPGraph* marks = nullptr;
        QCPItemStraightLine* cursor = nullptr;
    };

    std::optional<PlotSource> laneSource(const QString& text, std::string& problem) const;
    void buildToolBar();
    void rebuildLanes();
    void fillLanes();
    void fillLane(std::size_t lane);
    void styleLane(std::size_t lane);
    void labelSteps(std::size_t lane);
    void onTimeRangeChanged(double from, double to);
    void onMousePress(QMouseEvent* event);
    void onMouseMove(QMouseEvent* event);
    void onMouseRelease(QMouseEvent* event);
    int laneAt(const QPoint& point) const;
    void moveCursor(double axis);
    QStringList cursorParts(double axis) const;
    void showCursorLine(QStringList parts);
    void follow();
    void applyRange(double from, double to);
    QString laneName(std::size_t lane) const;
    QByteArray pictureBytes(bool svg) const;

    TraceSession& session_;
    std::function<bool()> rowsArriving_;
    WindowPrompts& prompts_;
    LinDescription ldf_;  // kept here: the tracker reads with its model
    PlotTracker tracker_;
    IdSummaryTracker ids_;  // the identifiers the picker offers
    QCustomPlot* plot_ = nullptr;
    QComboBox* lanePicker_ = nullptr;
    QLabel* cursor_ = nullptr;
    std::vector<LaneView> views_;
    QTimer timer_;
    bool relativeTime_ = true;
    bool following_ = true;
    bool settingRange_ = false;  // our own range change: not the user's move
    bool syncing_ = false;       // the other lanes being set to one lane's span
    double from_ = 0;            // the span while there is no lane to keep it
    double to_ = 1;
    QPoint pressedAt_;
    bool pressed_ = false;
};

}  // namespace daridez
