#include "lin/IdSummaryTracker.h"

namespace daridez {

TrackerUpdate IdSummaryTracker::update(const TraceList& list, const TraceEntry* openRow) {
    TrackerUpdate result;
    if (cursor_.restartIfEmptied(list)) {
        result.restarted = rows_ != 0;
        reset();
    }
    result.rowsAdded = cursor_.read(
        list, openRow, [this](std::uint64_t, const TraceEntry& row) { summary_.add(row); });
    rows_ += result.rowsAdded;
    return result;
}

void IdSummaryTracker::reset() {
    summary_.clear();
    cursor_.reset();
    rows_ = 0;
}

}  // namespace daridez
