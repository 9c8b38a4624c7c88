#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lin/RateSearch.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/RowSink.h"
#include "protocol/StreamDecoder.h"
#include "protocol/TraceState.h"
#include "trace/TraceList.h"

namespace daridez {

// The search for the bus's LIN rate as the trace controller runs it: where the search
// stands, and a scratch trace of its own that the trials' bytes are decoded into, so
// that the user's trace, its receive buffer and its recording never see them.
class RateFinder {
  public:
    enum class Phase {
        Off,
        SettingTrialRate,  // a trial's rate sent, its answer awaited
        Trial,             // the short trace of a trial runs
        SettingFoundRate,  // the rate found sent, its answer awaited
        Restoring,         // the rate from before the search sent, its answer awaited
    };
    static constexpr int kTrialTicks = 3;    // about 300 ms
    static constexpr int kTrialFrames = 20;  // or this many LIN frames, if sooner

    // The scratch decoder reads and moves the controller's state, as the trace's does.
    explicit RateFinder(TraceState& state);
    RateFinder(const RateFinder&) = delete;
    RateFinder& operator=(const RateFinder&) = delete;

    // boxRates: the entries of the LIN-baud-rate box; previousRate: its text, which is
    // set again when the search is cancelled or finds nothing.
    void begin(const std::vector<std::string>& boxRates, std::string previousRate);
    // The LDF the trials are scored with (nullptr: none): silent and collided
    // event-triggered slots then score nothing.
    void setLdf(const LdfModel* ldf) { ldf_ = ldf; }
    void end();

    bool active() const { return phase_ != Phase::Off; }
    Phase phase() const { return phase_; }
    void setPhase(Phase phase) { phase_ = phase; }
    const RateSearch& search() const { return *search_; }
    const std::string& previousRate() const { return previousRate_; }
    // A cancel that came while a trial's rate was being set: it is carried out when
    // the answer comes.
    bool cancelRequested() const { return cancelRequested_; }
    void requestCancel() { cancelRequested_ = true; }

    ReceiveBuffer& buffer() { return buffer_; }
    // Splits count new bytes behind the carried-over ones into the scratch trace.
    // Returns the position of an awaited answer (the state is Idle then), else -1.
    std::int32_t split(std::int32_t count);

    // A trial trace starts on an empty scratch trace.
    void startTrial();
    // One more tick of the trial: true when it has run long enough.
    bool trialTick();
    // The trial's rows are scored for its rate, then thrown away.
    void endTrial();

  private:
    // The trials' rows are scored from the list; nobody shows them.
    struct UnshownRows : RowSink {
        bool AppendRow(TraceEntry*, std::int32_t) override { return true; }
    };

    void clearScratch();

    TraceState& state_;
    TraceList list_;
    ReceiveBuffer buffer_;
    UnshownRows sink_;
    StreamDecoder decoder_{list_, sink_, state_};
    std::optional<RateSearch> search_;
    Phase phase_ = Phase::Off;
    int trialTicks_ = 0;
    std::string previousRate_;
    const LdfModel* ldf_ = nullptr;
    bool cancelRequested_ = false;
};

}  // namespace daridez
