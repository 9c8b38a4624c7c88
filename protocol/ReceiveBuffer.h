#pragma once

#include <array>
#include <cstdint>

namespace daridez {

// The one receive buffer of the program: the port is read into it on every timer
// tick, and dump files are loaded through it. carryOver bytes at its head are the
// start of a frame whose rest has not arrived yet.
struct ReceiveBuffer {
    static constexpr std::int32_t kSize = 32768;
    std::array<std::uint8_t, kSize> bytes{};
    std::int32_t carryOver = 0;
};

}  // namespace daridez
