#pragma once

#include <QTableView>
#include <cstdint>

#include "protocol/RowSink.h"
#include "trace/TraceEntry.h"

namespace daridez {

class TraceListModel;

// The trace list: one line per row of the row index (borrowed TraceEntry pointers in
// display order), fourteen columns drawn by the view itself from the texts stored in
// the rows, sorting by a header click, and a tool tip per cell with the time at which
// that cell's frame arrived. Rows enter through AppendRow and are published in one
// batch per endOfBatch().
class TraceListView : public QTableView, public RowSink {
    Q_OBJECT

  public:
    explicit TraceListView(QWidget* parent = nullptr);
    ~TraceListView() override;

    // RowSink: stores the row at the end of the row index (grown in steps of 500);
    // false, and outOfMemory() emitted, when the index cannot grow.
    bool AppendRow(TraceEntry* entry, std::int32_t number) override;
    void endOfBatch() override;
    RowColours rowColours() const override;  // the palette's Base and Text

    // Forget all rows (the index keeps its memory), clear the live flag.
    void ClearView();
    // While live, header clicks do not sort.
    void SetLive(bool live);
    bool isLive() const;

    // The texts of every row were re-rendered (a display-mode switch): redraw all.
    void refreshTexts();
    void redrawLastPage();

    void setHeaderText(int column, const QString& text);
    std::uint32_t rowCount() const;
    TraceEntry* rowAt(std::uint32_t index) const;
    // Allocated entries of the row index (grows in steps of 500, kept by ClearView).
    std::uint32_t rowCapacity() const;
    TraceListModel* traceModel() const { return model_; }

  signals:
    // The row index could not grow: "Running out of memory..." is for the window.
    void outOfMemory();
    // A right-click on the list, with the column under the pointer (-1: none).
    void rightClicked(int column);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void setUpHeader();
    void updateRowHeight();
    void paintGridLines();
    void takeRowColours();

    TraceListModel* model_;
    RowColours rowColours_;  // the palette's, kept at hand: every new row asks for them
};

}  // namespace daridez
