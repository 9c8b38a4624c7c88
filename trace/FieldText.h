#pragma once

#include <cstdint>

namespace daridez {

// The text forms of a row's identifier and byte cells (32-character fields).
void FormatIdText(char (&text)[32], std::uint8_t protectedId, bool protectedIdMode);
void FormatByteText(char (&text)[32], std::uint8_t value, bool hexMode);

}  // namespace daridez
