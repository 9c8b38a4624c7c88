#pragma once

#include <cstddef>
#include <cstdint>

#include "lin/CompletedRowCursor.h"
#include "lin/IdSummary.h"
#include "trace/TraceList.h"

namespace daridez {

// What one IdSummaryTracker::update did.
struct TrackerUpdate {
    bool restarted = false;  // the list was emptied or replaced: the summary started over
    std::size_t rowsAdded = 0;
};

// Keeps an IdSummary up to date with a trace that grows while it is shown: each update
// adds only the rows completed since the previous one, so a window can refresh it on a
// timer however long the trace gets.
//
// Which rows are complete, and where it stands, its CompletedRowCursor decides.
class IdSummaryTracker {
  public:
    // Adds the rows after the last one added, up to but not including openRow: the row
    // the decoder may still fill (its currentEntry() while a trace or a load runs;
    // nullptr when every row is complete). Starts over first when the list was emptied
    // since the last update.
    TrackerUpdate update(const TraceList& list, const TraceEntry* openRow);
    // Forgets every row: the trace was cleared or is being reloaded.
    void reset();
    // The LDF the summary judges rows with (call reset() after it to count them again).
    void setLdf(const LdfModel* ldf) { summary_.setLdf(ldf); }

    const IdSummary& summary() const { return summary_; }
    std::uint64_t rowsAdded() const { return rows_; }

  private:
    IdSummary summary_;
    CompletedRowCursor cursor_;
    std::uint64_t rows_ = 0;
};

}  // namespace daridez
