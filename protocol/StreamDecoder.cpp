#include "protocol/StreamDecoder.h"

#include <algorithm>
#include <cstring>

#include "trace/FrameKind.h"
#include "trace/RowFrames.h"

namespace daridez {

// How each kind of device frame (trace/FrameKind.h) reaches the trace:
//
//   kind       L     decoded as
//   0x80-0x81  5     an awaited answer only (live); anywhere else a bad frame
//   0x82       5     start marker: "START (n)" row
//   0x90       4     break: opens a "Break" row
//   0x91       5     "Sync" after a break
//   0x92       5     "ID" after the sync; the row turns green
//   0x93-0x9A  5     response bytes 1-8: "DB0".."DB7"
//   0x9B       5     response byte 9: "CS"
//   0x9C       5     device error: red "#xx" row
//   0x9D-0x9E  2-5   ignored
//   0xA0       2-5   timer wrap: clock to the next multiple of 65,536 us
//   0xF0       3     buffer overflow: "#BufOvfl" row
// Anything else, a wrong L or a field out of sequence is a bad frame: an "#err [..]" row.

namespace {

constexpr std::uint8_t kMinLength = 2;
constexpr std::uint8_t kMaxLength = 5;

std::int64_t stampedClock(std::int64_t clock, const std::uint8_t* frame) {
    const std::uint64_t stamp = (std::uint64_t{frame[2]} << 8) | frame[3];
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(clock) & ~std::uint64_t{0xFFFF}) |
                                     stamp);
}

std::int64_t wrappedClock(std::int64_t clock) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(clock) & ~std::uint64_t{0xFFFF}) +
                                     0x10000);
}

bool opensRow(std::uint8_t kind, std::uint8_t length) {
    return (kind == FrameKind::StartMarker && length == 5) ||
           (kind == FrameKind::BreakField && length == 4) ||
           (kind == FrameKind::DeviceError && length == 5) ||
           (kind == FrameKind::BufferOverflow && length == 3);
}

}  // namespace

StreamDecoder::StreamDecoder(TraceList& list, RowSink& sink, TraceState& state)
    : list_(list), sink_(sink), state_(state) {}

std::int32_t StreamDecoder::SplitFrames(std::uint8_t* buffer, std::int32_t count, bool fromFile) {
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
            sink_.endOfBatch();
            return r;
        }
        const std::uint8_t* frame = buffer + p;
        if (fromFile) {
            DecodeFrame(frame, b);
        } else {
            switch (state_) {
                case TraceState::ReadingVersion:
                case TraceState::SettingBaudrate:
                    if (IsAwaitedResponse(frame, b)) {
                        state_ = TraceState::Idle;
                        sink_.endOfBatch();
                        return p;
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
        p += b + 1;
        r -= b + 1;
    }
    sink_.endOfBatch();
    return 0;
}

bool StreamDecoder::IsAwaitedResponse(const std::uint8_t* frame, std::uint8_t length) const {
    if (length != 5) {
        return false;
    }
    return (frame[1] == FrameKind::VersionResponse && state_ == TraceState::ReadingVersion) ||
           (frame[1] == FrameKind::BaudrateResponse && state_ == TraceState::SettingBaudrate);
}

void StreamDecoder::DecodeFrame(const std::uint8_t* frame, std::uint8_t length) {
    if (decoderState_ == DecoderState::Initial) {
        openStartRow();
    }
    const std::uint8_t kind = frame[1];
    if (rowMissing_) {
        // The last row could not be made: its fields have nowhere to go. Only the
        // clock runs on until a frame that opens a row of its own.
        if (kind == FrameKind::TimerWrap && length >= kMinLength && length <= kMaxLength) {
            traceClock_ = wrappedClock(traceClock_);
            return;
        }
        if (!opensRow(kind, length)) {
            return;
        }
    }
    if (length < kMinLength || length > kMaxLength) {
        badFrame(frame, length);
        return;
    }
    switch (kind) {
        case FrameKind::StartMarker:
            length == 5 ? startMarker(frame) : badFrame(frame, length);
            break;
        case FrameKind::BreakField:
            if (length != 4) {
                badFrame(frame, length);
                break;
            }
            traceClock_ = stampedClock(traceClock_, frame);
            if (openRow(frame, length)) {
                decoderState_ = DecoderState::AfterBreak;
            }
            break;
        case FrameKind::SyncField:
            if (length != 5 || decoderState_ != DecoderState::AfterBreak) {
                badFrame(frame, length);
                break;
            }
            addField(frame);
            decoderState_ = DecoderState::AfterSync;
            break;
        case FrameKind::IdentifierField:
            if (length != 5 || decoderState_ != DecoderState::AfterSync) {
                badFrame(frame, length);
                break;
            }
            addField(frame);
            ++frameCount_;
            SetTextColour(currentEntry_, kGreen);
            decoderState_ = DecoderState::AfterId;
            break;
        case FrameKind::ResponseByte9:
            if (length != 5 || decoderState_ != DecoderState::AfterByte8) {
                badFrame(frame, length);
                break;
            }
            addField(frame);
            decoderState_ = DecoderState::BetweenFrames;
            break;
        case FrameKind::DeviceError:
            if (length != 5) {
                badFrame(frame, length);
                break;
            }
            traceClock_ = stampedClock(traceClock_, frame);
            ++errorCount_;
            if (openRow(frame, length)) {
                SetTextColour(currentEntry_, kRed);
                decoderState_ = DecoderState::BetweenFrames;
            }
            break;
        case FrameKind::Ignored1:
        case FrameKind::Ignored2:
            break;
        case FrameKind::TimerWrap:
            timerWrap();
            break;
        case FrameKind::BufferOverflow:
            if (length != 3) {
                badFrame(frame, length);
                break;
            }
            if (openRow(frame, length)) {
                decoderState_ = DecoderState::BetweenFrames;
            }
            break;
        default:
            if (kind >= FrameKind::ResponseByte1 && kind <= FrameKind::ResponseByte8) {
                responseByte(frame, length, kind - FrameKind::ResponseByte1 + 1);
            } else {
                badFrame(frame, length);
            }
            break;
    }
}

void StreamDecoder::responseByte(const std::uint8_t* frame, std::uint8_t length, int n) {
    // Byte 1 follows the identifier, byte n follows byte n - 1.
    const auto expected =
        static_cast<DecoderState>(n == 1 ? static_cast<int>(DecoderState::AfterId)
                                         : static_cast<int>(DecoderState::AfterByte1) + n - 2);
    if (length != 5 || decoderState_ != expected) {
        badFrame(frame, length);
        return;
    }
    addField(frame);
    decoderState_ = static_cast<DecoderState>(static_cast<int>(DecoderState::AfterByte1) + n - 1);
}

void StreamDecoder::startMarker(const std::uint8_t* frame) {
    // The device has started, whether or not its row can be made.
    if (state_ == TraceState::StartRequested) {
        state_ = TraceState::Tracing;
    }
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
