#include "tools/live/CaptureSession.h"

#include <algorithm>
#include <cstdint>

#include "lin/FrameCheck.h"
#include "trace/RowBudget.h"

namespace daridez {

CaptureSession::CaptureSession(PortChannel& port, LiveOutput& out, Settings settings,
                               std::function<void(const std::string&)> report,
                               std::function<std::int64_t()> wallClockMicros)
    : port_(port),
      settings_(std::move(settings)),
      report_(std::move(report)),
      wallClockMicros_(std::move(wallClockMicros)),
      out_(out),
      rows_(list_, true, [this](const TraceEntry& row) { consume(row); }),
      session_(list_, buffer_, rows_),
      controller_(port, *this, session_, baudrateFrame_) {
    // Past the budget the trace stops growing instead of the system ending the capture.
    const std::uint64_t budget = ChooseRowBudget(0);
    list_.setRowBudget(budget);
    if (settings_.trigger) {
        gate_.emplace(std::move(*settings_.trigger), settings_.preMicros, settings_.postMicros,
                      static_cast<std::size_t>(std::min<std::uint64_t>(budget, SIZE_MAX)),
                      static_cast<TriggerGate::Output&>(*this));
        if (settings_.record != nullptr) {
            keptRows_.emplace(*settings_.record);
        }
    }
    controller_.reset();
    controller_.setByteSink(this);
}

CaptureSession::~CaptureSession() {
    controller_.setByteSink(nullptr);
}

bool CaptureSession::writeHeaders() {
    return out_.flush();
}

void CaptureSession::begin() {
    port_.PurgeOutput();
    port_.PurgeInput();
    controller_.onSetLinSpeed();
    phase_ = Phase::SettingRate;
}

CaptureSession::TickResult CaptureSession::poll(Clock::time_point now) {
    const std::optional<std::chrono::milliseconds> quiet = quietTime();
    bytesThisTick_ = false;
    controller_.onTimerTick();
    if (deviceLost_) {
        rows_.finish();
        finishGate();
        out_.flush();
        report_(statusLine1_);
        return TickResult::DeviceLost;
    }
    advancePhase();
    noteOpenRow(now);
    if (quiet && openRowSettles(now, *quiet)) {
        settling_ = true;  // the recording goes on: the last row is not cut
        rows_.settle();
        settling_ = false;
    }
    return out_.flush() ? TickResult::Running : TickResult::OutputLost;
}

// The rate's answer (or its time-out) starts the trace; a rate not taken and a start
// never confirmed are told once, and the capture goes on with what comes.
void CaptureSession::advancePhase() {
    if (phase_ == Phase::SettingRate && controller_.state() == TraceState::Idle) {
        if (!rateConfirmed_) {
            report_(statusLine1_);
        }
        out_.started(wallClockMicros_());
        controller_.onStart();
        phase_ = Phase::Tracing;
    } else if (phase_ == Phase::Tracing && controller_.state() == TraceState::StartRequested &&
               ++startTicks_ == TraceController::kResponseTicks + 1) {
        // The tick after the last one allowed: the controller has said so by now.
        report_(statusLine1_);
    }
}

void CaptureSession::noteOpenRow(Clock::time_point now) {
    const TraceEntry* row = list_.lastRow();
    const std::int32_t number = row != nullptr ? row->number : 0;
    const int fields = row != nullptr ? row->fieldCount : -1;
    if (row != openRow_ || number != openNumber_ || fields != openFields_) {
        openRow_ = row;
        openNumber_ = number;
        openFields_ = fields;
        lastGrowth_ = now;
    }
}

bool CaptureSession::openRowSettles(Clock::time_point now, std::chrono::milliseconds quiet) const {
    const auto silent = now - lastGrowth_;
    if (silent < quiet) {
        return false;
    }
    return silent >= kSilenceLimit || openRow_ == nullptr || RowComplete(*openRow_, settings_.ldf);
}

std::optional<std::chrono::milliseconds> CaptureSession::quietTime() const {
    if (phase_ != Phase::Tracing || controller_.state() != TraceState::Tracing) {
        return std::nullopt;
    }
    constexpr int kAdapterHoldMs = 20;
    constexpr int kLongestGapBits = 60;
    const int gapMs = (kLongestGapBits * 1000 + settings_.linRate - 1) / settings_.linRate;
    return std::chrono::milliseconds(kAdapterHoldMs + gapMs);
}

bool CaptureSession::stop() {
    // What arrived since the last poll is taken first.
    if (phase_ == Phase::Tracing && !deviceLost_) {
        controller_.onTimerTick();
    }
    if (!deviceLost_) {
        // The controller stops a trace; an unanswered rate command leaves it waiting,
        // and the tracer is told all the same.
        if (controller_.state() == TraceState::SettingBaudrate) {
            port_.Write(StopTrace.data(), static_cast<std::uint32_t>(StopTrace.size()));
        } else {
            controller_.onStop();
        }
    }
    rows_.finish();
    finishGate();
    return out_.flush();
}

void CaptureSession::finishGate() {
    if (gate_) {
        gate_->finish();
    }
}

void CaptureSession::traceStarted() {
    if (settings_.record != nullptr) {
        settings_.record->traceStarted();
    }
}

void CaptureSession::received(const std::uint8_t* bytes, std::size_t count) {
    bytesThisTick_ |= count > 0;
    if (settings_.record != nullptr && !keptRows_) {
        settings_.record->received(bytes, count);
    }
}

void CaptureSession::tick() {
    if (settings_.record != nullptr) {
        settings_.record->tick();
    }
}

void CaptureSession::traceEnded() {
    if (settings_.record != nullptr) {
        settings_.record->traceEnded();
    }
}

void CaptureSession::consume(const TraceEntry& row) {
    const bool open = settling_ && &row == list_.lastRow();
    if (gate_) {
        gate_->row(row, open, list_.textForm());
    } else {
        pass(row, open);
    }
}

void CaptureSession::pass(const TraceEntry& row, bool open) {
    if (!settings_.query || settings_.query->matches(row, list_.textForm())) {
        out_.row(row, open);
    }
}

void CaptureSession::stretch(const TraceEntry& trigger) {
    out_.note(gate_->note(trigger));
}

void CaptureSession::row(const TraceEntry& entry, bool open) {
    if (keptRows_) {
        keptRows_->kept(entry);
    }
    pass(entry, open);
}

// The query still reads the row: it reads across rows (a diagnostic message).
void CaptureSession::dropped(const TraceEntry& entry) {
    if (keptRows_) {
        keptRows_->left(entry);
    }
    if (settings_.query) {
        settings_.query->matches(entry, list_.textForm());
    }
}

}  // namespace daridez
