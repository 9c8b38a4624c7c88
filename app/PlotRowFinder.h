#pragma once

#include <cstdint>

#include "trace/TraceList.h"

namespace daridez {

class TraceListModel;
class TraceListView;

// The list row a plot click selects: the model row showing the trace row at position
// (counted from the head of the trace), however the list is sorted; when the list does
// not show that row (only matches shown), the shown row nearest to it in trace-clock
// time. -1 when there is no such trace row or the list shows none.
int FindListRow(const TraceListModel& model, const TraceList& list, std::uint32_t position);

// Selects that list row and scrolls the list to it (which pauses a live list's following,
// as any selection does).
void ShowTraceRow(TraceListView& view, const TraceList& list, std::uint32_t position);

}  // namespace daridez
