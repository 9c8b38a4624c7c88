#include "trace/TraceList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "trace/FieldText.h"
#include "trace/TimeFormat.h"

namespace daridez {

TraceEntry* TraceList::allocateEntry() {
    // A row over the budget is refused exactly as a failed allocation is, so the
    // decoder's out-of-memory path serves both.
    if (rowCount_ >= rowBudget_) {
        return nullptr;
    }
    void* memory = allocator_ ? allocator_(sizeof(TraceEntry), allocatorContext_)
                              : std::calloc(1, sizeof(TraceEntry));
    rowCount_ += memory != nullptr;
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
    if (head_ == nullptr) {
        return;
    }
    FreeRowsBefore(nullptr);
#ifdef __GLIBC__
    // glibc keeps freed blocks of this size for later allocations, a million rows'
    // worth (700 MB) after a big load; malloc_trim hands their pages back.
    malloc_trim(0);
#endif
}

void TraceList::FreeRowsBefore(TraceEntry* keep) {
    while (head_ != nullptr && head_ != keep) {
        TraceEntry* next = head_->next;
        std::free(head_);
        head_ = next;
        --rowCount_;
    }
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
