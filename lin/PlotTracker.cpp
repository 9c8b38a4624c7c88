#include "lin/PlotTracker.h"

#include <algorithm>

namespace daridez {

// Reads the rows from trace position reader.row on, up to the open row stop or the
// end of the list, keeping reader's clock, and hands each LIN frame row to feed,
// decoded with the LDF when its identifier is one of decodeIds' bits. Rows freed from
// the head before they were read are passed over.
template <typename Feed>
void PlotTracker::read(const TraceList& list, std::uint64_t end, const TraceEntry* stop,
                       Reader& reader, std::uint64_t decodeIds, Feed feed) {
    reader.row = std::max<std::uint64_t>(reader.row, list.headSerial());
    end = std::min(end, list.headSerial() + list.rowCount());
    for (; reader.row < end; ++reader.row) {
        const TraceEntry* entry = list.at(reader.row - list.headSerial());
        if (entry == stop) {
            break;
        }
        if (entry->number == 0 && reader.seenFrame) {
            reader.newRecording = true;
            reader.offset = reader.lastTime;
        }
        const LinFrame frame = ReadLinFrame(*entry);
        if (!frame.isLinFrame) {
            continue;
        }
        PlotRow row;
        row.row = static_cast<std::uint32_t>(reader.row);
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
}

PlotTracker::Update PlotTracker::update(const TraceList& list, const TraceEntry* openRow) {
    Update result;
    if (list.emptyings() != emptyings_) {
        result.restarted = rows_ != 0;
        reset();
    }
    emptyings_ = list.emptyings();
    const std::uint64_t before = std::max(reader_.row, list.headSerial());
    read(list, kNoLimit, openRow, reader_, decodeIds_, [this](const PlotRow& row) {
        firstTime_ = seenFrame_ ? firstTime_ : row.time;
        lastTime_ = row.time;
        seenFrame_ = true;
        for (PlotLane& lane : lanes_) {
            lane.add(row);
        }
    });
    result.rowsAdded = reader_.row - before;
    rows_ += result.rowsAdded;
    return result;
}

void PlotTracker::reset() {
    for (PlotLane& lane : lanes_) {
        lane.clear();
    }
    reader_ = Reader{};
    rows_ = 0;
    firstTime_ = lastTime_ = 0;
    seenFrame_ = false;
}

void PlotTracker::refill(PlotLane& lane, const TraceList& list) {
    lane.clear();
    Reader reader;
    read(list, reader_.row, nullptr, reader, lane.decodedIds(),
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

}  // namespace daridez
