#pragma once

#include <cstdint>
#include <string>

#include "trace/TraceEntry.h"

namespace daridez {

// Where a live capture hands its completed rows: packets for Wireshark, lines for a
// terminal. Knows nothing of the port.
class LiveOutput {
  public:
    virtual ~LiveOutput() = default;

    // The trace starts: its time 0 is epochMicros (microseconds since 1970).
    virtual void started(std::int64_t epochMicros) { static_cast<void>(epochMicros); }
    // A completed row the capture keeps. open: the recording goes on past it though no
    // row follows yet (the bus fell quiet): it is final all the same, never cut.
    virtual void row(const TraceEntry& entry, bool open) = 0;
    // A note between the rows ("trigger at ..."), where the output has a place for one.
    virtual void note(const std::string& text) { static_cast<void>(text); }
    // Hands on whatever is buffered; false once the output refused bytes.
    virtual bool flush() = 0;
};

}  // namespace daridez
