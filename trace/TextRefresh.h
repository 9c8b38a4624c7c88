#pragma once

#include "trace/TraceList.h"

namespace daridez {

// Re-render one field of every row after a display-mode switch: one pass over the
// list, so that drawing stays a plain copy of stored text.
void RefreshTimeTexts(const TraceList& list, bool relative);
void RefreshIdTexts(const TraceList& list, bool protectedId);
void RefreshByteTexts(const TraceList& list, bool hex);

}  // namespace daridez
