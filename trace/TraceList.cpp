#include "trace/TraceList.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "trace/RowFrames.h"

namespace daridez {

bool TraceList::reserveRow() {
    // A row over the budget is refused exactly as a failed allocation is, so the
    // decoder's out-of-memory path serves both.
    if (full()) {
        return false;
    }
    if (headOffset_ + rowCount_ < blocks_.size() * kBlockRows) {
        return true;
    }
    const std::size_t size = kBlockRows * sizeof(TraceEntry);
    void* memory = allocator_ ? allocator_(size, allocatorContext_) : std::malloc(size);
    if (memory == nullptr) {
        return false;
    }
    blocks_.push_back(static_cast<TraceEntry*>(memory));
    return true;
}

TraceEntry* TraceList::CreateEntry(std::int32_t number, std::int64_t clock,
                                   std::int64_t relativeBase, const RowColours& colours) {
    if (!reserveRow()) {
        return nullptr;
    }
    // The new row's place lies in the last block, right behind the row made before
    // unless it begins the block.
    const std::uint64_t place = (headOffset_ + rowCount_) % kBlockRows;
    TraceEntry* entry = blocks_.back() + place;
    TraceEntry* before = rowCount_ == 0 ? nullptr : place != 0 ? entry - 1 : lastRow();
    // The row made before is complete once this one is made, its opening time final.
    const std::int64_t previous = before != nullptr ? OpenerTime(*before) : 0;
    if (before != nullptr && number != 0) {
        before->flags |= RowFlag::kContinued;
    }
    ++rowCount_;
    // Zeroed here rather than a block at a time: the row's memory is written next
    // anyway, and a load does not pass over its rows twice.
    std::memset(static_cast<void*>(entry), 0, sizeof *entry);
    entry->time = clock;
    entry->relativeBase = relativeBase;
    entry->previousTime = previous;
    entry->number = number;
    entry->generation = generation_;
    entry->backColour = colours.window;
    entry->textColour = colours.windowText;
    return entry;
}

void TraceList::lastRowStartsRecording() {
    if (rowCount_ >= 2) {
        at(rowCount_ - 2)->flags &= static_cast<std::uint8_t>(~RowFlag::kContinued);
    }
}

void TraceList::lastRowComplete() {
    if (rowCount_ != 0) {
        lastRow()->flags |= RowFlag::kContinued;
    }
}

void TraceList::FreeTraceList() {
    ++emptyings_;
    headSerial_ = 0;
    form_.openAtDataSwitch = nullptr;
    notes_.clear();
    if (blocks_.empty()) {
        return;
    }
    for (TraceEntry* block : blocks_) {
        std::free(block);
    }
    blocks_.clear();
    headOffset_ = 0;
    rowCount_ = 0;
#ifdef __GLIBC__
    // glibc may keep freed blocks for later allocations; malloc_trim hands their
    // pages back.
    malloc_trim(0);
#endif
}

std::uint64_t TraceList::headBlockRows() const {
    if (rowCount_ == 0) {
        return 0;
    }
    const std::uint64_t inBlock = kBlockRows - headOffset_;
    return inBlock < rowCount_ ? inBlock : rowCount_;
}

void TraceList::dropOldest(std::uint64_t rows) {
    rows = std::min(rows, headBlockRows());
    if (rows == 0) {
        return;
    }
    rowCount_ -= rows;
    headSerial_ += rows;
    if (headOffset_ + rows == kBlockRows) {
        std::free(blocks_.front());
        blocks_.pop_front();
        headOffset_ = 0;
    } else {
        headOffset_ += rows;  // the head block is also the last, still being filled
    }
    forgetNotesBeforeHead();
}

void TraceList::FreeRowsBefore(const TraceEntry* keep) {
    while (rowCount_ != 0) {
        const TraceEntry* head = TraceListHead();
        const std::uint64_t rows = headBlockRows();
        if (keep != nullptr && keep >= head && keep < head + rows) {
            const auto before = static_cast<std::uint64_t>(keep - head);
            headOffset_ += before;
            rowCount_ -= before;
            headSerial_ += before;
            forgetNotesBeforeHead();
            return;
        }
        dropOldestBlock();
    }
}

void TraceList::forgetNotesBeforeHead() {
    if (!notes_.empty()) {
        notes_.forgetBefore(rowCount_ != 0 ? TraceListHead()->time
                                           : std::numeric_limits<std::int64_t>::max());
    }
}

void TraceList::setAllocator(Allocator allocator, void* context) {
    allocator_ = allocator;
    allocatorContext_ = context;
}

void TraceList::noteOpenRow() {
    const TraceEntry* last = lastRow();
    form_.openAtDataSwitch = last != nullptr && !SlotFilled(*last, Slot::Cs) ? last : nullptr;
}

bool TraceList::setDisplayModes(const DisplayModes& wanted) {
    DisplayModes& modes = form_.modes;
    const bool timeChanged = wanted.relativeTime != modes.relativeTime;
    const bool dataChanged = wanted.hexData != modes.hexData;
    const bool changed = timeChanged || dataChanged || wanted.protectedId != modes.protectedId;
    if (timeChanged || dataChanged) {
        ++generation_;
        form_.timeRedrawn = timeChanged ? generation_ : form_.timeRedrawn;
        form_.dataRedrawn = dataChanged ? generation_ : form_.dataRedrawn;
    }
    if (dataChanged) {
        noteOpenRow();
    }
    modes = wanted;
    return changed;
}

void TraceList::redrawAllTexts(const DisplayModes& modes) {
    ++generation_;
    form_.timeRedrawn = generation_;
    form_.dataRedrawn = generation_;
    form_.modes = modes;
    noteOpenRow();
}

}  // namespace daridez
