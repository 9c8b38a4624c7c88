#pragma once

#include <QAbstractTableModel>
#include <cstdint>

#include "protocol/RowSink.h"
#include "protocol/TraceSession.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"
#include "view/RowIndex.h"
#include "view/RowSort.h"

namespace daridez {

// The trace list's model and the decoder's row sink: row i is entry i of the row
// index, the columns are those of the column table (lin/Columns.h). Appended rows
// wait until endOfBatch() publishes them in one insertion; sorting reorders only the
// index, as a layout change.
class TraceListModel : public QAbstractTableModel, public RowSink {
    Q_OBJECT

  public:
    explicit TraceListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // DisplayRole: the stored text. ToolTipRole: when the cell's frame arrived.
    // BackgroundRole: the row's background. ForegroundRole: the row's text colour from
    // column 2 on; none for columns 0 and 1, which take the list's window text.
    QVariant data(const QModelIndex& index, int role) const override;
    // The header of each column in the current display modes.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // RowSink. AppendRow stores the row at the end of the index (row i of the model is
    // entry i, whatever its number); it shows after the next endOfBatch(), which
    // publishes every pending row in one insertion. False when entry is missing, or
    // when the index cannot grow (outOfMemory()). clearRows() forgets every row (the
    // index keeps its memory) and clears the live flag.
    bool AppendRow(TraceEntry* entry, std::int32_t number) override;
    void endOfBatch() override;
    void clearRows() override;
    // While held (a large load), the decoder's batches are gathered and published only
    // by publishPending() or when the hold ends: a few large insertions instead of one
    // per block.
    void setHoldingBatches(bool hold);
    void publishPending();
    RowColours rowColours() const override { return rowColours_; }
    // The colours new rows start with: the list's palette.
    void setRowColours(const RowColours& colours) { rowColours_ = colours; }

    // A display-mode switch: the session re-renders the fields whose mode changed, the
    // headers follow, and the views draw the new texts in one layout change.
    void setDisplayModes(TraceSession& session, const DisplayModes& modes);
    const DisplayModes& displayModes() const { return modes_; }

    // A header click on column: false (nothing done) while live or for a column
    // outside 0..13. Pending rows are published first.
    bool sortByHeaderClick(int column);
    void setLive(bool live);
    bool isLive() const { return live_; }

    std::uint32_t indexCount() const { return index_.count(); }
    std::uint32_t indexCapacity() const { return index_.capacity(); }
    TraceEntry* entryAt(std::uint32_t row) const { return index_.at(row); }
    const RowSort& sortMemory() const { return sort_; }
    void setReallocator(RowIndex::Reallocator reallocator, void* context);

  signals:
    void outOfMemory();
    void liveChanged(bool live);

  private:
    QVariant toolTip(const TraceEntry& entry, int column) const;
    QVariant foreground(const TraceEntry& entry, int column) const;
    void sortKeepingSelection(int column);
    void refreshTexts();

    RowIndex index_;
    RowSort sort_;
    std::uint32_t shown_ = 0;  // rows published to the views; the rest are pending
    bool live_ = false;
    bool holdingBatches_ = false;
    DisplayModes modes_;
    RowColours rowColours_;
};

// A row colour (0x00BBGGRR) as a QColor, and back.
QColor ToQColor(Colour colour);
Colour FromQColor(const QColor& colour);

}  // namespace daridez
