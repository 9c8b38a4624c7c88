#include "tools/live/CompletedRows.h"

namespace daridez {

CompletedRows::CompletedRows(TraceList& list, bool streaming, Consumer consumer)
    : list_(list), streaming_(streaming), consumer_(std::move(consumer)) {}

bool CompletedRows::AppendRow(TraceEntry* entry, std::int32_t /*number*/) {
    if (!streaming_ || entry == nullptr) {
        return true;
    }
    settle();
    list_.FreeRowsBefore(entry);
    pending_ = entry;
    pendingHandedOn_ = false;
    return true;
}

void CompletedRows::settle() {
    if (streaming_ && pending_ != nullptr && !pendingHandedOn_) {
        consumer_(*pending_);
        pendingHandedOn_ = true;
    }
}

void CompletedRows::finish() {
    if (streaming_) {
        settle();
        pending_ = nullptr;
        return;
    }
    for (const TraceEntry& row : list_) {
        consumer_(row);
    }
}

}  // namespace daridez
