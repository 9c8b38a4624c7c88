#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "protocol/CommandFrames.h"
#include "trace/FrameKind.h"

namespace daridez::sim {

// One frame as the tracer device sends it: length byte, kind, payload, and the 8-bit
// sum of every byte before the check byte. `time` is the device clock in
// microseconds when the frame is due.
struct DeviceFrame {
    std::uint64_t time = 0;
    std::array<std::uint8_t, 6> bytes{};
    std::uint8_t size = 0;
    bool opensRow = false;  // a frame the trace can start again at after a loss

    // Builds a frame from its length byte, kind and payload; the check byte is added.
    static DeviceFrame make(std::uint64_t time, std::initializer_list<std::uint8_t> body,
                            bool opensRow = false) {
        DeviceFrame frame;
        frame.time = time;
        frame.opensRow = opensRow;
        for (std::uint8_t byte : body) {
            frame.bytes[frame.size++] = byte;
        }
        frame.bytes[frame.size] = frameChecksum(frame.bytes.data(), frame.size);
        ++frame.size;
        return frame;
    }

    bool isTimerWrap() const { return size >= 2 && bytes[1] == FrameKind::TimerWrap; }
    const std::uint8_t* begin() const { return bytes.data(); }
    const std::uint8_t* end() const { return bytes.data() + size; }

    void appendTo(std::vector<std::uint8_t>& out) const {
        std::size_t at = out.size();
        out.resize(at + size);
        std::memcpy(out.data() + at, bytes.data(), size);
    }
};

// The device's frame kinds, named as the simulator's code speaks of them.
inline constexpr std::uint8_t kVersionAnswer = FrameKind::VersionResponse;
inline constexpr std::uint8_t kBaudrateAnswer = FrameKind::BaudrateResponse;
inline constexpr std::uint8_t kStartMarker = FrameKind::StartMarker;
inline constexpr std::uint8_t kBreak = FrameKind::BreakField;
inline constexpr std::uint8_t kSync = FrameKind::SyncField;
inline constexpr std::uint8_t kIdentifier = FrameKind::IdentifierField;
inline constexpr std::uint8_t kResponseByte1 = FrameKind::ResponseByte1;
inline constexpr std::uint8_t kDeviceError = FrameKind::DeviceError;
inline constexpr std::uint8_t kTimerWrap = FrameKind::TimerWrap;
inline constexpr std::uint8_t kBufferOverflow = FrameKind::BufferOverflow;

inline std::uint8_t highByte(std::uint64_t value) {
    return static_cast<std::uint8_t>(value >> 8);
}
inline std::uint8_t lowByte(std::uint64_t value) {
    return static_cast<std::uint8_t>(value);
}

}  // namespace daridez::sim
