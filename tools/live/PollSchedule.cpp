#include "tools/live/PollSchedule.h"

#include <algorithm>

namespace daridez {

void PollSchedule::bytesArrived(Clock::time_point now) {
    if (watchesArrivals()) {
        early_ = now + kGather;
    }
}

void PollSchedule::polled(Clock::time_point now, bool readBytes, std::optional<Millis> quiet) {
    if (now >= steady_) {
        // A late poll does not bring the following ones closer together.
        steady_ = std::max(steady_ + kInterval, now + kInterval / 2);
    }
    quiet_ = quiet;
    // After bytes, one more poll when the quiet time has passed: it finds the frame complete.
    early_.reset();
    if (quiet && readBytes) {
        early_ = now + *quiet;
    }
}

}  // namespace daridez
