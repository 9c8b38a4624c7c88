#pragma once

#include <cstddef>
#include <cstdint>

#include "trace/Colour.h"
#include "trace/RowBudget.h"
#include "trace/TraceEntry.h"

namespace daridez {

// The rows of a trace in creation order, chained through TraceEntry::next. The list
// owns its rows; they are freed all together, or from the head as a reader that has
// printed them lets go. It keeps no tail: whoever appends (the stream decoder) holds the
// last row and passes it as the predecessor of the next. A row budget caps how many rows
// it holds at once (see trace/RowBudget.h).
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
    // list as it was, when memory is exhausted or the row budget is used up.
    TraceEntry* CreateEntry(TraceEntry* predecessor, std::int32_t number, std::int64_t clock,
                            const RowColours& colours);
    // The same, with the time text relative: clock - previous.
    TraceEntry* CreateEntryRelative(TraceEntry* predecessor, std::int32_t number,
                                    std::int64_t previous, std::int64_t clock,
                                    const RowColours& colours);

    TraceEntry* TraceListHead() const { return head_; }
    // Frees every row and gives the freed memory back to the system, so that the
    // resident size after a clear is what it was before the load.
    void FreeTraceList();
    // Frees the rows from the head up to, not including, keep (a row of this list;
    // nullptr frees them all), and keep becomes the head. The memory stays with the
    // process for the rows still to come.
    void FreeRowsBefore(TraceEntry* keep);

    // At most rows rows at once (kNoLimit: as many as memory gives).
    void setRowBudget(std::uint64_t rows) { rowBudget_ = rows; }
    std::uint64_t rowBudget() const { return rowBudget_; }
    std::uint64_t rowCount() const { return rowCount_; }

    void setAllocator(Allocator allocator, void* context);

  private:
    TraceEntry* allocateEntry();
    TraceEntry* link(TraceEntry* predecessor, TraceEntry* entry);

    TraceEntry* head_ = nullptr;
    Allocator allocator_ = nullptr;
    void* allocatorContext_ = nullptr;
    std::uint64_t rowBudget_ = kNoLimit;
    std::uint64_t rowCount_ = 0;
};

// Keeps the first min(length, 8) bytes of a frame in a slot and its receive time.
// Ignores a missing row and slots above 11.
void StoreFrame(TraceEntry* entry, std::uint8_t slot, const std::uint8_t* bytes,
                std::uint8_t length, std::int64_t time);

// Sets the row's text colour when there is a row; returns the row.
TraceEntry* SetTextColour(TraceEntry* entry, Colour colour);

}  // namespace daridez
