#pragma once

#include <cstdint>

#include "trace/TraceEntry.h"

namespace daridez {

// The text forms of a row's cells, written without printf: the decoder renders every
// cell of every row as its frame arrives, and printf would be most of its cost.

// "[%2.2X]" of the protected identifier, or "(%2.2X)" of its low 6 bits.
void FormatIdText(char (&text)[kFieldTextSize], std::uint8_t protectedId, bool protectedIdMode);
// "%2.2Xh" (hexadecimal mode) or "%.3u" of a data byte.
void FormatByteText(char (&text)[kFieldTextSize], std::uint8_t value, bool hexMode);
// "%d" of a message number.
void FormatNumberText(char (&text)[kNumberTextSize], std::int32_t number);

// Writes "%2.2X" of value at out and returns the position behind it (no NUL).
char* PutHexByte(char* out, std::uint8_t value);
// Writes value in decimal with at least minDigits digits; returns the position behind.
char* PutDecimal(char* out, std::uint64_t value, int minDigits);

}  // namespace daridez
