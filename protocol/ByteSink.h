#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace daridez {

// Where the trace controller hands the device's bytes of a running trace, exactly as
// read from the port, so they can be kept (a recording to disk) without the controller
// knowing where they go.
class ByteSink {
  public:
    virtual ~ByteSink() = default;

    // A trace starts (or the sink is attached while one runs); the bytes follow.
    virtual void traceStarted() {}
    // Bytes of the running trace, in the order the decoder sees them.
    virtual void received(const std::uint8_t* bytes, std::size_t count) = 0;
    // Every timer tick while attached: the moment to make the bytes durable.
    virtual void tick() {}
    // The trace ended (Stop, a lost device) or the sink was detached during one.
    virtual void traceEnded() {}
    // Where the bytes are kept for good (a file), "" while they are not.
    virtual std::string keptIn() const { return {}; }
};

}  // namespace daridez
