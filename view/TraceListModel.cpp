#include "view/TraceListModel.h"

#include <QColor>
#include <algorithm>
#include <vector>

#include "lin/Columns.h"

namespace daridez {

QColor ToQColor(Colour colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

Colour FromQColor(const QColor& colour) {
    return static_cast<Colour>(colour.red()) | static_cast<Colour>(colour.green()) << 8 |
           static_cast<Colour>(colour.blue()) << 16;
}

TraceListModel::TraceListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TraceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_);
}

int TraceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumnCount;
}

QVariant TraceListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const TraceEntry* entry = index_.at(static_cast<std::uint32_t>(index.row()));
    if (entry == nullptr) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole: {
            CellScratch scratch;
            return QString::fromLatin1(
                CellText(*entry, static_cast<Column>(index.column()), scratch));
        }
        case Qt::ToolTipRole:
            return toolTip(*entry, index.column());
        case Qt::ForegroundRole:
            return foreground(*entry, index.column());
        case Qt::BackgroundRole:
            return ToQColor(entry->backColour);
        default:
            return {};
    }
}

QVariant TraceListModel::toolTip(const TraceEntry& entry, int column) const {
    const std::string tip = ColumnAt(column).toolTip(entry);
    if (tip.empty()) {
        return {};
    }
    return QString::fromStdString(tip);
}

QVariant TraceListModel::foreground(const TraceEntry& entry, int column) const {
    if (!ColumnAt(column).rowColoured) {
        return {};
    }
    return ToQColor(entry.textColour);
}

QVariant TraceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && IsColumn(section)) {
        return QString::fromLatin1(ColumnHeader(static_cast<Column>(section), modes_));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TraceListModel::setDisplayModes(TraceSession& session, const DisplayModes& modes) {
    if (!session.applyDisplayModes(modes)) {
        return;
    }
    modes_ = session.modes;
    emit headerDataChanged(Qt::Horizontal, 0, kListColumnCount - 1);
    refreshTexts();
}

Qt::ItemFlags TraceListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool TraceListModel::AppendRow(TraceEntry* entry, std::int32_t /*number*/) {
    if (entry == nullptr) {
        return false;
    }
    if (!index_.append(entry)) {
        emit outOfMemory();
        return false;
    }
    return true;
}

void TraceListModel::endOfBatch() {
    if (!holdingBatches_) {
        publishPending();
    }
}

void TraceListModel::setHoldingBatches(bool hold) {
    holdingBatches_ = hold;
    if (!hold) {
        publishPending();
    }
}

void TraceListModel::publishPending() {
    const std::uint32_t count = index_.count();
    if (count <= shown_) {
        return;
    }
    beginInsertRows(QModelIndex(), static_cast<int>(shown_), static_cast<int>(count - 1));
    shown_ = count;
    endInsertRows();
}

void TraceListModel::setLive(bool live) {
    if (live != live_) {
        live_ = live;
        emit liveChanged(live);
    }
}

void TraceListModel::clearRows() {
    beginResetModel();
    index_.clear();
    shown_ = 0;
    live_ = false;
    endResetModel();
}

bool TraceListModel::sortByHeaderClick(int column) {
    if (live_ || !IsColumn(column)) {
        return false;
    }
    endOfBatch();
    sortKeepingSelection(column);
    return true;
}

// A sort is a layout change: the persistent indexes (selection, current row) follow
// their rows to the new positions.
void TraceListModel::sortKeepingSelection(int column) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::pair<const TraceEntry*, int>> tracked;  // (row, position in before)
    tracked.reserve(before.size());
    for (int i = 0; i < before.size(); ++i) {
        tracked.emplace_back(index_.at(static_cast<std::uint32_t>(before[i].row())), i);
    }
    std::sort(tracked.begin(), tracked.end());

    sort_.sortByColumn(index_.rows(), index_.count(), column);

    QModelIndexList after = before;
    if (!tracked.empty()) {
        for (std::uint32_t row = 0; row < index_.count(); ++row) {
            const TraceEntry* entry = index_.at(row);
            auto found = std::lower_bound(tracked.begin(), tracked.end(),
                                          std::pair<const TraceEntry*, int>(entry, -1));
            for (; found != tracked.end() && found->first == entry; ++found) {
                after[found->second] = index(static_cast<int>(row), before[found->second].column());
            }
        }
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TraceListModel::refreshTexts() {
    if (shown_ == 0) {
        return;
    }
    // Every row's texts changed, none moved: a layout change tells the views to fetch
    // them again without touching the selection or the persistent indexes.
    emit layoutAboutToBeChanged();
    emit layoutChanged();
}

void TraceListModel::setReallocator(RowIndex::Reallocator reallocator, void* context) {
    index_.setReallocator(reallocator, context);
}

}  // namespace daridez
