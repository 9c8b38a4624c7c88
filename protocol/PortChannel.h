#pragma once

#include <cstdint>

namespace daridez {

// What the trace controller needs of the serial channel. The program's SerialPort
// implements it; tests may substitute their own. Every operation on a channel without
// an open port does nothing and returns 0.
class PortChannel {
  public:
    virtual ~PortChannel() = default;

    // The channel holds an open port (the main window forgets a port by marking the
    // channel not connected).
    virtual bool isConnected() const = 0;

    // Delivers at most max bytes already queued, at once; never waits.
    virtual std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) = 0;
    virtual std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count) = 0;
    virtual std::uint32_t PurgeInput() = 0;
    virtual std::uint32_t PurgeOutput() = 0;

    // True once the device has vanished (adapter unplugged) since the port was opened;
    // the bytes received before are still delivered by Read.
    virtual bool deviceVanished() const = 0;
};

}  // namespace daridez
