#include "trace/TextRefresh.h"

#include "trace/FieldText.h"
#include "trace/TimeFormat.h"

namespace daridez {

namespace {

constexpr int kIdSlot = 2;
constexpr int kFirstByteSlot = 3;
constexpr int kValueOffset = 4;  // the data byte of a stamped frame

bool hasFrame(const TraceEntry& entry, int slot) {
    return entry.frames[slot][0] != 0;
}

}  // namespace

void RefreshTimeTexts(const TraceList& list, bool relative) {
    // Relative times are measured from the row above in creation order, the first
    // row from 0, whatever that row is.
    std::int64_t previous = 0;
    for (TraceEntry* entry = list.TraceListHead(); entry != nullptr; entry = entry->next) {
        const std::int64_t time = entry->slotTimes[0];
        if (relative) {
            FormatRelativeTime(entry->timeText, previous, time);
            previous = time;
        } else {
            FormatAbsoluteTime(entry->timeText, time);
        }
    }
}

void RefreshIdTexts(const TraceList& list, bool protectedId) {
    for (TraceEntry* entry = list.TraceListHead(); entry != nullptr; entry = entry->next) {
        if (hasFrame(*entry, kIdSlot)) {
            FormatIdText(entry->idText, entry->frames[kIdSlot][kValueOffset], protectedId);
        }
    }
}

void RefreshByteTexts(const TraceList& list, bool hex) {
    for (TraceEntry* entry = list.TraceListHead(); entry != nullptr; entry = entry->next) {
        if (!hasFrame(*entry, kIdSlot)) {
            continue;
        }
        for (int i = 0; i < 9; ++i) {
            const int slot = kFirstByteSlot + i;
            if (hasFrame(*entry, slot)) {
                FormatByteText(entry->byteTexts[i], entry->frames[slot][kValueOffset], hex);
            }
        }
    }
}

}  // namespace daridez
