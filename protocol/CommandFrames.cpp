#include "protocol/CommandFrames.h"

namespace daridez {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Leading white space, one optional sign, decimal digits up to the first non-digit.
// The value is accumulated modulo 2^32, so an endless string of digits cannot
// overflow; only its low 16 bits are used anyway.
std::uint32_t parseBaudrate(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return negative ? 0u - value : value;
}

}  // namespace

std::uint8_t frameChecksum(const std::uint8_t* bytes, std::uint8_t count) {
    std::uint8_t sum = 0;
    for (std::uint8_t i = 0; i < count; ++i) {
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    return sum;
}

const std::array<std::uint8_t, SetBaudrateFrame::kLength>& SetBaudrateFrame::build(
    std::string_view text) {
    const std::uint32_t value = parseBaudrate(text);
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
