#pragma once

#include <cstdint>

#include "trace/Colour.h"
#include "trace/TraceEntry.h"

namespace daridez {

// Where the stream decoder hands every row it makes: the list view in the program,
// a plain collector in the command-line tool and the tests.
class RowSink {
  public:
    virtual ~RowSink() = default;

    // A new row was made and linked; number is its message number. Returns false when
    // the row could not be shown (the row stays in the trace list all the same).
    virtual bool AppendRow(TraceEntry* entry, std::int32_t number) = 0;

    // The decoder has finished one SplitFrames call: a view publishes the rows
    // appended since the last call in one batch here.
    virtual void endOfBatch() {}

    // The trace is about to be freed: forget every row handed on so far.
    virtual void clearRows() {}

    // The count oldest rows, lying one after another in memory from first on, are about
    // to be freed to make room (a ring while the trace is recorded): forget them.
    virtual void dropOldestRows(const TraceEntry* first, std::uint64_t count) {
        static_cast<void>(first), static_cast<void>(count);
    }

    // The system colours a new row starts with, read when the row is made.
    virtual RowColours rowColours() const { return RowColours{}; }
};

}  // namespace daridez
