#include "trace/FieldText.h"

#include <cstdio>

namespace daridez {

void FormatIdText(char (&text)[32], std::uint8_t protectedId, bool protectedIdMode) {
    if (protectedIdMode) {
        std::snprintf(text, sizeof text, "[%2.2X]", unsigned{protectedId});
    } else {
        std::snprintf(text, sizeof text, "(%2.2X)", unsigned{protectedId} & 0x3Fu);
    }
}

void FormatByteText(char (&text)[32], std::uint8_t value, bool hexMode) {
    if (hexMode) {
        std::snprintf(text, sizeof text, "%2.2Xh", unsigned{value});
    } else {
        std::snprintf(text, sizeof text, "%.3u", unsigned{value});
    }
}

}  // namespace daridez
