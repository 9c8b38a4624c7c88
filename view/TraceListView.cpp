#include "view/TraceListView.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "files/CopiedRows.h"
#include "lin/Columns.h"
#include "lin/FrameCheck.h"
#include "view/DottedLine.h"
#include "view/LiveFollower.h"
#include "view/TraceItemDelegate.h"
#include "view/TraceListModel.h"

namespace daridez {

TraceListView::TraceListView(QWidget* parent)
    : QTableView(parent), model_(new TraceListModel(this)) {
    setModel(model_);
    auto* delegate = new TraceItemDelegate(this);
    delegate->setElidedColumn(static_cast<int>(Column::Check));
    setItemDelegate(delegate);
    setShowGrid(false);  // the column lines are drawn dotted by paintGridLines()
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // One row is selected by a click; Shift and Ctrl extend the selection for copying.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTabKeyNavigation(false);  // Tab moves on to the next control
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);  // header clicks follow the list's own rules
    setUpHeader();
    verticalHeader()->hide();
    // Every row has the same height; nothing is ever sized to its contents, which
    // would visit every row of a million-row trace.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    updateRowHeight();
    takeRowColours();
    follower_ = new LiveFollower(*this, *model_);
}

TraceListView::~TraceListView() = default;

void TraceListView::setUpHeader() {
    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumSectionSize(1);
    for (int column = 0; column < kListColumnCount; ++column) {
        header->resizeSection(column, ColumnAt(column).width);
    }
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        model_->sortByHeaderClick(column);
        showSortIndicator();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &TraceListView::showSortIndicator);
    header->viewport()->installEventFilter(this);
}

// The header's arrow: the column the rows are sorted by now, and its direction; none
// while they are in arrival order. Set after every click, also a refused one (the
// header turns its arrow on a click by itself).
void TraceListView::showSortIndicator() {
    const RowSort& sort = model_->sortMemory();
    QHeaderView* header = horizontalHeader();
    header->setSortIndicatorShown(sort.shownColumn() >= 0);
    header->setSortIndicator(sort.shownColumn(),
                             sort.shownAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

// What the Check column needs for its two widest words and the comma between them (the
// widest verdicts the checks give in practice, "unknown-id,enhanced"), measured in the
// list's font: never from the rows, of which there may be a million.
int TraceListView::checkColumnNeed() const {
    const QFontMetrics metrics(font());
    std::vector<int> widths;
    for (int word = 0; word < static_cast<int>(CheckWord::Count); ++word) {
        widths.push_back(
            metrics.horizontalAdvance(QLatin1String(CheckWordText(static_cast<CheckWord>(word)))));
    }
    std::sort(widths.begin(), widths.end(), std::greater<>());
    constexpr int kMargins = 4;  // the cell's frame and a pixel of air each side
    return widths[0] + widths[1] + metrics.horizontalAdvance(QLatin1Char(',')) + kMargins;
}

// The Check column takes the width its verdicts need where the list has room for it
// beside the other columns, and as much as there is where it has not, never less than
// its table's width; texts that still do not fit are elided, whole in their tool tip.
void TraceListView::fitCheckColumn() {
    const int check = static_cast<int>(Column::Check);
    int others = 0;
    for (int column = 0; column < kListColumnCount; ++column) {
        others += column != check ? columnWidth(column) : 0;
    }
    const int base = ColumnAt(check).width;
    const int room = viewport()->width() - others;
    setColumnWidth(check, std::clamp(room, base, std::max(base, checkColumnNeed())));
}

void TraceListView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitCheckColumn();
}

void TraceListView::updateRowHeight() {
    // The text's line height and two pixels above and below: one for the seam of a
    // highlighted row, one of air.
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

void TraceListView::takeRowColours() {
    model_->setRowColours({FromQColor(palette().color(QPalette::Active, QPalette::Base)),
                           FromQColor(palette().color(QPalette::Active, QPalette::Text))});
}

void TraceListView::redrawLastPage() {
    viewport()->update();
}

void TraceListView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    paintGridLines();
}

// Dotted lines at the right border of every column, from below the header down to the
// bottom of the viewport (also below the last row), none beyond the right edge.
void TraceListView::paintGridLines() {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int gridHint = style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this);
    QPainter painter(viewport());
    painter.setPen(QPen(QColor::fromRgba(static_cast<QRgb>(gridHint)), 0));
    const QHeaderView* header = horizontalHeader();
    const int right = viewport()->width();
    const int bottom = viewport()->height() - 1;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (header->isSectionHidden(column)) {
            continue;
        }
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column);
        if (x >= right) {
            break;
        }
        DrawDottedVertical(painter, x - 1, 0, bottom);
    }
}

void TraceListView::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    if (event->button() != Qt::RightButton) {
        return;
    }
    const QPoint at = event->position().toPoint();
    if (indexAt(at).isValid()) {
        emit rightClicked(columnAt(at.x()));
    } else {
        emit emptyAreaRightClicked(event->globalPosition().toPoint());
    }
}

void TraceListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QScrollBar* sideways = horizontalScrollBar();
    const int x = sideways->value();
    QTableView::scrollTo(index, hint);
    sideways->setValue(x);
}

void TraceListView::showFirstRow() {
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
}

// A right-click on a header toggles what a right-click in its column toggles.
bool TraceListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            emit rightClicked(horizontalHeader()->logicalIndexAt(mouse->position().toPoint()));
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void TraceListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelectedRows();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
    if (event->key() == Qt::Key_End) {
        follower_->resume();
    }
}

// Home and End go to the first and last row, as in any list, not to the first and last
// column of the current row.
QModelIndex TraceListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveHome || action == MoveEnd) {
        modifiers |= Qt::ControlModifier;
    }
    return QTableView::moveCursor(action, modifiers);
}

QString TraceListView::selectedRowsText() const {
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<const TraceEntry*> entries;
    for (const QModelIndex& row : rows) {
        if (const TraceEntry* entry = model_->rowEntry(row.row())) {
            entries.push_back(entry);
        }
    }
    return QString::fromStdString(CopiedRows(entries, model_->textForm(), model_->ldf()));
}

void TraceListView::copySelectedRows() const {
    QApplication::clipboard()->setText(selectedRowsText());
}

void TraceListView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateRowHeight();
        fitCheckColumn();
    } else if (event->type() == QEvent::PaletteChange) {
        takeRowColours();
    }
}

// The selected row changes its colours with the focus.
void TraceListView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void TraceListView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

}  // namespace daridez
