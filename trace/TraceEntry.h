#pragma once

#include <cstdint>

#include "trace/Colour.h"

namespace daridez {

inline constexpr int kSlotCount = 12;  // frames a row can keep: opener, sync, id, 9 bytes
inline constexpr int kSlotSize = 8;    // bytes kept of each frame (its check byte never is)

// The sizes of a row's texts, their terminating NUL included.
inline constexpr int kNumberTextSize = 12;  // any 32-bit number with its sign
inline constexpr int kTimeTextSize = 24;
inline constexpr int kFieldTextSize = 32;  // Info, Sync, ID, DB0..DB7, CS

// One row of the trace: the raw device frames that built it, their receive times,
// and the ready-made texts of its fourteen columns. A fixed-size record, zero-filled
// when made and never moved afterwards; the TraceList owns it.
//
// Slot k feeds column k + 2: 0 "Info" (the opening frame), 1 "Sync", 2 "ID",
// 3..10 "DB0".."DB7", 11 "CS". A slot whose first byte is 0 is empty.
struct TraceEntry {
    std::uint8_t frames[kSlotCount][kSlotSize];
    std::uint32_t wrapCounts[kSlotCount];  // timer wraps after slot k's frame
    std::int32_t number;
    char numberText[kNumberTextSize];
    char timeText[kTimeTextSize];
    char infoText[kFieldTextSize];
    char syncText[kFieldTextSize];
    char idText[kFieldTextSize];
    char byteTexts[9][kFieldTextSize];   // DB0..DB7, then CS
    std::int64_t slotTimes[kSlotCount];  // entry 0 is the row's time
    Colour textColour;
    Colour backColour;
    TraceEntry* next;
};

}  // namespace daridez
