#pragma once

#include <string>
#include <vector>

namespace daridez {

// The narrow face of the main window that the trace controller talks to, so that the
// controller runs without widgets in tests.
class ControllerWindow {
  public:
    virtual ~ControllerWindow() = default;

    virtual void setStatusLine1(const std::string& text) = 0;
    virtual void setStatusLine2(const std::string& text) = 0;

    // Whether the window has a LIN-baud-rate box to read and set.
    virtual bool hasLinBaudrateBox() const = 0;
    // The controller became busy (a command awaits its answer, a trace runs) or idle;
    // rateSearchRunning while the search for the bus's rate runs. The window decides
    // which controls can be used.
    virtual void showBusy(bool busy, bool rateSearchRunning) = 0;

    virtual std::string linBaudrateText() const = 0;
    virtual void setLinBaudrateText(const std::string& text) = 0;
    // The tracer took this LIN bit rate ("Set LIN Speed" answered with result 0).
    virtual void baudrateConfirmed(int /*baudrate*/) {}
    // The entries of the LIN-baud-rate box, which the search for the bus's rate tries.
    virtual std::vector<std::string> linBaudrateChoices() const { return {}; }
    // The search for the bus's rate started or ended: "find rate" becomes "cancel" and back.
    virtual void rateSearchRunning(bool /*running*/) {}

    // The trace list: live flag, redraw of the last page.
    virtual void setListLive(bool live) = 0;
    virtual void redrawLastPage() = 0;
    // The trace was emptied ("clear TraceList", or a load about to start).
    virtual void traceCleared() {}

    // The device vanished: forget the port (the channel becomes not connected).
    virtual void markPortNotConnected() = 0;

    // The decoder could not make a row for lack of memory; called once per shortage,
    // from inside a tick. A window says "Running out of memory..." but must not open
    // a modal box from here (its event loop would run further ticks inside this one):
    // it queues the box instead.
    virtual void reportOutOfMemory() {}
};

}  // namespace daridez
