#include "WrongRateReceiver.h"

#include <algorithm>
#include <cmath>

namespace daridez::sim {

namespace {

constexpr int kBreakBits = 13;
constexpr int kByteBits = 10;  // start, eight data bits, stop
constexpr double kBreakDeviceBits = 11;
constexpr int kLastField = 10;  // after a break: sync 0, identifier 1, response bytes 2-10
constexpr double kEdgeTolerance = 1e-6;

bool isBreak(const DeviceFrame& frame) {
    return frame.size == 5 && frame.bytes[1] == kBreak;
}

bool isBusByte(const DeviceFrame& frame) {
    const std::uint8_t kind = frame.bytes[1];
    return frame.size == 6 && (kind == kSync || kind == kIdentifier ||
                               (kind >= kResponseByte1 && kind <= FrameKind::ResponseByte9));
}

std::uint8_t fieldKind(int field) {
    if (field == 0) {
        return kSync;
    }
    return field == 1 ? kIdentifier : static_cast<std::uint8_t>(kResponseByte1 + field - 2);
}

}  // namespace

// The tracer's side of the receiver: where it stands in a frame, and what it reports.
struct WrongRateReceiver::Reception {
    void breakAt(double time) {
        const std::uint64_t t = stamp(time);
        out.push_back(DeviceFrame::make(t, {0x04, kBreak, highByte(t), lowByte(t)}, true));
        field = 0;
    }
    void byteAt(double time, std::uint8_t value) {
        if (field < 0 || field > kLastField) {
            return;
        }
        const std::uint64_t t = stamp(time);
        out.push_back(
            DeviceFrame::make(t, {0x05, fieldKind(field), highByte(t), lowByte(t), value}));
        ++field;
    }
    void framingErrorAt(double time) {
        const std::uint64_t t = stamp(time);
        out.push_back(DeviceFrame::make(
            t, {0x05, kDeviceError, highByte(t), lowByte(t), kFramingError}, true));
        field = -1;
    }
    static std::uint64_t stamp(double time) {
        return static_cast<std::uint64_t>(std::llround(time));
    }

    std::vector<DeviceFrame> out;
    int field = -1;  // the next field after a break; -1: waiting for a break
};

WrongRateReceiver::WrongRateReceiver(std::uint16_t busBaudrate, std::uint16_t deviceBaudrate)
    : busBit_(1e6 / busBaudrate), deviceBit_(1e6 / deviceBaudrate) {}

// The stretches of dominant line, in order, touching ones joined.
std::vector<WrongRateReceiver::Low> WrongRateReceiver::lineOf(
    const std::vector<DeviceFrame>& slot) const {
    std::vector<Low> lows;
    auto dominant = [&lows](double from, double to) {
        if (!lows.empty() && from <= lows.back().to + kEdgeTolerance) {
            lows.back().to = std::max(lows.back().to, to);
        } else {
            lows.push_back({from, to});
        }
    };
    for (const DeviceFrame& frame : slot) {
        const auto end = static_cast<double>(frame.time);
        if (isBreak(frame)) {
            dominant(end - kBreakBits * busBit_, end);
        } else if (isBusByte(frame)) {
            const double start = end - kByteBits * busBit_;
            const unsigned bits = static_cast<unsigned>(frame.bytes[4]) << 1 | 0x200u;
            for (int bit = 0; bit < kByteBits; ++bit) {
                if ((bits >> bit & 1u) == 0) {
                    dominant(start + bit * busBit_, start + (bit + 1) * busBit_);
                }
            }
        }
    }
    return lows;
}

std::vector<DeviceFrame> WrongRateReceiver::receive(const std::vector<DeviceFrame>& slot) const {
    const std::vector<Low> lows = lineOf(slot);
    auto lowAt = [&lows](double time) -> const Low* {
        auto after = std::upper_bound(lows.begin(), lows.end(), time,
                                      [](double t, const Low& low) { return t < low.from; });
        if (after == lows.begin() || std::prev(after)->to <= time) {
            return nullptr;
        }
        return &*std::prev(after);
    };
    auto nextFall = [&lows](double time) -> const Low* {
        auto fall = std::lower_bound(lows.begin(), lows.end(), time,
                                     [](const Low& low, double t) { return low.from < t; });
        return fall == lows.end() ? nullptr : &*fall;
    };
    Reception reception;
    const double bit = deviceBit_;
    double time = lows.empty() ? 0.0 : lows.front().from;
    for (const Low* fall = nextFall(time); fall != nullptr; fall = nextFall(time)) {
        const double start = fall->from;
        if (lowAt(start + bit / 2) == nullptr) {
            time = start + bit / 2;  // too short for a start bit
            continue;
        }
        std::uint8_t value = 0;
        for (int i = 0; i < 8; ++i) {
            if (lowAt(start + (1.5 + i) * bit) == nullptr) {
                value = static_cast<std::uint8_t>(value | 1u << i);
            }
        }
        time = start + 9.5 * bit;
        const Low* held = lowAt(time);
        if (held == nullptr) {
            reception.byteAt(start + kByteBits * bit, value);
        } else if (value == 0 && held->to - start >= kBreakDeviceBits * bit) {
            reception.breakAt(held->to);
            time = held->to;
        } else {
            reception.framingErrorAt(start + kByteBits * bit);
        }
    }
    return std::move(reception.out);
}

}  // namespace daridez::sim
