#include "tools/CompletedRows.h"

namespace daridez {

CompletedRows::CompletedRows(TraceList& list, bool streaming, Consumer consumer)
    : list_(list), streaming_(streaming), consumer_(std::move(consumer)) {}

bool CompletedRows::AppendRow(TraceEntry* entry, std::int32_t /*number*/) {
    if (!streaming_ || entry == nullptr) {
        return true;
    }
    if (complete_ != nullptr) {
        consumer_(*complete_);
    }
    complete_ = pending_;
    pending_ = entry;
    list_.FreeRowsBefore(complete_ != nullptr ? complete_ : pending_);
    return true;
}

void CompletedRows::finish() {
    if (streaming_) {
        for (TraceEntry* row : {complete_, pending_}) {
            if (row != nullptr) {
                consumer_(*row);
            }
        }
        complete_ = pending_ = nullptr;
        return;
    }
    for (const TraceEntry* row = list_.TraceListHead(); row != nullptr; row = row->next) {
        consumer_(*row);
    }
}

}  // namespace daridez
