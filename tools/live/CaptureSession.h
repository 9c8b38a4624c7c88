#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ldf/LdfModel.h"
#include "lin/LinRates.h"
#include "lin/Query.h"
#include "protocol/ByteSink.h"
#include "protocol/CommandFrames.h"
#include "protocol/ControllerWindow.h"
#include "protocol/PortChannel.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/TraceController.h"
#include "protocol/TraceSession.h"
#include "tools/live/CompletedRows.h"
#include "tools/live/LiveOutput.h"
#include "trace/TraceList.h"

namespace daridez {

// One live capture: drives the tracer through the trace controller the window uses (set
// the LIN rate, start, polls of the port, stop) and hands each completed row the query
// keeps to the output (pcapng packets for Wireshark, daridez-dump --port's lines),
// flushed after every poll. A frame is complete when the next row
// begins; at a quiet spell (no field for longer than any gap inside a frame:
// quietTime()) only when it is complete by what is known (RowComplete: the LDF's
// length, or a valid checksum), else after kSilenceLimit without a field. Knows neither
// the serial port's kind nor where the capture goes: both are borrowed.
class CaptureSession : private ControllerWindow, private ByteSink {
  public:
    struct Settings {
        int linRate = kDefaultLinRate;
        std::optional<Query> query;     // only the rows it keeps
        const LdfModel* ldf = nullptr;  // the bus's description, when known (outlives it)
        ByteSink* record = nullptr;     // also keeps the trace's bytes (a recording)
    };

    // A frame not complete by what is known is handed on as it is after this long
    // without a field (the device's clock wraps still arrive meanwhile).
    static constexpr std::chrono::milliseconds kSilenceLimit{1000};

    enum class TickResult {
        Running,
        DeviceLost,  // the device vanished: the capture ends (reported already)
        OutputLost,  // the capture's reader went away
    };

    // report receives each problem worth the user's attention, in the window's words
    // ("device disconnected", "timeout set baudrate!!!"); wallClockMicros gives the
    // wall-clock time (microseconds since 1970) that trace time 0 is anchored to.
    CaptureSession(PortChannel& port, LiveOutput& out, Settings settings,
                   std::function<void(const std::string&)> report,
                   std::function<std::int64_t()> wallClockMicros);
    ~CaptureSession() override;

    // The output's headers, handed on at once (before the port is even opened), so the
    // reader knows the capture is alive. False when the output refused them.
    bool writeHeaders();
    // The port is open: forget what it held, and ask the tracer for the LIN rate; the
    // trace starts once it answered (or did not in time).
    void begin();
    using Clock = std::chrono::steady_clock;

    // One poll of the port, at now: every 100 ms, and sooner while a trace runs (the
    // trace controller's time-outs only count while none does).
    TickResult poll(Clock::time_point now);
    // Whether the last poll read bytes.
    bool lastPollRead() const { return bytesThisTick_; }
    // While a trace runs, how long the bus must be silent before the frame being
    // received counts as complete: more than the longest gap inside a frame at the LIN
    // rate (60 bit times: a response late by the 40 % a frame may take) and the 16 ms
    // a USB serial adapter may hold bytes back. nullopt otherwise.
    std::optional<std::chrono::milliseconds> quietTime() const;
    // Stops the tracer, hands on the last frame and flushes. False when the output
    // failed meanwhile.
    bool stop();

    TraceState state() const { return controller_.state(); }
    // The display modes the rows' texts are made in; set before the trace starts.
    void setDisplayModes(const DisplayModes& modes) { session_.applyDisplayModes(modes); }
    const TextForm& textForm() const { return list_.textForm(); }
    // The frame and error counts, the device's clock.
    const StreamDecoder& decoder() const { return session_.decoder; }

  private:
    enum class Phase { Idle, SettingRate, Tracing };

    void advancePhase();
    // Notes when the row being filled last grew, by now.
    void noteOpenRow(Clock::time_point now);
    // Whether the row being filled goes on at now: at a quiet spell when it is complete
    // by what is known, after the silence limit as it is.
    bool openRowSettles(Clock::time_point now, std::chrono::milliseconds quiet) const;
    void consume(const TraceEntry& row);

    // ControllerWindow: what the controller tells the window.
    void setStatusLine1(const std::string& text) override { statusLine1_ = text; }
    void setStatusLine2(const std::string&) override {}
    bool hasLinBaudrateBox() const override { return true; }
    void showBusy(bool, bool) override {}
    std::string linBaudrateText() const override { return std::to_string(settings_.linRate); }
    void setLinBaudrateText(const std::string&) override {}
    void baudrateConfirmed(int) override { rateConfirmed_ = true; }
    void setListLive(bool) override {}
    void redrawLastPage() override {}
    void markPortNotConnected() override { deviceLost_ = true; }

    // ByteSink: whether a poll brought bytes; the recording's, when there is one.
    void traceStarted() override;
    void received(const std::uint8_t* bytes, std::size_t count) override;
    void tick() override;
    void traceEnded() override;

    PortChannel& port_;
    Settings settings_;
    std::function<void(const std::string&)> report_;
    std::function<std::int64_t()> wallClockMicros_;
    LiveOutput& out_;
    TraceList list_;
    ReceiveBuffer buffer_;
    CompletedRows rows_;
    TraceSession session_;
    SetBaudrateFrame baudrateFrame_;
    TraceController controller_;
    Phase phase_ = Phase::Idle;
    std::string statusLine1_;
    bool rateConfirmed_ = false;
    int startTicks_ = 0;  // polls since Start without the start marker
    bool deviceLost_ = false;
    bool bytesThisTick_ = false;
    bool settling_ = false;                // rows are handed on because the bus fell quiet
    const TraceEntry* openRow_ = nullptr;  // the row being filled, as last seen
    std::int32_t openNumber_ = 0;          // its number and fields then
    int openFields_ = -1;
    Clock::time_point lastGrowth_{};  // the poll that last found it grown
};

}  // namespace daridez
