#pragma once

#include <cstdint>

#include "trace/Colour.h"

namespace daridez {

// The device frames a row can keep, one per slot; slot k feeds column k + 2.
enum class Slot : int {
    Opener,  // the frame that opened the row ("Info")
    Sync,
    Id,
    Db0,
    Db1,
    Db2,
    Db3,
    Db4,
    Db5,
    Db6,
    Db7,
    Cs,
    Count
};

inline constexpr int kSlotCount = static_cast<int>(Slot::Count);
inline constexpr int kFieldSlots = kSlotCount - 1;  // Sync..Cs, filled in this order
inline constexpr int kSlotSize = 8;  // bytes of a frame a slot gives back (never its check byte)

// The sizes of a row's texts, their terminating NUL included.
inline constexpr int kNumberTextSize = 12;  // any 32-bit number with its sign
inline constexpr int kTimeTextSize = 24;
inline constexpr int kFieldTextSize = 32;  // Info, Sync, ID, DB0..DB7, CS

// One row of the trace, as small as keeps every text of it derivable: the frames that
// built it, the clock and the timer wraps, its number and colours. Texts are made from
// it when something reads them (lin/Columns.h). The TraceList keeps rows in large
// blocks, each row zero-filled when made; a row never moves while it is in the list.
//
// The frames of slots Sync..Cs are all five bytes long, of the kind their slot names,
// and arrive in slot order, so a row keeps only their stamps and values and how many
// arrived. The opening frame is kept as received, up to eight bytes (its Info text
// shows at most six).
struct TraceEntry {
    std::int64_t time;          // the clock when the row was made
    std::int64_t relativeBase;  // what its relative time counted from when it was made
    std::int64_t previousTime;  // the opening time of the row made before it (0: none)
    std::int32_t number;
    std::uint32_t generation;  // the list's text generation when the row was made
    Colour textColour;
    Colour backColour;
    std::uint32_t wrapCounts[kSlotCount];  // timer wraps after slot k's frame
    std::uint8_t opener[kSlotSize];        // the opening frame's first min(L + 1, 8) bytes
    // Stamp high, stamp low and value of slots Sync..Cs; a start row whose marker came
    // after the row was made keeps the marker's time here instead (kLateOpener).
    std::uint8_t fields[kFieldSlots][3];
    std::uint8_t fieldCount;  // slots Sync.. filled
    std::uint8_t flags;       // RowFlag bits
};

namespace RowFlag {
inline constexpr std::uint8_t kOpened = 0x01;      // a frame opened the row (not a bare start row)
inline constexpr std::uint8_t kOpenerKept = 0x02;  // slot Opener holds its frame (L <= 8)
inline constexpr std::uint8_t kLateOpener = 0x04;  // the opener's time differs from the row's
// A row made after it goes on with its recording: it is neither the last row of the
// list nor the last of its recording.
inline constexpr std::uint8_t kContinued = 0x08;
}  // namespace RowFlag

}  // namespace daridez
