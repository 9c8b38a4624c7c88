#include "protocol/TraceSession.h"

#include "trace/TextRefresh.h"

namespace daridez {

bool TraceSession::applyDisplayModes(const DisplayModes& wanted) {
    bool changed = false;
    if (wanted.relativeTime != modes.relativeTime) {
        modes.relativeTime = wanted.relativeTime;
        RefreshTimeTexts(list, wanted.relativeTime);
        changed = true;
    }
    if (wanted.protectedId != modes.protectedId) {
        modes.protectedId = wanted.protectedId;
        RefreshIdTexts(list, wanted.protectedId);
        changed = true;
    }
    if (wanted.hexData != modes.hexData) {
        modes.hexData = wanted.hexData;
        RefreshByteTexts(list, wanted.hexData);
        changed = true;
    }
    return changed;
}

}  // namespace daridez
