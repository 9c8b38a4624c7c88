#include "trace/TraceList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "trace/FieldText.h"
#include "trace/TimeFormat.h"

namespace daridez {

TraceEntry* TraceList::allocateEntry() {
    void* memory = allocator_ ? allocator_(sizeof(TraceEntry), allocatorContext_)
                              : std::calloc(1, sizeof(TraceEntry));
    return static_cast<TraceEntry*>(memory);
}

TraceEntry* TraceList::link(TraceEntry* predecessor, TraceEntry* entry) {
    // A missing row is never linked: the predecessor is always the last row, so the
    // list stays exactly as it was.
    if (entry == nullptr) {
        return nullptr;
    }
    if (predecessor != nullptr) {
        predecessor->next = entry;
    } else {
        head_ = entry;
    }
    return entry;
}

static void initEntry(TraceEntry* entry, std::int32_t number, std::int64_t clock,
                      const RowColours& colours) {
    entry->number = number;
    FormatNumberText(entry->numberText, number);
    entry->slotTimes[0] = clock;
    entry->backColour = colours.window;
    entry->textColour = colours.windowText;
}

TraceEntry* TraceList::CreateEntry(TraceEntry* predecessor, std::int32_t number, std::int64_t clock,
                                   const RowColours& colours) {
    TraceEntry* entry = allocateEntry();
    if (entry != nullptr) {
        initEntry(entry, number, clock, colours);
        FormatAbsoluteTime(entry->timeText, clock);
    }
    return link(predecessor, entry);
}

TraceEntry* TraceList::CreateEntryRelative(TraceEntry* predecessor, std::int32_t number,
                                           std::int64_t previous, std::int64_t clock,
                                           const RowColours& colours) {
    TraceEntry* entry = allocateEntry();
    if (entry != nullptr) {
        initEntry(entry, number, clock, colours);
        FormatRelativeTime(entry->timeText, previous, clock);
    }
    return link(predecessor, entry);
}

void TraceList::FreeTraceList() {
    TraceEntry* entry = head_;
    while (entry != nullptr) {
        TraceEntry* next = entry->next;
        std::free(entry);
        entry = next;
    }
    head_ = nullptr;
}

void TraceList::setAllocator(Allocator allocator, void* context) {
    allocator_ = allocator;
    allocatorContext_ = context;
}

void StoreFrame(TraceEntry* entry, std::uint8_t slot, const std::uint8_t* bytes,
                std::uint8_t length, std::int64_t time) {
    if (entry == nullptr || slot >= kSlotCount) {
        return;
    }
    if (bytes != nullptr) {
        std::memcpy(entry->frames[slot], bytes, std::min<std::size_t>(length, kSlotSize));
    }
    entry->slotTimes[slot] = time;
}

TraceEntry* SetTextColour(TraceEntry* entry, Colour colour) {
    if (entry != nullptr) {
        entry->textColour = colour;
    }
    return entry;
}

}  // namespace daridez
