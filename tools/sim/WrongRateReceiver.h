#pragma once

#include <cstdint>
#include <vector>

#include "DeviceFrame.h"

namespace daridez::sim {

// What the tracer reports when its UART listens at another rate than the bus runs at.
// One slot's fields, as the device would report them at the bus's own rate, are turned
// back into the levels of the line (a break is 13 dominant bits ending at its stamp, a
// byte 10 bits, start, data LSB first, stop, ending at its stamp) and sampled as an 8N1
// receiver does: a falling edge starts a byte, each bit is read in its middle at the
// device's rate. A zero byte whose line stays dominant for 11 bits is a break; a byte
// whose stop bit reads dominant is a framing error, reported as a device error, after
// which the tracer waits for the next break. After a break the bytes received are the
// sync, the identifier and the response bytes, as far as the frame kinds go.
class WrongRateReceiver {
  public:
    static constexpr std::uint8_t kFramingError = 0x02;

    WrongRateReceiver(std::uint16_t busBaudrate, std::uint16_t deviceBaudrate);

    // Frames of kinds other than break, sync, identifier and response byte are left out:
    // they are the device's own, not the bus's. The frames returned are in time order.
    std::vector<DeviceFrame> receive(const std::vector<DeviceFrame>& slot) const;

  private:
    struct Low {
        double from;
        double to;
    };
    struct Reception;

    std::vector<Low> lineOf(const std::vector<DeviceFrame>& slot) const;

    double busBit_;
    double deviceBit_;
};

}  // namespace daridez::sim
