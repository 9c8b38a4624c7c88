#pragma once

#include <cstdint>

#include "protocol/CommandFrames.h"
#include "protocol/ControllerWindow.h"
#include "protocol/PortChannel.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/StreamDecoder.h"
#include "protocol/TraceState.h"
#include "trace/TraceList.h"

namespace daridez {

// Talks to the tracer device: sends the four commands, polls the port on every
// 100 ms tick, hands the bytes to the decoder, recognises the answers, times out
// commands after 20 ticks, and keeps the window's two status lines up to date.
class TraceController {
public:
    static constexpr std::uint8_t kResponseTicks = 20;

    // Everything is borrowed. The decoder must have been built on state().
    TraceController(PortChannel& port, ControllerWindow& window, StreamDecoder& decoder,
                    TraceList& list, ReceiveBuffer& buffer, SetBaudrateFrame& baudrateFrame,
                    TraceState& state);

    void onTimerTick();
    void onStart();
    void onStop();
    void onGetFwVersion();
    void onSetLinSpeed();
    void onClearTraceList();
    void setBusy(bool busy);

    // Start-up: Idle, countdown 0, decoder reset.
    void reset();

    TraceState state() const { return state_; }
    std::uint8_t responseCountdown() const { return responseCountdown_; }

private:
    // Implementation detail left to the controller's author.
    PortChannel& port_;
    ControllerWindow& window_;
    StreamDecoder& decoder_;
    TraceList& list_;
    ReceiveBuffer& buffer_;
    SetBaudrateFrame& baudrateFrame_;
    TraceState& state_;
    std::uint8_t responseCountdown_ = 0;
    std::uint8_t statusRefreshCounter_ = 5;
};

}  // namespace daridez
