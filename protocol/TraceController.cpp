#include "protocol/TraceController.h"

#include <cstdio>

#include "protocol/StatusLine.h"

namespace daridez {

namespace {

// A vanished device still hands out what it queued before; this many full-buffer
// reads (32 MiB) are more than any serial queue holds, and keep the drain finite.
constexpr int kMaxDrainReads = 1024;

}  // namespace

TraceController::TraceController(PortChannel& port, ControllerWindow& window, TraceSession& session,
                                 SetBaudrateFrame& baudrateFrame)
    : port_(port),
      window_(window),
      session_(session),
      decoder_(session.decoder),
      buffer_(session.buffer),
      baudrateFrame_(baudrateFrame),
      state_(session.state) {}

void TraceController::reset() {
    state_ = TraceState::Idle;
    responseCountdown_ = 0;
    decoder_.ResetDecoder();
}

void TraceController::onTimerTick() {
    if (paused_ || vanishedDeviceHandled() || !port_.isConnected()) {
        return;
    }
    if (finder_.active()) {
        rateSearchTick();
    } else {
        const std::uint32_t read = port_.Read(buffer_.bytes.data() + buffer_.carryOver,
                                              ReceiveBuffer::kSize - buffer_.carryOver);
        toSink(read);
        watchPendingCommand();
        if (read > 0) {
            handleReceivedBytes(static_cast<std::int32_t>(read));
        }
    }
    countStatusRefresh();
    if (sink_ != nullptr) {
        sink_->tick();
    }
}

// A device that vanished is dealt with once, on the first tick that sees it; later
// ticks do nothing until the channel holds a port whose device is present again.
bool TraceController::vanishedDeviceHandled() {
    if (!port_.deviceVanished()) {
        vanishReported_ = false;
        return false;
    }
    if (!vanishReported_) {
        vanishReported_ = true;
        handleVanishedDevice();
    }
    return true;
}

void TraceController::handleVanishedDevice() {
    if (finder_.active()) {
        // What the trials sent is no part of the trace: it is drained unread.
        finder_.end();
        state_ = TraceState::Idle;
        window_.rateSearchRunning(false);
    }
    drainVanishedDevice();
    // The rest of a frame cut off by the unplugging never comes.
    buffer_.carryOver = 0;
    endTrace();
    window_.markPortNotConnected();
    window_.setStatusLine1("device disconnected");
    refreshStatusLine2();
}

// Decodes what the device sent before it vanished, so no traced frame is lost.
void TraceController::drainVanishedDevice() {
    for (int reads = 0; reads < kMaxDrainReads; ++reads) {
        const std::uint32_t read = port_.Read(buffer_.bytes.data() + buffer_.carryOver,
                                              ReceiveBuffer::kSize - buffer_.carryOver);
        if (read == 0) {
            return;
        }
        toSink(read);
        handleReceivedBytes(static_cast<std::int32_t>(read));
    }
}

void TraceController::watchPendingCommand() {
    switch (state_) {
        case TraceState::ReadingVersion:
            if (responseCountdown_ != 0) {
                --responseCountdown_;
            } else {
                state_ = TraceState::Idle;
                reportTimeout("timeout read version!!!");
            }
            break;
        case TraceState::SettingBaudrate:
            if (responseCountdown_ != 0) {
                --responseCountdown_;
            } else {
                state_ = TraceState::Idle;
                reportTimeout("timeout set baudrate!!!");
            }
            break;
        case TraceState::StartRequested:
            // The state stays: the message and the purge repeat on every tick until
            // the start marker arrives or the user presses "Stop".
            if (responseCountdown_ != 0) {
                --responseCountdown_;
            } else {
                reportTimeout("response timeout detected for 'start trace' (use STOP button)!!!");
            }
            break;
        case TraceState::Tracing:
            if (responseCountdown_ != 0) {
                window_.setStatusLine1("start trace detected ...");
                responseCountdown_ = 0;
            }
            break;
        case TraceState::Idle:
            break;
    }
}

void TraceController::handleReceivedBytes(std::int32_t count) {
    switch (state_) {
        case TraceState::Idle:
            // Dropped: the next read lands on the same place.
            break;
        case TraceState::StartRequested:
        case TraceState::Tracing:
            splitLiveBytes(count);
            break;
        case TraceState::ReadingVersion: {
            const std::int32_t answer = splitLiveBytes(count);
            if (answer >= 0) {
                reportVersionAnswer(answer);
            }
            break;
        }
        case TraceState::SettingBaudrate: {
            const std::int32_t answer = splitLiveBytes(count);
            if (answer >= 0) {
                reportBaudrateAnswer(buffer_.bytes.data() + answer);
            }
            break;
        }
    }
}

std::int32_t TraceController::splitLiveBytes(std::int32_t count) {
    const std::int32_t total = count + buffer_.carryOver;
    // While what the list lets go is kept (every byte recorded, or what a trigger picks
    // of them), the list keeps the newest rows.
    const bool ring = sinkStarted_ && !sink_->droppedRowsNote().empty();
    decoder_.setRing(ring, ring ? sink_ : nullptr);
    const SplitResult split = decoder_.SplitFrames(buffer_.bytes.data(), total, false);
    checkOutOfMemory();
    checkRowsDropped();
    return takeSplit(state_, buffer_, split);
}

// The start marker moves StartRequested to Tracing, the awaited answer moves to Idle
// (nothing is carried over past it).
std::int32_t TraceController::takeSplit(TraceState& state, ReceiveBuffer& buffer,
                                        const SplitResult& split) {
    if (split.startSeen && state == TraceState::StartRequested) {
        state = TraceState::Tracing;
    }
    if (split.answerAt) {
        state = TraceState::Idle;
        buffer.carryOver = 0;
        return *split.answerAt;
    }
    buffer.carryOver = split.carryOver;
    return -1;
}

void TraceController::reportVersionAnswer(std::int32_t position) {
    const FirmwareVersion version = readVersionResponse(buffer_.bytes.data() + position);
    char text[64];
    std::snprintf(text, sizeof text, "returned FW-Version: %d.%d.%d", version.major, version.minor,
                  version.patch);
    window_.setStatusLine1(text);
    purgePort();
}

void TraceController::reportBaudrateAnswer(const std::uint8_t* frame) {
    const BaudrateAnswer answer = readBaudrateResponse(frame);
    char text[64];
    std::snprintf(text, sizeof text, "returned LIN Baudrate: %d, result:%d", answer.baudrate,
                  answer.result);
    window_.setStatusLine1(text);
    purgePort();
    std::snprintf(text, sizeof text, "%d", answer.baudrate);
    window_.setLinBaudrateText(text);
    if (answer.result == 0) {
        window_.baudrateConfirmed(answer.baudrate);
    }
}

void TraceController::reportTimeout(const char* text) {
    window_.setStatusLine1(text);
    purgePort();
}

// Whatever else the device sent with or after an answer is thrown away.
void TraceController::purgePort() {
    port_.PurgeOutput();
    port_.PurgeInput();
}

// The decoder flags every failed row; the window hears of a shortage once, and again
// only after rows could be made in between.
void TraceController::checkOutOfMemory() {
    if (decoder_.takeOutOfMemory()) {
        if (!shortageReported_) {
            shortageReported_ = true;
            window_.reportOutOfMemory();
        }
        entryAtShortage_ = decoder_.currentEntry();
    } else if (shortageReported_ && decoder_.currentEntry() != entryAtShortage_) {
        shortageReported_ = false;
    }
}

// Said once per trace, and only after "start trace detected ...", which would write over
// it: a list already full at Start drops rows in the very read that brings the start.
void TraceController::checkRowsDropped() {
    const bool startUnannounced = state_ != TraceState::Tracing || responseCountdown_ != 0;
    if (dropReported_ || startUnannounced) {
        return;
    }
    if (decoder_.takeRowsDropped()) {
        dropReported_ = true;
        window_.setStatusLine1("oldest rows dropped from view: " + sink_->droppedRowsNote());
    }
}

void TraceController::countStatusRefresh() {
    ++statusRefreshCounter_;
    if (statusRefreshCounter_ > kStatusRefreshTicks) {
        refreshStatusLine2();
    }
}

void TraceController::refreshStatusLine2() {
    window_.setStatusLine2(FormatStatusLine2(decoder_));
    statusRefreshCounter_ = 0;
}

void TraceController::onStart() {
    if (paused_ || state_ != TraceState::Idle || !port_.isConnected()) {
        return;
    }
    window_.setStatusLine1("start trace ...");
    window_.setListLive(true);
    decoder_.RestartDecoder();
    responseCountdown_ = kResponseTicks;
    state_ = TraceState::StartRequested;
    sinkStart();
    writeFrame(StartTrace.data());
    setBusy(true);
}

void TraceController::onStop() {
    if (paused_ || !port_.isConnected()) {
        return;
    }
    if (finder_.active()) {
        cancelRateSearch();
        return;
    }
    if (state_ != TraceState::Idle && state_ != TraceState::StartRequested &&
        state_ != TraceState::Tracing) {
        return;
    }
    // Sent in Idle too: it also stops a device left tracing by an earlier session.
    writeFrame(StopTrace.data());
    endTrace();
}

// Everything "Stop" does after writing the stop command.
void TraceController::endTrace() {
    sinkEnd();
    state_ = TraceState::Idle;
    responseCountdown_ = 0;
    setBusy(false);
    window_.setListLive(false);
    window_.redrawLastPage();
}

void TraceController::onGetFwVersion() {
    if (paused_ || state_ != TraceState::Idle || !port_.isConnected()) {
        return;
    }
    window_.setStatusLine1("start read version ...");
    state_ = TraceState::ReadingVersion;
    responseCountdown_ = kResponseTicks;
    writeFrame(ReadVersion.data());
}

void TraceController::onSetLinSpeed() {
    if (paused_ || state_ != TraceState::Idle || !port_.isConnected() ||
        !window_.hasLinBaudrateBox()) {
        return;
    }
    window_.setStatusLine1("start set baudrate ...");
    const auto& frame = baudrateFrame_.build(window_.linBaudrateText());
    responseCountdown_ = kResponseTicks;
    state_ = TraceState::SettingBaudrate;
    writeFrame(frame.data());
}

void TraceController::onClearTraceList() {
    if (paused_ || state_ != TraceState::Idle) {
        return;
    }
    session_.clear();
    traceEmptied();
}

void TraceController::traceEmptied() {
    window_.traceCleared();
    window_.setStatusLine2("");
    shortageReported_ = false;
    entryAtShortage_ = nullptr;
}

void TraceController::setBusy(bool busy) {
    busy_ = busy;
    window_.showBusy(busy, finder_.active());
}

// --- the search for the bus's LIN rate -------------------------------------------
//
// Each trial: the set-baud-rate frame (SettingBaudrate), on its answer "Start" and a
// short trace into the finder's scratch trace (StartRequested, Tracing), then "Stop"
// and the next trial's rate in the same tick. At the end the rate found, or the one
// from before, is set as "Set LIN Speed" sets it. The state is never Idle in between,
// so every other command and a load wait for the end.

void TraceController::onFindRate() {
    if (finder_.active()) {
        cancelRateSearch();
        return;
    }
    if (paused_ || state_ != TraceState::Idle || !port_.isConnected() ||
        !window_.hasLinBaudrateBox()) {
        return;
    }
    finder_.begin(window_.linBaudrateChoices(), window_.linBaudrateText());
    setBusy(true);
    window_.rateSearchRunning(true);
    sendSearchRate(std::to_string(finder_.search().currentRate()),
                   RateFinder::Phase::SettingTrialRate);
}

void TraceController::rateSearchTick() {
    ReceiveBuffer& buffer = finder_.buffer();
    const std::uint32_t read =
        port_.Read(buffer.bytes.data() + buffer.carryOver, ReceiveBuffer::kSize - buffer.carryOver);
    if (finder_.phase() == RateFinder::Phase::Trial) {
        if (read > 0) {
            finder_.split(static_cast<std::int32_t>(read));
        }
        if (finder_.trialTick()) {
            endRateTrial();
        }
        return;
    }
    if (!rateAnswerDue()) {
        return;
    }
    const std::int32_t answer = read > 0 ? finder_.split(static_cast<std::int32_t>(read)) : -1;
    if (answer >= 0) {
        rateSearchAnswer(answer);
    }
}

// Counts down the answer's time-out as "Set LIN Speed" does; false when it ran out.
bool TraceController::rateAnswerDue() {
    if (responseCountdown_ != 0) {
        --responseCountdown_;
        return true;
    }
    state_ = TraceState::Idle;
    reportTimeout("timeout set baudrate!!!");
    endRateSearch();
    return false;
}

void TraceController::rateSearchAnswer(std::int32_t position) {
    const std::uint8_t* frame = finder_.buffer().bytes.data() + position;
    const BaudrateAnswer answer = readBaudrateResponse(frame);
    if (finder_.phase() == RateFinder::Phase::SettingTrialRate && answer.result == 0) {
        purgePort();
        if (finder_.cancelRequested()) {
            sendSearchRate(finder_.previousRate(), RateFinder::Phase::Restoring);
        } else {
            startRateTrial();
        }
        return;
    }
    // A refused rate, the rate found or the one from before: the usual report.
    reportBaudrateAnswer(frame);
    const std::string result = finder_.search().resultText();
    if (answer.result == 0 && !finder_.cancelRequested() && !result.empty()) {
        window_.setStatusLine1(result);
    }
    endRateSearch();
}

void TraceController::startRateTrial() {
    finder_.startTrial();
    state_ = TraceState::StartRequested;
    writeFrame(StartTrace.data());
}

void TraceController::endRateTrial() {
    writeFrame(StopTrace.data());
    state_ = TraceState::Idle;
    finder_.endTrial();
    const RateSearch& search = finder_.search();
    if (!search.finished()) {
        sendSearchRate(std::to_string(search.currentRate()), RateFinder::Phase::SettingTrialRate);
    } else if (search.foundRate()) {
        sendSearchRate(std::to_string(*search.foundRate()), RateFinder::Phase::SettingFoundRate);
    } else {
        sendSearchRate(finder_.previousRate(), RateFinder::Phase::Restoring);
    }
}

void TraceController::sendSearchRate(const std::string& text, RateFinder::Phase phase) {
    if (phase == RateFinder::Phase::SettingTrialRate) {
        window_.setStatusLine1(finder_.search().tryingText());
    }
    finder_.setPhase(phase);
    const auto& frame = baudrateFrame_.build(text);
    responseCountdown_ = kResponseTicks;
    state_ = TraceState::SettingBaudrate;
    writeFrame(frame.data());
}

// A trial is stopped at once; an awaited trial rate is answered first. The rate found
// or the one from before, once sent, is let be.
void TraceController::cancelRateSearch() {
    switch (finder_.phase()) {
        case RateFinder::Phase::SettingTrialRate:
            finder_.requestCancel();
            break;
        case RateFinder::Phase::Trial:
            writeFrame(StopTrace.data());
            finder_.requestCancel();
            sendSearchRate(finder_.previousRate(), RateFinder::Phase::Restoring);
            break;
        default:
            break;
    }
}

void TraceController::endRateSearch() {
    finder_.end();
    state_ = TraceState::Idle;
    responseCountdown_ = 0;
    setBusy(false);
    window_.rateSearchRunning(false);
}

// --- the byte sink ---------------------------------------------------------------

void TraceController::setByteSink(ByteSink* sink) {
    if (sink == sink_) {
        return;
    }
    sinkEnd();
    sink_ = sink;
    if (live() && !finder_.active()) {  // a rate search's trials are not recorded
        sinkStart();
    }
}

bool TraceController::live() const {
    return state_ == TraceState::StartRequested || state_ == TraceState::Tracing;
}

// The bytes of a frame cut off by the last read come first: the decoder reads the new
// bytes behind them, and so does whoever loads what the sink kept.
void TraceController::sinkStart() {
    if (sink_ == nullptr || sinkStarted_) {
        return;
    }
    sinkStarted_ = true;
    dropReported_ = false;
    decoder_.takeRowsDropped();  // what an earlier trace dropped is no news of this one
    sink_->traceStarted();
    if (buffer_.carryOver > 0) {
        sink_->received(buffer_.bytes.data(), static_cast<std::size_t>(buffer_.carryOver));
    }
}

// The list rings only while a sink keeps what it lets go: never for a file loaded later.
void TraceController::sinkEnd() {
    decoder_.setRing(false);
    if (sink_ != nullptr && sinkStarted_) {
        sinkStarted_ = false;
        sink_->traceEnded();
    }
}

// The bytes just read behind the carried-over ones, while a trace runs.
void TraceController::toSink(std::uint32_t read) {
    if (read > 0 && sinkStarted_ && live()) {
        sink_->received(buffer_.bytes.data() + buffer_.carryOver, read);
    }
}

// A frame is always sent whole: its length byte plus one bytes.
void TraceController::writeFrame(const std::uint8_t* frame) {
    port_.Write(frame, static_cast<std::uint32_t>(frame[0]) + 1);
}

}  // namespace daridez
