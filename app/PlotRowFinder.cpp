#include "app/PlotRowFinder.h"

#include <limits>

#include "trace/RowFrames.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

namespace daridez {

namespace {

// The row at a trace position; nullptr when it left the list (or never was in it).
const TraceEntry* entryAt(const TraceList& list, std::uint32_t position) {
    if (position < list.headSerial() || position - list.headSerial() >= list.rowCount()) {
        return nullptr;
    }
    return list.at(position - list.headSerial());
}

std::int64_t distance(const TraceEntry& a, const TraceEntry& b) {
    const std::int64_t d = OpenerTime(a) - OpenerTime(b);
    return d < 0 ? -d : d;
}

}  // namespace

int FindListRow(const TraceListModel& model, const TraceList& list, std::uint32_t position) {
    const TraceEntry* target = entryAt(list, position);
    const int rows = model.rowCount();
    if (target == nullptr || rows == 0) {
        return -1;
    }
    // Neither sorted nor filtered: the list shows the trace in its order.
    const std::uint64_t index = position - list.headSerial();
    if (index < static_cast<std::uint64_t>(rows) &&
        model.rowEntry(static_cast<int>(index)) == target) {
        return static_cast<int>(index);
    }
    int nearest = -1;
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (int row = 0; row < rows; ++row) {
        const TraceEntry* entry = model.rowEntry(row);
        if (entry == target) {
            return row;
        }
        if (entry != nullptr && distance(*entry, *target) < best) {
            best = distance(*entry, *target);
            nearest = row;
        }
    }
    return nearest;
}

void ShowTraceRow(TraceListView& view, const TraceList& list, std::uint32_t position) {
    const int row = FindListRow(*view.traceModel(), list, position);
    if (row < 0) {
        return;
    }
    const QModelIndex index = view.traceModel()->index(row, 0);
    view.selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view.scrollTo(index, QAbstractItemView::PositionAtCenter);
}

}  // namespace daridez
