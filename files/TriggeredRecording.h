#pragma once

#include <cstdint>
#include <optional>

#include "files/KeptRowsRecording.h"
#include "files/TraceRecorder.h"
#include "lin/CompletedRowCursor.h"
#include "lin/TriggerGate.h"
#include "protocol/ByteSink.h"
#include "trace/TraceList.h"

namespace daridez {

// The window's recording through a trigger: of a live trace only the stretches around the
// rows a query picks reach the recorder (KeptRowsRecording), read from the list as the
// rows complete, at every tick and at the end of the trace. Plugged into the controller
// in place of the recorder, which it drives.
class TriggeredRecording : public ByteSink, private TriggerGate::Output {
  public:
    // list: the trace the rows are read from (outlives this); ringRows: the most rows
    // kept waiting for a trigger.
    TriggeredRecording(TraceRecorder& recorder, const TraceList& list, Query query,
                       std::int64_t preMicros, std::int64_t postMicros, std::size_t ringRows);

    // ByteSink: the bytes themselves are not kept; the rows they made are.
    void traceStarted() override;
    void received(const std::uint8_t*, std::size_t) override {}
    void tick() override;
    void traceEnded() override;
    // Not every byte is kept (keptIn() stays ""), but the stretches are: the list may
    // drop its oldest rows once they have been read here (rowsLeaving).
    std::string droppedRowsNote() const override;
    void rowsLeaving() override;

    // The rows the query picked in this recording.
    std::int64_t triggers() const { return gate_.triggers(); }
    const Query& query() const { return gate_.query(); }

  private:
    // Hands the rows completed since the last call to the gate; the last row of the list
    // too when the trace ended (openRow nullptr).
    void follow(const TraceEntry* openRow);

    // TriggerGate::Output
    void stretch(const TraceEntry&) override {}
    void row(const TraceEntry& entry, bool) override { rows_.kept(entry); }
    void dropped(const TraceEntry& entry) override { rows_.left(entry); }

    TraceRecorder& recorder_;
    const TraceList& list_;
    TriggerGate gate_;
    KeptRowsRecording rows_;
    CompletedRowCursor cursor_;
    bool running_ = false;
};

}  // namespace daridez
