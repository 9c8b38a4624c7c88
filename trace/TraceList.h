#pragma once

#include <cstddef>
#include <cstdint>

#include "trace/Colour.h"
#include "trace/TraceEntry.h"

namespace daridez {

// The rows of a trace in creation order, chained through TraceEntry::next. The list
// owns its rows; they are freed all together. It keeps no tail: whoever appends (the
// stream decoder) holds the last row and passes it as the predecessor of the next.
class TraceList {
public:
    // Returns zero-filled memory that std::free releases, or nullptr. The default is
    // calloc; tests install their own to make memory run out on purpose.
    using Allocator = void* (*)(std::size_t size, void* context);

    TraceList() = default;
    ~TraceList() { FreeTraceList(); }
    TraceList(const TraceList&) = delete;
    TraceList& operator=(const TraceList&) = delete;

    // Makes a row whose time text is the absolute time of clock and links it after
    // predecessor (nullptr: the row becomes the head). Returns nullptr, leaving the
    // list as it was, when memory is exhausted.
    TraceEntry* CreateEntry(TraceEntry* predecessor, std::int32_t number, std::int64_t clock,
                            const RowColours& colours);
    // The same, with the time text relative: clock - previous.
    TraceEntry* CreateEntryRelative(TraceEntry* predecessor, std::int32_t number,
                                    std::int64_t previous, std::int64_t clock,
                                    const RowColours& colours);

    TraceEntry* TraceListHead() const { return head_; }
    void FreeTraceList();

    void setAllocator(Allocator allocator, void* context);

private:
    TraceEntry* allocateEntry();
    TraceEntry* link(TraceEntry* predecessor, TraceEntry* entry);

    TraceEntry* head_ = nullptr;
    Allocator allocator_ = nullptr;
    void* allocatorContext_ = nullptr;
};

// Keeps the first min(length, 8) bytes of a frame in a slot and its receive time.
// Ignores a missing row and slots above 11.
void StoreFrame(TraceEntry* entry, std::uint8_t slot, const std::uint8_t* bytes,
                std::uint8_t length, std::int64_t time);

// Sets the row's text colour when there is a row; returns the row.
TraceEntry* SetTextColour(TraceEntry* entry, Colour colour);

}  // namespace daridez
