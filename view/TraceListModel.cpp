#include "view/TraceListModel.h"

#include <QColor>
#include <algorithm>
#include <vector>

#include "trace/TimeFormat.h"
#include "view/ColumnText.h"

namespace daridez {

QColor ToQColor(Colour colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

Colour FromQColor(const QColor& colour) {
    return static_cast<Colour>(colour.red()) | static_cast<Colour>(colour.green()) << 8 |
           static_cast<Colour>(colour.blue()) << 16;
}

TraceListModel::TraceListModel(QObject* parent)
    : QAbstractTableModel(parent), headers_{"MsgNr", "TimeStamp", "Info", "Sync", "ID",
                                            "DB0",   "DB1",       "DB2",  "DB3",  "DB4",
                                            "DB5",   "DB6",       "DB7",  "CS"} {}

int TraceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_);
}

int TraceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
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
        case Qt::DisplayRole:
            return QString::fromLatin1(ColumnText(*entry, index.column()));
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

// Column 2 tells the absolute time of the row's first frame, the others the time since
// the frame of the column before; a slot time of 0 means no frame arrived there.
QVariant TraceListModel::toolTip(const TraceEntry& entry, int column) const {
    if (column < 2) {
        return {};
    }
    const int slot = column - 2;
    if (entry.slotTimes[slot] == 0) {
        return {};
    }
    char text[kTimeTextSize];
    if (slot == 0) {
        FormatAbsoluteTime(text, entry.slotTimes[0]);
    } else {
        FormatRelativeTime(text, entry.slotTimes[slot - 1], entry.slotTimes[slot]);
    }
    return QString::fromLatin1(text);
}

QVariant TraceListModel::foreground(const TraceEntry& entry, int column) const {
    if (column < 2) {
        return {};
    }
    return ToQColor(entry.textColour);
}

QVariant TraceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers_.size()) {
        return headers_.at(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool TraceListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                   int role) {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= headers_.size()) {
        return false;
    }
    headers_[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags TraceListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool TraceListModel::appendRow(TraceEntry* entry) {
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
    const std::uint32_t count = index_.count();
    if (count <= shown_) {
        return;
    }
    beginInsertRows(QModelIndex(), static_cast<int>(shown_), static_cast<int>(count - 1));
    shown_ = count;
    endInsertRows();
}

void TraceListModel::clear() {
    beginResetModel();
    index_.clear();
    shown_ = 0;
    live_ = false;
    endResetModel();
}

bool TraceListModel::sortByHeaderClick(int column) {
    if (live_ || column < 0 || column > RowSort::kLastColumn) {
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
