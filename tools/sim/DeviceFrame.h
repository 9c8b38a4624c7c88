#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

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
        std::uint8_t sum = 0;
        for (std::uint8_t byte : body) {
            frame.bytes[frame.size++] = byte;
            sum = static_cast<std::uint8_t>(sum + byte);
        }
        frame.bytes[frame.size++] = sum;
        return frame;
    }

    bool isTimerWrap() const { return size >= 2 && bytes[1] == 0xA0; }
    const std::uint8_t* begin() const { return bytes.data(); }
    const std::uint8_t* end() const { return bytes.data() + size; }

    void appendTo(std::vector<std::uint8_t>& out) const {
        std::size_t at = out.size();
        out.resize(at + size);
        std::memcpy(out.data() + at, bytes.data(), size);
    }
};

// Device frame kinds.
inline constexpr std::uint8_t kVersionAnswer = 0x80;
inline constexpr std::uint8_t kBaudrateAnswer = 0x81;
inline constexpr std::uint8_t kStartMarker = 0x82;
inline constexpr std::uint8_t kBreak = 0x90;
inline constexpr std::uint8_t kSync = 0x91;
inline constexpr std::uint8_t kIdentifier = 0x92;
inline constexpr std::uint8_t kResponseByte1 = 0x93;
inline constexpr std::uint8_t kDeviceError = 0x9C;
inline constexpr std::uint8_t kTimerWrap = 0xA0;
inline constexpr std::uint8_t kBufferOverflow = 0xF0;

inline std::uint8_t highByte(std::uint64_t value) {
    return static_cast<std::uint8_t>(value >> 8);
}
inline std::uint8_t lowByte(std::uint64_t value) {
    return static_cast<std::uint8_t>(value);
}

}  // namespace daridez::sim
