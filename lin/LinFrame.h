#pragma once

#include <cstdint>

#include "trace/TraceEntry.h"

namespace daridez {

// The bus fields of one LIN frame row, read back from the device frames the row keeps:
// a row opened by a break (slot 0), its sync byte (slot 1), its protected identifier
// (slot 2) and its response bytes (slots 3..11, in order). Every other row reads as
// not a LIN frame. Checks, queries, exports and the summary all start from this.
struct LinFrame {
    static constexpr int kMaxResponse = 9;

    bool isLinFrame = false;  // the row was opened by a break
    bool hasSync = false;
    bool hasId = false;
    std::uint8_t sync = 0;
    std::uint8_t pid = 0;   // the identifier byte as received, parity bits included
    int responseCount = 0;  // k: response bytes received, the checksum included
    std::uint8_t response[kMaxResponse] = {};
    std::int64_t time = 0;  // the break's time, microseconds of the trace clock

    std::uint8_t id() const { return pid & 0x3F; }
    // With two or more response bytes the last one is the checksum, the rest data.
    int dataLength() const { return responseCount >= 2 ? responseCount - 1 : 0; }
    std::uint8_t checksum() const { return responseCount >= 2 ? response[responseCount - 1] : 0; }
};

LinFrame ReadLinFrame(const TraceEntry& entry);

// Whether the row starts a recording: the row a trace opens with (number 0) or the
// row a start marker of the device made.
bool StartsRecording(const TraceEntry& entry);

}  // namespace daridez
