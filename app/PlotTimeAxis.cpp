#include "app/PlotTimeAxis.h"

#include <qcustomplot.h>
#include <cmath>

#include "lin/PlotTracker.h"

namespace daridez {

PlotTimeAxis::PlotTimeAxis(QCustomPlot& plot, const PlotTracker& tracker)
    : QObject(&plot), plot_(plot), tracker_(tracker) {}

void PlotTimeAxis::attach(QCPAxis* axis) {
    axes_.push_back(axis);
    axis->setRange(from_, to_);
    connect(axis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange& range) { onRangeChanged(range.lower, range.upper); });
}

QSharedPointer<QCPAxisTicker> PlotTimeAxis::ticker() const {
    if (relative_) {
        return QSharedPointer<QCPAxisTicker>(new QCPAxisTicker);
    }
    QSharedPointer<QCPAxisTickerTime> clock(new QCPAxisTickerTime);
    clock->setTimeFormat(QStringLiteral("%h:%m:%s,%z"));
    return clock;
}

QString PlotTimeAxis::label() const {
    return relative_ ? QStringLiteral("time since the first frame [s]")
                     : QStringLiteral("trace clock");
}

std::int64_t PlotTimeAxis::origin() const {
    return relative_ ? tracker_.firstTime() : 0;
}

double PlotTimeAxis::axisTime(std::int64_t micros) const {
    return static_cast<double>(micros - origin()) / 1e6;
}

std::int64_t PlotTimeAxis::plotTime(double axis) const {
    return origin() + static_cast<std::int64_t>(std::llround(axis * 1e6));
}

void PlotTimeAxis::apply(double from, double to) {
    setSpan(from, to);
    plot_.replot();
}

void PlotTimeAxis::setSpan(double from, double to) {
    setting_ = true;
    from_ = from;
    to_ = to;
    for (QCPAxis* axis : axes_) {
        axis->setRange(from, to);
    }
    setting_ = false;
}

void PlotTimeAxis::follow() {
    if (!following_) {
        return;
    }
    const double from = axisTime(tracker_.firstTime());
    const double to = axisTime(tracker_.lastTime());
    apply(from, to - from < 1e-3 ? from + 1.0 : to);
}

// One lane's axis moved (a drag, the wheel, a box): the others follow it, and the user
// has taken over from following (the plot redraws after its own move).
void PlotTimeAxis::onRangeChanged(double from, double to) {
    if (setting_) {
        return;
    }
    setSpan(from, to);
    following_ = false;
}

}  // namespace daridez
