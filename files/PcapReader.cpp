#include "files/PcapReader.h"

#include <algorithm>

#include "files/LinCapture.h"
#include "lin/LinRates.h"

namespace daridez {

namespace {

using namespace LinCapture;

constexpr std::uint16_t kTimeResolutionOption = 9;
constexpr std::uint32_t kLongestBlock = 1 << 24;   // no LIN capture has larger blocks
constexpr std::uint32_t kLongestRecord = 1 << 18;  // nor larger pcap records

// Stamps of a capture that count from 1970 are wall-clock times: the trace counts from
// the first packet. Smaller ones are a trace clock already (an export without --epoch).
constexpr std::uint64_t kWallClockMicros = 1'000'000'000'000;
constexpr double kBitMicros = 1e6 / kDefaultLinRate;

std::uint64_t bitsLater(std::uint64_t time, int bits) {
    return time + static_cast<std::uint64_t>(bits * kBitMicros);
}

std::string counted(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::uint32_t PcapReader::get32(const std::uint8_t* at) const {
    return bigEndian_ ? (std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 |
                         std::uint32_t{at[2]} << 8 | at[3])
                      : (std::uint32_t{at[3]} << 24 | std::uint32_t{at[2]} << 16 |
                         std::uint32_t{at[1]} << 8 | at[0]);
}

std::uint16_t PcapReader::get16(const std::uint8_t* at) const {
    return static_cast<std::uint16_t>(bigEndian_ ? (at[0] << 8 | at[1]) : (at[1] << 8 | at[0]));
}

bool PcapReader::readBytes(std::vector<std::uint8_t>& into, std::size_t count) {
    const std::size_t had = into.size();
    into.resize(had + count);
    const std::size_t got = in_.read(into.data() + had, count);
    into.resize(had + got);
    return got == count;
}

bool PcapReader::translate(std::vector<std::uint8_t>& out) {
    writer_.setOutput(out);
    // Packets until a block's worth of device bytes is ready.
    const std::size_t enough = out.size() + (1 << 15);
    while (out.size() < enough) {
        const bool more = pcapng_ ? pcapngBlock(out) : pcapRecord(out);
        if (!more) {
            return false;
        }
    }
    return true;
}

bool PcapReader::pcapngBlock(std::vector<std::uint8_t>& out) {
    block_.clear();
    if (!readBytes(block_, 8)) {
        if (!block_.empty()) {
            broken_ = "the capture ends inside a block";
        }
        return false;
    }
    if ((block_[0] == 0x0A && block_[1] == 0x0D && block_[2] == 0x0D && block_[3] == 0x0A)) {
        if (!readBytes(block_, 4)) {
            broken_ = "the capture ends inside a block";
            return false;
        }
        if (get32(block_.data() + 8) != kByteOrderMagic) {
            bigEndian_ = !bigEndian_;
            if (get32(block_.data() + 8) != kByteOrderMagic) {
                broken_ = "a section header without its byte-order magic";
                return false;
            }
        }
    }
    const std::uint32_t type = get32(block_.data());
    const std::uint32_t length = get32(block_.data() + 4);
    if (length < 12 || length % 4 != 0 || length > kLongestBlock || length < block_.size()) {
        broken_ = "a block of length " + std::to_string(length);
        return false;
    }
    if (!readBytes(block_, length - block_.size())) {
        broken_ = "the capture ends inside a block";
        return false;
    }
    const std::uint8_t* body = block_.data();
    if (type == kSectionHeader) {
        interfaces_.clear();  // a new section numbers its interfaces anew
    } else if (type == kInterfaceDescription && length >= 20) {
        interfaceDescription(block_);
    } else if (type == kEnhancedPacket && length >= 32) {
        const std::uint32_t index = get32(body + 8);
        const std::uint64_t stamp = std::uint64_t{get32(body + 12)} << 32 | get32(body + 16);
        const std::uint32_t captured = std::min<std::uint32_t>(get32(body + 20), length - 32);
        if (index < interfaces_.size()) {
            packet(stamp, interfaces_[index], body + 28, captured, out);
        } else {
            ++otherPackets_;
        }
    } else if (type == kSimplePacket && length >= 16 && !interfaces_.empty()) {
        const std::uint32_t captured = std::min<std::uint32_t>(get32(body + 8), length - 16);
        packet(writer_.clock(), interfaces_[0], body + 12, captured, out);
    }
    return true;
}

void PcapReader::interfaceDescription(const std::vector<std::uint8_t>& block) {
    Interface interface;
    interface.lin = get16(block.data() + 8) == kLinkTypeLin;
    // Options from byte 16 to the trailing length: code, length, value padded to 4.
    std::size_t at = 16;
    while (at + 4 <= block.size() - 4) {
        const std::uint16_t code = get16(block.data() + at);
        const std::uint16_t size = get16(block.data() + at + 2);
        if (code == 0 || at + 4 + size > block.size() - 4) {
            break;
        }
        if (code == kTimeResolutionOption && size >= 1) {
            const std::uint8_t resolution = block[at + 4];
            const int exponent = resolution & 0x7F;
            std::uint64_t units = 1;
            for (int i = 0; i < exponent && units < (std::uint64_t{1} << 60) / 10; ++i) {
                units *= (resolution & 0x80) != 0 ? 2 : 10;
            }
            interface.unitsPerSecond = units;
        }
        at += 4 + (size + 3u) / 4 * 4;
    }
    interfaces_.push_back(interface);
}

bool PcapReader::pcapHeader() {
    block_.clear();
    if (!readBytes(block_, 24)) {
        broken_ = "the capture ends inside its header";
        return false;
    }
    // The magic as written tells the byte order and whether stamps count nanoseconds.
    const std::uint8_t* magic = block_.data();
    bigEndian_ = magic[0] == 0xA1;
    const bool nanoseconds = (bigEndian_ ? magic[2] : magic[1]) == 0x3C;
    pcapInterface_.unitsPerSecond = nanoseconds ? 1'000'000'000 : 1'000'000;
    pcapInterface_.lin = (get32(block_.data() + 20) & 0xFFFF) == kLinkTypeLin;
    return true;
}

bool PcapReader::pcapRecord(std::vector<std::uint8_t>& out) {
    if (!started_) {
        started_ = true;
        if (!pcapHeader()) {
            return false;
        }
    }
    block_.clear();
    if (!readBytes(block_, 16)) {
        if (!block_.empty()) {
            broken_ = "the capture ends inside a packet";
        }
        return false;
    }
    const std::uint64_t seconds = get32(block_.data());
    const std::uint64_t fraction = get32(block_.data() + 4);
    const std::uint32_t captured = get32(block_.data() + 8);
    if (captured > kLongestRecord) {
        broken_ = "a packet of " + std::to_string(captured) + " bytes";
        return false;
    }
    block_.clear();
    if (!readBytes(block_, captured)) {
        broken_ = "the capture ends inside a packet";
        return false;
    }
    packet(seconds * pcapInterface_.unitsPerSecond + fraction, pcapInterface_, block_.data(),
           block_.size(), out);
    return true;
}

void PcapReader::packet(std::uint64_t stamp, const Interface& interface, const std::uint8_t* data,
                        std::size_t length, std::vector<std::uint8_t>& out) {
    if (!interface.lin || length < kPseudoHeaderSize) {
        ++otherPackets_;
        return;
    }
    const int dataLength = data[4] >> 4;
    if (((data[4] >> 2) & 3) == kMessageTypeEvent) {
        ++linEvents_;
        return;
    }
    const std::uint64_t units = interface.unitsPerSecond;
    const std::uint64_t micros =
        units <= 1'000'000'000'000
            ? stamp / units * 1'000'000 + stamp % units * 1'000'000 / units
            : static_cast<std::uint64_t>(static_cast<long double>(stamp) * 1e6L / units);
    if (!baseKnown_) {
        baseKnown_ = true;
        base_ = micros < kWallClockMicros ? 0 : micros;
    }
    const std::uint64_t time = micros > base_ ? micros - base_ : 0;
    const std::uint8_t pid = data[5];
    const std::uint8_t checksum = data[6];
    const std::uint8_t errors = data[7];
    const std::uint8_t* payload = data + kPseudoHeaderSize;
    const int given = std::min<int>({dataLength, static_cast<int>(length - kPseudoHeaderSize), 8});
    ++frames_;
    writer_.setOutput(out);
    // A capture of Daridez carries the device's own events as packets without identifier.
    if (pid == 0 && errors == kFramingBit && given == 1) {
        writer_.deviceError(time, payload[0]);
        return;
    }
    if (pid == 0 && errors == kOverflowBit && given == 0) {
        writer_.bufferOverflow(time);
        return;
    }
    BusFrame frame;
    frame.breakTime = time;
    frame.syncTime = bitsLater(time, 14);
    frame.idTime = bitsLater(time, 24);
    frame.pid = pid;
    frame.hasSync = !((errors & kFramingBit) != 0 && pid == 0);
    frame.sync = (errors & kFramingBit) != 0 ? 0x00 : 0x55;
    frame.hasId = !((errors & kInvalidIdBit) != 0 && pid == 0);
    if ((errors & kNoResponseBit) == 0) {
        std::copy(payload, payload + given, frame.bytes);
        const bool oneByte = given == 0 && (errors & kChecksumBit) != 0;
        if (given > 0 || oneByte) {
            frame.bytes[given] = checksum;  // a short frame's one byte is in this place
            frame.count = given + 1;
        }
        for (int i = 0; i < frame.count; ++i) {
            frame.times[i] = bitsLater(time, 34 + 10 * i);
        }
    }
    writer_.frame(frame);
}

std::string PcapReader::note() const {
    std::string note;
    const auto add = [&note](const std::string& part) {
        note += note.empty() ? part : "; " + part;
    };
    if (otherPackets_ > 0) {
        add(counted(otherPackets_, "packet", "packets") + " of other link types left out");
    }
    if (linEvents_ > 0) {
        add(counted(linEvents_, "LIN event", "LIN events") + " (sleep, wake-up) without a row");
    }
    if (!broken_.empty() && frames_ > 0) {
        add("read up to " + broken_);
    }
    return note;
}

std::string PcapReader::nothingRead() const {
    if (frames_ > 0) {
        return {};
    }
    if (!broken_.empty()) {
        return "no LIN frames: " + broken_;
    }
    return otherPackets_ > 0 ? "no LIN frames: " + note() : "no LIN frames";
}

}  // namespace daridez
