#pragma once

#include <algorithm>
#include <cstdint>

#include "trace/RowBudget.h"
#include "trace/TraceList.h"

namespace daridez {

// Where a reader of a growing trace stands: the trace position of the next row to read.
// It is the one answer to "is this row complete" for the readers that follow a live trace
// (the ID summary, the plot): every row before the one the decoder may still fill.
// Rows freed from the head before they were read (a ring dropping the oldest) are passed
// over, and a list emptied since the last read starts the reader over.
class CompletedRowCursor {
  public:
    // True when the list was emptied or replaced since the last call: the cursor is back
    // at the start, and the reader should forget what it read.
    bool restartIfEmptied(const TraceList& list) {
        const bool emptied = list.emptyings() != emptyings_;
        emptyings_ = list.emptyings();
        position_ = emptied ? 0 : position_;
        return emptied;
    }

    // Hands visit(position, row) every complete row from the cursor on, up to but not
    // including openRow (nullptr: every row is complete) and the trace position end;
    // returns how many rows it handed over.
    template <typename Visit>
    std::uint64_t read(const TraceList& list, const TraceEntry* openRow, Visit visit,
                       std::uint64_t end = kNoLimit) {
        position_ = std::max(position_, list.headSerial());
        const std::uint64_t first = position_;
        end = std::min(end, list.headSerial() + list.rowCount());
        for (; position_ < end; ++position_) {
            const TraceEntry* row = list.at(position_ - list.headSerial());
            if (row == openRow) {
                break;
            }
            visit(position_, *row);
        }
        return position_ - first;
    }

    std::uint64_t position() const { return position_; }
    // Back to the start of the trace (the list itself is not looked at).
    void reset() { position_ = 0; }

  private:
    std::uint64_t position_ = 0;
    std::uint64_t emptyings_ = 0;  // the list's count of emptyings at the last look
};

}  // namespace daridez
