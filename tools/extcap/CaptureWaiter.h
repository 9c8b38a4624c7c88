#pragma once

#include <chrono>

namespace daridez {

// Waits for the capture's next poll (every 100 ms) and, at the same time, for the
// signals that end it (SIGTERM, SIGINT, SIGHUP: taken through a signal descriptor, so
// a silent bus ends as fast as a busy one), for the capture's reader to go away and
// for the port to hang up. SIGPIPE is ignored, so a write to a gone reader fails.
class CaptureWaiter {
  public:
    enum class Wake {
        Tick,        // time to poll the port (at once when the port hung up)
        Stop,        // a stop signal arrived
        ReaderGone,  // the capture's reader closed its end
    };

    static constexpr std::chrono::milliseconds kPollInterval{100};

    // Blocks the stop signals for the whole process and opens the signal descriptor.
    CaptureWaiter();
    ~CaptureWaiter();
    CaptureWaiter(const CaptureWaiter&) = delete;
    CaptureWaiter& operator=(const CaptureWaiter&) = delete;

    bool ok() const { return signalFd_ >= 0; }

    // portFd and outputFd may be -1 (not watched).
    Wake wait(int portFd, int outputFd);

  private:
    int signalFd_ = -1;
    bool portHungUp_ = false;  // told once; the next poll finds the device gone
    std::chrono::steady_clock::time_point nextTick_;
};

}  // namespace daridez
