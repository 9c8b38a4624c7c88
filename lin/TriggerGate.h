#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "lin/Query.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// Keeps only what matters of a long trace: the rows within a time before and after each
// row a query picks (a trigger), overlapping stretches merged into one. Rows wait in a
// ring of copies until it is known whether a trigger follows soon enough; the ring holds
// only the rows of the last `pre` and never more than a row budget. daridez-dump's
// printing and recording and the window's recording gate alike through it.
class TriggerGate {
  public:
    // Where the kept rows go, in trace order.
    class Output {
      public:
        virtual ~Output() = default;
        // A kept stretch begins (its rows follow); trigger: the row that opened it.
        virtual void stretch(const TraceEntry& trigger) = 0;
        // A kept row; open as LiveOutput's (a quiet bus settled it; final all the same).
        virtual void row(const TraceEntry& entry, bool open) = 0;
        // A row left out (its time still counts: its timer wraps, a reader across rows).
        virtual void dropped(const TraceEntry& /*entry*/) {}
    };

    // pre, post: microseconds kept before and after each trigger; ringRows: the most
    // rows kept waiting (at least 1).
    TriggerGate(Query query, std::int64_t preMicros, std::int64_t postMicros, std::size_t ringRows,
                Output& out);

    // Each completed row, in trace order, its texts made in form.
    void row(const TraceEntry& entry, bool open, const TextForm& form);
    // The rows still waiting are left out: the trace ended.
    void finish();
    // A new trace begins (its times start again): nothing kept waits, no stretch is open.
    void restart();

    // The rows the query picked so far.
    std::int64_t triggers() const { return triggers_; }
    const Query& query() const { return query_; }
    // "trigger at 00:01:23,456789: id=3C bad": the trigger's time as the time column
    // writes it, then the query as given.
    std::string note(const TraceEntry& trigger) const;

  private:
    struct Waiting {
        TraceEntry entry;
        bool open;
    };

    // Drops the waiting rows before time `from`; true when one went.
    bool dropBefore(std::int64_t from);
    void dropOldest();

    Query query_;
    std::int64_t pre_;
    std::int64_t post_;
    std::size_t ringRows_;
    Output& out_;
    std::deque<Waiting> ring_;
    bool keeping_ = false;        // a stretch is open: rows up to keepUntil_ are kept
    std::int64_t keepUntil_ = 0;  // the end of the last stretch
    bool gap_ = true;             // rows were left out since the last kept one
    std::int64_t lastTime_ = 0;   // the last row's time
    std::int64_t triggers_ = 0;
};

}  // namespace daridez
