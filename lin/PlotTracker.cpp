#include "lin/PlotTracker.h"

#include <algorithm>

namespace daridez {

// Returns the last row read (nullptr: none).
template <typename Feed>
const TraceEntry* PlotTracker::read(const TraceEntry* from, const TraceEntry* stop, Reader& reader,
                                    std::uint64_t decodeIds, Feed feed) {
    const TraceEntry* last = nullptr;
    for (const TraceEntry* entry = from; entry != nullptr && entry != stop;
         entry = entry->next, ++reader.row) {
        last = entry;
        if (entry->number == 0 && reader.seenFrame) {
            reader.newRecording = true;
            reader.offset = reader.lastTime;
        }
        const LinFrame frame = ReadLinFrame(*entry);
        if (!frame.isLinFrame) {
            continue;
        }
        PlotRow row;
        row.row = reader.row;
        row.time = reader.offset + frame.time;
        row.newRecording = reader.newRecording;
        row.frame = &frame;
        row.verdict = CheckFrame(*entry, frame, ldf_);
        if (frame.hasId && ((decodeIds >> frame.id()) & 1u) != 0) {
            row.decode = decoder_.decode(frame);
        }
        feed(row);
        reader.newRecording = false;
        reader.seenFrame = true;
        reader.lastTime = row.time;
    }
    return last;
}

PlotTracker::Update PlotTracker::update(const TraceList& list, const TraceEntry* openRow) {
    Update result;
    if (listReplaced(list)) {
        reset();
        result.restarted = true;
    }
    const TraceEntry* from = last_ != nullptr ? last_->next : list.TraceListHead();
    const std::uint32_t before = reader_.row;
    const TraceEntry* last = read(from, openRow, reader_, decodeIds_, [this](const PlotRow& row) {
        firstTime_ = seenFrame_ ? firstTime_ : row.time;
        lastTime_ = row.time;
        seenFrame_ = true;
        for (PlotLane& lane : lanes_) {
            lane.add(row);
        }
    });
    if (last == nullptr) {
        return result;
    }
    result.rowsAdded = reader_.row - before;
    last_ = last;
    rows_ += result.rowsAdded;
    if (head_ == nullptr) {
        head_ = list.TraceListHead();
    }
    return result;
}

void PlotTracker::reset() {
    for (PlotLane& lane : lanes_) {
        lane.clear();
    }
    reader_ = Reader{};
    head_ = nullptr;
    last_ = nullptr;
    rows_ = 0;
    firstTime_ = lastTime_ = 0;
    seenFrame_ = false;
}

void PlotTracker::refill(PlotLane& lane, const TraceList& list) {
    lane.clear();
    if (last_ == nullptr) {
        return;
    }
    Reader reader;
    read(list.TraceListHead(), last_->next, reader, lane.decodedIds(),
         [&lane](const PlotRow& row) { lane.add(row); });
}

void PlotTracker::addLane(const PlotSource& source, const TraceList& list) {
    lanes_.emplace_back(source, baudrate_, ldf_);
    refill(lanes_.back(), list);
    lanesChanged();
}

void PlotTracker::removeLane(std::size_t lane) {
    if (lane < lanes_.size()) {
        lanes_.erase(lanes_.begin() + static_cast<std::ptrdiff_t>(lane));
        lanesChanged();
    }
}

void PlotTracker::lanesChanged() {
    decodeIds_ = 0;
    for (const PlotLane& lane : lanes_) {
        decodeIds_ |= lane.decodedIds();
    }
}

void PlotTracker::moveLane(std::size_t from, std::size_t to) {
    if (from >= lanes_.size() || to >= lanes_.size() || from == to) {
        return;
    }
    const auto first = lanes_.begin();
    if (from < to) {
        std::rotate(first + static_cast<std::ptrdiff_t>(from),
                    first + static_cast<std::ptrdiff_t>(from) + 1,
                    first + static_cast<std::ptrdiff_t>(to) + 1);
    } else {
        std::rotate(first + static_cast<std::ptrdiff_t>(to),
                    first + static_cast<std::ptrdiff_t>(from),
                    first + static_cast<std::ptrdiff_t>(from) + 1);
    }
}

void PlotTracker::setBaudrate(int baudrate, const TraceList& list) {
    if (baudrate <= 0 || baudrate == baudrate_) {
        return;
    }
    baudrate_ = baudrate;
    for (PlotLane& lane : lanes_) {
        if (lane.source().kind == PlotKind::BusLoad) {
            lane = PlotLane(lane.source(), baudrate_, ldf_);
            refill(lane, list);
        }
    }
}

void PlotTracker::setLdf(const LdfModel* ldf, const TraceList& list) {
    ldf_ = ldf;
    decoder_ = FrameSignals(ldf, false);  // the lanes read numbers
    for (PlotLane& lane : lanes_) {
        lane = PlotLane(lane.source(), baudrate_, ldf_);
        refill(lane, list);
    }
    lanesChanged();
}

// A freed head may come back at the same address for the next trace; a list that holds
// fewer rows than were read is a new one all the same.
bool PlotTracker::listReplaced(const TraceList& list) const {
    return rows_ != 0 && (list.TraceListHead() != head_ || list.rowCount() < rows_);
}

}  // namespace daridez
