#pragma once

#include <QObject>

#include "lin/LinDescription.h"
#include "lin/LinRates.h"
#include "trace/DisplayModes.h"

namespace daridez {

class Profile;
struct TraceSession;

// What the windows of one trace share: the LDF it is read with, the LIN rate the bus runs
// at, the display modes of its texts and the news that it was emptied. The main window
// holds the one context; the trace list, the search, the ID summary, the plot and the
// signal pane read it from here and are told by its signals when it changes, so no window
// keeps a copy to be kept in step by hand.
class TraceContext : public QObject {
    Q_OBJECT

  public:
    // The display modes are the session's (its rows format with them). With a profile,
    // the LIN rate kept there is the rate from the start, and a new one is kept there.
    explicit TraceContext(TraceSession& session, Profile* profile = nullptr,
                          QObject* parent = nullptr);

    const LinDescription& ldf() const { return ldf_; }
    // A new LDF, or none (an empty description): ldfChanged.
    void setLdf(LinDescription ldf);

    // The rate the tracer last took ("Set LIN Speed", "find rate"), kept across
    // restarts; kDefaultLinRate until one was ever taken.
    int linRate() const { return linRate_; }
    // Whether linRate() came from the tracer (now or in an earlier session).
    bool linRateKnown() const { return linRateKnown_; }
    // The tracer took rate: linRateChanged. Rates of 0 and below are ignored.
    void setLinRate(int rate);

    const DisplayModes& modes() const;
    // Switches the session's display modes: modesChanged when they changed.
    void setModes(const DisplayModes& modes);

    // The trace was emptied ("clear TraceList", or a load about to start): cleared.
    void traceCleared() { emit cleared(); }

  signals:
    void ldfChanged();
    void linRateChanged();
    void modesChanged();
    void cleared();

  private:
    TraceSession& session_;
    Profile* profile_;
    LinDescription ldf_;
    int linRate_ = kDefaultLinRate;
    bool linRateKnown_ = false;
};

}  // namespace daridez
