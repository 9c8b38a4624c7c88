#include "app/PlotWindow.h"

#include <qcustomplot.h>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/PlotExport.h"
#include "app/PlotLanePicker.h"
#include "app/WindowPrompts.h"

namespace daridez {

namespace {

const char* const kSaveDescriptions = "PNG picture (*.png)|SVG picture (*.svg)|CSV table (*.csv)";
constexpr int kClickSlack = 3;  // pixels a click may move and stay a click

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
    time_ = new PlotTimeAxis(*plot_, tracker_);
    connect(plot_, &QCustomPlot::beforeReplot, this, &PlotWindow::layOutAndFill);
    connect(plot_, &QCustomPlot::mousePress, this, &PlotWindow::onMousePress);
    connect(plot_, &QCustomPlot::mouseMove, this, &PlotWindow::onMouseMove);
    connect(plot_, &QCustomPlot::mouseRelease, this, &PlotWindow::onMouseRelease);

    cursor_ = new PlotCursorLine(this);
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
        {"plotFit", "Fit y", "The chosen lane's y axis follows the values shown",
         [](PlotWindow& w) { w.setFitToView(w.currentLane(), !w.fitsToView(w.currentLane())); }},
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
        fitButton_ = std::string_view(tool.name) == "plotFit" ? button : fitButton_;
    }
    fitButton_->setCheckable(true);
    connect(lanePicker_, &QComboBox::currentIndexChanged, this,
            [this](int lane) { fitButton_->setChecked(fitsToView(lane)); });
    bar->addStretch(1);
    static_cast<QVBoxLayout*>(layout())->addLayout(bar);
}

bool PlotWindow::addLane(const QString& text, QString* error) {
    std::string problem;
    const auto source = ParsePlotLane(text.toStdString(), ldf_.model(), problem);
    if (!source) {
        if (error != nullptr) {
            *error = QString::fromStdString(problem);
        }
        return false;
    }
    tracker_.addLane(*source, session_.list);
    fitted_.push_back(false);
    lanesEdited(laneCount() - 1);
    return true;
}

void PlotWindow::removeLane(int lane) {
    if (lane < 0 || lane >= laneCount()) {
        return;
    }
    tracker_.removeLane(static_cast<std::size_t>(lane));
    fitted_.erase(fitted_.begin() + lane);
    lanesEdited(std::min(lane, laneCount() - 1));
}

void PlotWindow::moveLane(int from, int to) {
    if (from < 0 || to < 0 || from >= laneCount() || to >= laneCount() || from == to) {
        return;
    }
    tracker_.moveLane(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    const bool fit = fitted_[static_cast<std::size_t>(from)];
    fitted_.erase(fitted_.begin() + from);
    fitted_.insert(fitted_.begin() + to, fit);
    lanesEdited(to);
}

void PlotWindow::lanesEdited(int current) {
    rebuildLanes();
    setCurrentLane(current);
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

bool PlotWindow::fitsToView(int lane) const {
    return lane >= 0 && lane < laneCount() && fitted_[static_cast<std::size_t>(lane)];
}

void PlotWindow::setFitToView(int lane, bool fit) {
    if (lane >= 0 && lane < laneCount()) {
        fitted_[static_cast<std::size_t>(lane)] = fit;
        plot_->replot();
    }
    fitButton_->setChecked(fitsToView(currentLane()));
}

// Every lane gets an axis rectangle of its own, stacked; only the lowest shows the time.
void PlotWindow::rebuildLanes() {
    time_->detachAll();
    plot_->clearItems();
    plot_->clearPlottables();
    plot_->plotLayout()->clear();
    views_.clear();
    clearCursor();  // the values of the lanes before
    const int count = laneCount();
    if (count == 0) {
        plot_->plotLayout()->addElement(
            0, 0,
            new QCPTextElement(plot_, QStringLiteral("No lanes: \"Add lane...\" chooses what "
                                                     "to plot")));
    }
    auto* margins = new QCPMarginGroup(plot_);
    const QSharedPointer<QCPAxisTicker> ticker = time_->ticker();
    for (int i = 0; i < count; ++i) {
        views_.emplace_back(*plot_, tracker_.lanes()[static_cast<std::size_t>(i)], i, *margins,
                            ticker, i == count - 1 ? time_->label() : QString());
        time_->attach(views_.back().timeAxis());
    }
    const int current = lanePicker_->currentIndex();
    lanePicker_->clear();
    lanePicker_->addItems(laneTexts());
    lanePicker_->setCurrentIndex(std::min(current, count - 1));
    plot_->replot();
}

void PlotWindow::onAddLane() {
    refresh();  // the picker offers the identifiers read up to now
    PlotLanePicker picker(tracker_.dataLengths(), ldf_.model(), this);
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

void PlotWindow::setLdf(const LinDescription& ldf, const QStringList& lanes) {
    ldf_ = ldf;
    std::vector<PlotSource> sources;
    for (const QString& text : lanes) {
        std::string error;
        if (const auto source = ParsePlotLane(text.toStdString(), ldf_.model(), error)) {
            sources.push_back(*source);
        }
    }
    tracker_.setLdf(ldf_.model(), sources, session_.list);
    fitted_.assign(sources.size(), false);
    rebuildLanes();
    setCurrentLane(laneCount() - 1);
}

void PlotWindow::setBaudrate(int baudrate) {
    tracker_.setBaudrate(baudrate, session_.list);
    plot_->replot();
}

void PlotWindow::setRelativeTime(bool relative) {
    if (relative == time_->relative()) {
        return;
    }
    const std::int64_t from = plotTime(timeFrom());
    const std::int64_t to = plotTime(timeTo());
    time_->setRelative(relative);
    rebuildLanes();
    time_->apply(axisTime(from), axisTime(to));
}

void PlotWindow::resetPlot() {
    tracker_.reset();
    clearCursor();
    showAll();
}

void PlotWindow::refresh() {
    const TraceEntry* openRow = rowsArriving_() ? session_.decoder.currentEntry() : nullptr;
    const PlotTracker::Update update = tracker_.update(session_.list, openRow);
    if (update.restarted || update.rowsAdded != 0) {
        time_->follow();
        plot_->replot();
    }
}

void PlotWindow::setTimeRange(double from, double to) {
    time_->apply(from, to);
    time_->setFollowing(false);
}

void PlotWindow::showAll() {
    time_->setFollowing(true);
    time_->follow();
}

// Before each redraw: the lanes' rectangles are laid out first, so that a lane just added
// is filled for its own width and height, then each lane's outline for the shown span.
void PlotWindow::layOutAndFill() {
    for (const auto phase : {QCPLayoutElement::upPreparation, QCPLayoutElement::upMargins,
                             QCPLayoutElement::upLayout}) {
        plot_->plotLayout()->update(phase);
    }
    const std::int64_t from = plotTime(timeFrom());
    const std::int64_t to = plotTime(timeTo());
    for (std::size_t lane = 0; lane < views_.size(); ++lane) {
        views_[lane].fill(tracker_.lanes()[lane], from, to, time_->origin(), fitted_[lane]);
    }
}

int PlotWindow::laneAt(const QPoint& point) const {
    for (std::size_t lane = 0; lane < views_.size(); ++lane) {
        if (views_[lane].rect()->outerRect().contains(point)) {
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
        moveCursor(views_.front().timeAxis()->pixelToCoord(event->pos().x()));
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
    const double axis = views_.front().timeAxis()->pixelToCoord(event->pos().x());
    const int lane = laneAt(event->pos());
    const std::int64_t row = tracker_.rowNear(
        lane < 0 ? tracker_.lanes().size() : static_cast<std::size_t>(lane), plotTime(axis));
    if (row >= 0) {
        emit rowClicked(static_cast<quint32>(row));
    }
}

void PlotWindow::moveCursor(double axis) {
    for (PlotLaneView& view : views_) {
        view.showCursor(axis);
    }
    cursor_->showParts(tracker_.cursorTexts(plotTime(axis), time_->relative()));
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void PlotWindow::clearCursor() {
    for (PlotLaneView& view : views_) {
        view.hideCursor();
    }
    cursor_->clearLine();
}

QString PlotWindow::cursorText(double axis) const {
    return PlotCursorLine::joined(tracker_.cursorTexts(plotTime(axis), time_->relative()));
}

void PlotWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Home) {
        event->accept();
        showAll();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PlotWindow::onSave() {
    const QString path =
        prompts_.chooseTraceFile(ChooserMode::Save, QStringLiteral("save plot"),
                                 QStringLiteral("."), QString::fromLatin1(kSaveDescriptions));
    QString error;
    if (!path.isEmpty() && !saveTo(path, error)) {
        prompts_.message(QStringLiteral("The plot could not be saved:\n%1: %2").arg(path, error));
    }
}

bool PlotWindow::saveTo(const QString& path, QString& error) {
    return PlotExport::save(*plot_, tracker_, path, error);
}

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
