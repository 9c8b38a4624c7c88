#include "trace/FieldText.h"

#include <initializer_list>

namespace daridez {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kLowerHexDigits[] = "0123456789abcdef";
constexpr int kShownBadBytes = 6;  // a longer bad frame shows these and ".."

}  // namespace

char* PutHexByte(char* out, std::uint8_t value) {
    out[0] = kHexDigits[value >> 4];
    out[1] = kHexDigits[value & 0x0F];
    return out + 2;
}

char* PutLowerHexByte(char* out, std::uint8_t value) {
    out[0] = kLowerHexDigits[value >> 4];
    out[1] = kLowerHexDigits[value & 0x0F];
    return out + 2;
}

std::string HexByteText(std::uint8_t value) {
    char text[2];
    PutHexByte(text, value);
    return std::string(text, sizeof text);
}

std::string HexBytesText(const std::uint8_t* bytes, int count, const char* gap) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            text += gap;
        }
        text += HexByteText(bytes[i]);
    }
    return text;
}

char* PutDecimal(char* out, std::uint64_t value, int minDigits) {
    if (value < 100 && minDigits == 2) {  // minutes and seconds of every time text
        out[0] = static_cast<char>('0' + value / 10);
        out[1] = static_cast<char>('0' + value % 10);
        return out + 2;
    }
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count < minDigits) {
        digits[count++] = '0';
    }
    while (count > 0) {
        *out++ = digits[--count];
    }
    return out;
}

void FormatIdText(char (&text)[kFieldTextSize], std::uint8_t protectedId, bool protectedIdMode) {
    text[0] = protectedIdMode ? '[' : '(';
    PutHexByte(text + 1, protectedIdMode ? protectedId : protectedId & 0x3F);
    text[3] = protectedIdMode ? ']' : ')';
    text[4] = '\0';
}

void FormatByteText(char (&text)[kFieldTextSize], std::uint8_t value, bool hexMode) {
    if (hexMode) {
        PutHexByte(text, value)[0] = 'h';
    } else {
        text[0] = static_cast<char>('0' + value / 100);
        text[1] = static_cast<char>('0' + value / 10 % 10);
        text[2] = static_cast<char>('0' + value % 10);
    }
    text[3] = '\0';
}

void FormatSyncText(char (&text)[kFieldTextSize], std::uint8_t value) {
    char* out = text;
    if (value != 0x55) {
        *out++ = '#';
    }
    *PutHexByte(out, value) = '\0';
}

void FormatBadFrameText(char (&text)[kFieldTextSize], const std::uint8_t* frame, int total) {
    const int shown = total > kShownBadBytes ? kShownBadBytes : total;
    char* out = text;
    for (const char c : {'#', 'e', 'r', 'r', ' ', '['}) {
        *out++ = c;
    }
    for (int i = 0; i < shown; ++i) {
        if (i > 0) {
            *out++ = ',';
        }
        out = PutHexByte(out, frame[i]);
    }
    if (shown < total) {
        *out++ = '.';
        *out++ = '.';
    }
    *out++ = ']';
    *out = '\0';
}

void FormatNumberText(char (&text)[kNumberTextSize], std::int32_t number) {
    char* out = text;
    auto magnitude = static_cast<std::uint32_t>(number);
    if (number < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    *PutDecimal(out, magnitude, 1) = '\0';
}

}  // namespace daridez
