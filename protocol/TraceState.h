#pragma once

#include <cstdint>

namespace daridez {

// Which command is pending. Owned by the trace controller; the stream decoder reads
// it and changes it in two places (an awaited answer found, the start marker seen).
enum class TraceState : std::int32_t {
    Idle = 0,             // nothing pending, no trace: received bytes are dropped
    ReadingVersion = 1,   // waiting for the version answer
    SettingBaudrate = 2,  // waiting for the baud-rate answer
    StartRequested = 3,   // start sent, the device's start marker not yet seen
    Tracing = 4,          // trace running
};

}  // namespace daridez
