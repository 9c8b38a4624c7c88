#include "trace/TimeFormat.h"

#include "trace/FieldText.h"

namespace daridez {

namespace {

// q = t / 10^6 truncated toward zero, u keeps the sign of t; hours, minutes and
// seconds come from the low 32 bits of q taken as unsigned. So -1.5 s reads as
// "1193046:28:15,-500000": odd, but it is what the list has always shown for a
// negative difference, and it fits the 24-character field.
void format(char (&text)[kTimeTextSize], const char* prefix, std::int64_t t) {
    const std::int64_t q = t / 1000000;
    const std::int64_t u = t - q * 1000000;
    const std::uint32_t s = static_cast<std::uint32_t>(q);
    // printf's "%s%2.2u:%2.2u:%2.2u,%6.6lld", written by hand: every row gets one.
    char* out = text;
    while (*prefix != '\0') {
        *out++ = *prefix++;
    }
    out = PutDecimal(out, s / 3600, 2);
    *out++ = ':';
    out = PutDecimal(out, (s % 3600) / 60, 2);
    *out++ = ':';
    out = PutDecimal(out, s % 60, 2);
    *out++ = ',';
    if (u < 0) {
        *out++ = '-';
    }
    out = PutDecimal(out, static_cast<std::uint64_t>(u < 0 ? -u : u), 6);
    *out = '\0';
}

}  // namespace

void FormatAbsoluteTime(char (&text)[kTimeTextSize], std::int64_t time) {
    format(text, "", time);
}

void FormatRelativeTime(char (&text)[kTimeTextSize], std::int64_t previous, std::int64_t current) {
    // Wrapping subtraction: times are far from the 64-bit limits, but a corrupt
    // clock must not be undefined behaviour.
    const auto difference = static_cast<std::int64_t>(static_cast<std::uint64_t>(current) -
                                                      static_cast<std::uint64_t>(previous));
    format(text, "+ ", difference);
}

}  // namespace daridez
