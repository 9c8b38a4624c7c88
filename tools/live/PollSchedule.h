#pragma once

#include <chrono>
#include <optional>

namespace daridez {

// When a live capture polls the port: every 100 ms as the window does, and while a
// trace runs also shortly after bytes arrive and again once the bus has been quiet
// long enough for the last frame to be complete, so a frame reaches Wireshark in tens
// of milliseconds instead of waiting for the next polls.
class PollSchedule {
  public:
    using Clock = std::chrono::steady_clock;
    using Millis = std::chrono::milliseconds;

    static constexpr Millis kInterval{100};
    // Arrivals are gathered this long before they are read: a frame's fields come
    // within a few milliseconds of each other.
    static constexpr Millis kGather{10};

    explicit PollSchedule(Clock::time_point start) : steady_(start + kInterval) {}

    Clock::time_point next() const { return early_ && *early_ < steady_ ? *early_ : steady_; }
    // Whether bytes arriving at the port should bring the next poll forward.
    bool watchesArrivals() const { return quiet_.has_value() && !early_; }

    // The port became readable.
    void bytesArrived(Clock::time_point now);
    // A poll ran at now. readBytes: it read bytes; quiet: how long the bus must be
    // silent before a frame counts as complete, while a trace runs (else nullopt).
    void polled(Clock::time_point now, bool readBytes, std::optional<Millis> quiet);

  private:
    Clock::time_point steady_;
    std::optional<Clock::time_point> early_;
    std::optional<Millis> quiet_;
};

}  // namespace daridez
