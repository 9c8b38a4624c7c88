#pragma once

#include <cstdint>

namespace daridez::LinCapture {

// pcapng block types and the byte-order magic of a section header.
inline constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
inline constexpr std::uint32_t kInterfaceDescription = 1;
inline constexpr std::uint32_t kSimplePacket = 3;
inline constexpr std::uint32_t kEnhancedPacket = 6;
inline constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;
// The link type of LIN frames, in pcapng interfaces and pcap file headers.
inline constexpr std::uint16_t kLinkTypeLin = 212;

// The LIN pseudo-header that opens each packet: revision, three reserved bytes, then
// length/type/checksum model, protected identifier, checksum, error bits.
inline constexpr std::uint32_t kPseudoHeaderSize = 8;
inline constexpr std::uint8_t kFormatRevision = 1;
inline constexpr std::uint8_t kChecksumClassic = 1;
inline constexpr std::uint8_t kChecksumEnhanced = 2;
inline constexpr int kMessageTypeEvent = 3;

// Error bits of the pseudo-header.
inline constexpr std::uint8_t kNoResponseBit = 0x01;
inline constexpr std::uint8_t kFramingBit = 0x02;
inline constexpr std::uint8_t kParityBit = 0x04;
inline constexpr std::uint8_t kChecksumBit = 0x08;
inline constexpr std::uint8_t kInvalidIdBit = 0x10;
inline constexpr std::uint8_t kOverflowBit = 0x20;

}  // namespace daridez::LinCapture
