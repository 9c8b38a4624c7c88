#pragma once

#include <cstdint>
#include <string>

#include "protocol/PortChannel.h"
#include "serial/SerialSettings.h"

namespace daridez {

// A serial device opened without Qt, through the Win32 serial API: COMn by name (the
// "\\.\" prefix added, so COM10 and above open too), the line settings chosen put into
// the device-control block, no flow control, and time-outs that make every read return
// at once with what is queued. The live path of the command-line tools runs on it on
// Windows. A read or write refused because the device went away (adapter unplugged) is
// noted once and reported by deviceVanished(); the bytes read before stay delivered.
class Win32PortChannel : public PortChannel {
  public:
    Win32PortChannel() = default;
    ~Win32PortChannel() override;
    Win32PortChannel(const Win32PortChannel&) = delete;
    Win32PortChannel& operator=(const Win32PortChannel&) = delete;

    // Opens the device with the settings' baud rate, data bits, parity and stop bits. ""
    // on success, else one line naming the device and why ("COM5: no such device",
    // "COM5: in use by another program", or the system's own reason).
    std::string open(const std::string& name, const SerialSettings& settings);
    // Closes the device without purging: what the driver still holds goes out.
    void close();

    // The bytes the driver holds for reading; 0 when none or no device is open.
    std::uint32_t queued() const;

    bool isConnected() const override { return handle_ != nullptr; }
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) override;
    std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count) override;
    std::uint32_t PurgeInput() override;
    std::uint32_t PurgeOutput() override;
    bool deviceVanished() const override { return vanished_; }

    // The system's own words for an error code (GetLastError's), on one line.
    static std::string reasonOf(unsigned long error);

  private:
    bool configure(const SerialSettings& settings, std::string& problem);

    void* handle_ = nullptr;  // the device's HANDLE; null when none is open
    bool vanished_ = false;
};

}  // namespace daridez
