#include "app/PlotLaneView.h"

#include <qcustomplot.h>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "lin/PlotLane.h"

namespace daridez {

namespace {

// Lane colours in turn, readable on light and dark backgrounds.
const QColor kLaneColours[] = {
    QColor(31, 119, 180), QColor(44, 160, 44), QColor(148, 103, 189), QColor(255, 127, 14),
    QColor(23, 190, 207), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127),
};
const QColor kMarkColour(214, 39, 40);
constexpr int kTitleIndent = 8;  // pixels from the left of a lane's name

bool steps(const PlotLane& lane) {
    return lane.signal() && lane.signal()->style() == PlotSignal::Style::Steps;
}

QVector<QCPGraphData> graphData(const std::vector<PlotVertex>& vertices, std::int64_t origin) {
    QVector<QCPGraphData> data;
    data.reserve(static_cast<qsizetype>(vertices.size()));
    for (const PlotVertex& v : vertices) {
        data.append(QCPGraphData((v.time - static_cast<double>(origin)) / 1e6, v.value));
    }
    return data;
}

}  // namespace

PlotLaneView::PlotLaneView(QCustomPlot& plot, const PlotLane& lane, int index,
                           QCPMarginGroup& margins, const QSharedPointer<QCPAxisTicker>& time,
                           const QString& timeLabel)
    : plot_(plot),
      colour_(kLaneColours[static_cast<std::size_t>(index) % std::size(kLaneColours)]) {
    auto* title = new QCPTextElement(&plot, QString::fromStdString(lane.title()), plot.font());
    title->setTextColor(colour_);
    title->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
    title->setMargins(QMargins(kTitleIndent, 2, 0, 0));
    plot.plotLayout()->addElement(2 * index, 0, title);
    rect_ = new QCPAxisRect(&plot);
    plot.plotLayout()->addElement(2 * index + 1, 0, rect_);
    rect_->setMarginGroup(QCP::msLeft | QCP::msRight, &margins);
    rect_->setRangeDrag(Qt::Horizontal);
    rect_->setRangeZoom(Qt::Horizontal);
    QCPAxis* x = rect_->axis(QCPAxis::atBottom);
    QCPAxis* y = rect_->axis(QCPAxis::atLeft);
    x->setTicker(time);
    x->setTickLabels(!timeLabel.isEmpty());
    x->setLabel(timeLabel);
    y->setLabel(QString::fromStdString(lane.unit()));
    y->setLabelColor(colour_);
    line_ = plot.addGraph(x, y);
    line_->setPen(QPen(colour_, 0));    // cosmetic: the raster engine draws it fastest
    line_->setAdaptiveSampling(false);  // the outline gives a few points per pixel
    marks_ = plot.addGraph(x, y);
    marks_->setLineStyle(QCPGraph::lsNone);
    marks_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, kMarkColour, 8));
    cursor_ = new QCPItemStraightLine(&plot);
    cursor_->setClipAxisRect(rect_);
    cursor_->point1->setAxes(x, y);
    cursor_->point2->setAxes(x, y);
    cursor_->setPen(QPen(plot.palette().color(QPalette::WindowText), 1, Qt::DashLine));
    cursor_->setVisible(false);
    // A logical signal is drawn as steps with its texts on the y axis; numbers as lines.
    if (steps(lane)) {
        y->setTicker(QSharedPointer<QCPAxisTickerText>(new QCPAxisTickerText));
        line_->setLineStyle(QCPGraph::lsStepLeft);
    }
}

QCPAxis* PlotLaneView::timeAxis() const {
    return rect_->axis(QCPAxis::atBottom);
}

void PlotLaneView::fill(const PlotLane& lane, std::int64_t from, std::int64_t to,
                        std::int64_t origin, bool fit) {
    const PlotOutline outline =
        lane.series().outline(from, to, std::max(1, rect_->width()), steps(lane));
    line_->data()->set(graphData(outline.line, origin), true);
    marks_->data()->set(graphData(outline.marks, origin), true);
    const double low = fit ? outline.shownLow : outline.low;
    const double high = fit ? outline.shownHigh : outline.high;
    const double pad = std::max((high - low) * 0.08, 0.5);
    rect_->axis(QCPAxis::atLeft)->setRange(low - pad, high + pad);
    if (steps(lane)) {
        labelSteps(lane);
    } else {
        countTicks();
    }
}

// As many numbers as the lane's height holds apart, so that low lanes stay legible.
void PlotLaneView::countTicks() {
    QCPAxis* y = rect_->axis(QCPAxis::atLeft);
    const int line = QFontMetrics(y->tickLabelFont()).height();
    y->ticker()->setTickCount(std::clamp(rect_->height() / (2 * line), 2, 5));
}

// The texts of a step lane's values that fit its height: of two that would overlap, the
// lower value's is shown.
void PlotLaneView::labelSteps(const PlotLane& lane) {
    QCPAxis* y = rect_->axis(QCPAxis::atLeft);
    const auto ticker = qSharedPointerDynamicCast<QCPAxisTickerText>(y->ticker());
    std::vector<PlotSignal::Label> labels = lane.signal()->labels();
    std::stable_sort(labels.begin(), labels.end(),
                     [](const auto& a, const auto& b) { return a.value < b.value; });
    const int spacing = QFontMetrics(y->tickLabelFont()).height();
    QMap<double, QString> ticks;
    double last = 0;
    for (const PlotSignal::Label& label : labels) {
        const double pixel = y->coordToPixel(label.value);
        if (ticks.isEmpty() || std::abs(last - pixel) >= spacing) {
            ticks.insert(label.value, QString::fromStdString(label.text));
            last = pixel;
        }
    }
    ticker->setTicks(ticks);
}

void PlotLaneView::showCursor(double axis) {
    cursor_->point1->setCoords(axis, 0);
    cursor_->point2->setCoords(axis, 1);
    cursor_->setVisible(true);
}

void PlotLaneView::hideCursor() {
    cursor_->setVisible(false);
}

}  // namespace daridez
