#include "lin/LinFrame.h"

#include "trace/FrameKind.h"

namespace daridez {

namespace {

constexpr int kSyncSlot = 1;
constexpr int kIdSlot = 2;
constexpr int kFirstResponseSlot = 3;
constexpr int kValueByte = 4;  // L, kind, stamp high, stamp low, value

bool slotFilled(const TraceEntry& entry, int slot) {
    return entry.frames[slot][0] != 0;
}

}  // namespace

LinFrame ReadLinFrame(const TraceEntry& entry) {
    LinFrame frame;
    frame.isLinFrame = entry.frames[0][0] == 4 && entry.frames[0][1] == FrameKind::BreakField;
    if (!frame.isLinFrame) {
        return frame;
    }
    frame.time = entry.slotTimes[0];
    frame.hasSync = slotFilled(entry, kSyncSlot);
    frame.sync = entry.frames[kSyncSlot][kValueByte];
    frame.hasId = slotFilled(entry, kIdSlot);
    frame.pid = entry.frames[kIdSlot][kValueByte];
    // The decoder fills the slots strictly in order: the response ends at the first
    // empty slot.
    for (int slot = kFirstResponseSlot; slot < kSlotCount && slotFilled(entry, slot); ++slot) {
        frame.response[frame.responseCount++] = entry.frames[slot][kValueByte];
    }
    return frame;
}

bool StartsRecording(const TraceEntry& entry) {
    return entry.number == 0 ||
           (entry.frames[0][0] == 5 && entry.frames[0][1] == FrameKind::StartMarker);
}

}  // namespace daridez
