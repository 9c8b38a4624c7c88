#include "app/IdSummaryWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
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
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
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
            headerMetrics.horizontalAdvance(QString::fromLatin1(IdColumnHeader(column)));
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
    if (baudrate <= 0 || baudrate == baudrate_) {
        return;
    }
    baudrate_ = baudrate;
    showTotals();
}

void IdSummaryWindow::showInFront() {
    show();
    raise();
    activateWindow();
}

void IdSummaryWindow::resetSummary() {
    tracker_.reset();
    model_->removeAll();
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
    busLoad_->setText(busLoadText());
}

void IdSummaryWindow::onDoubleClick(const QModelIndex& index) {
    if (index.isValid()) {
        emit identifierActivated(index.data(IdSummaryModel::IdRole).toInt());
    }
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
