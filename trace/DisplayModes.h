#pragma once

#include <cstdint>

#include "trace/TraceEntry.h"

namespace daridez {

class RowNotes;

// The three display modes of the list, owned by the main window. A row's texts are
// made in these forms whenever something reads them.
struct DisplayModes {
    bool relativeTime = true;  // "rel. TimeStamp" / "abs. TimeStamp"
    bool protectedId = true;   // "[ID]" (the byte as received) / "(id)" (its low 6 bits)
    bool hexData = true;       // "05h" / "005"
};

// The display modes and which rows were made before a switch of them. A row shows the
// texts it showed when it was made until a switch of their mode: its time then counts
// from the row made before it and its CS follows the data mode, as a switch has always
// re-rendered them. Rows remember the list's text generation when they were made; a
// switch starts a new generation (trace/TraceList.h).
struct TextForm {
    DisplayModes modes;
    std::uint32_t timeRedrawn = 0;  // rows of a generation below this: times re-rendered
    std::uint32_t dataRedrawn = 0;  // rows of a generation below this: CS re-rendered
    // The row still open at the last switch of the data mode, without its CS then: a
    // CS that came later was made after the switch.
    const TraceEntry* openAtDataSwitch = nullptr;
    // What a log read from another tool said of rows beyond their frames (the list's
    // own notes; none for a trace of the device).
    const RowNotes* notes = nullptr;
};

}  // namespace daridez
