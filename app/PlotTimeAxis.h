#pragma once

#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <cstdint>
#include <vector>

class QCPAxis;
class QCPAxisTicker;
class QCustomPlot;

namespace daridez {

class PlotTracker;

// The plot's one time axis across its lanes: the span shown, kept in step on every lane's
// axis, in seconds from the first frame (relative) or of the trace clock, following the
// newest frame until the user zooms or pans.
class PlotTimeAxis : public QObject {
    Q_OBJECT

  public:
    PlotTimeAxis(QCustomPlot& plot, const PlotTracker& tracker);

    // A lane's axis joins, showing the span; when the user moves it, the others follow.
    void attach(QCPAxis* axis);
    // The lanes are being built again.
    void detachAll() { axes_.clear(); }

    bool relative() const { return relative_; }
    void setRelative(bool relative) { relative_ = relative; }
    // The axis value of a plot time, and back.
    double axisTime(std::int64_t micros) const;
    std::int64_t plotTime(double axis) const;
    // The ticks and the label the lanes' time axes show.
    QSharedPointer<QCPAxisTicker> ticker() const;
    QString label() const;
    // Where the axis starts counting: the first frame's time, or 0 for the clock.
    std::int64_t origin() const;

    double from() const { return from_; }
    double to() const { return to_; }
    // The window's own span (following stays as it is).
    void apply(double from, double to);
    // While following, the span runs from the first frame to the newest.
    void follow();
    bool following() const { return following_; }
    void setFollowing(bool following) { following_ = following; }

  private:
    void setSpan(double from, double to);
    void onRangeChanged(double from, double to);

    QCustomPlot& plot_;
    const PlotTracker& tracker_;
    std::vector<QCPAxis*> axes_;
    bool relative_ = true;
    bool following_ = true;
    bool setting_ = false;  // our own range change: not the user's move
    double from_ = 0;
    double to_ = 1;
};

}  // namespace daridez
