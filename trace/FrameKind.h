#pragma once

#include <cstdint>

namespace daridez {

// The kind byte (byte 1) of the frames the tracer device sends. "Stamp" is bytes 2-3,
// the low 16 bits of the device's microsecond timer, high byte first.
//
//   kind       L     payload                  meaning
//   0x80       5     version v1 v2 v3         answer to ReadVersion
//   0x81       5     baud HI LO, result       answer to SetBaudrate
//   0x82       5     16-bit number            the device started tracing
//   0x90       4     stamp                    a LIN break
//   0x91       5     stamp, sync byte         the sync field (0x55 when correct)
//   0x92       5     stamp, protected id      the identifier field
//   0x93-0x9A  5     stamp, byte              response bytes 1-8
//   0x9B       5     stamp, byte              response byte 9 (the checksum after 8 bytes)
//   0x9C       5     stamp, error code        an error of the device
//   0x9D-0x9E  2-5   -                        ignored
//   0xA0       2-5   -                        the device's 16-bit timer wrapped
//   0xF0       3     -                        the device's buffer overflowed
namespace FrameKind {
inline constexpr std::uint8_t VersionResponse = 0x80;
inline constexpr std::uint8_t BaudrateResponse = 0x81;
inline constexpr std::uint8_t StartMarker = 0x82;
inline constexpr std::uint8_t BreakField = 0x90;
inline constexpr std::uint8_t SyncField = 0x91;
inline constexpr std::uint8_t IdentifierField = 0x92;
inline constexpr std::uint8_t ResponseByte1 = 0x93;
inline constexpr std::uint8_t ResponseByte8 = 0x9A;
inline constexpr std::uint8_t ResponseByte9 = 0x9B;
inline constexpr std::uint8_t DeviceError = 0x9C;
inline constexpr std::uint8_t Ignored1 = 0x9D;
inline constexpr std::uint8_t Ignored2 = 0x9E;
inline constexpr std::uint8_t TimerWrap = 0xA0;
inline constexpr std::uint8_t BufferOverflow = 0xF0;
}  // namespace FrameKind

// The length byte of the frames whose length is fixed.
namespace FrameLength {
inline constexpr std::uint8_t StartMarker = 5;
inline constexpr std::uint8_t BreakField = 4;
inline constexpr std::uint8_t Field = 5;  // sync, identifier, response bytes, device error
inline constexpr std::uint8_t BufferOverflow = 3;
}  // namespace FrameLength

// What opened a row: one of the frames that open rows of their own, at its length, or
// any other frame (a bad frame).
enum class RowOpener { Start, Break, DeviceError, Overflow, Bad };

// The opener of the frame with this length byte and kind byte.
constexpr RowOpener OpenerOf(std::uint8_t length, std::uint8_t kind) {
    switch (kind) {
        case FrameKind::StartMarker:
            return length == FrameLength::StartMarker ? RowOpener::Start : RowOpener::Bad;
        case FrameKind::BreakField:
            return length == FrameLength::BreakField ? RowOpener::Break : RowOpener::Bad;
        case FrameKind::DeviceError:
            return length == FrameLength::Field ? RowOpener::DeviceError : RowOpener::Bad;
        case FrameKind::BufferOverflow:
            return length == FrameLength::BufferOverflow ? RowOpener::Overflow : RowOpener::Bad;
        default:
            return RowOpener::Bad;
    }
}

}  // namespace daridez
