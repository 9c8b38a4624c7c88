#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace daridez {

// Frames towards the device: length byte N, command code, parameters, and the 8-bit
// sum of the N bytes before it. Answers come back in the same framing with the
// command's code | 0x80.

// Sum of the first count bytes, modulo 256 (only the low 8 bits of count are used).
std::uint8_t frameChecksum(const std::uint8_t* bytes, std::uint8_t count);

using ConstantFrame = std::array<std::uint8_t, 3>;
inline constexpr ConstantFrame ReadVersion{0x02, 0x00, 0x02};
inline constexpr ConstantFrame StartTrace{0x02, 0x02, 0x04};
inline constexpr ConstantFrame StopTrace{0x02, 0x03, 0x05};

// The set-baud-rate command: 04 01 HI LO CS. One program-wide, mutable record whose
// bytes 2 to 4 are rewritten in place on every build.
class SetBaudrateFrame {
  public:
    static constexpr std::size_t kLength = 5;

    // Converts text as the LIN-baud-rate box holds it (leading white space, one
    // optional sign, decimal digits up to the first non-digit; no digits give 0; no
    // range check), keeps the low 16 bits big-endian and fills in the checksum.
    const std::array<std::uint8_t, kLength>& build(std::string_view text);

    const std::array<std::uint8_t, kLength>& bytes() const { return bytes_; }

  private:
    std::array<std::uint8_t, kLength> bytes_{0x04, 0x01, 0x4B, 0x00, 0x00};
};

struct FirmwareVersion {
    int major;
    int minor;
    int patch;
};

struct BaudrateAnswer {
    int baudrate;  // byte 2 * 256 + byte 3
    int result;    // byte 4
};

// Readers of the two answers (05 80 v1 v2 v3 cs and 05 81 HI LO result cs), given
// the frame's first byte. The check byte is not examined.
FirmwareVersion readVersionResponse(const std::uint8_t* frame);
BaudrateAnswer readBaudrateResponse(const std::uint8_t* frame);

}  // namespace daridez
