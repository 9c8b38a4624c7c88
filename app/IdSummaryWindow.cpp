#include "app/IdSummaryWindow.h"

#include <QColor>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "app/IdSummaryDelegate.h"
#include "app/IdSummaryModel.h"

namespace daridez {

namespace {

// The widest text each column shows in practice; the header may be wider still.
const char* const kWidestCell[] = {
    "3F", "99999999", "99999", "1,2,4,8", "enhanced", "9999.999", "9999.999", "9999.999", "",
};
static_assert(std::size(kWidestCell) == static_cast<std::size_t>(IdColumn::Count));

constexpr int kVisibleRows = 14;

}  // namespace

IdSummaryWindow::IdSummaryWindow(TraceSession& session, std::function<bool()> rowsArriving,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), rowsArriving_(std::move(rowsArriving)) {
    setWindowTitle(QStringLiteral("ID summary"));
    setObjectName(QStringLiteral("idSummaryWindow"));
    if (!rowsArriving_) {
        rowsArriving_ = [this] { return session_.state != TraceState::Idle; };
    }
    buildTable();

    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("idSummaryCounts"));
    busLoad_ = new QLabel(this);
    busLoad_->setObjectName(QStringLiteral("idSummaryBusLoad"));
    busLoad_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* footer = new QHBoxLayout;
    footer->addWidget(counts_, 1);
    footer->addWidget(busLoad_);
    tablesRow_ = new QWidget(this);
    tables_ = new QComboBox(tablesRow_);
    tables_->setObjectName(QStringLiteral("idSummarySchedule"));
    auto* tablesLayout = new QHBoxLayout(tablesRow_);
    tablesLayout->setContentsMargins(0, 0, 0, 0);
    tablesLayout->addWidget(new QLabel(QStringLiteral("Nominal periods from:"), tablesRow_));
    tablesLayout->addWidget(tables_);
    tablesLayout->addStretch(1);
    tablesRow_->hide();
    connect(tables_, qOverload<int>(&QComboBox::activated), this, [this] { applySchedule(); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(tablesRow_);
    layout->addWidget(table_, 1);
    layout->addLayout(footer);

    sizeColumns();
    showTotals();
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &IdSummaryWindow::refresh);
}

IdSummaryWindow::~IdSummaryWindow() = default;

void IdSummaryWindow::buildTable() {
    model_ = new IdSummaryModel(tracker_.summary(), this);
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(IdSummaryModel::SortRole);
    sorted_->setDynamicSortFilter(true);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("idSummaryTable"));
    table_->setModel(sorted_);
    table_->setItemDelegate(new IdSummaryDelegate(table_));
    table_->setSortingEnabled(true);
    table_->sortByColumn(static_cast<int>(IdColumn::Id), Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setAlternatingRowColors(true);
    table_->setWordWrap(false);
    table_->setShowGrid(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    connect(table_, &QTableView::doubleClicked, this, &IdSummaryWindow::onDoubleClick);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QTableView::customContextMenuRequested, this, &IdSummaryWindow::onContextMenu);
}

// Once, from the font: the widest usual cell or the header with its sort arrow.
void IdSummaryWindow::sizeColumns() {
    const QFontMetrics metrics(table_->font());
    const QFontMetrics headerMetrics(table_->horizontalHeader()->font());
    const int padding = 2 * IdSummaryDelegate::padding(table_) + metrics.averageCharWidth();
    const int arrow = headerMetrics.height();
    int total = 0;
    for (int c = 0; c < static_cast<int>(IdColumn::Count); ++c) {
        const auto column = static_cast<IdColumn>(c);
        const int cell = column == IdColumn::Last
                             ? IdSummaryDelegate::bytesWidth(table_->font())
                             : metrics.horizontalAdvance(QString::fromLatin1(kWidestCell[c]));
        const int header =
            headerMetrics.horizontalAdvance(QString::fromLatin1(IdSummaryModel::title(column)));
        const int width = std::max(cell, header + arrow) + padding;
        table_->horizontalHeader()->resizeSection(c, width);
        total += width;
    }
    const int rowHeight = metrics.height() + 6;
    table_->verticalHeader()->setDefaultSectionSize(rowHeight);
    table_->verticalHeader()->setMinimumSectionSize(rowHeight);
    const int frame = 2 * table_->frameWidth();
    const int height = table_->horizontalHeader()->sizeHint().height() + kVisibleRows * rowHeight;
    resize(total + frame + 12 + table_->style()->pixelMetric(QStyle::PM_ScrollBarExtent),
           height + frame + 12 + 4 + counts_->sizeHint().height());
}

void IdSummaryWindow::setBaudrate(int baudrate) {
    if (baudrate <= 0) {
        return;
    }
    confirmed_ = true;
    baudrate_ = baudrate;
    showTotals();
}

void IdSummaryWindow::showInFront() {
    show();
    raise();
    activateWindow();
}

void IdSummaryWindow::setLdf(const LinDescription& ldf) {
    ldf_ = ldf;
    tables_->clear();
    tables_->addItem(QStringLiteral("the first schedule table of each frame"), QString());
    for (const std::string& name : ldf_.scheduleTableNames()) {
        tables_->addItem(QString::fromStdString(name), QString::fromStdString(name));
    }
    tablesRow_->setVisible(ldf_.model() != nullptr);
    tracker_.setLdf(ldf_.model());
    applySchedule();
    resetSummary();
    if (isVisible()) {
        refresh();
    }
}

void IdSummaryWindow::chooseSchedule(const QString& table) {
    const int at = tables_->findData(table);
    if (at >= 0) {
        tables_->setCurrentIndex(at);
        applySchedule();
    }
}

void IdSummaryWindow::applySchedule() {
    const LdfModel* model = ldf_.model();
    schedule_ = model != nullptr
                    ? IdSchedule(*model, tables_->currentData().toString().toStdString())
                    : IdSchedule();
    model_->setSchedule(&schedule_);
    placeLdfColumns();
}

// The LDF's columns beside the summary's own: the frame and its publisher after the
// identifier, the LDF length after the lengths seen, the nominal period after the
// measured ones, the collisions after the bad frames, the note last.
void IdSummaryWindow::placeLdfColumns() {
    if (!schedule_.hasLdf()) {
        return;
    }
    constexpr int base = IdSummaryModel::kBaseColumns;
    auto ldf = [](LdfIdColumn column) { return base + static_cast<int>(column); };
    auto own = [](IdColumn column) { return static_cast<int>(column); };
    const int order[] = {own(IdColumn::Id),
                         ldf(LdfIdColumn::Frame),
                         ldf(LdfIdColumn::Publisher),
                         own(IdColumn::Frames),
                         own(IdColumn::Bad),
                         ldf(LdfIdColumn::Collisions),
                         own(IdColumn::Lengths),
                         ldf(LdfIdColumn::LdfLength),
                         own(IdColumn::Model),
                         own(IdColumn::PeriodMin),
                         own(IdColumn::PeriodAvg),
                         own(IdColumn::PeriodMax),
                         ldf(LdfIdColumn::PeriodNominal),
                         own(IdColumn::Last),
                         ldf(LdfIdColumn::Note)};
    QHeaderView* header = table_->horizontalHeader();
    for (int visual = 0; visual < static_cast<int>(std::size(order)); ++visual) {
        header->moveSection(header->visualIndex(order[visual]), visual);
    }
    const QFontMetrics metrics(table_->font());
    const int padding = 2 * IdSummaryDelegate::padding(table_) + metrics.averageCharWidth();
    for (int c = 0; c < static_cast<int>(LdfIdColumn::Count); ++c) {
        int widest =
            metrics.horizontalAdvance(model_->headerData(base + c, Qt::Horizontal).toString()) +
            metrics.height();
        for (int row = 0; row < model_->rowCount(); ++row) {
            widest = std::max(
                widest, metrics.horizontalAdvance(model_->index(row, base + c).data().toString()));
        }
        header->resizeSection(base + c, widest + padding);
    }
}

void IdSummaryWindow::resetSummary() {
    tracker_.reset();
    model_->removeAll();
    model_->refresh();  // the rows of the frames the LDF plans
    showTotals();
}

void IdSummaryWindow::refresh() {
    const TraceEntry* openRow = rowsArriving_() ? session_.decoder.currentEntry() : nullptr;
    const TrackerUpdate update = tracker_.update(session_.list, openRow);
    if (update.restarted) {
        model_->removeAll();
    }
    // The figures and the marks (measured against the last row's time) change only
    // with new rows.
    if (update.restarted || update.rowsAdded != 0) {
        model_->refresh();
        showTotals();
    }
}

QString IdSummaryWindow::busLoadText() const {
    return QStringLiteral("bus load: %1 at %2 baud")
        .arg(QString::fromStdString(BusLoadText(summary(), baudrate_)))
        .arg(baudrate_);
}

void IdSummaryWindow::showTotals() {
    int ids = 0;
    for (int id = 0; id < IdSummary::kIdCount; ++id) {
        ids += summary().seen(id) ? 1 : 0;
    }
    counts_->setText(QStringLiteral("%1 identifier%2, %3 LIN frames")
                         .arg(ids)
                         .arg(ids == 1 ? QString() : QStringLiteral("s"))
                         .arg(summary().linFrames()));
    showBusLoad();
}

// A load above 100 % cannot be: the bits were counted at a rate slower than the bus's.
void IdSummaryWindow::showBusLoad() {
    busLoad_->setText(busLoadText());
    const bool impossible = summary().busLoad(baudrate_) > 1.0;
    QPalette palette = this->palette();
    if (impossible) {
        palette.setColor(QPalette::WindowText, QColor(220, 40, 30));
    }
    busLoad_->setPalette(palette);
    const QString rate = confirmed_ ? QStringLiteral(
                                          "the rate the tracer last took with \"Set "
                                          "LIN Speed\"")
                                    : QStringLiteral(
                                          "assumed: no rate was set with \"Set LIN "
                                          "Speed\" (a loaded file does not say)");
    busLoad_->setToolTip(impossible ? QStringLiteral("more bits than the rate allows: the rate is "
                                                     "not the bus's rate")
                                    : QStringLiteral("%1 baud: %2").arg(baudrate_).arg(rate));
}

void IdSummaryWindow::onDoubleClick(const QModelIndex& index) {
    if (index.isValid()) {
        emit identifierActivated(index.data(IdSummaryModel::IdRole).toInt());
    }
}

void IdSummaryWindow::onContextMenu(const QPoint& at) {
    const QModelIndex index = table_->indexAt(at);
    if (!index.isValid()) {
        return;
    }
    const QString lane = laneTextAt(index, at.x());
    QMenu menu(this);
    menu.addAction(QStringLiteral("Plot"), this, [this, lane] { emit plotRequested(lane); })
        ->setToolTip(lane);
    menu.exec(table_->viewport()->mapToGlobal(at));
}

// The lane of a cell: the byte under the mouse in "last", the period in the period
// columns, the failed checks in "bad", else the identifier's first data byte (its period
// when its frames had no data).
QString IdSummaryWindow::laneTextAt(const QModelIndex& index, int x) const {
    const int id = index.data(IdSummaryModel::IdRole).toInt();
    const IdStats& stats = summary().stats(id);
    const QString name = QStringLiteral("%1").arg(id, 2, 16, QLatin1Char('0')).toUpper();
    const auto column = static_cast<IdColumn>(index.column());
    if (column == IdColumn::PeriodMin || column == IdColumn::PeriodAvg ||
        column == IdColumn::PeriodMax || stats.dataLength == 0) {
        return name + QStringLiteral(" period");
    }
    if (column == IdColumn::Bad) {
        return QStringLiteral("failed checks");
    }
    int byte = 0;
    if (column == IdColumn::Last) {
        byte = std::min(IdSummaryDelegate::byteAt(table_, table_->visualRect(index), x),
                        stats.dataLength - 1);
    }
    return name + QStringLiteral(" byte %1").arg(byte);
}

void IdSummaryWindow::showEvent(QShowEvent* event) {
    refresh();
    timer_.start();
    QWidget::showEvent(event);
}

void IdSummaryWindow::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

}  // namespace daridez
