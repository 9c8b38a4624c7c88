#include "tools/live/CaptureWaiter.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace daridez {

namespace {

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

CaptureWaiter::CaptureWaiter() {
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t set = stopSignals();
    if (sigprocmask(SIG_BLOCK, &set, nullptr) == 0) {
        signalFd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
        if (signalFd_ < 0) {
            // Without the descriptor a stop signal ends the program the plain way.
            sigprocmask(SIG_UNBLOCK, &set, nullptr);
        }
    }
}

CaptureWaiter::~CaptureWaiter() {
    if (signalFd_ >= 0) {
        ::close(signalFd_);
    }
}

CaptureWaiter::Wake CaptureWaiter::wait(const LivePortChannel& port, int outputFd,
                                        PollSchedule& schedule) {
    using Clock = PollSchedule::Clock;
    const int portFd = port.descriptor();
    for (;;) {
        const auto now = Clock::now();
        if (now >= schedule.next()) {
            return Wake::Tick;
        }
        // Hang-ups and errors are always reported: no events need asking for them.
        const short arrivals = schedule.watchesArrivals() ? POLLIN : 0;
        pollfd fds[3] = {
            {signalFd_, POLLIN, 0}, {outputFd, 0, 0}, {portHungUp_ ? -1 : portFd, arrivals, 0}};
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(schedule.next() - now).count();
        const int ready = ::poll(fds, 3, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            return Wake::Stop;
        }
        if (ready <= 0) {
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            return Wake::Stop;
        }
        if ((fds[1].revents & (POLLERR | POLLHUP)) != 0) {
            return Wake::ReaderGone;
        }
        if ((fds[2].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            portHungUp_ = true;
            return Wake::Tick;
        }
        if ((fds[2].revents & POLLIN) != 0) {
            schedule.bytesArrived(Clock::now());
        }
    }
}

}  // namespace daridez
