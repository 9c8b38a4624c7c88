#pragma once

#include <cstdint>

#include "trace/TraceEntry.h"

namespace daridez {

// "hh:mm:ss,uuuuuu" of a signed count of microseconds. Hours are not limited to 24;
// the microseconds keep the sign of the time ("00:00:00,-000001").
void FormatAbsoluteTime(char (&text)[kTimeTextSize], std::int64_t time);

// "+ hh:mm:ss,uuuuuu" of current - previous, with the same arithmetic.
void FormatRelativeTime(char (&text)[kTimeTextSize], std::int64_t previous, std::int64_t current);

}  // namespace daridez
