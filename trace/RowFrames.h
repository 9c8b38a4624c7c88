#pragma once

#include <cstdint>
#include <cstring>

#include "trace/FrameKind.h"
#include "trace/TraceEntry.h"

namespace daridez {

// Filling a row as its frames arrive and reading them back: the frame of each slot,
// its value and its receive time, derived from the little a row keeps.

// Keeps the frame (length byte L, L + 1 bytes) that opened the row when it was made.
// Its slot gives the frame back when L <= 8; the Info text reads its first six bytes.
void StoreOpener(TraceEntry* entry, const std::uint8_t* frame, std::uint8_t length);
// Keeps the start marker (five bytes) that arrived at time for the start row made
// before it.
void FillStartRow(TraceEntry* entry, const std::uint8_t* frame, std::int64_t time);
// Keeps a five-byte field frame (stamp and value) in the next slot from Sync on.
// Inline, as the next three: a load and a dump call them for nearly every frame and
// cell.
inline void StoreField(TraceEntry* entry, const std::uint8_t* frame) {
    if (entry == nullptr || entry->fieldCount >= kFieldSlots) {
        return;
    }
    std::uint8_t* field = entry->fields[entry->fieldCount++];
    field[0] = frame[2];
    field[1] = frame[3];
    field[2] = frame[4];
}
// Counts a timer wrap after the frame of slot (ignored beyond the slots).
void CountWrap(TraceEntry* entry, int slot);
// Sets the row's text colour when there is a row; returns the row.
TraceEntry* SetTextColour(TraceEntry* entry, Colour colour);

inline bool SlotFilled(const TraceEntry& entry, Slot slot) {
    if (slot == Slot::Opener) {
        return (entry.flags & RowFlag::kOpenerKept) != 0 && entry.opener[0] != 0;
    }
    return static_cast<int>(slot) - 1 < entry.fieldCount;
}
// The value byte (the fifth) of a field slot's frame; 0 when the slot is empty.
inline std::uint8_t SlotValue(const TraceEntry& entry, Slot slot) {
    if (slot == Slot::Opener) {
        return SlotFilled(entry, slot) ? entry.opener[4] : 0;
    }
    return SlotFilled(entry, slot) ? entry.fields[static_cast<int>(slot) - 1][2] : 0;
}
// The first min(L, 8) bytes of the slot's frame, zeros behind; all zero when empty.
void SlotFrame(const TraceEntry& entry, Slot slot, std::uint8_t (&frame)[kSlotSize]);
// When the slot's frame arrived on the trace clock; 0 for an empty field slot. The
// opener's slot always has a time: the row's own, or its start marker's.
std::int64_t SlotTime(const TraceEntry& entry, Slot slot);
// Whether a start marker opened the row (or was filled into the first row).
inline bool IsStartMarkerRow(const TraceEntry& entry) {
    return (entry.flags & RowFlag::kOpenerKept) != 0 &&
           OpenerOf(entry.opener[0], entry.opener[1]) == RowOpener::Start;
}
inline std::int64_t OpenerTime(const TraceEntry& entry) {
    std::int64_t opened = entry.time;
    if ((entry.flags & RowFlag::kLateOpener) != 0) {
        std::memcpy(&opened, entry.fields, sizeof opened);
    }
    return opened;
}

}  // namespace daridez
