#include "files/TriggeredRecording.h"

namespace daridez {

TriggeredRecording::TriggeredRecording(TraceRecorder& recorder, const TraceList& list, Query query,
                                       std::int64_t preMicros, std::int64_t postMicros,
                                       std::size_t ringRows)
    : recorder_(recorder),
      list_(list),
      gate_(std::move(query), preMicros, postMicros, ringRows,
            static_cast<TriggerGate::Output&>(*this)),
      rows_(recorder) {}

// The recording starts with the rows made from now on: those already in the list (an
// earlier trace's) are passed over.
void TriggeredRecording::traceStarted() {
    recorder_.traceStarted();
    gate_.restart();
    cursor_.restartIfEmptied(list_);
    cursor_.read(list_, nullptr, [](std::uint64_t, const TraceEntry&) {});
    running_ = true;
}

void TriggeredRecording::tick() {
    if (running_) {
        follow(list_.lastRow());
    }
    recorder_.tick();
}

void TriggeredRecording::traceEnded() {
    if (running_) {
        follow(nullptr);
        gate_.finish();
        running_ = false;
    }
    recorder_.traceEnded();
}

std::string TriggeredRecording::droppedRowsNote() const {
    const std::string where = recorder_.keptIn();
    return where.empty() ? where : "the trigger's stretches are in " + where;
}

void TriggeredRecording::rowsLeaving() {
    if (running_) {
        follow(list_.lastRow());
    }
}

void TriggeredRecording::follow(const TraceEntry* openRow) {
    if (cursor_.restartIfEmptied(list_)) {
        gate_.restart();
    }
    cursor_.read(list_, openRow, [this](std::uint64_t, const TraceEntry& row) {
        gate_.row(row, false, list_.textForm());
    });
}

}  // namespace daridez
