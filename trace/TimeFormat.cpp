#include "trace/TimeFormat.h"

#include <cinttypes>
#include <cstdio>

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
    std::snprintf(text, kTimeTextSize, "%s%2.2u:%2.2u:%2.2u,%6.6" PRId64, prefix, s / 3600,
                  (s % 3600) / 60, s % 60, u);
}

}  // namespace

void FormatAbsoluteTime(char (&text)[kTimeTextSize], std::int64_t time) {
    format(text, "", time);
}

void FormatRelativeTime(char (&text)[kTimeTextSize], std::int64_t previous,
                        std::int64_t current) {
    // Wrapping subtraction: times are far from the 64-bit limits, but a corrupt
    // clock must not be undefined behaviour.
    const auto difference =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(current) -
                                  static_cast<std::uint64_t>(previous));
    format(text, "+ ", difference);
}

}  // namespace daridez
