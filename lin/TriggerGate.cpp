#include "lin/TriggerGate.h"

#include <algorithm>

#include "trace/TimeFormat.h"

namespace daridez {

TriggerGate::TriggerGate(Query query, std::int64_t preMicros, std::int64_t postMicros,
                         std::size_t ringRows, Output& out)
    : query_(std::move(query)),
      pre_(preMicros),
      post_(postMicros),
      ringRows_(std::max<std::size_t>(ringRows, 1)),
      out_(out) {}

// A trigger whose stretch reaches back to the last kept row (no row left out between)
// goes on with that stretch; else its stretch begins, with the rows of its `pre` first.
void TriggerGate::row(const TraceEntry& entry, bool open, const TextForm& form) {
    if (entry.time < lastTime_) {
        restart();
    }
    lastTime_ = entry.time;
    if (query_.matches(entry, form)) {
        ++triggers_;
        gap_ |= dropBefore(entry.time - pre_);
        if (gap_ || !keeping_) {
            out_.stretch(entry);
        }
        for (const Waiting& waiting : ring_) {
            out_.row(waiting.entry, waiting.open);
        }
        ring_.clear();
        out_.row(entry, open);
        keeping_ = true;
        gap_ = false;
        keepUntil_ = entry.time + post_;
        return;
    }
    if (keeping_ && entry.time <= keepUntil_) {
        out_.row(entry, open);
        return;
    }
    ring_.push_back({entry, open});
    gap_ |= dropBefore(entry.time - pre_);
    if (ring_.size() > ringRows_) {
        dropOldest();
        gap_ = true;
    }
}

bool TriggerGate::dropBefore(std::int64_t from) {
    bool dropped = false;
    while (!ring_.empty() && ring_.front().entry.time < from) {
        dropOldest();
        dropped = true;
    }
    return dropped;
}

void TriggerGate::dropOldest() {
    out_.dropped(ring_.front().entry);
    ring_.pop_front();
}

void TriggerGate::finish() {
    while (!ring_.empty()) {
        dropOldest();
    }
}

void TriggerGate::restart() {
    finish();
    keeping_ = false;
    gap_ = true;
    lastTime_ = 0;
    query_.restart();
}

std::string TriggerGate::note(const TraceEntry& trigger) const {
    char time[kTimeTextSize];
    FormatAbsoluteTime(time, trigger.time);
    return std::string("trigger at ") + time + ": " + query_.text();
}

}  // namespace daridez
