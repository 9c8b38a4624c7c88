#pragma once
// The tracer's side of a live benchmark on a pseudo-terminal (sim/PtyDevice): bytes
// written in hex, what the host wrote awaited, the rate and the start answered.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/PtyDevice.h"

namespace daridez::bench {

using Clock = std::chrono::steady_clock;

// A frame C1 05 10 EA: break, sync, identifier, two data bytes and the classic checksum
// (complete by it).
inline constexpr const char* kFrame =
    "0490001000 059100205500 05920030C100 0593004005 00 0594005010 00 05950060EA00";

inline double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Bytes written in hexadecimal; blanks between them are skipped.
inline std::vector<std::uint8_t> hexBytes(const char* text) {
    std::vector<std::uint8_t> bytes;
    for (const char* p = text; p[0] != '\0' && p[1] != '\0';) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        bytes.push_back(
            static_cast<std::uint8_t>(std::strtoul(std::string(p, 2).c_str(), nullptr, 16)));
        p += 2;
    }
    return bytes;
}

// Whether the host wrote want within timeoutMs.
inline bool awaitFromHost(sim::PtyDevice& device, const std::vector<std::uint8_t>& want,
                          int timeoutMs) {
    std::vector<std::uint8_t> seen;
    const auto start = Clock::now();
    while (msSince(start) < timeoutMs) {
        const auto got = device.read(50);
        seen.insert(seen.end(), got.begin(), got.end());
        if (std::search(seen.begin(), seen.end(), want.begin(), want.end()) != seen.end()) {
            return true;
        }
    }
    return false;
}

// Answers the rate (19200) and the start as the tracer does.
inline bool answerStart(sim::PtyDevice& device) {
    return awaitFromHost(device, hexBytes("04014b0050"), 10000) &&
           device.write(hexBytes("05814B0000 00")) &&
           awaitFromHost(device, hexBytes("020204"), 10000) &&
           device.write(hexBytes("0582000001 00"));
}

}  // namespace daridez::bench
