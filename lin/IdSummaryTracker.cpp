#include "lin/IdSummaryTracker.h"

namespace daridez {

TrackerUpdate IdSummaryTracker::update(const TraceList& list, const TraceEntry* openRow) {
    TrackerUpdate result;
    if (listReplaced(list)) {
        reset();
        result.restarted = true;
    }
    const TraceEntry* row = last_ != nullptr ? last_->next : list.TraceListHead();
    for (; row != nullptr && row != openRow; row = row->next) {
        summary_.add(*row);
        last_ = row;
        ++rows_;
        ++result.rowsAdded;
    }
    if (rows_ != 0 && head_ == nullptr) {
        head_ = list.TraceListHead();
    }
    return result;
}

void IdSummaryTracker::reset() {
    summary_.clear();
    head_ = nullptr;
    last_ = nullptr;
    rows_ = 0;
}

// A freed head may come back at the same address for the next trace; a list that holds
// fewer rows than were added is a new one all the same.
bool IdSummaryTracker::listReplaced(const TraceList& list) const {
    return rows_ != 0 && (list.TraceListHead() != head_ || list.rowCount() < rows_);
}

}  // namespace daridez
