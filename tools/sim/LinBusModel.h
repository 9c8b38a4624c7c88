#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <vector>

#include "DeviceFrame.h"

namespace daridez::sim {

// How often the bus model mixes trouble into the stream, each a probability per LIN
// frame (0 to 1).
struct TroubleRates {
    double deviceErrors = 0.0;     // a device error frame instead of the response
    double garbage = 0.0;          // a frame that does not fit the grammar
    double bufferOverflows = 0.0;  // a BufferOverflow frame after the LIN frame
};

// A LIN bus as the tracer sees it: a master running a fixed schedule table, one LIN
// frame per slot, reported field by field as device frames with 16-bit microsecond
// stamps, and a TimerWrap at every wrap of the 16-bit clock. Deterministic for a seed.
class LinBusModel {
  public:
    LinBusModel(std::uint32_t seed, TroubleRates rates, std::uint16_t baudrate);

    // Changes the bit rate from the next slot on (a rate outside 1000 to 20000 is
    // ignored and answered with false).
    bool setBaudrate(std::uint16_t baudrate);
    std::uint16_t baudrate() const { return baudrate_; }

    // Starts the schedule at device time `now`: the first slot begins there, and the
    // first wrap is the next multiple of 65,536 after it.
    void restart(std::uint64_t now);

    // Appends, in time order, every frame due at or before `until`.
    void produceUntil(std::uint64_t until, std::vector<DeviceFrame>& out);

    // Device time at which the next frame is due.
    std::uint64_t nextDue();

    // LIN protected identifier of a 6-bit identifier (parity bits 6 and 7).
    static std::uint8_t protectedId(std::uint8_t id);
    // Enhanced checksum (over the protected identifier and the data) or, for the
    // diagnostic identifiers 0x3C and 0x3D, the classic one (data only).
    static std::uint8_t linChecksum(std::uint8_t pid, const std::uint8_t* data, int count);

  private:
    struct ScheduleEntry {
        std::uint8_t id;
        int length;
    };

    void buildSlot();
    void fillData(const ScheduleEntry& entry, std::uint8_t* data);
    void addGarbage(std::uint64_t time, std::uint8_t pid);
    double bitTime() const { return 1e6 / baudrate_; }
    bool chance(double rate);

    std::mt19937 random_;
    TroubleRates rates_;
    std::uint16_t baudrate_;
    std::deque<DeviceFrame> pending_;  // frames of the current slot not yet due
    std::uint64_t nextSlot_ = 0;
    std::uint64_t nextWrap_ = 65536;
    std::size_t scheduleIndex_ = 0;
    std::uint8_t counter_ = 0;
};

}  // namespace daridez::sim
