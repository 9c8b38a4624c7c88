#include "lin/IdSummary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ldf/DiagnosticIds.h"
#include "ldf/LdfModel.h"
#include "lin/FrameCheck.h"
#include "trace/FieldText.h"
#include "trace/RowFrames.h"

namespace daridez {

namespace {

constexpr const char* kPeriodTip = "Time between consecutive frames, ms";

constexpr IdColumnInfo kIdColumns[] = {
    {"ID", "ID", "Identifier, parity bits removed (hex)", false},
    {"frames", "frames", "LIN frames with this identifier", true},
    {"bad", "bad", "Frames that failed a check (parity, checksum, missing response...)", true},
    {"lengths", "data lengths", "Data lengths seen, in bytes", false},
    {"model", "checksum model", "Checksum model the frames matched", false},
    {"period_min", "min period (ms)", kPeriodTip, true},
    {"period_avg", "avg period (ms)", kPeriodTip, true},
    {"period_max", "max period (ms)", kPeriodTip, true},
    {"last", "last data", "Data of the last frame; bytes that just changed are marked", false},
};
static_assert(std::size(kIdColumns) == static_cast<std::size_t>(IdColumn::Count));

void countRow(IdStats& stats, const LinFrame& frame, const FrameVerdict& verdict,
              std::uint32_t stretch) {
    if (stats.frames == 0) {
        stats.firstTime = frame.time;
    } else if (stats.stretch == stretch) {
        const std::int64_t period = frame.time - stats.lastTime;
        const bool first = stats.periods == 0;
        stats.periodMin = first || period < stats.periodMin ? period : stats.periodMin;
        stats.periodMax = first || period > stats.periodMax ? period : stats.periodMax;
        stats.periodSum += period;
        ++stats.periods;
    }
    stats.lastTime = frame.time;
    stats.stretch = stretch;
    ++stats.frames;
    stats.bad += verdict.failed() ? 1 : 0;
    stats.collisions += verdict.has(CheckWord::Collision) ? 1 : 0;
    stats.classic = stats.classic || verdict.classic();
    stats.enhanced = stats.enhanced || verdict.enhanced();
}

void takeData(IdStats& stats, const LinFrame& frame) {
    const int length = frame.dataLength();
    if (length == 0) {
        return;
    }
    stats.lengths |= static_cast<std::uint16_t>(1u << length);
    std::uint8_t changed = 0;
    if (stats.dataLength != 0) {
        for (int i = 0; i < length; ++i) {
            if (i >= stats.dataLength || stats.data[i] != frame.response[i]) {
                changed |= static_cast<std::uint8_t>(1u << i);
                stats.changeTimes[static_cast<std::size_t>(i)] = frame.time;
            }
        }
    }
    std::copy(frame.response, frame.response + length, stats.data);
    stats.changes += changed != 0 ? 1 : 0;
    stats.changedMask = changed;
    stats.dataLength = length;
}

// Microseconds as milliseconds with three decimals ("10.000", "-0.250").
std::string millisText(std::int64_t micros) {
    const char* sign = micros < 0 ? "-" : "";
    const auto magnitude = static_cast<unsigned long long>(micros < 0 ? -micros : micros);
    char text[32];
    std::snprintf(text, sizeof text, "%s%llu.%03llu", sign, magnitude / 1000, magnitude % 1000);
    return text;
}

std::string lengthsText(std::uint16_t lengths) {
    std::string text;
    for (int n = 1; n <= IdStats::kMaxData; ++n) {
        if ((lengths >> n) & 1u) {
            text += text.empty() ? "" : ",";
            text += static_cast<char>('0' + n);
        }
    }
    return text.empty() ? "-" : text;
}

const char* modelText(const IdStats& stats) {
    if (stats.classic && stats.enhanced) {
        return "mixed";
    }
    return stats.classic ? "classic" : stats.enhanced ? "enhanced" : "-";
}

std::string dataText(const IdStats& stats) {
    if (stats.dataLength == 0) {
        return "-";
    }
    char text[3 * IdStats::kMaxData];
    char* out = text;
    for (int i = 0; i < stats.dataLength; ++i) {
        out = PutHexByte(out, stats.data[i]);
        *out++ = ' ';
    }
    return std::string(text, out - 1);
}

std::string periodText(const IdStats& stats, IdColumn column) {
    if (stats.periods == 0) {
        return "-";
    }
    if (column == IdColumn::PeriodAvg) {
        return millisText(AveragePeriod(stats));
    }
    return millisText(column == IdColumn::PeriodMin ? stats.periodMin : stats.periodMax);
}

}  // namespace

void IdSummary::setLdf(const LdfModel* ldf) {
    ldf_ = ldf;
    eventSlots_ = {};
    for (int id = 0; ldf != nullptr && id < kIdCount; ++id) {
        const LdfFrame* frame = ldf->frameById(id);
        eventSlots_[static_cast<std::size_t>(id)] =
            frame != nullptr && frame->kind == LdfFrame::Kind::EventTriggered;
    }
}

void IdSummary::add(const TraceEntry& entry) {
    if (entry.number == 0 && linFrames_ != 0) {
        recordingStarted_ = true;
    } else if (IsStartMarkerRow(entry)) {
        stretchEnded_ = true;  // Stop and Start: the clock ran on, the bus was not traced
    }
    const LinFrame frame = ReadLinFrame(entry);
    if (frame.isLinFrame) {
        addFrame(frame, CheckFrame(entry, frame, ldf_));
    }
}

void IdSummary::addFrame(const LinFrame& received, const FrameVerdict& verdict) {
    if (verdict.has(CheckWord::Cut)) {
        return;  // broken off by the end of its recording: not what the bus carried
    }
    if (recordingStarted_) {
        // The new recording's first row continues where the last one ended.
        recordingStarted_ = false;
        offset_ = lastTime_ - received.time;
        stretchEnded_ = true;
    }
    LinFrame frame = received;
    frame.time += offset_;
    if (asleep_) {
        // The first header after a go-to-sleep command woke the bus.
        asleep_ = false;
        asleepTime_ += frame.time - lastTime_;
        stretchEnded_ = true;
    }
    if (stretchEnded_) {
        stretchEnded_ = false;
        ++stretch_;
    }
    firstTime_ = linFrames_ == 0 ? frame.time : firstTime_;
    lastTime_ = frame.time;
    ++linFrames_;
    if (!frame.hasId) {
        return;
    }
    busBits_ += kHeaderBits + kResponseByteBits * static_cast<std::uint64_t>(frame.responseCount);
    IdStats& stats = ids_[frame.id()];
    countRow(stats, frame, verdict, stretch_);
    takeData(stats, frame);
    if (eventSlots_[frame.id()]) {
        addAnswer(frame, verdict);
    }
    asleep_ = goesToSleep(frame, verdict);
}

// An event-triggered slot that an associated frame answered: the row is that frame's
// too. Its first data byte names it.
void IdSummary::addAnswer(const LinFrame& frame, const FrameVerdict& verdict) {
    if (frame.dataLength() == 0 || verdict.has(CheckWord::Collision) ||
        verdict.has(CheckWord::Parity)) {
        return;
    }
    IdStats& answered = ids_[frame.response[0] & 0x3F];
    countRow(answered, frame, verdict, stretch_);
    takeData(answered, frame);
}

bool IdSummary::goesToSleep(const LinFrame& frame, const FrameVerdict& verdict) const {
    return ldf_ != nullptr && frame.id() == kMasterRequestId && frame.pid == kMasterRequestId &&
           frame.dataLength() != 0 && frame.response[0] == 0x00 && !verdict.failed();
}

std::int64_t AveragePeriod(const IdStats& stats) {
    if (stats.periods == 0) {
        return 0;
    }
    const std::int64_t sum = stats.periodSum;
    const std::int64_t count = stats.periods;
    const std::int64_t rounded = ((sum < 0 ? -sum : sum) * 2 + count) / (2 * count);
    return sum < 0 ? -rounded : rounded;
}

void IdSummary::clear() {
    const LdfModel* ldf = ldf_;
    *this = IdSummary{};
    setLdf(ldf);
}

double IdSummary::busLoad(int baud) const {
    const std::int64_t span = lastTime_ - firstTime_ - asleepTime_;
    if (span <= 0 || baud <= 0) {
        return 0;
    }
    return static_cast<double>(busBits_) / baud / (static_cast<double>(span) / 1e6);
}

std::array<IdStats, IdSummary::kIdCount> IdSummary::makeIds() {
    std::array<IdStats, kIdCount> ids;
    for (int id = 0; id < kIdCount; ++id) {
        ids[static_cast<std::size_t>(id)].id = static_cast<std::uint8_t>(id);
    }
    return ids;
}

const IdColumnInfo& IdColumnAt(IdColumn column) {
    return kIdColumns[static_cast<std::size_t>(column)];
}

std::string IdCellText(const IdStats& stats, IdColumn column) {
    switch (column) {
        case IdColumn::Id: {
            char text[2];
            PutHexByte(text, stats.id);
            return std::string(text, 2);
        }
        case IdColumn::Frames:
            return std::to_string(stats.frames);
        case IdColumn::Bad:
            return std::to_string(stats.bad);
        case IdColumn::Lengths:
            return lengthsText(stats.lengths);
        case IdColumn::Model:
            return modelText(stats);
        case IdColumn::PeriodMin:
        case IdColumn::PeriodAvg:
        case IdColumn::PeriodMax:
            return periodText(stats, column);
        case IdColumn::Last:
            return dataText(stats);
        case IdColumn::Count:
            break;
    }
    return {};
}

std::string BusLoadText(const IdSummary& summary, int baud) {
    const long long tenths = std::llround(summary.busLoad(baud) * 1000);
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%lld %%", tenths / 10, tenths % 10);
    return text;
}

std::string FormatIdTable(const IdSummary& summary, int baud) {
    constexpr int kColumns = static_cast<int>(IdColumn::Count);
    std::string table;
    for (int c = 0; c < kColumns; ++c) {
        table += IdColumnAt(static_cast<IdColumn>(c)).header;
        table += c + 1 < kColumns ? '\t' : '\n';
    }
    for (int id = 0; id < IdSummary::kIdCount; ++id) {
        if (!summary.seen(id)) {
            continue;
        }
        for (int c = 0; c < kColumns; ++c) {
            table += IdCellText(summary.stats(id), static_cast<IdColumn>(c));
            table += c + 1 < kColumns ? '\t' : '\n';
        }
    }
    table += "bus load: " + BusLoadText(summary, baud) + " at " + std::to_string(baud) + " baud\n";
    return table;
}

}  // namespace daridez
