#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "serial/SerialSettings.h"

namespace daridez {

// What the serial line to the tracer can be set to, in the order the settings dialog
// and the extcap offer it: each rate with its short caption, and whether the status
// line names it (it shows "? Baud" for the others).
struct SerialRate {
    std::uint32_t rate;
    const char* caption;
    bool named;
};

inline constexpr std::array<SerialRate, 15> kSerialRates{{
    {110, "110", false},
    {300, "300", false},
    {600, "600", false},
    {1200, "1200", false},
    {2400, "2400", false},
    {4800, "4800", false},
    {9600, "9600", true},
    {14400, "14400", false},
    {19200, "19.2K", true},
    {38400, "38.4K", true},
    {56000, "56K", true},
    {57600, "57.6K", true},
    {115200, "115.2K", true},
    {128000, "128", false},
    {256000, "256", false},
}};

// The rate of a profile or a command line that sets none.
inline constexpr std::uint32_t kDefaultSerialRate = 115200;

// The parity words, in the order they are offered.
struct ParityWord {
    std::uint8_t parity;
    const char* word;
};

inline constexpr std::array<ParityWord, 3> kParityWords{{
    {kEvenParity, "even"},
    {kOddParity, "odd"},
    {kNoParity, "none"},
}};

// "none", "odd" or "even"; "none" for a value that is none of them.
inline const char* ParityWordOf(std::uint8_t parity) {
    for (const ParityWord& entry : kParityWords) {
        if (entry.parity == parity) {
            return entry.word;
        }
    }
    return kParityWords.back().word;
}

// The parity a word names; nothing for any other text.
inline std::optional<std::uint8_t> ParityOfWord(std::string_view word) {
    for (const ParityWord& entry : kParityWords) {
        if (word == entry.word) {
            return entry.parity;
        }
    }
    return std::nullopt;
}

}  // namespace daridez
