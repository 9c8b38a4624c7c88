#pragma once

#include <bitset>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

#include "DeviceFrame.h"
#include "SchedulePlayer.h"

namespace daridez::sim {

// How often the bus model mixes trouble into the stream, each a probability per LIN
// frame (0 to 1).
struct TroubleRates {
    double deviceErrors = 0.0;     // a device error frame instead of the response
    double garbage = 0.0;          // a frame that does not fit the grammar
    double bufferOverflows = 0.0;  // a BufferOverflow frame after the LIN frame
    double badChecksums = 0.0;     // a checksum byte that no checksum model accepts
    double badParity = 0.0;        // wrong parity bits, the checksum over that identifier
};

// The identifiers (0x00 to 0x3F) whose nodes send the classic checksum; 0x3C and 0x3D
// always do.
using ClassicIds = std::bitset<64>;

// The bit rates the simulated device listens at and its bus runs at, in bit/s.
inline constexpr int kMinBusRate = 1000;
inline constexpr int kMaxBusRate = 20000;
constexpr bool IsBusRate(int rate) {
    return rate >= kMinBusRate && rate <= kMaxBusRate;
}

// A LIN bus as the tracer sees it: a master running a schedule table (a fixed one, or
// one read from an LDF), one LIN frame per slot, reported field by field as device
// frames with 16-bit microsecond stamps, and a TimerWrap at every wrap of the 16-bit clock.
// Deterministic for a seed.
class LinBusModel {
  public:
    // An empty schedule: the built-in one.
    LinBusModel(std::uint32_t seed, TroubleRates rates, std::uint16_t baudrate,
                ClassicIds classicIds = {}, SimSchedule schedule = {});

    // Changes the bit rate the device listens at from the next slot on (a rate that is
    // not IsBusRate is ignored and answered with false). The bus runs at it too, unless
    // a bus rate of its own is set.
    bool setBaudrate(std::uint16_t baudrate);
    std::uint16_t baudrate() const { return baudrate_; }
    // The bus runs at busBaudrate (IsBusRate) whatever the device listens at; while
    // the two differ, the device reports what its receiver makes of the bus
    // (WrongRateReceiver). 0: the bus runs at the device's rate.
    bool setBusBaudrate(std::uint16_t busBaudrate);
    std::uint16_t busBaudrate() const { return busBaudrate_ != 0 ? busBaudrate_ : baudrate_; }

    // Starts the schedule at device time `now`: the first slot begins there, and the
    // first wrap is the next multiple of 65,536 after it.
    void restart(std::uint64_t now);

    // Appends, in time order, every frame due at or before `until`.
    void produceUntil(std::uint64_t until, std::vector<DeviceFrame>& out);

    // Device time at which the next frame is due.
    std::uint64_t nextDue();

  private:
    void buildSlot();
    void misreadSlot();
    PlayedSlot builtInSlot();
    void fillBuiltInData(PlayedSlot& slot);
    std::uint8_t identifierByte(std::uint8_t id);
    std::uint8_t checksum(std::uint8_t pid, const PlayedSlot& slot);
    std::uint8_t wrongChecksum(std::uint8_t pid, const std::uint8_t* data, int count,
                               std::uint8_t right);
    void addGarbage(std::uint64_t time, std::uint8_t pid);
    double bitTime() const { return 1e6 / busBaudrate(); }
    bool misread() const { return busBaudrate() != baudrate_; }
    bool chance(double rate);

    std::mt19937 random_;
    TroubleRates rates_;
    ClassicIds classicIds_;
    std::uint16_t baudrate_;
    std::uint16_t busBaudrate_ = 0;
    SchedulePlayer player_;
    std::deque<DeviceFrame> pending_;  // frames of the current slot not yet due
    std::uint64_t nextSlot_ = 0;
    std::uint64_t nextWrap_ = 65536;
    std::size_t scheduleIndex_ = 0;
    std::uint8_t counter_ = 0;
};

}  // namespace daridez::sim
