#include "lin/IdSummaryTracker.h"

namespace daridez {

TrackerUpdate IdSummaryTracker::update(const TraceList& list, const TraceEntry* openRow) {
    TrackerUpdate result;
    if (list.emptyings() != emptyings_) {
        result.restarted = rows_ != 0;
        reset();
    }
    emptyings_ = list.emptyings();
    if (next_ < list.headSerial()) {
        next_ = list.headSerial();
    }
    const std::uint64_t end = list.headSerial() + list.rowCount();
    for (; next_ < end; ++next_) {
        const TraceEntry* row = list.at(next_ - list.headSerial());
        if (row == openRow) {
            break;
        }
        summary_.add(*row);
        ++rows_;
        ++result.rowsAdded;
    }
    return result;
}

void IdSummaryTracker::reset() {
    summary_.clear();
    next_ = 0;
    rows_ = 0;
}

}  // namespace daridez
