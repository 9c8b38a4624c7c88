#pragma once

#include <cstdint>

#include "protocol/ByteSink.h"
#include "protocol/CommandFrames.h"
#include "protocol/ControllerWindow.h"
#include "protocol/PortChannel.h"
#include "protocol/RateFinder.h"
#include "protocol/TraceSession.h"

namespace daridez {

// Talks to the tracer device: sends the four commands, polls the port on every
// 100 ms tick, hands the bytes to the decoder, recognises the answers, times out
// commands after 20 ticks, and keeps the window's two status lines up to date.
class TraceController {
  public:
    static constexpr std::uint8_t kResponseTicks = 20;
    // Status line 2 is rewritten on every (kStatusRefreshTicks + 1)th tick; the
    // counter starts at kStatusRefreshTicks so the first connected tick refreshes it.
    static constexpr std::uint8_t kStatusRefreshTicks = 5;

    // Everything is borrowed; the session's state is the controller's to change.
    TraceController(PortChannel& port, ControllerWindow& window, TraceSession& session,
                    SetBaudrateFrame& baudrateFrame);

    void onTimerTick();
    void onStart();
    void onStop();
    void onGetFwVersion();
    void onSetLinSpeed();
    void onClearTraceList();
    // "find rate": tries the LIN rates one by one, each with the set-baud-rate frame and a
    // short trace, and sets the one whose frames come out right. Pressed again
    // ("cancel") while it runs, it sets the rate from before the search again.
    void onFindRate();
    // The LDF "find rate" scores its trials with (nullptr: none).
    void setLdf(const LdfModel* ldf) { finder_.setLdf(ldf); }
    // The trace was emptied (by "clear TraceList" or a load): status line 2 and the
    // memory of a row shortage start again.
    void traceEmptied();
    void setBusy(bool busy);
    // The bytes of every trace from now on go to sink as well (nullptr: nowhere). A
    // sink attached while a trace runs starts with the bytes of a frame cut off by the
    // last read, so what it receives begins at a frame; a detached one hears the end.
    void setByteSink(ByteSink* sink);

    // Start-up: Idle, countdown 0, decoder reset.
    void reset();

    // While paused (a dump file is being loaded through the receive buffer, with a
    // progress dialog whose event loop keeps the timer running) the tick and every
    // command handler do nothing, so neither the buffer nor the trace is touched
    // behind the loader's back.
    void setPaused(bool paused) { paused_ = paused; }
    bool paused() const { return paused_; }
    // A dump file may be loaded: no command pending, no trace running, no load.
    bool canLoad() const { return !paused_ && session_.state == TraceState::Idle; }

    TraceState state() const { return session_.state; }
    bool busy() const { return busy_; }

    // Tells the window of a shortage of rows once (ControllerWindow::reportOutOfMemory),
    // and again only after rows could be made in between: after each tick, and after a
    // load, whatever made the rows.
    void checkOutOfMemory();
    // Status line 2 tells the trace's clock and counts now (after a load, which the
    // ticks of a window without a device never report).
    void refreshStatusLine2();

    // The one place the trace state moves on from what a split of live bytes saw (the
    // rate search's trials too): returns the awaited answer's position, or -1.
    static std::int32_t takeSplit(TraceState& state, ReceiveBuffer& buffer,
                                  const SplitResult& split);

  private:
    bool vanishedDeviceHandled();
    void drainVanishedDevice();
    void handleVanishedDevice();
    void watchPendingCommand();
    void handleReceivedBytes(std::int32_t count);
    // Splits the new bytes behind the carried-over ones; returns the position of the
    // awaited answer when one arrived (the state is Idle then), else -1.
    std::int32_t splitLiveBytes(std::int32_t count);
    void reportVersionAnswer(std::int32_t position);
    void reportBaudrateAnswer(const std::uint8_t* frame);
    void reportTimeout(const char* text);
    void purgePort();
    void checkRowsDropped();
    void countStatusRefresh();
    void writeFrame(const std::uint8_t* frame);
    void endTrace();
    bool live() const;
    void sinkStart();
    void sinkEnd();
    void toSink(std::uint32_t read);
    void rateSearchTick();
    bool rateAnswerDue();
    void rateSearchAnswer(std::int32_t position);
    void startRateTrial();
    void endRateTrial();
    void sendSearchRate(const std::string& text, RateFinder::Phase phase);
    void cancelRateSearch();
    void endRateSearch();

    PortChannel& port_;
    ControllerWindow& window_;
    TraceSession& session_;
    StreamDecoder& decoder_;
    ReceiveBuffer& buffer_;
    SetBaudrateFrame& baudrateFrame_;
    TraceState& state_;
    RateFinder finder_{session_.state};
    ByteSink* sink_ = nullptr;
    bool sinkStarted_ = false;  // the sink heard traceStarted() and not yet traceEnded()
    std::uint8_t responseCountdown_ = 0;
    std::uint8_t statusRefreshCounter_ = kStatusRefreshTicks;
    bool busy_ = false;
    bool paused_ = false;
    bool vanishReported_ = false;    // the current vanished device has been dealt with
    bool shortageReported_ = false;  // the window has been told that rows ran out
    bool dropReported_ = false;      // the window has been told of the ring this recording
    const TraceEntry* entryAtShortage_ = nullptr;  // the last row when they ran out
};

}  // namespace daridez
