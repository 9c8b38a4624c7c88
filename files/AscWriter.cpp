#include "files/AscWriter.h"

#include <chrono>

#include "lin/FrameCheck.h"
#include "lin/LinFrame.h"
#include "trace/FieldText.h"
#include "trace/FrameKind.h"
#include "trace/RowFrames.h"

namespace daridez {

namespace {

constexpr std::size_t kBlockSize = 1 << 16;
void appendHex(std::string& text, std::uint8_t byte) {
    char digits[2];
    PutLowerHexByte(digits, byte);
    text.append(digits, sizeof digits);
}

void appendDecimal(std::string& text, std::uint64_t value, int width = 0) {
    char digits[24];
    const char* end = PutDecimal(digits, value, 1);
    const auto count = static_cast<int>(end - digits);
    if (count < width) {
        text.append(static_cast<std::size_t>(width - count), ' ');
    }
    text.append(digits, static_cast<std::size_t>(count));
}

// Seconds with six decimals; width pads the seconds on the left (the line's time).
void appendSeconds(std::string& text, std::int64_t micros, int width = 0) {
    const std::uint64_t time = micros < 0 ? 0 : static_cast<std::uint64_t>(micros);
    appendDecimal(text, time / 1'000'000, width);
    char fraction[8] = {'.'};
    PutDecimal(fraction + 1, time % 1'000'000, 6);
    text.append(fraction, sizeof fraction - 1);
}

// "Thu Jan 01 12:00:00.000 am 1970": the date as ASC headers write it, in UTC.
std::string ascDate(std::int64_t epochMicros) {
    using namespace std::chrono;
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const sys_seconds time{seconds(epochMicros / 1'000'000)};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    const auto twoDigits = [](std::string& text, long value) {
        text += static_cast<char>('0' + value / 10 % 10);
        text += static_cast<char>('0' + value % 10);
    };
    std::string text = kDays[weekday(day).c_encoding()];
    text += ' ';
    text += kMonths[static_cast<unsigned>(date.month()) - 1];
    text += ' ';
    twoDigits(text, static_cast<unsigned>(date.day()));
    text += ' ';
    const long hour = clock.hours().count();
    twoDigits(text, hour % 12 == 0 ? 12 : hour % 12);
    text += ':';
    twoDigits(text, clock.minutes().count());
    text += ':';
    twoDigits(text, static_cast<long>(clock.seconds().count()));
    text += hour < 12 ? ".000 am " : ".000 pm ";
    appendDecimal(text, static_cast<std::uint64_t>(static_cast<int>(date.year())));
    return text;
}

// The field times of a frame with an identifier: its start, the header's end, each byte's end.
void appendTimes(std::string& text, const TraceEntry& entry, const LinFrame& frame) {
    text += " SOF = ";
    appendSeconds(text, frame.time);
    text += " EOH = ";
    appendSeconds(text, SlotTime(entry, Slot::Id));
    if (frame.responseCount > 0) {
        text += " EOB =";
        for (int i = 0; i < frame.responseCount; ++i) {
            text += ' ';
            appendSeconds(text,
                          SlotTime(entry, static_cast<Slot>(static_cast<int>(Slot::Db0) + i)));
        }
    }
}

// The time a frame's line carries: the end of its last field.
std::int64_t endOf(const TraceEntry& entry, const LinFrame& frame) {
    if (frame.responseCount > 0) {
        return SlotTime(entry,
                        static_cast<Slot>(static_cast<int>(Slot::Db0) + frame.responseCount - 1));
    }
    return frame.hasId ? SlotTime(entry, Slot::Id) : frame.time;
}

}  // namespace

AscWriter::AscWriter(ByteOutput& out, std::int64_t epochMicros, const LdfModel* ldf,
                     const RowNotes* notes)
    : out_(out), ldf_(ldf), notes_(notes) {
    text_.reserve(kBlockSize + 1024);
    const std::string date = ascDate(epochMicros);
    text_ += "date " + date + "\n";
    text_ += "base hex  timestamps absolute\n";
    text_ += "internal events logged\n";
    text_ += "Begin Triggerblock " + date + "\n";
}

bool AscWriter::writeRow(const TraceEntry& entry) {
    if (!ok_) {
        return false;
    }
    const LinFrame frame = ReadLinFrame(entry);
    if (!frame.isLinFrame) {
        eventRow(entry);
        return flushWhenFull();
    }
    const FrameVerdict verdict = CheckFrame(entry, frame, ldf_);
    if (verdict.has(CheckWord::Cut)) {
        return true;
    }
    const std::int64_t end = endOf(entry, frame);
    appendSeconds(text_, end, 4);
    text_ += " L1 ";
    if (!frame.hasId) {
        // A header that broke down before its identifier: no frame to name. (ASC has no
        // field for a wrong sync byte: a frame with an identifier is logged as a frame.)
        text_ += "SyncError";
        text_ += " SOF = ";
        appendSeconds(text_, frame.time);
        text_ += '\n';
        return flushWhenFull();
    }
    appendHex(text_, frame.id());
    const int data = frame.dataLength();
    if (frame.responseCount == 0) {
        text_ += " TransmErr";
    } else if (frame.responseCount == 1) {
        text_ += " 1 RcvError: timeout while waiting for checksum field HasDatabytes = 1 ";
        appendHex(text_, frame.response[0]);
    } else {
        text_ += verdict.has(CheckWord::Checksum) ? " CSErr Rx " : " Rx ";
        appendDecimal(text_, static_cast<std::uint64_t>(data));
        for (int i = 0; i < data; ++i) {
            text_ += ' ';
            appendHex(text_, frame.response[i]);
        }
        text_ += " checksum = ";
        appendHex(text_, frame.checksum());
    }
    appendTimes(text_, entry, frame);
    if (frame.responseCount >= 2) {
        text_ += " EOF = ";
        appendSeconds(text_, end);
    }
    if (verdict.classic() || verdict.enhanced()) {
        text_ += verdict.classic() ? " CSM = classic" : " CSM = enhanced";
    }
    text_ += '\n';
    return flushWhenFull();
}

// A row that is no LIN frame: a bus event a log told of as its line, the device's own
// events as comments.
void AscWriter::eventRow(const TraceEntry& entry) {
    std::uint8_t opener[kSlotSize];
    SlotFrame(entry, Slot::Opener, opener);
    const RowOpener kind = OpenerOf(opener[0], opener[1]);
    if (kind == RowOpener::DeviceError) {
        const RowNotes::Note* note = notes_ != nullptr ? notes_->find(entry) : nullptr;
        if (note != nullptr) {
            appendSeconds(text_, OpenerTime(entry), 4);
            text_ += " L1 ";
            text_ += note->source;
            text_ += '\n';
            return;
        }
        text_ += "// ";
        appendSeconds(text_, OpenerTime(entry));
        text_ += " device error ";
        appendHex(text_, opener[4]);
        text_ += '\n';
    } else if (kind == RowOpener::Overflow) {
        text_ += "// ";
        appendSeconds(text_, OpenerTime(entry));
        text_ += " buffer overflow\n";
    }
}

bool AscWriter::flush() {
    ok_ = ok_ && (text_.empty() || out_.write(text_.data(), text_.size()));
    text_.clear();
    return ok_;
}

bool AscWriter::finish() {
    if (ok_) {
        text_ += "End TriggerBlock\n";
    }
    ok_ = ok_ && out_.write(text_.data(), text_.size());
    text_.clear();
    return ok_;
}

bool AscWriter::flushWhenFull() {
    if (text_.size() >= kBlockSize) {
        ok_ = ok_ && out_.write(text_.data(), text_.size());
        text_.clear();
    }
    return ok_;
}

bool AscWriter::writeComment(const std::string& text) {
    if (!ok_) {
        return false;
    }
    text_ += "// " + text + '\n';
    return flushWhenFull();
}

}  // namespace daridez
