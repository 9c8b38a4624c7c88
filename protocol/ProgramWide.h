#pragma once

#include "protocol/CommandFrames.h"
#include "protocol/ReceiveBuffer.h"
#include "trace/TraceList.h"

namespace daridez {

// The few values the program keeps once: the trace list, the receive buffer with its
// carry-over count (shared by live reception and dump loading) and the set-baud-rate
// frame. Classes are handed references to them; tests make their own instances.
struct ProgramWide {
    TraceList traceList;
    ReceiveBuffer receiveBuffer;
    SetBaudrateFrame setBaudrateFrame;
};

// The program's one instance. Only the application's start-up wiring calls this.
ProgramWide& programWide();

}  // namespace daridez
