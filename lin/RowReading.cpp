#include "lin/RowReading.h"

#include <algorithm>

namespace daridez {

void MarkChangedSignals(RowReading& now, const RowReading& before) {
    if (before.values.empty()) {
        return;
    }
    for (SignalReading& signal : now.values) {
        const auto same =
            std::find_if(before.values.begin(), before.values.end(),
                         [&](const SignalReading& old) { return old.name == signal.name; });
        signal.changed = same == before.values.end() || same->rawValue != signal.rawValue ||
                         same->raw != signal.raw;
    }
}

}  // namespace daridez
