#include "protocol/RateFinder.h"

#include <utility>

#include "protocol/TraceController.h"

namespace daridez {

RateFinder::RateFinder(TraceState& state) : state_(state) {}

void RateFinder::begin(const std::vector<std::string>& boxRates, std::string previousRate) {
    search_.emplace(boxRates);
    previousRate_ = std::move(previousRate);
    cancelRequested_ = false;
    phase_ = Phase::SettingTrialRate;
    clearScratch();
    buffer_.carryOver = 0;
}

void RateFinder::end() {
    phase_ = Phase::Off;
    cancelRequested_ = false;
    clearScratch();
    buffer_.carryOver = 0;
}

std::int32_t RateFinder::split(std::int32_t count) {
    return TraceController::takeSplit(
        state_, buffer_,
        decoder_.SplitFrames(buffer_.bytes.data(), count + buffer_.carryOver, false));
}

void RateFinder::startTrial() {
    clearScratch();
    trialTicks_ = 0;
    phase_ = Phase::Trial;
}

bool RateFinder::trialTick() {
    ++trialTicks_;
    return trialTicks_ >= kTrialTicks || ScoreTrial(list_, ldf_).frames >= kTrialFrames;
}

void RateFinder::endTrial() {
    search_->record(ScoreTrial(list_, ldf_));
    clearScratch();
}

// The few rows of a trial are freed without handing memory back to the system. What is
// carried over stays: the device's last frames still arrive, and the answer to the next
// command is found behind them.
void RateFinder::clearScratch() {
    list_.FreeRowsBefore(nullptr);
    decoder_.ResetDecoder();
}

}  // namespace daridez
