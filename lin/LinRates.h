#pragma once

#include <array>

namespace daridez {

// The LIN bit rates the window's rate box and the extcap offer, in that order.
inline constexpr std::array<int, 5> kLinRates{1200, 2400, 4800, 9600, 19200};

// The rate a trace, its bus load and the tracer assume until one is set.
inline constexpr int kDefaultLinRate = 19200;

// The tracer takes a LIN rate as a 16-bit number of bit/s.
inline constexpr int kMaxLinRate = 0xFFFF;
constexpr bool IsLinRate(int rate) {
    return rate >= 1 && rate <= kMaxLinRate;
}

// The rates a rate search tries first, the most common first; the offered rates follow.
inline constexpr std::array<int, 4> kCommonLinRates{kDefaultLinRate, 9600, 10417, 20000};

}  // namespace daridez
