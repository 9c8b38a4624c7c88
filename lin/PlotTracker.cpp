#include "lin/PlotTracker.h"

#include <algorithm>

#include "trace/TimeFormat.h"

namespace daridez {

// Reads the complete rows from reader's cursor on, up to the open row stop and the trace
// position end, keeping reader's clock, and hands each LIN frame row to feed, decoded
// with the LDF when its identifier is one of decodeIds' bits.
template <typename Feed>
std::uint64_t PlotTracker::read(const TraceList& list, std::uint64_t end, const TraceEntry* stop,
                                Reader& reader, std::uint64_t decodeIds, Feed feed) {
    const auto visit = [&](std::uint64_t position, const TraceEntry& entry) {
        if (entry.number == 0 && reader.seenFrame) {
            reader.newRecording = true;
            reader.offset = reader.lastTime;
        }
        const LinFrame frame = ReadLinFrame(entry);
        if (!frame.isLinFrame) {
            return;
        }
        PlotRow row;
        row.row = static_cast<std::uint32_t>(position);
        row.time = reader.offset + frame.time;
        row.newRecording = reader.newRecording;
        row.frame = &frame;
        row.verdict = CheckFrame(entry, frame, ldf_);
        if (frame.hasId && ((decodeIds >> frame.id()) & 1u) != 0) {
            row.decode = decoder_.decode(frame);
        }
        feed(row);
        reader.newRecording = false;
        reader.seenFrame = true;
        reader.lastTime = row.time;
    };
    return reader.cursor.read(list, stop, visit, end);
}

PlotTracker::Update PlotTracker::update(const TraceList& list, const TraceEntry* openRow) {
    Update result;
    if (reader_.cursor.restartIfEmptied(list)) {
        result.restarted = rows_ != 0;
        reset();
    }
    result.rowsAdded =
        read(list, kNoLimit, openRow, reader_, decodeIds_, [this](const PlotRow& row) {
            firstTime_ = seenFrame_ ? firstTime_ : row.time;
            lastTime_ = row.time;
            seenFrame_ = true;
            if (row.frame->hasId) {
                dataLengths_[row.frame->id()] |= static_cast<std::uint16_t>(
                    1u << static_cast<unsigned>(row.frame->dataLength()));
            }
            for (PlotLane& lane : lanes_) {
                lane.add(row);
            }
        });
    rows_ += result.rowsAdded;
    return result;
}

void PlotTracker::reset() {
    for (PlotLane& lane : lanes_) {
        lane.clear();
    }
    Reader fresh;
    fresh.cursor = reader_.cursor;  // it still knows the list's emptyings
    fresh.cursor.reset();
    reader_ = fresh;
    rows_ = 0;
    firstTime_ = lastTime_ = 0;
    seenFrame_ = false;
    dataLengths_ = {};
}

void PlotTracker::refill(const std::vector<PlotLane*>& lanes, const TraceList& list) {
    std::uint64_t decodeIds = 0;
    for (PlotLane* lane : lanes) {
        lane->clear();
        decodeIds |= lane->decodedIds();
    }
    if (lanes.empty()) {
        return;
    }
    Reader reader;
    read(list, reader_.cursor.position(), nullptr, reader, decodeIds, [&](const PlotRow& row) {
        for (PlotLane* lane : lanes) {
            lane->add(row);
        }
    });
}

void PlotTracker::addLane(const PlotSource& source, const TraceList& list) {
    lanes_.emplace_back(source, baudrate_, ldf_);
    refill({&lanes_.back()}, list);
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

// Only the bus-load lanes read the rate: they alone are filled again.
void PlotTracker::setBaudrate(int baudrate, const TraceList& list) {
    if (baudrate <= 0 || baudrate == baudrate_) {
        return;
    }
    baudrate_ = baudrate;
    std::vector<PlotLane*> busLoad;
    for (PlotLane& lane : lanes_) {
        if (lane.source().kind == PlotKind::BusLoad) {
            lane = PlotLane(lane.source(), baudrate_, ldf_);
            busLoad.push_back(&lane);
        }
    }
    refill(busLoad, list);
}

void PlotTracker::setLdf(const LdfModel* ldf, const std::vector<PlotSource>& lanes,
                         const TraceList& list) {
    ldf_ = ldf;
    decoder_ = FrameSignals(ldf, false);  // the lanes read numbers
    lanes_.clear();
    for (const PlotSource& source : lanes) {
        lanes_.emplace_back(source, baudrate_, ldf_);
    }
    std::vector<PlotLane*> all;
    for (PlotLane& lane : lanes_) {
        all.push_back(&lane);
    }
    refill(all, list);
    lanesChanged();
}

std::int64_t PlotTracker::rowNear(std::size_t lane, std::int64_t time) const {
    std::vector<std::size_t> order;
    if (lane < lanes_.size()) {
        order.push_back(lane);
    }
    for (std::size_t i = 0; i < lanes_.size(); ++i) {
        order.push_back(i);
    }
    for (const std::size_t i : order) {
        if (const auto point = lanes_[i].series().nearest(time)) {
            return lanes_[i].series().at(*point).row;
        }
    }
    return -1;
}

std::vector<std::string> PlotTracker::cursorTexts(std::int64_t time, bool relative) const {
    char text[kTimeTextSize];
    if (relative) {
        FormatRelativeTime(text, firstTime_, time);
    } else {
        FormatAbsoluteTime(text, time);
    }
    std::vector<std::string> texts{text};
    for (const PlotLane& lane : lanes_) {
        std::string value = "-";
        if (const auto point = lane.series().atOrBefore(time)) {
            const PlotPoint p = lane.series().at(*point);
            value = lane.valueText(p.value) + (p.failed ? " (failed)" : "");
        }
        texts.push_back(PlotSourceText(lane.source()) + ": " + value);
    }
    return texts;
}

}  // namespace daridez
