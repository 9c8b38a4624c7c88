#include "lin/LinFrame.h"

#include "trace/FrameKind.h"
#include "trace/RowFrames.h"

namespace daridez {

LinFrame ReadLinFrame(const TraceEntry& entry) {
    LinFrame frame;
    frame.isLinFrame = SlotFilled(entry, Slot::Opener) &&
                       OpenerOf(entry.opener[0], entry.opener[1]) == RowOpener::Break;
    if (!frame.isLinFrame) {
        return frame;
    }
    frame.time = OpenerTime(entry);
    frame.hasSync = SlotFilled(entry, Slot::Sync);
    frame.sync = SlotValue(entry, Slot::Sync);
    frame.hasId = SlotFilled(entry, Slot::Id);
    frame.pid = SlotValue(entry, Slot::Id);
    // The decoder fills the slots strictly in order: the response ends at the first
    // empty slot.
    for (int slot = static_cast<int>(Slot::Db0); slot < kSlotCount; ++slot) {
        if (!SlotFilled(entry, static_cast<Slot>(slot))) {
            break;
        }
        frame.response[frame.responseCount++] = SlotValue(entry, static_cast<Slot>(slot));
    }
    return frame;
}

}  // namespace daridez
