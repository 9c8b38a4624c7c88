#pragma once

#include <string>

#include "SchedulePlayer.h"

namespace daridez {
class LdfModel;
}

namespace daridez::sim {

// The schedule table of an LDF as the simulator plays it: its frames with their
// lengths, checksum models and signals (physical ones ramping between their limits,
// logical ones stepping through their values, the nodes' response error signals
// holding their initial value), event-triggered slots with the frames
// that may answer them and their collision-resolving tables, sporadic slots with their
// frames, the diagnostic slots and the node configuration commands as the
// master requests they stand for, and the nodes that answer them. table "" names the
// first table. False, with error set, when there is no such table or it plays nothing.
bool ScheduleFromLdf(const LdfModel& model, const std::string& table, SimSchedule& schedule,
                     std::string& error);

}  // namespace daridez::sim
