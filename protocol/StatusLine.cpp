#include "protocol/StatusLine.h"

#include <cstdio>

#include "trace/TimeFormat.h"

namespace daridez {

std::string FormatStatusLine2(const StreamDecoder& decoder) {
    char clock[kTimeTextSize];
    FormatAbsoluteTime(clock, decoder.traceClock());
    char text[96];
    std::snprintf(text, sizeof text, "active: %8.8s  \tFRMs: %ld  \tERRs: %ld", clock,
                  static_cast<long>(decoder.frameCount()), static_cast<long>(decoder.errorCount()));
    return text;
}

}  // namespace daridez
