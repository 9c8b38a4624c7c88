#pragma once

#include "serial/SerialPlatform.h"
#include "tools/live/PollSchedule.h"

namespace daridez {

// Waits for the capture's next poll (as the schedule says) and, at the same time, for the
// signals that end it (SIGTERM, SIGINT, SIGHUP: taken through a signal descriptor, so
// a silent bus ends as fast as a busy one), for the capture's reader to go away and
// for the port to hang up. SIGPIPE is ignored, so a write to a gone reader fails.
// On Windows the stop is Ctrl+C, Ctrl+Break or the console's closing (a console
// control handler), and a reader's leaving shows as a failed write.
class CaptureWaiter {
  public:
    enum class Wake {
        Tick,        // time to poll the port (at once when the port hung up)
        Stop,        // a stop signal arrived
        ReaderGone,  // the capture's reader closed its end
    };

    // Blocks the stop signals for the whole process and opens the signal descriptor (on
    // Windows: installs the console control handler).
    CaptureWaiter();
    ~CaptureWaiter();
    CaptureWaiter(const CaptureWaiter&) = delete;
    CaptureWaiter& operator=(const CaptureWaiter&) = delete;

    // outputFd may be -1 (not watched). Arrivals at the port are told to the schedule
    // while it watches them.
    Wake wait(const LivePortChannel& port, int outputFd, PollSchedule& schedule);

  private:
    int signalFd_ = -1;
    bool portHungUp_ = false;  // told once; the next poll finds the device gone
};

}  // namespace daridez
