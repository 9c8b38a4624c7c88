#include "tools/extcap/CaptureSession.h"

#include "trace/RowBudget.h"

namespace daridez {

CaptureSession::CaptureSession(PortChannel& port, ByteOutput& out, Settings settings,
                               std::function<void(const std::string&)> report,
                               std::function<std::int64_t()> wallClockMicros)
    : port_(port),
      settings_(std::move(settings)),
      report_(std::move(report)),
      wallClockMicros_(std::move(wallClockMicros)),
      writer_(out, 0, settings_.checks),
      rows_(list_, true, [this](const TraceEntry& row) { consume(row); }),
      session_(list_, buffer_, rows_),
      controller_(port, *this, session_, baudrateFrame_) {
    // Past the budget the trace stops growing instead of the system ending the capture.
    list_.setRowBudget(ChooseRowBudget(0));
    writer_.setLdf(settings_.ldf);
    controller_.reset();
    controller_.setByteSink(this);
}

CaptureSession::~CaptureSession() {
    controller_.setByteSink(nullptr);
}

bool CaptureSession::writeHeaders() {
    return writer_.flush();
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
        writer_.flush();
        report_(statusLine1_);
        return TickResult::DeviceLost;
    }
    advancePhase();
    if (bytesThisTick_) {
        lastBytes_ = now;
    } else if (quiet && now - lastBytes_ >= *quiet) {
        settling_ = true;  // the recording goes on: the last row is not cut
        rows_.settle();
        settling_ = false;
    }
    return writer_.flush() ? TickResult::Running : TickResult::OutputLost;
}

// The rate's answer (or its time-out) starts the trace; a rate not taken and a start
// never confirmed are told once, and the capture goes on with what comes.
void CaptureSession::advancePhase() {
    if (phase_ == Phase::SettingRate && controller_.state() == TraceState::Idle) {
        if (!rateConfirmed_) {
            report_(statusLine1_);
        }
        writer_.setEpochMicros(wallClockMicros_());
        controller_.onStart();
        phase_ = Phase::Tracing;
    } else if (phase_ == Phase::Tracing && controller_.state() == TraceState::StartRequested &&
               ++startTicks_ == TraceController::kResponseTicks + 1) {
        // The tick after the last one allowed: the controller has said so by now.
        report_(statusLine1_);
    }
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
    return writer_.flush();
}

void CaptureSession::consume(const TraceEntry& row) {
    if (!settings_.query || settings_.query->matches(row, list_.textForm())) {
        writer_.writeRow(row, settling_ && &row == list_.lastRow());
        writer_.writeDeviceEvent(row);
    }
}

}  // namespace daridez
