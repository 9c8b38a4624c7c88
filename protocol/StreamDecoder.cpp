#include "protocol/StreamDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "trace/FrameKind.h"
#include "trace/RowFrames.h"

namespace daridez {

// What a frame that fits its rule does to the trace.
enum class FrameAction : std::uint8_t {
    Start,       // the start marker: "START (n)" row
    Break,       // opens a LIN frame's row
    Field,       // the next field of the open LIN frame
    Identifier,  // the identifier field: the row turns green and counts as a frame
    Error,       // a red "#xx" row of the device's error
    Overflow,    // a "#BufOvfl" row
    Wrap,        // the clock to the next multiple of 65,536 us
    Ignore,
};

namespace {

constexpr std::uint8_t kMinLength = 2;
constexpr std::uint8_t kMaxLength = 5;

// The grammar of the device's trace frames (trace/FrameKind.h): a frame of this kind and
// length (0: any of 2-5), in this decoder state (nullopt: any), does its action and
// leaves the decoder in the next state (nullopt: as it was). A frame that fits no rule,
// an awaited answer among them (0x80, 0x81 are only answers while live), is a bad frame:
// an "#err [..]" row.
struct FrameRule {
    std::uint8_t kind;
    std::uint8_t length;
    std::optional<DecoderState> state;
    FrameAction action;
    std::optional<DecoderState> next;
};

using enum DecoderState;
using enum FrameAction;
constexpr FrameRule kFrameRules[] = {
    {FrameKind::StartMarker, FrameLength::StartMarker, std::nullopt, Start, BetweenFrames},
    {FrameKind::BreakField, FrameLength::BreakField, std::nullopt, Break, AfterBreak},
    {FrameKind::SyncField, FrameLength::Field, AfterBreak, Field, AfterSync},
    {FrameKind::IdentifierField, FrameLength::Field, AfterSync, Identifier, AfterId},
    {0x93, FrameLength::Field, AfterId, Field, AfterByte1},  // response bytes 1-8 in turn
    {0x94, FrameLength::Field, AfterByte1, Field, AfterByte2},
    {0x95, FrameLength::Field, AfterByte2, Field, AfterByte3},
    {0x96, FrameLength::Field, AfterByte3, Field, AfterByte4},
    {0x97, FrameLength::Field, AfterByte4, Field, AfterByte5},
    {0x98, FrameLength::Field, AfterByte5, Field, AfterByte6},
    {0x99, FrameLength::Field, AfterByte6, Field, AfterByte7},
    {0x9A, FrameLength::Field, AfterByte7, Field, AfterByte8},
    {FrameKind::ResponseByte9, FrameLength::Field, AfterByte8, Field,
     BetweenFrames},  // the checksum after 8
    {FrameKind::DeviceError, FrameLength::Field, std::nullopt, Error, BetweenFrames},
    {FrameKind::Ignored1, 0, std::nullopt, Ignore, std::nullopt},
    {FrameKind::Ignored2, 0, std::nullopt, Ignore, std::nullopt},
    {FrameKind::TimerWrap, 0, std::nullopt, Wrap, std::nullopt},
    {FrameKind::BufferOverflow, FrameLength::BufferOverflow, std::nullopt, Overflow, BetweenFrames},
};

// The rule of each kind byte (-1: none), so that a frame finds its rule in one step.
constexpr auto kRuleOfKind = [] {
    std::array<std::int8_t, 256> rules{};
    rules.fill(-1);
    for (std::size_t i = 0; i < std::size(kFrameRules); ++i) {
        rules[kFrameRules[i].kind] = static_cast<std::int8_t>(i);
    }
    return rules;
}();

const FrameRule* ruleFor(std::uint8_t kind, std::uint8_t length) {
    const int i = kRuleOfKind[kind];
    if (i < 0) {
        return nullptr;
    }
    const FrameRule& rule = kFrameRules[i];
    return rule.length == 0 || rule.length == length ? &rule : nullptr;
}

bool opensRow(const FrameRule* rule) {
    return rule != nullptr && (rule->action == Start || rule->action == Break ||
                               rule->action == Error || rule->action == Overflow);
}

std::int64_t stampedClock(std::int64_t clock, const std::uint8_t* frame) {
    const std::uint64_t stamp = (std::uint64_t{frame[2]} << 8) | frame[3];
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(clock) & ~std::uint64_t{0xFFFF}) |
                                     stamp);
}

std::int64_t wrappedClock(std::int64_t clock) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(clock) & ~std::uint64_t{0xFFFF}) +
                                     0x10000);
}

}  // namespace

StreamDecoder::StreamDecoder(TraceList& list, RowSink& sink, const TraceState& state)
    : list_(list), sink_(sink), state_(state) {}

SplitResult StreamDecoder::SplitFrames(std::uint8_t* buffer, std::int32_t count, bool fromFile) {
    SplitResult result;
    startSeen_ = false;
    std::int32_t p = 0;
    std::int32_t r = count;
    while (r > 0) {
        const std::uint8_t b = buffer[p];
        if (b == 0) {
            ++p;
            --r;
            continue;
        }
        if (r <= b) {
            // The frame's last byte has not arrived: keep its start for the next call.
            std::memmove(buffer, buffer + p, static_cast<std::size_t>(r));
            result.carryOver = r;
            break;
        }
        const std::uint8_t* frame = buffer + p;
        if (fromFile) {
            const std::int32_t taken = takeFields(frame, r);
            if (taken != 0) {
                p += taken;
                r -= taken;
                continue;
            }
            decodeByRule(frame, b);
        } else {
            switch (state_) {
                case TraceState::ReadingVersion:
                case TraceState::SettingBaudrate:
                    if (IsAwaitedResponse(frame, b)) {
                        result.answerAt = p;
                    }
                    break;
                case TraceState::StartRequested:
                case TraceState::Tracing:
                    DecodeFrame(frame, b);
                    break;
                case TraceState::Idle:
                    break;
            }
        }
        if (result.answerAt) {
            break;
        }
        p += b + 1;
        r -= b + 1;
    }
    sink_.endOfBatch();
    result.startSeen = startSeen_;
    return result;
}

bool StreamDecoder::IsAwaitedResponse(const std::uint8_t* frame, std::uint8_t length) const {
    if (length != 5) {
        return false;
    }
    return (frame[1] == FrameKind::VersionResponse && state_ == TraceState::ReadingVersion) ||
           (frame[1] == FrameKind::BaudrateResponse && state_ == TraceState::SettingBaudrate);
}

bool StreamDecoder::OpensRow(std::uint8_t length, std::uint8_t kind) {
    return opensRow(ruleFor(kind, length));
}

void StreamDecoder::DecodeFrame(const std::uint8_t* frame, std::uint8_t length) {
    if (takeFields(frame, length + 1) == 0) {
        decodeByRule(frame, length);
    }
}

// Eleven of a LIN frame's twelve device frames are its fields in order, each the one
// the rules above expect next: in state AfterBreak + n the kind SyncField + n, five
// bytes long, for the row the break opened, whose slots Sync.. hold n fields then. A
// load takes a run of them here in a few steps each, doing what the rules do: the slot
// filled, the identifier turning the row green and counting the frame, the checksum
// after eight bytes ending the frame, the clock stamped (by the last field: each stamp
// replaces the one before).
std::int32_t StreamDecoder::takeFields(const std::uint8_t* bytes, std::int32_t count) {
    constexpr int kFirst = static_cast<int>(AfterBreak);
    constexpr int kLast = static_cast<int>(AfterByte8);
    constexpr std::int32_t kFieldBytes = 6;  // the length byte 5 and the frame
    int state = static_cast<int>(decoderState_);
    if (rowMissing_ || currentEntry_ == nullptr || state < kFirst || state > kLast ||
        currentEntry_->fieldCount != state - kFirst) {
        return 0;
    }
    TraceEntry& row = *currentEntry_;
    std::int32_t used = 0;
    while (state <= kLast && count - used >= kFieldBytes && bytes[used] == 5 &&
           bytes[used + 1] == FrameKind::SyncField + (state - kFirst)) {
        const std::uint8_t* frame = bytes + used;
        std::memcpy(row.fields[state - kFirst], frame + 2, 3);
        if (state == static_cast<int>(AfterSync)) {
            ++frameCount_;
            row.textColour = kGreen;
        }
        ++state;
        used += kFieldBytes;
    }
    if (used == 0) {
        return 0;
    }
    row.fieldCount = static_cast<std::uint8_t>(state - kFirst);
    traceClock_ = stampedClock(traceClock_, bytes + used - kFieldBytes);
    slotCounter_ = static_cast<std::uint8_t>(slotCounter_ + used / kFieldBytes);
    decoderState_ = state > kLast ? BetweenFrames : static_cast<DecoderState>(state);
    return used;
}

void StreamDecoder::decodeByRule(const std::uint8_t* frame, std::uint8_t length) {
    if (decoderState_ == DecoderState::Initial) {
        openStartRow();
    }
    const FrameRule* rule =
        length >= kMinLength && length <= kMaxLength ? ruleFor(frame[1], length) : nullptr;
    if (rowMissing_) {
        // The last row could not be made: its fields have nowhere to go. Only the
        // clock runs on until a frame that opens a row of its own.
        if (rule != nullptr && rule->action == Wrap) {
            traceClock_ = wrappedClock(traceClock_);
            return;
        }
        if (!opensRow(rule)) {
            return;
        }
    }
    if (rule == nullptr || (rule->state && *rule->state != decoderState_)) {
        badFrame(frame, length);
        return;
    }
    // The action, in line: this runs for every frame of a load.
    bool taken = true;  // false when the frame's row could not be made
    switch (rule->action) {
        case Start:
            startMarker(frame);  // sets the state itself
            return;
        case Break:
            traceClock_ = stampedClock(traceClock_, frame);
            taken = openRow(frame, length);
            break;
        case Field:
            addField(frame);
            break;
        case Identifier:
            addField(frame);
            ++frameCount_;
            SetTextColour(currentEntry_, kGreen);
            break;
        case Error:
            traceClock_ = stampedClock(traceClock_, frame);
            taken = openRow(frame, length);
            if (taken && loggedBusEvent()) {
                break;  // a wake-up, sleep or spike another tool's log told of: no fault
            }
            ++errorCount_;
            if (taken) {
                SetTextColour(currentEntry_, kRed);
            }
            break;
        case Overflow:
            taken = openRow(frame, length);
            break;
        case Wrap:
            timerWrap();
            return;
        case Ignore:
            return;
    }
    if (taken && rule->next) {
        decoderState_ = *rule->next;
    }
}

void StreamDecoder::startMarker(const std::uint8_t* frame) {
    startSeen_ = true;  // the device has started, whether or not its row can be made
    if (decoderState_ != DecoderState::StartRowOpen) {
        TraceEntry* row = createRow(messageNumber_ + 1);
        if (row == nullptr) {
            return;
        }
        ++messageNumber_;
        currentEntry_ = row;
        StoreOpener(row, frame, 5);
        list_.lastRowStartsRecording();
        handOn(row);
        slotCounter_ = 2;
    } else {
        FillStartRow(currentEntry_, frame, traceClock_);
    }
    decoderState_ = DecoderState::BetweenFrames;
}

bool StreamDecoder::loggedBusEvent() const {
    return !list_.notes().empty() && list_.notes().find(*currentEntry_) != nullptr;
}

void StreamDecoder::badFrame(const std::uint8_t* frame, std::uint8_t length) {
    if (!openRow(frame, length)) {
        return;
    }
    decoderState_ = DecoderState::BetweenFrames;
}

void StreamDecoder::timerWrap() {
    traceClock_ = wrappedClock(traceClock_);
    if (currentEntry_ != nullptr && slotCounter_ >= 2 && slotCounter_ < 2 + kSlotCount) {
        CountWrap(currentEntry_, slotCounter_ - 2);
    }
}

void StreamDecoder::addField(const std::uint8_t* frame) {
    traceClock_ = stampedClock(traceClock_, frame);
    ++slotCounter_;
    StoreField(currentEntry_, frame);
}

// A sixteenth of the budget goes at a time, at most what is left of the oldest block
// (its memory goes back when the block is empty), never the row still being filled.
void StreamDecoder::makeRoom() {
    const std::uint64_t budget = list_.rowBudget();
    std::uint64_t rows = std::min(list_.headBlockRows(), std::max<std::uint64_t>(1, budget / 16));
    if (list_.lastRow() == currentEntry_ && rows >= list_.rowCount()) {
        rows = list_.rowCount() - 1;
    }
    if (rows == 0) {
        return;
    }
    if (keeper_ != nullptr) {
        keeper_->rowsLeaving();
        if (keeper_->droppedRowsNote().empty()) {
            ring_ = false;  // its recording failed just now: nothing keeps them any more
            return;
        }
    }
    sink_.dropOldestRows(list_.TraceListHead(), rows);
    list_.dropOldest(rows);
    rowsDropped_ = true;
}

bool StreamDecoder::takeRowsDropped() {
    const bool were = rowsDropped_;
    rowsDropped_ = false;
    return were;
}

TraceEntry* StreamDecoder::createRow(std::int32_t number) {
    if (ring_ && list_.full() && list_.rowCount() != 0) {
        makeRoom();
    }
    const RowColours colours = sink_.rowColours();
    TraceEntry* row = list_.CreateEntry(number, traceClock_, previousRowTime_, colours);
    // Without a row the grammar cannot go on; currentEntry_ stays the list's last row
    // so that the next row is linked behind it.
    rowMissing_ = row == nullptr;
    if (rowMissing_) {
        outOfMemory_ = true;
        decoderState_ = DecoderState::BetweenFrames;
    }
    return row;
}

// A row the sink cannot take (its index cannot grow) is a shortage like a row that could
// not be made: said the same one way.
void StreamDecoder::handOn(TraceEntry* row) {
    if (!sink_.AppendRow(row, messageNumber_)) {
        outOfMemory_ = true;
    }
}

bool StreamDecoder::openRow(const std::uint8_t* frame, std::uint8_t length) {
    TraceEntry* row = createRow(messageNumber_ + 1);
    if (row == nullptr) {
        return false;
    }
    ++messageNumber_;
    currentEntry_ = row;
    previousRowTime_ = traceClock_;
    // The opening frame before the sink sees the row: a view may read its texts.
    StoreOpener(row, frame, length);
    handOn(row);
    slotCounter_ = 2;
    return true;
}

void StreamDecoder::openStartRow() {
    TraceEntry* row = createRow(messageNumber_);
    if (row == nullptr) {
        return;
    }
    currentEntry_ = row;
    handOn(row);
    slotCounter_ = 2;
    decoderState_ = DecoderState::StartRowOpen;
}

void StreamDecoder::RestartDecoder() {
    messageNumber_ = 0;
    slotCounter_ = 0;
    traceClock_ = 0;
    previousRowTime_ = 0;
    decoderState_ = DecoderState::Initial;
    rowMissing_ = false;
}

void StreamDecoder::ResetDecoder() {
    RestartDecoder();
    currentEntry_ = nullptr;
    frameCount_ = 0;
    errorCount_ = 0;
}

bool StreamDecoder::takeOutOfMemory() {
    const bool was = outOfMemory_;
    outOfMemory_ = false;
    return was;
}

}  // namespace daridez
