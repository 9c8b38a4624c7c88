#include "files/AscReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "lin/FrameCheck.h"
#include "lin/LinRates.h"
#include "protocol/DeviceStreamWriter.h"

namespace daridez {

namespace {

constexpr std::size_t kBlockSize = 1 << 16;
// Longer lines are no ASC lines: skipped and counted, never kept whole in memory.
constexpr std::size_t kLongestLine = 1 << 20;
constexpr auto kLimit = static_cast<std::int64_t>(DeviceStreamWriter::kLongestSpan);

// A bus event line longer than this is written back as its keyword alone.
constexpr std::size_t kLongestKeptEvent = 256;

std::uint64_t atLeastZero(std::int64_t time) {
    return time < 0 ? 0 : static_cast<std::uint64_t>(time);
}

std::string counted(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The time the stream will give a frame written at time next: the writer's clock never
// runs backwards nor past its longest span.
std::uint64_t streamTime(const DeviceStreamWriter& writer, std::uint64_t time) {
    return std::max(writer.clock(), std::min(time, DeviceStreamWriter::kLongestSpan));
}

// What a row of a bus event shows, by the event's keyword.
std::string busEventText(std::string_view keyword) {
    static constexpr std::pair<std::string_view, std::string_view> kTexts[] = {
        {"WakeupFrame", "Wake-up"},
        {"SleepModeEvent", "Sleep"},
        {"Spike", "Spike"},
        {"SlaveTimeout", "Slave timeout"},
        {"SchedModChng", "Schedule change"},
        {"Statistic", "Statistics"},
        {"Disturbance", "Disturbance"},
        {"DisturbanceEvent", "Disturbance"},
        {"LongDomSig", "Long dominant"},
        {"BaudrateEvent", "Baud rate"},
        {"DLCInfo", "Length info"},
        {"ChecksumInfo", "Checksum info"},
        {"SchedulerEvent", "Scheduler"},
        {"Unexpected", "Unexpected"},
        {"UnexpectedWakeup", "Unexpected wake-up"},
        {"EvTrigFrmInfo", "Event-triggered"},
    };
    for (const auto& [word, text] : kTexts) {
        if (word == keyword) {
            return std::string(text);
        }
    }
    return std::string(keyword);
}

// The bus fields the line tells of, with times: those the line gives, the others
// counted back from the end of the frame at its bit rate (10 bits a byte, 34 bits of
// header from the start of the break to the end of the identifier).
BusFrame busFrame(AscLineKind kind, const AscEvent& event) {
    BusFrame frame;
    const double bit = 1e6 / (event.baud > 0 ? event.baud : kDefaultLinRate);
    const auto bits = [bit](int count) { return static_cast<std::int64_t>(count * bit); };
    frame.pid = ProtectedId(static_cast<std::uint8_t>(std::max(event.id, 0)));
    frame.count = std::min(event.byteCount, BusFrame::kMaxBytes);
    std::copy(event.bytes, event.bytes + frame.count, frame.bytes);
    if ((kind == AscLineKind::Frame || kind == AscLineKind::ChecksumError) &&
        frame.count < BusFrame::kMaxBytes) {
        // A frame logged without its checksum had a right one: the model the line names,
        // else the one its identifier allows.
        const bool classic = event.csm == 1 || ClassicOnly(static_cast<std::uint8_t>(event.id));
        frame.bytes[frame.count] =
            event.checksum >= 0 ? static_cast<std::uint8_t>(event.checksum)
                                : LinChecksum(classic ? 0 : frame.pid, frame.bytes, frame.count);
        ++frame.count;
    }
    if (kind == AscLineKind::NoResponse) {
        frame.count = 0;
    }
    const std::int64_t end = event.eof >= 0 ? event.eof : event.time;
    const std::int64_t header = event.eoh >= 0    ? event.eoh
                                : frame.count > 0 ? end - bits(10 * frame.count)
                                                  : event.time;
    const std::int64_t start = event.sof >= 0 ? event.sof : header - bits(34);
    frame.breakTime = atLeastZero(start);
    frame.syncTime = atLeastZero(start + (header - start) * 24 / 34);
    frame.idTime = atLeastZero(header);
    for (int i = 0; i < frame.count; ++i) {
        const bool last = i + 1 == frame.count && event.eobCount <= i;
        frame.times[i] = atLeastZero(i < event.eobCount ? event.eob[i]
                                     : last             ? end
                                                        : header + bits(10 * (i + 1)));
    }
    if (kind == AscLineKind::SyncError) {
        frame.hasSync = false;
        frame.breakTime = atLeastZero(event.sof >= 0 ? event.sof : event.time - bits(14));
    }
    return frame;
}

// A line's times in relative mode count from the line before (base); in either mode
// none goes past the longest span the device stream holds, so no sum overflows.
void shiftTimes(AscEvent& event, std::int64_t base) {
    const auto shifted = [base](std::int64_t time) { return std::min(time + base, kLimit); };
    for (std::int64_t* time : {&event.time, &event.sof, &event.eoh, &event.eof}) {
        if (*time >= 0) {
            *time = shifted(*time);
        }
    }
    for (int i = 0; i < event.eobCount; ++i) {
        event.eob[i] = shifted(event.eob[i]);
    }
}

}  // namespace

bool AscReader::translate(std::vector<std::uint8_t>& out) {
    block_.resize(kBlockSize);
    const std::size_t got = in_.read(block_.data(), block_.size());
    const auto* text = reinterpret_cast<const char*>(block_.data());
    std::size_t at = 0;
    while (at < got) {
        const auto* newline = static_cast<const char*>(std::memchr(text + at, '\n', got - at));
        const std::size_t end = newline != nullptr ? static_cast<std::size_t>(newline - text) : got;
        const std::string_view piece(text + at, end - at);
        if (newline == nullptr) {
            if (partial_.size() + piece.size() > kLongestLine) {
                partialTooLong_ = true;
                partial_.clear();
            } else if (!partialTooLong_) {
                partial_ += piece;
            }
        } else if (partialTooLong_) {
            partialTooLong_ = false;
            ++notUnderstood_;
        } else if (!partial_.empty()) {
            partial_ += piece;
            line(partial_, out);
            partial_.clear();
        } else {
            line(piece, out);
        }
        at = end + 1;
    }
    if (got < block_.size()) {
        if (partialTooLong_) {
            ++notUnderstood_;
        } else if (!partial_.empty()) {
            line(partial_, out);
        }
        partial_.clear();
        partialTooLong_ = false;
        return false;
    }
    return true;
}

void AscReader::line(std::string_view text, std::vector<std::uint8_t>& out) {
    AscEvent parsed;
    const AscLineKind kind = ParseAscLine(text, settings_, parsed);
    if (kind == AscLineKind::Unknown) {
        ++notUnderstood_;
        return;
    }
    if (kind == AscLineKind::Empty || kind == AscLineKind::Header) {
        return;
    }
    shiftTimes(parsed, settings_.relative ? lastTime_ : 0);
    lastTime_ = parsed.time;
    if (kind != AscLineKind::OtherBus && channelTaken(parsed)) {
        event(kind, parsed, out);
    }
}

bool AscReader::channelTaken(const AscEvent& event) {
    if (event.channel == 0 || event.channel == channel_) {
        return true;
    }
    if (channel_ == 0) {
        channel_ = event.channel;
        return true;
    }
    ++otherChannels_;
    return false;
}

void AscReader::event(AscLineKind kind, const AscEvent& event, std::vector<std::uint8_t>& out) {
    ++events_;
    writer_.setOutput(out);
    if (kind == AscLineKind::BusEvent) {
        busEvent(event);
        return;
    }
    const BusFrame frame = busFrame(kind, event);
    if (event.csm != 0 && frame.count >= 2) {
        logChecksum(event, frame);
    }
    writer_.frame(frame);
}

// A bus event becomes a row of its own: an event frame of the device's at the line's
// time, which its note names.
void AscReader::busEvent(const AscEvent& event) {
    const std::uint64_t time = streamTime(writer_, atLeastZero(event.time));
    const auto opened = static_cast<std::int64_t>(time);
    sameTimeEvents_ = opened == lastEventTime_ ? std::uint8_t(sameTimeEvents_ + 1) : 0;
    lastEventTime_ = opened;
    RowNotes::Note note;
    note.time = opened;
    note.kind = RowNotes::Kind::BusEvent;
    note.code = sameTimeEvents_;
    note.text = busEventText(event.what);
    // Times inside a relative log's line count from the line before: only the keyword
    // stays true once the line is written back with absolute times.
    const bool whole = !settings_.relative && event.rest.size() <= kLongestKeptEvent;
    note.source = whole ? std::string(event.rest) : std::string(event.what);
    notes_.add(std::move(note));
    writer_.deviceError(time, sameTimeEvents_);
}

// The model the line names is noted where the verdict may name the other one: the
// checksum is right under that other model.
void AscReader::logChecksum(const AscEvent& event, const BusFrame& frame) {
    const int data = frame.count - 1;
    const std::uint8_t checksum = frame.bytes[data];
    const bool classicRight = LinChecksum(0, frame.bytes, data) == checksum;
    const bool enhancedRight = LinChecksum(frame.pid, frame.bytes, data) == checksum;
    const bool classic = event.csm == 1;
    if (!(classic ? enhancedRight : classicRight)) {
        return;
    }
    RowNotes::Note note;
    note.time = static_cast<std::int64_t>(streamTime(writer_, frame.breakTime));
    note.text = classic ? "classic" : "enhanced";
    notes_.add(std::move(note));
}

std::string AscReader::note() const {
    std::string note;
    const auto add = [&note](const std::string& part) {
        note += note.empty() ? part : "; " + part;
    };
    if (notUnderstood_ > 0) {
        add(counted(notUnderstood_, "line not understood", "lines not understood"));
    }
    if (otherChannels_ > 0) {
        add("channel " + std::to_string(channel_) + " read, " +
            counted(otherChannels_, "event", "events") + " of other channels left out");
    }
    return note;
}

std::string AscReader::nothingRead() const {
    if (events_ > 0) {
        return {};
    }
    return notUnderstood_ > 0 ? "no LIN events: " + note() : "no LIN events";
}

}  // namespace daridez
