#pragma once

#include <array>
#include <cstdint>

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

}  // namespace daridez
