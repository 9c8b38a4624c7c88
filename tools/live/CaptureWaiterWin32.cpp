// The capture's wait on Windows: the console control handler's stop and the port's
// arrivals, looked at while the next poll is waited for.
// Only the system calls: the full header would define "interface" as a macro.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>

#include "tools/live/CaptureWaiter.h"

namespace daridez {

namespace {

// The event a stop request sets. A console control handler is a plain function called
// on a thread of its own, with no way to pass it an object: the event is the one
// process-wide value it reaches, made once and never closed.
HANDLE stopEvent() {
    static const HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event;
}

BOOL WINAPI onConsoleControl(DWORD kind) {
    switch (kind) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            ::SetEvent(stopEvent());
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

CaptureWaiter::CaptureWaiter() {
    ::ResetEvent(stopEvent());
    ::SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

CaptureWaiter::~CaptureWaiter() {
    ::SetConsoleCtrlHandler(onConsoleControl, FALSE);
}

// The driver tells no arrival without an overlapped wait on the port, which would take
// the handle's reads with it: while the schedule watches arrivals, the queue is looked
// at every few milliseconds instead.
CaptureWaiter::Wake CaptureWaiter::wait(const LivePortChannel& port, int, PollSchedule& schedule) {
    using Clock = PollSchedule::Clock;
    using std::chrono::milliseconds;
    constexpr milliseconds kArrivalCheck = PollSchedule::kGather / 2;
    for (;;) {
        const auto now = Clock::now();
        if (now >= schedule.next() || port.deviceVanished()) {
            return Wake::Tick;
        }
        const bool watching = schedule.watchesArrivals();
        if (watching && port.queued() > 0) {
            schedule.bytesArrived(now);
            continue;
        }
        auto left = std::chrono::ceil<milliseconds>(schedule.next() - now);
        if (watching) {
            left = std::min(left, kArrivalCheck);
        }
        if (::WaitForSingleObject(stopEvent(), static_cast<DWORD>(left.count())) == WAIT_OBJECT_0) {
            return Wake::Stop;
        }
    }
}

}  // namespace daridez
