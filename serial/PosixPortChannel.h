#pragma once

#include <cstdint>
#include <string>

#include "protocol/PortChannel.h"
#include "serial/SerialSettings.h"

namespace daridez {

// A serial device opened without Qt, through termios: raw bytes at the line settings
// chosen, no flow control, reads that never wait. The live path of the command-line
// tools (daridez-dump --port, daridez-extcap) runs on it. A device that goes away
// (adapter unplugged, the other end of a pseudo-terminal closed) is noted once and
// reported by deviceVanished(); the bytes read before stay delivered.
class PosixPortChannel : public PortChannel {
  public:
    PosixPortChannel() = default;
    ~PosixPortChannel() override;
    PosixPortChannel(const PosixPortChannel&) = delete;
    PosixPortChannel& operator=(const PosixPortChannel&) = delete;

    // Opens path with the settings' baud rate, data bits, parity and stop bits. "" on
    // success, else one line naming the device and why ("/dev/ttyUSB0: no such device",
    // "/dev/ttyUSB0: the line cannot run at 14400 baud").
    std::string open(const std::string& path, const SerialSettings& settings);
    // Closes the device without purging: what the driver still holds goes out.
    void close();

    // The open device's descriptor, for a caller that waits on it; -1 when none is open.
    int descriptor() const { return fd_; }

    bool isConnected() const override { return fd_ >= 0; }
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) override;
    std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count) override;
    std::uint32_t PurgeInput() override;
    std::uint32_t PurgeOutput() override;
    bool deviceVanished() const override { return vanished_; }

  private:
    bool configure(const SerialSettings& settings, std::string& problem);

    int fd_ = -1;
    bool vanished_ = false;
};

}  // namespace daridez
