#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "files/ByteOutput.h"
#include "files/PcapngWriter.h"
#include "lin/LinRates.h"
#include "lin/Query.h"
#include "protocol/ByteSink.h"
#include "protocol/CommandFrames.h"
#include "protocol/ControllerWindow.h"
#include "protocol/PortChannel.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/TraceController.h"
#include "protocol/TraceSession.h"
#include "tools/CompletedRows.h"
#include "trace/TraceList.h"

namespace daridez {

// One live capture for Wireshark: drives the tracer through the trace controller the
// window uses (set the LIN rate, start, polls of the port, stop) and writes each
// completed LIN frame as a pcapng packet (device errors and buffer overflows too, by
// their error bits), handed on after every poll. A frame is
// complete when the next row begins, or when the bus has been quiet for longer than
// any gap inside a frame (quietTime()). Knows neither
// the serial port's kind nor where the capture goes: both are borrowed.
class CaptureSession : private ControllerWindow, private ByteSink {
  public:
    struct Settings {
        int linRate = kDefaultLinRate;
        bool checks = true;          // the packets carry the verdict's error bits
        std::optional<Query> query;  // only the frames it keeps
    };

    enum class TickResult {
        Running,
        DeviceLost,  // the device vanished: the capture ends (reported already)
        OutputLost,  // the capture's reader went away
    };

    // report receives each problem worth the user's attention, in the window's words
    // ("device disconnected", "timeout set baudrate!!!"); wallClockMicros gives the
    // wall-clock time (microseconds since 1970) that trace time 0 is anchored to.
    CaptureSession(PortChannel& port, ByteOutput& out, Settings settings,
                   std::function<void(const std::string&)> report,
                   std::function<std::int64_t()> wallClockMicros);
    ~CaptureSession() override;

    // The capture's headers, handed on at once (before the port is even opened), so
    // the reader knows the capture is alive. False when the output refused them.
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

  private:
    enum class Phase { Idle, SettingRate, Tracing };

    void advancePhase();
    void consume(const TraceEntry& row);

    // ControllerWindow: what the controller tells the window.
    void setStatusLine1(const std::string& text) override { statusLine1_ = text; }
    void setStatusLine2(const std::string&) override {}
    bool hasControl(int id) const override { return id == ControlId::LinBaudrate; }
    void showBusy(bool, bool) override {}
    std::string linBaudrateText() const override { return std::to_string(settings_.linRate); }
    void setLinBaudrateText(const std::string&) override {}
    void baudrateConfirmed(int) override { rateConfirmed_ = true; }
    void setListLive(bool) override {}
    void redrawLastPage() override {}
    void markPortNotConnected() override { deviceLost_ = true; }

    // ByteSink: whether a poll brought bytes.
    void received(const std::uint8_t*, std::size_t count) override { bytesThisTick_ |= count > 0; }

    PortChannel& port_;
    Settings settings_;
    std::function<void(const std::string&)> report_;
    std::function<std::int64_t()> wallClockMicros_;
    PcapngWriter writer_;
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
    bool settling_ = false;          // rows are handed on because the bus fell quiet
    Clock::time_point lastBytes_{};  // the last poll that read bytes
};

}  // namespace daridez
