#include "protocol/CommandFrames.h"

#include "trace/LeadingInteger.h"

namespace daridez {

std::uint8_t frameChecksum(const std::uint8_t* bytes, std::uint8_t count) {
    std::uint8_t sum = 0;
    for (std::uint8_t i = 0; i < count; ++i) {
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    return sum;
}

const std::array<std::uint8_t, SetBaudrateFrame::kLength>& SetBaudrateFrame::build(
    std::string_view text) {
    // Only the low 16 bits are sent: no range check.
    const std::uint32_t value = LeadingInteger(text);
    bytes_[2] = static_cast<std::uint8_t>(value >> 8);
    bytes_[3] = static_cast<std::uint8_t>(value);
    bytes_[4] = frameChecksum(bytes_.data(), 4);
    return bytes_;
}

FirmwareVersion readVersionResponse(const std::uint8_t* frame) {
    return FirmwareVersion{frame[2], frame[3], frame[4]};
}

BaudrateAnswer readBaudrateResponse(const std::uint8_t* frame) {
    return BaudrateAnswer{frame[2] * 256 + frame[3], frame[4]};
}

}  // namespace daridez
