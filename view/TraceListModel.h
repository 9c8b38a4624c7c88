#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <optional>

#include "lin/Query.h"
#include "protocol/RowSink.h"
#include "protocol/TraceSession.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"
#include "view/MatchFilter.h"
#include "view/RowIndex.h"
#include "view/RowSort.h"

namespace daridez {

class LdfModel;

// The trace list's model and the decoder's row sink: row i is entry i of the row
// index, the columns are those of the column table (lin/Columns.h). Appended rows
// wait until endOfBatch() publishes them in one insertion; sorting reorders only the
// index, as a layout change. The search (MatchFilter) keeps the rows a query matches
// beside the row index; with "show only matches" the model's rows are those.
class TraceListModel : public QAbstractTableModel, public RowSink {
    Q_OBJECT

  public:
    explicit TraceListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // DisplayRole: the cell's text. ToolTipRole: when the cell's frame arrived.
    // BackgroundRole: the row's background. ForegroundRole: the row's text colour from
    // column 2 on; none for columns 0 and 1, which take the list's window text.
    QVariant data(const QModelIndex& index, int role) const override;
    // The header of each column in the current display modes.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // RowSink. AppendRow stores the row at the end of the index (row i of the model is
    // entry i, whatever its number); it shows after the next endOfBatch(), which
    // publishes every pending row in one insertion. False when entry is missing, or
    // when the index cannot grow (the decoder counts that as a shortage). clearRows() forgets every
    // row (the index keeps its memory) and clears the live flag.
    bool AppendRow(TraceEntry* entry, std::int32_t number) override;
    void endOfBatch() override;
    void clearRows() override;
    // The oldest rows leave: in one removal when they lead the index (rows come in in
    // creation order), else in a layout change in which the selection follows its rows.
    void dropOldestRows(const TraceEntry* first, std::uint64_t count) override;
    // While held (a large load), the decoder's batches are gathered and published only
    // by publishPending() or when the hold ends: a few large insertions instead of one
    // per block.
    void setHoldingBatches(bool hold);
    void publishPending();
    RowColours rowColours() const override { return rowColours_; }
    // The colours new rows start with: the list's palette.
    void setRowColours(const RowColours& colours) { rowColours_ = colours; }

    // A display-mode switch: the session's rows take the new modes at no cost per row,
    // the headers follow, and the views draw the new texts in one layout change.
    void setDisplayModes(TraceSession& session, const DisplayModes& modes);
    // The session's modes were switched elsewhere: the headers and texts follow them.
    void showModesOf(const TraceSession& session);
    const DisplayModes& displayModes() const { return form_.modes; }
    // The form the cells' texts are made in: the session's, as of the last switch.
    const TextForm& textForm() const { return form_; }

    // The LDF the Check and Frame columns, the tool tips and the sort read the rows with
    // (nullptr: none), owned by whoever holds the trace's LDF. Every row is judged again,
    // as a layout change.
    void setLdf(const LdfModel* ldf);
    const LdfModel* ldf() const { return ldf_; }

    // A header click on column: false (nothing done) while live or for a column
    // outside 0..13. Pending rows are published first.
    bool sortByHeaderClick(int column);
    void setLive(bool live);
    bool isLive() const { return live_; }

    // The search. setQuery(nullopt) ends it. With a query set, every published row is
    // judged once (the last one again while the decoder may still fill it) and the
    // matches are counted whether or not only they are shown. Both switches are layout
    // changes in which the selection follows its rows; a selected row that is no
    // longer shown loses its selection. clearRows() keeps the query.
    void setQuery(std::optional<Query> query);
    const Query* activeQuery() const { return matches_.query(); }
    void setShowOnlyMatches(bool only);
    // Whether the list shows only the matches: the switch is on and a query is set.
    bool showingOnlyMatches() const { return matches_.filtering(); }
    // How many rows the query matches.
    std::uint32_t matchCount() const { return matches_.count(); }
    // The position in the row index of a model row; -1 when the model has no such row.
    std::int64_t positionOf(int row) const { return matches_.positionOf(row, shown_); }
    // The model row of the next (forward) or previous match after or before row, in
    // display order, wrapping around the ends; row -1: none yet, the search starts at
    // the end it moves away from. -1 when nothing matches.
    int findMatch(int row, bool forward, bool& wrapped) const;
    // Which match model row is, counted from 1 in display order; 0 when it is none.
    std::uint32_t matchNumber(int row) const;

    // The row index: every published and pending row, shown or not, in display order.
    std::uint32_t indexCount() const { return index_.count(); }
    std::uint32_t indexCapacity() const { return index_.capacity(); }
    TraceEntry* entryAt(std::uint32_t row) const { return index_.at(row); }
    // The entry of a model row (the same as entryAt() unless only matches are shown).
    TraceEntry* rowEntry(int row) const {
        if (matches_.filtering()) {
            const std::int64_t at = positionOf(row);
            return at >= 0 ? index_.at(static_cast<std::uint32_t>(at)) : nullptr;
        }
        return index_.at(static_cast<std::uint32_t>(row));
    }
    const RowSort& sortMemory() const { return sort_; }
    void setReallocator(RowIndex::Reallocator reallocator, void* context);

  signals:
    void liveChanged(bool live);
    // The number of matches or of rows changed, or the query was set.
    void matchesChanged();

  private:
    QVariant toolTip(const TraceEntry& entry, int column) const;
    bool verdictPending(const TraceEntry& entry) const;
    QVariant foreground(const TraceEntry& entry, int column) const;
    // While live, the last row may still be filled (RowComplete says when it is not).
    bool lastRowOpen() const;
    // While live, a verdict on the open last row would change as its frame fills: a
    // query on verdicts leaves that row out until it is complete.
    bool holdsOpenRow() const {
        return matches_.query() != nullptr && matches_.query()->judgesVerdict() && lastRowOpen();
    }
    void publishMatches();
    template <typename Change>
    void changeLayoutKeepingSelection(Change change, QAbstractItemModel::LayoutChangeHint hint);
    void sortKeepingSelection(int column);
    void refreshTexts();

    RowIndex index_;
    RowSort sort_;
    std::uint32_t shown_ = 0;  // rows published to the views; the rest are pending
    bool live_ = false;
    bool holdingBatches_ = false;
    TextForm form_;
    RowColours rowColours_;
    MatchFilter matches_;
    const LdfModel* ldf_ = nullptr;
};

// The background of a Check cell whose verdict holds a failure word.
QColor FailedCheckColour(Colour background);

// A row colour (0x00BBGGRR) as a QColor, and back.
QColor ToQColor(Colour colour);
Colour FromQColor(const QColor& colour);

}  // namespace daridez
