#pragma once

#include <cstdint>
#include <string>

#include "trace/TraceEntry.h"

namespace daridez {

// The text forms of a row's cells, written without printf: a page, a sort or an
// export makes them for many rows at once, and printf would be most of their cost.

// "[%2.2X]" of the protected identifier, or "(%2.2X)" of its low 6 bits.
void FormatIdText(char (&text)[kFieldTextSize], std::uint8_t protectedId, bool protectedIdMode);
// "%2.2Xh" (hexadecimal mode) or "%.3u" of a data byte.
void FormatByteText(char (&text)[kFieldTextSize], std::uint8_t value, bool hexMode);
// "%2.2X" of the sync byte when it is the correct 0x55, else "#%2.2X".
void FormatSyncText(char (&text)[kFieldTextSize], std::uint8_t value);
// "#err [%2.2X,...]" of the first six bytes of a frame of total bytes, ".." after them
// when there are more.
void FormatBadFrameText(char (&text)[kFieldTextSize], const std::uint8_t* frame, int total);
// "%d" of a message number.
void FormatNumberText(char (&text)[kNumberTextSize], std::int32_t number);

// Writes "%2.2X" of value at out and returns the position behind it (no NUL).
char* PutHexByte(char* out, std::uint8_t value);
// The same in lower case ("3c"), as text logs of other tools write bytes.
char* PutLowerHexByte(char* out, std::uint8_t value);
// "3C": value as two upper-case hexadecimal digits.
std::string HexByteText(std::uint8_t value);
// "01 A2 3C": count bytes so, gap between them.
std::string HexBytesText(const std::uint8_t* bytes, int count, const char* gap = " ");
// Writes value in decimal with at least minDigits digits; returns the position behind.
char* PutDecimal(char* out, std::uint64_t value, int minDigits);

}  // namespace daridez
