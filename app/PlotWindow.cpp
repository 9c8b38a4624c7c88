#include "app/PlotWindow.h"

#include <qcustomplot.h>
#include <QBuffer>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "app/PlotLanePicker.h"
#include "app/WindowPrompts.h"
#include "files/PlotCsv.h"
#include "files/SafeReplace.h"
#include "serial/Profile.h"
#include "trace/TimeFormat.h"

namespace daridez {

namespace {

// Lane colours in turn, readable on light and dark backgrounds.
const QColor kLaneColours[] = {
    QColor(31, 119, 180), QColor(44, 160, 44), QColor(148, 103, 189), QColor(255, 127, 14),
    QColor(23, 190, 207), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127),
};
const QColor kMarkColour(214, 39, 40);

const char* const kSaveDescriptions = "PNG picture (*.png)|SVG picture (*.svg)|CSV table (*.csv)";
constexpr char kLaneSeparator = ';';
constexpr int kClickSlack = 3;               // pixels a click may move and stay a click
constexpr int kTitleIndent = 8;              // pixels from the left of a lane's name
const char* const kCursorSeparator = "   ";  // between the parts of the cursor's line

// The toolbar, in its order: object name, caption, tool tip, handler.
struct ToolButton {
    const char* name;
    const char* caption;
    const char* tip;
    void (*handler)(PlotWindow& window);
};

}  // namespace

PlotWindow::PlotWindow(TraceSession& session, std::function<bool()> rowsArriving,
                       WindowPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window),
      session_(session),
      rowsArriving_(std::move(rowsArriving)),
      prompts_(prompts) {
    setWindowTitle(QStringLiteral("Plot"));
    setObjectName(QStringLiteral("plotWindow"));
    if (!rowsArriving_) {
        rowsArriving_ = [this] { return session_.state != TraceState::Idle; };
    }
    plot_ = new QCustomPlot(this);
    plot_->setObjectName(QStringLiteral("plot"));
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->plotLayout()->setRowSpacing(0);
    // A line of a few points per pixel column is drawn sharp: antialiasing thousands of
    // steep segments costs more than the rest of a redraw.
    plot_->setNotAntialiasedElements(QCP::aePlottables);
    plot_->setMouseTracking(true);
    connect(plot_, &QCustomPlot::beforeReplot, this, &PlotWindow::fillLanes);
    connect(plot_, &QCustomPlot::mousePress, this, &PlotWindow::onMousePress);
    connect(plot_, &QCustomPlot::mouseMove, this, &PlotWindow::onMouseMove);
    connect(plot_, &QCustomPlot::mouseRelease, this, &PlotWindow::onMouseRelease);

    cursor_ = new QLabel(this);
    cursor_->setObjectName(QStringLiteral("plotCursor"));
    cursor_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cursor_->setWordWrap(true);
    cursor_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    buildToolBar();
    layout->addWidget(plot_, 1);
    layout->addWidget(cursor_);
    rebuildLanes();

    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &PlotWindow::refresh);
    resize(960, 640);
}

PlotWindow::~PlotWindow() = default;

void PlotWindow::buildToolBar() {
    static const ToolButton kButtons[] = {
        {"plotAddLane", "Add lane...", "Choose something to plot in a new lane",
         [](PlotWindow& w) { w.onAddLane(); }},
        {"plotRemoveLane", "Remove", "Remove the chosen lane",
         [](PlotWindow& w) { w.removeLane(w.currentLane()); }},
        {"plotLaneUp", "Up", "Move the chosen lane up",
         [](PlotWindow& w) { w.moveLane(w.currentLane(), w.currentLane() - 1); }},
        {"plotLaneDown", "Down", "Move the chosen lane down",
         [](PlotWindow& w) { w.moveLane(w.currentLane(), w.currentLane() + 1); }},
        {"plotHome", "Home", "Show everything and follow a running trace (Home)",
         [](PlotWindow& w) { w.showAll(); }},
        {"plotSave", "Save...", "Save the picture (PNG, SVG) or the plotted series (CSV)",
         [](PlotWindow& w) { w.onSave(); }},
    };
    auto* bar = new QHBoxLayout;
    lanePicker_ = new QComboBox(this);
    lanePicker_->setObjectName(QStringLiteral("plotLanes"));
    lanePicker_->setMinimumContentsLength(22);
    for (const ToolButton& tool : kButtons) {
        auto* button = new QPushButton(QString::fromLatin1(tool.caption), this);
        button->setObjectName(QString::fromLatin1(tool.name));
        button->setToolTip(QString::fromLatin1(tool.tip));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, &tool] { tool.handler(*this); });
        bar->addWidget(button);
        if (&tool == &kButtons[0]) {
            bar->addWidget(lanePicker_);
        }
    }
    bar->addStretch(1);
    static_cast<QVBoxLayout*>(layout())->addLayout(bar);
}

// --- lanes -----------------------------------------------------------------------

// A lane's source from its text; a signal must be one the window's LDF names.
std::optional<PlotSource> PlotWindow::laneSource(const QString& text, std::string& problem) const {
    auto source = ParsePlotSource(text.toStdString(), problem);
    if (source && source->kind == PlotKind::Signal &&
        !PlotSignal::resolve(ldf_.model(), *source, problem)) {
        return std::nullopt;
    }
    return source;
}

bool PlotWindow::addLane(const QString& text, QString* error) {
    std::string problem;
    const auto source = laneSource(text, problem);
    if (!source) {
        if (error != nullptr) {
            *error = QString::fromStdString(problem);
        }
        return false;
    }
    tracker_.addLane(*source, session_.list);
    rebuildLanes();
    setCurrentLane(laneCount() - 1);
    emit lanesChanged();
    return true;
}

void PlotWindow::removeLane(int lane) {
    if (lane < 0 || lane >= laneCount()) {
        return;
    }
    tracker_.removeLane(static_cast<std::size_t>(lane));
    rebuildLanes();
    setCurrentLane(std::min(lane, laneCount() - 1));
    emit lanesChanged();
}

void PlotWindow::moveLane(int from, int to) {
    if (from < 0 || to < 0 || from >= laneCount() || to >= laneCount() || from == to) {
        return;
    }
    tracker_.moveLane(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    rebuildLanes();
    setCurrentLane(to);
    emit lanesChanged();
}

QStringList PlotWindow::laneTexts() const {
    QStringList texts;
    for (const PlotLane& lane : tracker_.lanes()) {
        texts << QString::fromStdString(PlotSourceText(lane.source()));
    }
    return texts;
}

int PlotWindow::currentLane() const {
    return lanePicker_->currentIndex();
}

void PlotWindow::setCurrentLane(int lane) {
    lanePicker_->setCurrentIndex(lane);
}

QString PlotWindow::laneName(std::size_t lane) const {
    const PlotLane& plotLane = tracker_.lanes()[lane];
    const QString unit = QString::fromStdString(plotLane.unit());
    const QString text = QString::fromStdString(PlotSourceText(plotLane.source()));
    return unit.isEmpty() ? text : text + QStringLiteral(" [") + unit + QLatin1Char(']');
}

// Every lane gets an axis rectangle of its own, stacked, under a line with its name (a
// name as long as a signal's does not fit beside a low lane); only the lowest shows the
// time, each y axis the lane's unit.
void PlotWindow::rebuildLanes() {
    const double from = timeFrom();
    const double to = timeTo();
    plot_->clearItems();
    plot_->clearPlottables();
    plot_->plotLayout()->clear();
    views_.clear();
    cursor_->clear();  // the values of the lanes before
    cursor_->setMinimumHeight(0);
    const int count = laneCount();
    if (count == 0) {
        plot_->plotLayout()->addElement(
            0, 0,
            new QCPTextElement(plot_, QStringLiteral("No lanes: \"Add lane...\" chooses what "
                                                     "to plot")));
    }
    auto* margins = new QCPMarginGroup(plot_);
    QSharedPointer<QCPAxisTicker> ticker;
    if (relativeTime_) {
        ticker.reset(new QCPAxisTicker);
    } else {
        auto* clock = new QCPAxisTickerTime;
        clock->setTimeFormat(QStringLiteral("%h:%m:%s,%z"));
        ticker.reset(clock);
    }
    for (int i = 0; i < count; ++i) {
        LaneView view;
        const QColor colour = kLaneColours[static_cast<std::size_t>(i) % std::size(kLaneColours)];
        auto* title = new QCPTextElement(plot_, laneName(static_cast<std::size_t>(i)), font());
        title->setTextColor(colour);
        title->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
        title->setMargins(QMargins(kTitleIndent, 2, 0, 0));
        plot_->plotLayout()->addElement(2 * i, 0, title);
        view.rect = new QCPAxisRect(plot_);
        plot_->plotLayout()->addElement(2 * i + 1, 0, view.rect);
        view.rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        view.rect->setRangeDrag(Qt::Horizontal);
        view.rect->setRangeZoom(Qt::Horizontal);
        QCPAxis* x = view.rect->axis(QCPAxis::atBottom);
        QCPAxis* y = view.rect->axis(QCPAxis::atLeft);
        x->setTicker(ticker);
        x->setTickLabels(i == count - 1);
        if (i == count - 1) {
            x->setLabel(relativeTime_ ? QStringLiteral("time since the first frame [s]")
                                      : QStringLiteral("trace clock"));
        }
        x->setRange(from, to);
        y->setLabel(QString::fromStdString(tracker_.lanes()[static_cast<std::size_t>(i)].unit()));
        y->setLabelColor(colour);
        view.line = plot_->addGraph(x, y);
        view.line->setPen(QPen(colour, 0));     // cosmetic: the raster engine draws it fastest
        view.line->setAdaptiveSampling(false);  // the series gives a few points per pixel
        view.marks = plot_->addGraph(x, y);
        view.marks->setLineStyle(QCPGraph::lsNone);
        view.marks->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, kMarkColour, 8));
        view.cursor = new QCPItemStraightLine(plot_);
        view.cursor->setClipAxisRect(view.rect);
        view.cursor->point1->setAxes(x, y);
        view.cursor->point2->setAxes(x, y);
        view.cursor->setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DashLine));
        view.cursor->setVisible(false);
        views_.push_back(view);
        styleLane(views_.size() - 1);
        connect(x, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                [this](const QCPRange& range) { onTimeRangeChanged(range.lower, range.upper); });
    }
    const int current = lanePicker_->currentIndex();
    lanePicker_->clear();
    lanePicker_->addItems(laneTexts());
    lanePicker_->setCurrentIndex(std::min(current, count - 1));
    plot_->replot();
}

// A logical signal is drawn as steps with its texts on the y axis; numbers as lines.
void PlotWindow::styleLane(std::size_t lane) {
    const auto& signal = tracker_.lanes()[lane].signal();
    if (!signal || signal->style() != PlotSignal::Style::Steps) {
        return;
    }
    const LaneView& view = views_[lane];
    QSharedPointer<QCPAxisTickerText> ticker(new QCPAxisTickerText);
    for (const PlotSignal::Label& label : signal->labels()) {
        ticker->addTick(label.value, QString::fromStdString(label.text));
    }
    view.rect->axis(QCPAxis::atLeft)->setTicker(ticker);
    view.line->setLineStyle(QCPGraph::lsStepLeft);
}

void PlotWindow::onAddLane() {
    ids_.update(session_.list, rowsArriving_() ? session_.decoder.currentEntry() : nullptr);
    PlotLanePicker picker(ids_.summary(), ldf_.model(), this);
    if (picker.exec() == QDialog::Accepted) {
        addLane(picker.laneText());
    }
}

void PlotWindow::showInFront() {
    show();
    raise();
    activateWindow();
}

void PlotWindow::addLaneInFront(const QString& text) {
    addLane(text);
    showInFront();
}

// --- the profile -------------------------------------------------------------------

std::string PlotWindow::profileKey(const std::string& ldfPath) {
    if (ldfPath.empty()) {
        return "Lanes";
    }
    // An INI key ends at its first '=': the path's '=' and '%' are written as %3D, %25.
    std::string key = "Lanes:";
    for (const char c : ldfPath) {
        key += c == '=' ? "%3D" : c == '%' ? "%25" : std::string(1, c);
    }
    return key;
}

void PlotWindow::loadLanes(const Profile& profile, const std::string& ldfPath) {
    while (laneCount() != 0) {
        tracker_.removeLane(0);
    }
    const QString texts = QString::fromStdString(
        profile.GetProfileString(kProfileSection, profileKey(ldfPath), std::string()));
    for (const QString& text : texts.split(QLatin1Char(kLaneSeparator), Qt::SkipEmptyParts)) {
        std::string error;
        if (const auto source = laneSource(text, error)) {
            tracker_.addLane(*source, session_.list);
        }
    }
    rebuildLanes();
    setCurrentLane(laneCount() - 1);
}

// A profile that never had lanes gets none written.
void PlotWindow::saveLanes(Profile& profile, const std::string& ldfPath) const {
    const std::string key = profileKey(ldfPath);
    const std::string absent(1, '\x01');
    if (laneCount() == 0 && profile.GetProfileString(kProfileSection, key, absent) == absent) {
        return;
    }
    profile.WriteProfileString(kProfileSection, key,
                               laneTexts().join(QLatin1Char(kLaneSeparator)).toStdString());
}

// --- the trace ---------------------------------------------------------------------

void PlotWindow::setLdf(const LinDescription& ldf) {
    ldf_ = ldf;
    tracker_.setLdf(ldf_.model(), session_.list);
    rebuildLanes();
}

void PlotWindow::setBaudrate(int baudrate) {
    tracker_.setBaudrate(baudrate, session_.list);
    plot_->replot();
}

void PlotWindow::setRelativeTime(bool relative) {
    if (relative == relativeTime_) {
        return;
    }
    const std::int64_t from = plotTime(timeFrom());
    const std::int64_t to = plotTime(timeTo());
    relativeTime_ = relative;
    const bool following = following_;
    rebuildLanes();
    applyRange(axisTime(from), axisTime(to));
    following_ = following;
}

void PlotWindow::resetPlot() {
    tracker_.reset();
    ids_.reset();
    following_ = true;
    follow();
    plot_->replot();
}

void PlotWindow::refresh() {
    const TraceEntry* openRow = rowsArriving_() ? session_.decoder.currentEntry() : nullptr;
    const PlotTracker::Update update = tracker_.update(session_.list, openRow);
    if (update.restarted || update.rowsAdded != 0) {
        follow();
        plot_->replot();
    }
}

// --- time --------------------------------------------------------------------------

double PlotWindow::axisTime(std::int64_t micros) const {
    const std::int64_t origin = relativeTime_ ? tracker_.firstTime() : 0;
    return static_cast<double>(micros - origin) / 1e6;
}

std::int64_t PlotWindow::plotTime(double axis) const {
    const std::int64_t origin = relativeTime_ ? tracker_.firstTime() : 0;
    return origin + static_cast<std::int64_t>(std::llround(axis * 1e6));
}

double PlotWindow::timeFrom() const {
    return views_.empty() ? from_ : views_.front().rect->axis(QCPAxis::atBottom)->range().lower;
}

double PlotWindow::timeTo() const {
    return views_.empty() ? to_ : views_.front().rect->axis(QCPAxis::atBottom)->range().upper;
}

// The user's own span: following ends.
void PlotWindow::setTimeRange(double from, double to) {
    applyRange(from, to);
    following_ = false;
}

void PlotWindow::applyRange(double from, double to) {
    settingRange_ = true;
    from_ = from;
    to_ = to;
    for (const LaneView& view : views_) {
        view.rect->axis(QCPAxis::atBottom)->setRange(from, to);
    }
    settingRange_ = false;
    plot_->replot();
}

void PlotWindow::showAll() {
    following_ = true;
    follow();
}

// While following, the axis spans every frame read, up to the newest.
void PlotWindow::follow() {
    if (!following_) {
        return;
    }
    double from = axisTime(tracker_.firstTime());
    double to = axisTime(tracker_.lastTime());
    if (to - from < 1e-3) {
        to = from + 1.0;
    }
    applyRange(from, to);
}

// One lane's axis moved (a drag, the wheel, a box): the others follow it, and unless
// the window moved it itself, the user has taken over from following.
void PlotWindow::onTimeRangeChanged(double from, double to) {
    if (settingRange_ || syncing_) {
        return;
    }
    syncing_ = true;
    for (const LaneView& view : views_) {
        view.rect->axis(QCPAxis::atBottom)->setRange(from, to);
    }
    syncing_ = false;
    from_ = from;
    to_ = to;
    following_ = false;
}

// --- drawing -----------------------------------------------------------------------

void PlotWindow::fillLanes() {
    for (std::size_t lane = 0; lane < views_.size(); ++lane) {
        fillLane(lane);
    }
}

// The lane's points for the shown span: per pixel column its only point, or its smallest
// and largest value; a break where a line starts anew; the marked points apart. The
// points just outside the span carry the line to the edges.
void PlotWindow::fillLane(std::size_t lane) {
    const PlotSeries& series = tracker_.lanes()[lane].series();
    const LaneView& view = views_[lane];
    const int width = std::max(1, view.rect->width());
    const std::int64_t from = plotTime(timeFrom());
    const std::int64_t to = std::max(plotTime(timeTo()), from + 1);
    const double columnWidth = static_cast<double>(to - from) / width;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QVector<QCPGraphData> line;
    QVector<QCPGraphData> marks;
    line.reserve(2 * width + 4);
    double low = series.minValue();
    double high = series.maxValue();
    if (const auto before = series.atOrBefore(from - 1)) {
        const PlotPoint point = series.at(*before);
        if (!point.failed) {
            line.append(QCPGraphData(axisTime(point.time), point.value));
        }
    }
    // Steps hold a value until the next point: before a gap the hold ends a column after
    // the last point, so that the missing frames show.
    const bool steps = view.line->lineStyle() == QCPGraph::lsStepLeft;
    const auto breakAt = [&](double axis) {
        if (steps && !line.isEmpty()) {
            axis = std::min(axis, line.back().key + columnWidth / 1e6);
        }
        line.append(QCPGraphData(axis, nan));
    };
    const std::vector<PlotColumn> columns = series.columns(from, to, width);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const PlotColumn& column = columns[c];
        const auto start = from + static_cast<std::int64_t>(static_cast<double>(c) * columnWidth);
        if (column.gap) {
            breakAt(axisTime(start));
        }
        if (column.count == 1) {
            line.append(QCPGraphData(axisTime(column.time), column.min));
        } else if (column.count > 1) {
            const double middle = axisTime(start) + columnWidth / 2e6;
            line.append(QCPGraphData(middle, column.min));
            line.append(QCPGraphData(middle, column.max));
        }
        if (column.failed) {
            marks.append(QCPGraphData(axisTime(column.failedTime), column.failedValue));
            low = std::min(low, static_cast<double>(column.failedValue));
            high = std::max(high, static_cast<double>(column.failedValue));
        }
    }
    const std::size_t after = series.lowerBound(to);
    if (after < series.size()) {
        const PlotPoint point = series.at(after);
        if (point.gapBefore) {
            breakAt(axisTime(to));
        }
        if (!point.failed) {
            line.append(QCPGraphData(axisTime(point.time), point.value));
        }
    }
    view.line->data()->set(line, true);
    view.marks->data()->set(marks, true);
    const double pad = std::max((high - low) * 0.08, 0.5);
    view.rect->axis(QCPAxis::atLeft)->setRange(low - pad, high + pad);
    if (steps) {
        labelSteps(lane);
    } else {
        // As many numbers as the lane's height holds apart, so that low lanes stay legible.
        QCPAxis* y = view.rect->axis(QCPAxis::atLeft);
        const int line = QFontMetrics(y->tickLabelFont()).height();
        y->ticker()->setTickCount(std::clamp(view.rect->height() / (2 * line), 2, 5));
    }
}

// The texts of a step lane's values that fit its height: of two that would overlap, the
// lower value's is shown.
void PlotWindow::labelSteps(std::size_t lane) {
    QCPAxis* y = views_[lane].rect->axis(QCPAxis::atLeft);
    const auto ticker = qSharedPointerDynamicCast<QCPAxisTickerText>(y->ticker());
    if (!ticker) {
        return;
    }
    std::vector<PlotSignal::Label> labels = tracker_.lanes()[lane].signal()->labels();
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

// --- the mouse ---------------------------------------------------------------------

int PlotWindow::laneAt(const QPoint& point) const {
    for (std::size_t lane = 0; lane < views_.size(); ++lane) {
        if (views_[lane].rect->outerRect().contains(point)) {
            return static_cast<int>(lane);
        }
    }
    return -1;
}

// Shift+drag draws a box to zoom to; a plain drag pans.
void PlotWindow::onMousePress(QMouseEvent* event) {
    pressedAt_ = event->pos();
    pressed_ = event->button() == Qt::LeftButton;
    plot_->setSelectionRectMode(event->modifiers() & Qt::ShiftModifier ? QCP::srmZoom
                                                                       : QCP::srmNone);
    const int lane = laneAt(event->pos());
    if (lane >= 0) {
        setCurrentLane(lane);
    }
}

void PlotWindow::onMouseMove(QMouseEvent* event) {
    if (!views_.empty()) {
        moveCursor(views_.front().rect->axis(QCPAxis::atBottom)->pixelToCoord(event->pos().x()));
    }
}

// A click that did not move: the list selects the row of the nearest point.
void PlotWindow::onMouseRelease(QMouseEvent* event) {
    const bool click = pressed_ && (event->pos() - pressedAt_).manhattanLength() <= kClickSlack &&
                       plot_->selectionRectMode() == QCP::srmNone;
    pressed_ = false;
    if (!click || views_.empty()) {
        return;
    }
    const double axis =
        views_.front().rect->axis(QCPAxis::atBottom)->pixelToCoord(event->pos().x());
    const std::int64_t row = rowNear(laneAt(event->pos()), axis);
    if (row >= 0) {
        emit rowClicked(static_cast<quint32>(row));
    }
}

std::int64_t PlotWindow::rowNear(int lane, double axis) const {
    const auto& lanes = tracker_.lanes();
    std::vector<std::size_t> order;
    if (lane >= 0 && lane < laneCount()) {
        order.push_back(static_cast<std::size_t>(lane));
    }
    for (std::size_t i = 0; i < lanes.size(); ++i) {
        order.push_back(i);
    }
    for (const std::size_t i : order) {
        if (const auto point = lanes[i].series().nearest(plotTime(axis))) {
            return lanes[i].series().at(*point).row;
        }
    }
    return -1;
}

void PlotWindow::moveCursor(double axis) {
    for (const LaneView& view : views_) {
        view.cursor->point1->setCoords(axis, 0);
        view.cursor->point2->setCoords(axis, 1);
        view.cursor->setVisible(true);
    }
    showCursorLine(cursorParts(axis));
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

// The line below the plot wraps between lanes, never inside one lane's value, and never
// makes the window wider; it only grows in height, so that the plot does not jump as the
// mouse moves over values of other lengths.
void PlotWindow::showCursorLine(QStringList parts) {
    for (QString& part : parts) {
        part.replace(QLatin1Char(' '), QChar(QChar::Nbsp));
    }
    cursor_->setText(parts.join(QLatin1String(kCursorSeparator)));
    const int height = cursor_->heightForWidth(cursor_->width());
    cursor_->setMinimumHeight(std::max(cursor_->minimumHeight(), height));
}

QString PlotWindow::cursorText(double axis) const {
    return cursorParts(axis).join(QLatin1String(kCursorSeparator));
}

// The time, then "name: value" for every lane.
QStringList PlotWindow::cursorParts(double axis) const {
    const std::int64_t time = plotTime(axis);
    char text[kTimeTextSize];
    if (relativeTime_) {
        FormatRelativeTime(text, tracker_.firstTime(), time);
    } else {
        FormatAbsoluteTime(text, time);
    }
    QStringList parts{QString::fromLatin1(text)};
    for (std::size_t lane = 0; lane < tracker_.lanes().size(); ++lane) {
        const PlotLane& plotLane = tracker_.lanes()[lane];
        const PlotSeries& series = plotLane.series();
        QString value = QStringLiteral("-");
        if (const auto point = series.atOrBefore(time)) {
            const PlotPoint p = series.at(*point);
            value = QString::fromStdString(plotLane.valueText(p.value));
            value += p.failed ? QStringLiteral(" (failed)") : QString();
        }
        parts << QString::fromStdString(PlotSourceText(plotLane.source())) + QStringLiteral(": ") +
                     value;
    }
    return parts;
}

void PlotWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Home) {
        event->accept();
        showAll();
        return;
    }
    QWidget::keyPressEvent(event);
}

// --- saving ------------------------------------------------------------------------

void PlotWindow::onSave() {
    const QString path =
        prompts_.chooseTraceFile(ChooserMode::Save, QStringLiteral("save plot"),
                                 QStringLiteral("."), QString::fromLatin1(kSaveDescriptions));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!saveTo(path, error)) {
        prompts_.message(QStringLiteral("The plot could not be saved:\n%1: %2").arg(path, error));
    }
}

QByteArray PlotWindow::pictureBytes(bool svg) const {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(plot_->size());
        generator.setViewBox(plot_->rect());
        generator.setTitle(windowTitle());
        QCPPainter painter;
        painter.begin(&generator);
        plot_->toPainter(&painter, plot_->width(), plot_->height());
        painter.end();
    } else {
        plot_->toPixmap(plot_->width(), plot_->height()).save(&buffer, "PNG");
    }
    return buffer.data();
}

bool PlotWindow::saveTo(const QString& path, QString& error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QStringLiteral("png") && suffix != QStringLiteral("svg") &&
        suffix != QStringLiteral("csv")) {
        error = QStringLiteral("the name should end in .png, .svg or .csv");
        return false;
    }
    SafeReplace out(path.toStdString());
    bool ok = out.open();
    if (ok && suffix == QStringLiteral("csv")) {
        std::vector<PlotCsvColumn> columns;
        for (std::size_t lane = 0; lane < tracker_.lanes().size(); ++lane) {
            columns.push_back({laneName(lane).toStdString(), &tracker_.lanes()[lane].series()});
        }
        ok = WritePlotCsv(columns, out);
    } else if (ok) {
        const QByteArray bytes = pictureBytes(suffix == QStringLiteral("svg"));
        ok = out.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    ok = ok && out.commit();
    error = ok ? QString() : QString::fromStdString(out.error());
    return ok;
}

// --- showing -----------------------------------------------------------------------

void PlotWindow::showEvent(QShowEvent* event) {
    refresh();
    timer_.start();
    QWidget::showEvent(event);
}

void PlotWindow::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

}  // namespace daridez
