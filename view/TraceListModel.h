#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>

#include "trace/TraceEntry.h"
#include "view/RowIndex.h"
#include "view/RowSort.h"

namespace daridez {

// The trace list's model: row i is entry i of the row index, the fourteen columns
// are the texts stored in the row. Appended rows wait until endOfBatch() publishes
// them in one insertion; sorting reorders only the index, as a layout change.
class TraceListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit TraceListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // DisplayRole: the stored text. ToolTipRole: when the cell's frame arrived.
    // BackgroundRole: the row's background. ForegroundRole: the row's text colour from
    // column 2 on; none for columns 0 and 1, which take the list's window text.
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Stores the row at the end of the index; it shows after the next endOfBatch().
    // False when entry is missing, or when the index cannot grow (outOfMemory()).
    bool appendRow(TraceEntry* entry);
    // Publishes the rows appended since the last batch in one insertion.
    void endOfBatch();
    // Forgets every row (the index keeps its memory) and clears the live flag.
    void clear();

    // A header click on column: false (nothing done) while live or for a column
    // outside 0..13. Pending rows are published first.
    bool sortByHeaderClick(int column);
    void setLive(bool live) { live_ = live; }
    bool isLive() const { return live_; }

    // The stored texts of every row changed: tell the views to draw them again.
    void refreshTexts();

    std::uint32_t indexCount() const { return index_.count(); }
    std::uint32_t indexCapacity() const { return index_.capacity(); }
    TraceEntry* entryAt(std::uint32_t row) const { return index_.at(row); }
    const RowSort& sortMemory() const { return sort_; }
    void setReallocator(RowIndex::Reallocator reallocator, void* context);

  signals:
    void outOfMemory();

  private:
    QVariant toolTip(const TraceEntry& entry, int column) const;
    QVariant foreground(const TraceEntry& entry, int column) const;
    void sortKeepingSelection(int column);

    RowIndex index_;
    RowSort sort_;
    std::uint32_t shown_ = 0;  // rows published to the views; the rest are pending
    bool live_ = false;
    QStringList headers_;
};

// A row colour (0x00BBGGRR) as a QColor, and back.
QColor ToQColor(Colour colour);
Colour FromQColor(const QColor& colour);

}  // namespace daridez
