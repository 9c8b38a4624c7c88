#include "files/PcapngWriter.h"

#include <cstring>

#include "files/LinCapture.h"
#include "lin/FrameCheck.h"
#include "lin/LinFrame.h"
#include "trace/FrameKind.h"
#include "trace/RowFrames.h"

namespace daridez {

namespace {

// Bytes gathered before out is called: few, large writes.
constexpr std::size_t kBlockSize = 65536;

using namespace LinCapture;

constexpr std::uint32_t kSectionHeaderLength = 28;
constexpr std::uint32_t kInterfaceLength = 20;
constexpr std::uint32_t kPacketFixedLength = 32;  // an enhanced packet block without its data

// The largest block: the packet fixed part, the pseudo-header and eight data bytes.
constexpr std::size_t kMaxData = 8;
constexpr std::size_t kMaxPacketBlock = kPacketFixedLength + kPseudoHeaderSize + kMaxData;

// Little-endian stores that return the position behind them.
std::uint8_t* put8(std::uint8_t* at, std::uint8_t value) {
    *at = value;
    return at + 1;
}

std::uint8_t* put16(std::uint8_t* at, std::uint16_t value) {
    at = put8(at, static_cast<std::uint8_t>(value));
    return put8(at, static_cast<std::uint8_t>(value >> 8));
}

std::uint8_t* put32(std::uint8_t* at, std::uint32_t value) {
    at = put16(at, static_cast<std::uint16_t>(value));
    return put16(at, static_cast<std::uint16_t>(value >> 16));
}

std::uint8_t checksumType(const FrameVerdict& verdict) {
    if (verdict.classic()) {
        return kChecksumClassic;
    }
    return verdict.enhanced() ? kChecksumEnhanced : 0;
}

std::uint8_t errorBits(const FrameVerdict& verdict) {
    std::uint8_t bits = 0;
    if (verdict.has(CheckWord::NoId)) {
        bits |= kInvalidIdBit;
    }
    if (verdict.has(CheckWord::NoResponse)) {
        bits |= kNoResponseBit;
    }
    if (verdict.has(CheckWord::Sync) || verdict.has(CheckWord::NoSync)) {
        bits |= kFramingBit;
    }
    if (verdict.has(CheckWord::Parity)) {
        bits |= kParityBit;
    }
    if (verdict.has(CheckWord::Checksum) || verdict.has(CheckWord::Short)) {
        bits |= kChecksumBit;
    }
    return bits;
}

// A section header (byte-order magic, version 1.0, length not given) and one LIN
// interface without options, so stamps count microseconds.
std::uint8_t* putHeaders(std::uint8_t* at) {
    at = put32(at, kSectionHeader);
    at = put32(at, kSectionHeaderLength);
    at = put32(at, kByteOrderMagic);
    at = put16(at, 1);
    at = put16(at, 0);
    at = put32(at, 0xFFFFFFFF);  // section length -1
    at = put32(at, 0xFFFFFFFF);
    at = put32(at, kSectionHeaderLength);

    at = put32(at, kInterfaceDescription);
    at = put32(at, kInterfaceLength);
    at = put16(at, kLinkTypeLin);
    at = put16(at, 0);  // reserved
    at = put32(at, 0);  // snap length: none
    return put32(at, kInterfaceLength);
}

// One enhanced packet block: the pseudo-header, the data bytes, padding to 4 bytes.
std::uint8_t* putPacket(std::uint8_t* at, const LinFrame& frame, const FrameVerdict& verdict,
                        std::uint64_t stamp, bool withErrorBits) {
    const int dataLength = frame.dataLength();
    const std::uint32_t packetLength = kPseudoHeaderSize + static_cast<std::uint32_t>(dataLength);
    const std::uint32_t padding = (4 - packetLength % 4) % 4;
    const std::uint32_t blockLength = kPacketFixedLength + packetLength + padding;

    at = put32(at, kEnhancedPacket);
    at = put32(at, blockLength);
    at = put32(at, 0);  // the one interface
    at = put32(at, static_cast<std::uint32_t>(stamp >> 32));
    at = put32(at, static_cast<std::uint32_t>(stamp));
    at = put32(at, packetLength);  // captured
    at = put32(at, packetLength);  // on the bus

    at = put32(at, kFormatRevision);  // then three reserved bytes
    at = put8(at, static_cast<std::uint8_t>(dataLength << 4 | checksumType(verdict)));  // frame
    at = put8(at, frame.hasId ? frame.pid : 0);
    // A short frame's one byte goes in the checksum place: the capture keeps every byte.
    at = put8(at, frame.responseCount > 0 ? frame.response[frame.responseCount - 1] : 0);
    at = put8(at, withErrorBits ? errorBits(verdict) : 0);
    // Fixed-size copies, then the pointer moves by the real counts: no loop over lengths
    // that change from frame to frame.
    std::memcpy(at, frame.response, kMaxData);
    std::memset(at + dataLength, 0, 4);
    return put32(at + dataLength + padding, blockLength);
}

// A device's own event as a packet: no identifier; a device error carries its code as
// its one data byte and the framing bit, a buffer overflow the overflow bit alone.
std::uint8_t* putEvent(std::uint8_t* at, bool deviceError, std::uint8_t code, std::uint64_t stamp) {
    const std::uint32_t dataLength = deviceError ? 1 : 0;
    const std::uint32_t packetLength = kPseudoHeaderSize + dataLength;
    const std::uint32_t padding = (4 - packetLength % 4) % 4;
    const std::uint32_t blockLength = kPacketFixedLength + packetLength + padding;
    at = put32(at, kEnhancedPacket);
    at = put32(at, blockLength);
    at = put32(at, 0);
    at = put32(at, static_cast<std::uint32_t>(stamp >> 32));
    at = put32(at, static_cast<std::uint32_t>(stamp));
    at = put32(at, packetLength);
    at = put32(at, packetLength);
    at = put32(at, kFormatRevision);
    at = put8(at, static_cast<std::uint8_t>(dataLength << 4));
    at = put8(at, 0);  // no identifier
    at = put8(at, 0);  // no checksum
    at = put8(at, deviceError ? kFramingBit : kOverflowBit);
    std::memset(at, 0, 4);
    at[0] = deviceError ? code : 0;
    return put32(at + dataLength + padding, blockLength);
}

}  // namespace

PcapngWriter::PcapngWriter(ByteOutput& out, std::int64_t epochMicros, bool errorBits)
    : out_(out), epochMicros_(epochMicros), errorBits_(errorBits) {
    buffer_.reserve(kBlockSize + kMaxPacketBlock);
    std::uint8_t headers[kSectionHeaderLength + kInterfaceLength];
    append(headers, static_cast<std::size_t>(putHeaders(headers) - headers));
}

bool PcapngWriter::writeRow(const TraceEntry& entry, bool open) {
    if (!ok_) {
        return false;
    }
    const LinFrame frame = ReadLinFrame(entry);
    if (!frame.isLinFrame) {
        return true;
    }
    // A frame the end of the recording broke off never was on the bus as such.
    const FrameVerdict verdict = open ? CheckFrame(frame, ldf_) : CheckFrame(entry, frame, ldf_);
    if (verdict.has(CheckWord::Cut)) {
        return true;
    }
    std::uint8_t block[kMaxPacketBlock];
    const auto stamp = static_cast<std::uint64_t>(epochMicros_ + frame.time);
    const std::uint8_t* end = putPacket(block, frame, verdict, stamp, errorBits_);
    return append(block, static_cast<std::size_t>(end - block));
}

bool PcapngWriter::writeDeviceEvent(const TraceEntry& entry) {
    if (!ok_) {
        return false;
    }
    std::uint8_t opener[kSlotSize];
    SlotFrame(entry, Slot::Opener, opener);
    const RowOpener kind = OpenerOf(opener[0], opener[1]);
    const bool deviceError = kind == RowOpener::DeviceError;
    const bool overflow = kind == RowOpener::Overflow;
    if (!deviceError && !overflow) {
        return true;
    }
    std::uint8_t block[kMaxPacketBlock];
    const auto stamp = static_cast<std::uint64_t>(epochMicros_ + OpenerTime(entry));
    const std::uint8_t* end = putEvent(block, deviceError, opener[4], stamp);
    return append(block, static_cast<std::size_t>(end - block));
}

bool PcapngWriter::finish() {
    return ok_ && flush();
}

bool PcapngWriter::append(const std::uint8_t* bytes, std::size_t count) {
    buffer_.insert(buffer_.end(), bytes, bytes + count);
    return buffer_.size() < kBlockSize || flush();
}

bool PcapngWriter::flush() {
    ok_ = ok_ && (buffer_.empty() || out_.write(buffer_.data(), buffer_.size()));
    buffer_.clear();
    return ok_;
}

}  // namespace daridez
