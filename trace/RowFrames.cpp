#include "trace/RowFrames.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "trace/FrameKind.h"

namespace daridez {

namespace {

constexpr std::uint64_t kStampMask = 0xFFFF;

int fieldIndex(Slot slot) {
    return static_cast<int>(slot) - 1;
}

std::uint8_t fieldKind(Slot slot) {
    switch (slot) {
        case Slot::Sync:
            return FrameKind::SyncField;
        case Slot::Id:
            return FrameKind::IdentifierField;
        case Slot::Cs:
            return FrameKind::ResponseByte9;
        default:
            return static_cast<std::uint8_t>(FrameKind::ResponseByte1 + fieldIndex(slot) - 2);
    }
}

// The clock the decoder had at a field's frame: the previous frame's time, advanced to
// the next multiple of 65,536 us once per timer wrap between them, with the field's
// stamp as its low 16 bits.
std::uint64_t fieldTime(std::uint64_t previous, std::uint32_t wraps, const std::uint8_t* field) {
    std::uint64_t clock = previous;
    if (wraps != 0) {
        clock = (clock & ~kStampMask) + std::uint64_t{wraps} * 0x10000;
    }
    const std::uint64_t stamp = (std::uint64_t{field[0]} << 8) | field[1];
    return (clock & ~kStampMask) | stamp;
}

void keepOpener(TraceEntry* entry, const std::uint8_t* frame, std::uint8_t length) {
    const std::size_t kept = std::min<std::size_t>(std::size_t{length} + 1, kSlotSize);
    std::memcpy(entry->opener, frame, kept);
    if (length <= kSlotSize) {
        entry->flags |= RowFlag::kOpenerKept;
    }
}

}  // namespace

void StoreOpener(TraceEntry* entry, const std::uint8_t* frame, std::uint8_t length) {
    if (entry != nullptr) {
        keepOpener(entry, frame, length);
        entry->flags |= RowFlag::kOpened;
    }
}

void FillStartRow(TraceEntry* entry, const std::uint8_t* frame, std::int64_t time) {
    if (entry == nullptr) {
        return;
    }
    keepOpener(entry, frame, 5);
    if (time != entry->time) {
        // A start row holds no fields: their room keeps the marker's time.
        entry->flags |= RowFlag::kLateOpener;
        std::memcpy(entry->fields, &time, sizeof time);
    }
}

void CountWrap(TraceEntry* entry, int slot) {
    if (entry != nullptr && slot >= 0 && slot < kSlotCount) {
        ++entry->wrapCounts[slot];
    }
}

TraceEntry* SetTextColour(TraceEntry* entry, Colour colour) {
    if (entry != nullptr) {
        entry->textColour = colour;
    }
    return entry;
}

void SlotFrame(const TraceEntry& entry, Slot slot, std::uint8_t (&frame)[kSlotSize]) {
    std::fill(std::begin(frame), std::end(frame), 0);
    if (!SlotFilled(entry, slot)) {
        return;
    }
    if (slot == Slot::Opener) {
        // The check byte behind the frame's L bytes is never given back.
        std::memcpy(frame, entry.opener, std::min<std::size_t>(entry.opener[0], kSlotSize));
        return;
    }
    const std::uint8_t* field = entry.fields[fieldIndex(slot)];
    frame[0] = 5;
    frame[1] = fieldKind(slot);
    frame[2] = field[0];
    frame[3] = field[1];
    frame[4] = field[2];
}

std::int64_t SlotTime(const TraceEntry& entry, Slot slot) {
    const std::int64_t opened = OpenerTime(entry);
    if (slot == Slot::Opener) {
        return opened;
    }
    if (!SlotFilled(entry, slot)) {
        return 0;
    }
    auto time = static_cast<std::uint64_t>(opened);
    for (int k = 1; k <= static_cast<int>(slot); ++k) {
        time = fieldTime(time, entry.wrapCounts[k - 1], entry.fields[k - 1]);
    }
    return static_cast<std::int64_t>(time);
}

}  // namespace daridez
