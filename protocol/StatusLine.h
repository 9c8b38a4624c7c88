#pragma once

#include <string>

#include "protocol/StreamDecoder.h"

namespace daridez {

// Status line 2: the trace clock and the frame and error counts,
// "active: hh:mm:ss  \tFRMs: n  \tERRs: n" (the clock cut to eight characters).
std::string FormatStatusLine2(const StreamDecoder& decoder);

}  // namespace daridez
