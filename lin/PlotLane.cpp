#include "lin/PlotLane.h"

#include "ldf/NumberText.h"
#include "ldf/SignalDecoder.h"
#include "lin/IdSummary.h"

namespace daridez {

namespace {

// floor(time / kSecond), also for times before 0.
std::int64_t secondOf(std::int64_t time) {
    const std::int64_t second = time / PlotLane::kSecond;
    return time < 0 && time % PlotLane::kSecond != 0 ? second - 1 : second;
}

}  // namespace

PlotLane::PlotLane(const PlotSource& source, int baudrate, const LdfModel* ldf)
    : source_(source), baudrate_(baudrate > 0 ? baudrate : kDefaultLinRate) {
    if (source.kind == PlotKind::Signal) {
        std::string error;
        signal_ = PlotSignal::resolve(ldf, source, error);
    }
}

void PlotLane::clear() {
    series_.clear();
    seenFrame_ = false;
    shortest_ = 0;
    breakLine_ = false;
    newRecording_ = false;
    counting_ = false;
    amount_ = 0;
}

void PlotLane::add(const PlotRow& row) {
    if (PerSecond(source_)) {
        addPerSecond(row);
        return;
    }
    newRecording_ = newRecording_ || row.newRecording;
    if (source_.kind == PlotKind::Signal) {
        addSignalPoint(row);
    } else if (row.frame->hasId && row.frame->id() == source_.id) {
        addFramePoint(row);
    }
}

// A frame of the lane's identifier came: it breaks the line when it is late or the first
// of a recording. Returns the interval since the identifier's previous frame, -1 when
// there is none in this recording.
std::int64_t PlotLane::arrive(const PlotRow& row) {
    const std::int64_t interval = row.time - lastFrameTime_;
    const bool sameRecording = seenFrame_ && !newRecording_;
    bool late = false;
    if (sameRecording) {
        late = shortest_ != 0 && interval * 2 > shortest_ * 3;
        shortest_ = shortest_ == 0 || interval < shortest_ ? interval : shortest_;
    }
    breakLine_ = breakLine_ || late || newRecording_;
    seenFrame_ = true;
    newRecording_ = false;
    lastFrameTime_ = row.time;
    return sameRecording ? interval : -1;
}

void PlotLane::addFramePoint(const PlotRow& row) {
    const std::int64_t interval = arrive(row);
    float value = 0;
    const bool has = source_.kind == PlotKind::Period ? interval >= 0 : valueOf(*row.frame, value);
    if (!has) {
        breakLine_ = true;
        return;
    }
    if (source_.kind == PlotKind::Period) {
        value = static_cast<float>(static_cast<double>(interval) / 1000.0);
    }
    addPoint(row, value);
}

// The signal's own frame keeps the time; an event-triggered frame adds a point only when
// the signal's frame answered it.
void PlotLane::addSignalPoint(const PlotRow& row) {
    if (!signal_ || !row.frame->hasId || !signal_->carries(row.frame->id())) {
        return;
    }
    const bool own = row.frame->id() == signal_->ownId();
    if (own) {
        arrive(row);
    }
    float value = 0;
    if (row.decode != nullptr && signal_->valueOf(*row.decode, value)) {
        addPoint(row, value);
    } else if (own) {
        breakLine_ = true;
    }
}

void PlotLane::addPoint(const PlotRow& row, float value) {
    const bool failed = row.verdict.dataFailed();
    series_.append(
        PlotPoint{row.time, value, row.row, failed, breakLine_ && !failed && !series_.empty()});
    // A marked point is joined to nothing: the line goes on after it as a new one.
    breakLine_ = failed;
}

std::string PlotLane::unit() const {
    return signal_ ? signal_->unit() : std::string(PlotSourceUnit(source_));
}

std::string PlotLane::title() const {
    const std::string name = PlotSourceText(source_);
    const std::string lane = unit();
    return lane.empty() ? name : name + " [" + lane + "]";
}

std::string PlotLane::valueText(float value) const {
    if (signal_) {
        return signal_->valueText(value);
    }
    char digits[NumberText::kMaxSize];
    std::string text(digits, NumberText::put(digits, value));
    const char* unit = PlotSourceUnit(source_);
    if (*unit != '\0') {
        text += ' ';
        text += unit;
    }
    return text;
}

// The data byte or the bits asked for, when the frame's data holds them.
bool PlotLane::valueOf(const LinFrame& frame, float& value) const {
    const int length = frame.dataLength();
    if (source_.kind == PlotKind::DataByte) {
        if (source_.byte >= length) {
            return false;
        }
        value = frame.response[source_.byte];
        return true;
    }
    if (source_.lastBit >= 8 * length) {
        return false;
    }
    std::uint64_t data = 0;
    for (int i = length - 1; i >= 0; --i) {
        data = data << 8 | frame.response[i];
    }
    const int width = source_.lastBit - source_.firstBit + 1;
    const std::uint64_t mask = width == 64 ? ~0ull : (1ull << width) - 1;
    value = static_cast<float>((data >> source_.firstBit) & mask);
    return true;
}

// What a row adds to its second: bus bits, or one failed frame.
bool PlotLane::counts(const PlotRow& row, double& amount) const {
    const LinFrame& frame = *row.frame;
    if (source_.kind == PlotKind::BusLoad) {
        amount = frame.hasId
                     ? IdSummary::kHeaderBits + IdSummary::kResponseByteBits * frame.responseCount
                     : 0;
        return frame.hasId;
    }
    amount = 1;
    return row.verdict.failed() && (!source_.word || row.verdict.has(*source_.word));
}

void PlotLane::addPerSecond(const PlotRow& row) {
    const std::int64_t second = secondOf(row.time);
    if (!counting_) {
        counting_ = true;
        second_ = second;
        amount_ = 0;
        secondRow_ = row.row;
    }
    if (second > second_) {
        closeSeconds(second);
        secondRow_ = row.row;
    }
    double amount = 0;
    if (counts(row, amount)) {
        amount_ += amount;
    }
}

// Adds the second being counted and the empty ones up to, not including, second. A
// silence longer than kLongestSilence seconds is a gap in the line, not a row of zeros.
void PlotLane::closeSeconds(std::int64_t second) {
    const double scale = source_.kind == PlotKind::BusLoad ? 100.0 / baudrate_ : 1.0;
    const bool silence = second - second_ > kLongestSilence;
    for (; second_ < second; ++second_) {
        series_.append(PlotPoint{second_ * kSecond, static_cast<float>(amount_ * scale), secondRow_,
                                 false, breakLine_});
        amount_ = 0;
        breakLine_ = false;
        if (silence) {
            second_ = second - 1;
            breakLine_ = true;
        }
    }
}

}  // namespace daridez
