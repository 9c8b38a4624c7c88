#include "view/TraceListModel.h"

#include <QColor>
#include <algorithm>
#include <vector>

#include "lin/Columns.h"
#include "lin/FrameCheck.h"

namespace daridez {

// A warm red laid over the row's background: it stands out on light and dark themes
// alike and leaves the text colours of the row as they are.
QColor FailedCheckColour(Colour background) {
    constexpr int kShare = 96;  // of 255, the red's part
    const QColor base = ToQColor(background);
    const QColor warning(255, 64, 48);
    const auto mix = [](int under, int over) {
        return (under * (255 - kShare) + over * kShare) / 255;
    };
    return QColor(mix(base.red(), warning.red()), mix(base.green(), warning.green()),
                  mix(base.blue(), warning.blue()));
}

QColor ToQColor(Colour colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

Colour FromQColor(const QColor& colour) {
    return static_cast<Colour>(colour.red()) | static_cast<Colour>(colour.green()) << 8 |
           static_cast<Colour>(colour.blue()) << 16;
}

TraceListModel::TraceListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TraceListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return static_cast<int>(matches_.rowCount(shown_));
}

int TraceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumnCount;
}

QVariant TraceListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const TraceEntry* entry = rowEntry(index.row());
    if (entry == nullptr) {
        return {};
    }
    const bool check = index.column() == static_cast<int>(Column::Check);
    if (check && verdictPending(*entry)) {
        return {};  // the decoder may still add fields: no verdict yet
    }
    switch (role) {
        case Qt::DisplayRole: {
            CellScratch scratch;
            scratch.ldf = ldf_;
            return QString::fromLatin1(
                CellText(*entry, form_, static_cast<Column>(index.column()), scratch));
        }
        case Qt::ToolTipRole:
            return toolTip(*entry, index.column());
        case Qt::ForegroundRole:
            return foreground(*entry, index.column());
        case Qt::BackgroundRole:
            return check && CheckFrame(*entry, ldf_).failed() ? FailedCheckColour(entry->backColour)
                                                              : ToQColor(entry->backColour);
        default:
            return {};
    }
}

bool TraceListModel::verdictPending(const TraceEntry& entry) const {
    return lastRowOpen() && index_.at(index_.count() - 1) == &entry;
}

// While a trace runs, the decoder may still fill the last row, unless it is complete by
// what is known (the LDF's length, or a valid checksum): the rule every live consumer
// settles a row by.
bool TraceListModel::lastRowOpen() const {
    return live_ && index_.count() != 0 && !RowComplete(*index_.at(index_.count() - 1), ldf_);
}

QVariant TraceListModel::toolTip(const TraceEntry& entry, int column) const {
    const std::string tip = ColumnAt(column).toolTip(entry, form_, ldf_);
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
        return QString::fromLatin1(ColumnHeader(static_cast<Column>(section), form_.modes));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TraceListModel::setDisplayModes(TraceSession& session, const DisplayModes& modes) {
    if (session.applyDisplayModes(modes)) {
        showModesOf(session);
    }
}

void TraceListModel::showModesOf(const TraceSession& session) {
    form_ = session.list.textForm();
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
    if (matches_.query() != nullptr) {
        publishMatches();
        return;
    }
    const std::uint32_t count = index_.count();
    if (count <= shown_) {
        return;
    }
    beginInsertRows(QModelIndex(), static_cast<int>(shown_), static_cast<int>(count - 1));
    shown_ = count;
    endInsertRows();
}

void TraceListModel::setLive(bool live) {
    if (live == live_) {
        return;
    }
    live_ = live;
    if (!live) {
        // The trace ended: its last row is final now. Its Check cell shows, and a query
        // judges it.
        endOfBatch();
        if (matches_.query() != nullptr) {
            publishMatches();
        }
        const int last = rowCount() - 1;
        if (last >= 0) {
            const int check = static_cast<int>(Column::Check);
            emit dataChanged(index(last, check), index(last, check));
        }
    }
    emit liveChanged(live);
}

// The new rows are judged as they are published. Shown in full, the list takes them
// in one insertion as without a query; showing only matches, it takes the matching
// ones in one insertion, after the open row of the last batch has left in the rare
// case that its last frames made it match no longer.
void TraceListModel::publishMatches() {
    const std::uint32_t count = index_.count();
    FilterIndex& filter = matches_.matches();
    const std::size_t matches = filter.size();
    const FilterIndex::Batch batch =
        filter.judgeNewRows(index_, *matches_.query(), form_, holdsOpenRow());
    const bool grown = count > shown_;
    if (!matches_.filtering()) {
        if (grown) {
            beginInsertRows(QModelIndex(), static_cast<int>(shown_), static_cast<int>(count - 1));
        }
        shown_ = count;
        filter.applyJudged(batch);
        if (grown) {
            endInsertRows();
        }
    } else {
        shown_ = count;
        if (batch.openRowDropped) {
            const int last = static_cast<int>(filter.size()) - 1;
            beginRemoveRows(QModelIndex(), last, last);
            filter.dropOpenRow();
            endRemoveRows();
        }
        if (batch.added > 0) {
            const int first = static_cast<int>(filter.size());
            beginInsertRows(QModelIndex(), first, first + static_cast<int>(batch.added) - 1);
            filter.addJudged();
            endInsertRows();
        }
    }
    if (grown || filter.size() != matches) {
        emit matchesChanged();
    }
}

void TraceListModel::setQuery(std::optional<Query> query) {
    endOfBatch();
    const bool refilter = matches_.filtering() || (matches_.switchedOn() && query.has_value());
    const bool holdOpen = lastRowOpen() && query && query->judgesVerdict();
    auto change = [&] { matches_.setQuery(std::move(query), index_, form_, holdOpen); };
    if (refilter) {
        changeLayoutKeepingSelection(change, QAbstractItemModel::NoLayoutChangeHint);
    } else {
        change();
    }
    emit matchesChanged();
}

void TraceListModel::setShowOnlyMatches(bool only) {
    if (only == matches_.switchedOn()) {
        return;
    }
    if (matches_.query() == nullptr) {
        matches_.setSwitch(only);
        return;
    }
    endOfBatch();
    changeLayoutKeepingSelection([&] { matches_.setSwitch(only); },
                                 QAbstractItemModel::NoLayoutChangeHint);
    emit matchesChanged();
}

int TraceListModel::findMatch(int row, bool forward, bool& wrapped) const {
    return matches_.step(row, forward, wrapped, shown_);
}

std::uint32_t TraceListModel::matchNumber(int row) const {
    return matches_.matchNumber(row, shown_);
}

void TraceListModel::clearRows() {
    beginResetModel();
    matches_.matches().clear();
    index_.clear();
    sort_.forgetShownOrder();
    shown_ = 0;
    live_ = false;
    endResetModel();
}

void TraceListModel::setLdf(const LdfModel* ldf) {
    ldf_ = ldf;
    sort_.setLdf(ldf_);
    refreshTexts();
}

void TraceListModel::dropOldestRows(const TraceEntry* first, std::uint64_t count) {
    const TraceEntry* end = first + count;
    const auto dropped = [first, end](const TraceEntry* entry) {
        return entry >= first && entry < end;
    };
    std::uint32_t leading = 0;
    while (leading < index_.count() && dropped(index_.at(leading))) {
        ++leading;
    }
    if (leading != count) {
        // Sorted before, or rows the index could not take: find them all.
        changeLayoutKeepingSelection(
            [&] {
                const std::uint32_t before = index_.count();
                index_.keepOnly([&](const TraceEntry* entry) { return !dropped(entry); });
                shown_ -= std::min(shown_, before - index_.count());
                matches_.rebuild(index_, form_, holdsOpenRow());
            },
            QAbstractItemModel::NoLayoutChangeHint);
        emit matchesChanged();
        return;
    }
    const std::uint32_t published = std::min(leading, shown_);
    const std::vector<std::uint32_t>& positions = matches_.matches().positions();
    const std::size_t matches =
        std::lower_bound(positions.begin(), positions.end(), leading) - positions.begin();
    const int leaving = static_cast<int>(matches_.filtering() ? matches : published);
    if (leaving > 0) {
        beginRemoveRows(QModelIndex(), 0, leaving - 1);
    }
    index_.dropFront(leading);
    shown_ -= published;
    matches_.matches().dropLeading(leading);
    if (leaving > 0) {
        endRemoveRows();
    }
    emit matchesChanged();
}

bool TraceListModel::sortByHeaderClick(int column) {
    if (live_ || !IsColumn(column)) {
        return false;
    }
    endOfBatch();
    sortKeepingSelection(column);
    return true;
}

// A layout change in which the persistent indexes (selection, current row) follow
// their rows to the new positions; those of rows no longer shown become invalid.
template <typename Change>
void TraceListModel::changeLayoutKeepingSelection(Change change,
                                                  QAbstractItemModel::LayoutChangeHint hint) {
    emit layoutAboutToBeChanged({}, hint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::pair<const TraceEntry*, int>> tracked;  // (row, position in before)
    tracked.reserve(before.size());
    for (int i = 0; i < before.size(); ++i) {
        tracked.emplace_back(rowEntry(before[i].row()), i);
    }
    std::sort(tracked.begin(), tracked.end());

    change();

    QModelIndexList after(before.size());
    if (!tracked.empty()) {
        const int rows = rowCount();
        for (int row = 0; row < rows; ++row) {
            const TraceEntry* entry = rowEntry(row);
            auto found = std::lower_bound(tracked.begin(), tracked.end(),
                                          std::pair<const TraceEntry*, int>(entry, -1));
            for (; found != tracked.end() && found->first == entry; ++found) {
                after[found->second] = index(row, before[found->second].column());
            }
        }
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, hint);
}

// The matches are judged again in the new order: a sort runs only while no trace
// comes in, so every row is complete.
void TraceListModel::sortKeepingSelection(int column) {
    changeLayoutKeepingSelection(
        [&] {
            sort_.sortByColumn(index_.rows(), index_.count(), column, form_);
            matches_.rebuild(index_, form_);
        },
        QAbstractItemModel::VerticalSortHint);
    if (matches_.query() != nullptr) {
        emit matchesChanged();
    }
}

void TraceListModel::refreshTexts() {
    if (shown_ == 0) {
        return;
    }
    if (matches_.query() != nullptr) {
        // A word of the query may be in the new texts, or only in the old ones.
        endOfBatch();
        if (matches_.filtering()) {
            changeLayoutKeepingSelection([&] { matches_.rebuild(index_, form_); },
                                         QAbstractItemModel::NoLayoutChangeHint);
            emit matchesChanged();
            return;
        }
        matches_.rebuild(index_, form_);
        emit matchesChanged();
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
