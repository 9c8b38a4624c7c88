#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>

#include "trace/Colour.h"
#include "trace/DisplayModes.h"
#include "trace/RowBudget.h"
#include "trace/RowNotes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// The rows of a trace in creation order, kept in large blocks: no
// allocation and no pointer per row, and a row never moves while it is in the list.
// Rows are freed all together, or from the head as a reader that has printed them
// lets go or a ring drops the oldest. A row budget caps how many rows it holds at
// once (see trace/RowBudget.h). The list also keeps the form its texts are made in.
class TraceList {
  public:
    static constexpr std::size_t kBlockRows = 2048;

    // Returns memory that std::free releases, or nullptr. The default is malloc; tests
    // install their own to make memory run out on purpose.
    using Allocator = void* (*)(std::size_t size, void* context);

    TraceList() { form_.notes = &notes_; }
    ~TraceList() { FreeTraceList(); }
    TraceList(const TraceList&) = delete;
    TraceList& operator=(const TraceList&) = delete;

    // Appends a row made at clock whose relative time counts from relativeBase.
    // Returns nullptr, leaving the list as it was, when memory is exhausted or the
    // row budget is used up.
    TraceEntry* CreateEntry(std::int32_t number, std::int64_t clock, std::int64_t relativeBase,
                            const RowColours& colours);

    // The last row starts a recording of its own though its number is not 0 (a start
    // marker opened it): the row before it ends its recording. A row numbered 0 always
    // starts one.
    void lastRowStartsRecording();
    // The last row is complete: the trace was read from another tool's log, which ended
    // after the row's frame, so the end of the file broke nothing off.
    void lastRowComplete();

    TraceEntry* TraceListHead() const { return rowCount_ != 0 ? at(0) : nullptr; }
    TraceEntry* lastRow() const { return rowCount_ != 0 ? at(rowCount_ - 1) : nullptr; }
    // The row at position index from the head (index < rowCount()).
    TraceEntry* at(std::uint64_t index) const {
        const std::uint64_t position = headOffset_ + index;
        return &blocks_[position / kBlockRows][position % kBlockRows];
    }

    // Frees every row and gives the freed memory back to the system, so that the
    // resident size after a clear is what it was before the load.
    void FreeTraceList();
    // Frees the rows from the head up to, not including, keep (a row of this list;
    // nullptr frees them all), and keep becomes the head. Memory goes back a block at
    // a time.
    void FreeRowsBefore(const TraceEntry* keep);
    // The rows from the head to the end of the head's block. They lie one after another
    // in memory from TraceListHead() on.
    std::uint64_t headBlockRows() const;
    // Frees the first rows rows of the head's block (at most headBlockRows()); the
    // block's memory goes back once all its rows are gone.
    void dropOldest(std::uint64_t rows);
    void dropOldestBlock() { dropOldest(headBlockRows()); }

    // At most rows rows at once (kNoLimit: as many as memory gives).
    void setRowBudget(std::uint64_t rows) { rowBudget_ = rows; }
    std::uint64_t rowBudget() const { return rowBudget_; }
    std::uint64_t rowCount() const { return rowCount_; }
    // How many rows were freed from the head since the list was last emptied: the head
    // row's position in the trace.
    std::uint64_t headSerial() const { return headSerial_; }
    // Counts the times the list was emptied: rows of another trace.
    std::uint64_t emptyings() const { return emptyings_; }
    bool full() const { return rowCount_ >= rowBudget_; }

    void setAllocator(Allocator allocator, void* context);

    // What a log from another tool said of the rows beyond their frames: emptied with
    // the list, the notes of rows freed from the head forgotten with them.
    RowNotes& notes() { return notes_; }
    const RowNotes& notes() const { return notes_; }

    // The form texts are made in. A switch of a mode costs no pass over the rows: the
    // rows made so far only show their re-rendered texts from now on.
    const TextForm& textForm() const { return form_; }
    // Switches to wanted; false when no mode changed.
    bool setDisplayModes(const DisplayModes& wanted);
    // Re-renders every row's texts in modes, as a switch of every mode would.
    void redrawAllTexts(const DisplayModes& modes);

    // The rows from the head on, in creation order.
    class Iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TraceEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = TraceEntry*;
        using reference = TraceEntry&;

        Iterator() = default;
        Iterator(const TraceList* list, std::uint64_t index) : list_(list), index_(index) {}
        TraceEntry& operator*() const { return *list_->at(index_); }
        TraceEntry* operator->() const { return list_->at(index_); }
        Iterator& operator++() {
            ++index_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const Iterator& other) const { return index_ == other.index_; }

      private:
        const TraceList* list_ = nullptr;
        std::uint64_t index_ = 0;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, rowCount_}; }

  private:
    bool reserveRow();
    void noteOpenRow();

    std::deque<TraceEntry*> blocks_;
    std::uint64_t headOffset_ = 0;  // rows of the first block already freed
    std::uint64_t rowCount_ = 0;
    std::uint64_t headSerial_ = 0;
    std::uint64_t emptyings_ = 0;
    Allocator allocator_ = nullptr;
    void* allocatorContext_ = nullptr;
    std::uint64_t rowBudget_ = kNoLimit;
    void forgetNotesBeforeHead();

    RowNotes notes_;
    TextForm form_;
    std::uint32_t generation_ = 0;
};

}  // namespace daridez
