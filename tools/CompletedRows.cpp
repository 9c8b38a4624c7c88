#include "tools/CompletedRows.h"

namespace daridez {

CompletedRows::CompletedRows(TraceList& list, bool streaming, Consumer consumer)
    : list_(list), streaming_(streaming), consumer_(std::move(consumer)) {}

bool CompletedRows::AppendRow(TraceEntry* entry, std::int32_t /*number*/) {
    if (!streaming_ || entry == nullptr) {
        return true;
    }
    if (pending_ != nullptr) {
        consumer_(*pending_);
    }
    list_.FreeRowsBefore(entry);
    pending_ = entry;
    return true;
}

void CompletedRows::finish() {
    if (streaming_) {
        if (pending_ != nullptr) {
            consumer_(*pending_);
            pending_ = nullptr;
        }
        return;
    }
    for (const TraceEntry& row : list_) {
        consumer_(row);
    }
}

}  // namespace daridez
