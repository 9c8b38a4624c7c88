#pragma once

#include <QColor>
#include <QSharedPointer>
#include <QString>
#include <cstdint>

class QCPAxis;
class QCPAxisRect;
class QCPAxisTicker;
class QCPGraph;
class QCPItemStraightLine;
class QCPMarginGroup;
class QCustomPlot;

namespace daridez {

class PlotLane;

// One lane of the plot window as drawn: an axis rectangle of its own under a line with
// the lane's name (a signal's name does not fit beside a low lane), its y axis labelled
// with the unit, the line, the failed points as marks apart, and the cursor's dashed
// line. The plot owns what it shows; this is a handle to it.
class PlotLaneView {
  public:
    // The lane at layout row 2 * index + 1, its name above; time: the shared time axis's
    // ticker, its label shown (with the tick texts) on the lowest lane only.
    PlotLaneView(QCustomPlot& plot, const PlotLane& lane, int index, QCPMarginGroup& margins,
                 const QSharedPointer<QCPAxisTicker>& time, const QString& timeLabel);

    QCPAxisRect* rect() const { return rect_; }
    QCPAxis* timeAxis() const;
    QCPGraph* line() const { return line_; }
    QCPGraph* marks() const { return marks_; }

    // The lane's outline for the span [from, to) of the plot's clock, times shown from
    // origin; the y axis spans every value of the lane, or with fit those of the span.
    void fill(const PlotLane& lane, std::int64_t from, std::int64_t to, std::int64_t origin,
              bool fit);
    // The cursor's line at an axis time.
    void showCursor(double axis);
    void hideCursor();

  private:
    void labelSteps(const PlotLane& lane);
    void countTicks();

    QCustomPlot& plot_;
    QColor colour_;
    QCPAxisRect* rect_ = nullptr;
    QCPGraph* line_ = nullptr;
    QCPGraph* marks_ = nullptr;
    QCPItemStraightLine* cursor_ = nullptr;
};

}  // namespace daridez
