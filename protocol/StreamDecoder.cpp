#include "protocol/StreamDecoder.h"

#include <cstring>

#include "trace/FieldText.h"
#include "trace/FrameKind.h"

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
constexpr int kShownBadBytes = 6;  // a longer bad frame shows these and ".."

void setText(char (&text)[kFieldTextSize], const char* value) {
    std::strncpy(text, value, sizeof text - 1);
}

// "%2.2X" of the sync byte when it is the correct 0x55, else "#%2.2X".
void formatSyncText(char (&text)[kFieldTextSize], std::uint8_t value) {
    char* out = text;
    if (value != 0x55) {
        *out++ = '#';
    }
    *PutHexByte(out, value) = '\0';
}

void formatBadFrameText(char (&text)[kFieldTextSize], const std::uint8_t* frame,
                        std::uint8_t length) {
    const int total = length + 1;
    const int shown = total > kShownBadBytes ? kShownBadBytes : total;
    char* out = text;
    std::memcpy(out, "#err [", 6);
    out += 6;
    for (int i = 0; i < shown; ++i) {
        if (i > 0) {
            *out++ = ',';
        }
        out = PutHexByte(out, frame[i]);
    }
    if (shown < total) {
        *out++ = '.';
        *out++ = '.';
    }
    *out++ = ']';
    *out = '\0';
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

bool opensRow(std::uint8_t kind, std::uint8_t length) {
    return (kind == FrameKind::StartMarker && length == 5) ||
           (kind == FrameKind::BreakField && length == 4) ||
           (kind == FrameKind::DeviceError && length == 5) ||
           (kind == FrameKind::BufferOverflow && length == 3);
}

}  // namespace

StreamDecoder::StreamDecoder(TraceList& list, RowSink& sink, const DisplayModes& modes,
                             TraceState& state)
    : list_(list), sink_(sink), modes_(modes), state_(state) {}

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
                setText(currentEntry_->infoText, "Break");
                decoderState_ = DecoderState::AfterBreak;
            }
            break;
        case FrameKind::SyncField:
            if (length != 5 || decoderState_ != DecoderState::AfterBreak) {
                badFrame(frame, length);
                break;
            }
            addField(frame);
            formatSyncText(currentEntry_->syncText, frame[4]);
            decoderState_ = DecoderState::AfterSync;
            break;
        case FrameKind::IdentifierField:
            if (length != 5 || decoderState_ != DecoderState::AfterSync) {
                badFrame(frame, length);
                break;
            }
            addField(frame);
            FormatIdText(currentEntry_->idText, frame[4], modes_.protectedId);
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
            *PutHexByte(currentEntry_->byteTexts[8], frame[4]) = '\0';
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
                char* info = currentEntry_->infoText;
                info[0] = '#';
                *PutHexByte(info + 1, frame[4]) = '\0';
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
                setText(currentEntry_->infoText, "#BufOvfl");
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
    FormatByteText(currentEntry_->byteTexts[n - 1], frame[4], modes_.hexData);
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
        handOn(row);
        slotCounter_ = 2;
    }
    const unsigned n = (unsigned{frame[2]} << 8) | frame[3];
    char* out = currentEntry_->infoText;
    std::memcpy(out, "START (", 7);
    out = PutDecimal(out + 7, n, 1);
    out[0] = ')';
    out[1] = '\0';
    StoreFrame(currentEntry_, 0, frame, 5, traceClock_);
    decoderState_ = DecoderState::BetweenFrames;
}

void StreamDecoder::badFrame(const std::uint8_t* frame, std::uint8_t length) {
    if (!openRow(frame, length)) {
        return;
    }
    formatBadFrameText(currentEntry_->infoText, frame, length);
    decoderState_ = DecoderState::BetweenFrames;
}

void StreamDecoder::timerWrap() {
    traceClock_ = wrappedClock(traceClock_);
    if (currentEntry_ != nullptr && slotCounter_ >= 2 && slotCounter_ < 2 + kSlotCount) {
        ++currentEntry_->wrapCounts[slotCounter_ - 2];
    }
}

void StreamDecoder::addField(const std::uint8_t* frame) {
    traceClock_ = stampedClock(traceClock_, frame);
    ++slotCounter_;
    StoreFrame(currentEntry_, static_cast<std::uint8_t>(slotCounter_ - 2), frame, 5, traceClock_);
}

TraceEntry* StreamDecoder::createRow(std::int32_t number) {
    const RowColours colours = sink_.rowColours();
    TraceEntry* row = modes_.relativeTime
                          ? list_.CreateEntryRelative(currentEntry_, number, previousRowTime_,
                                                      traceClock_, colours)
                          : list_.CreateEntry(currentEntry_, number, traceClock_, colours);
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
    handOn(row);
    slotCounter_ = 2;
    // A frame longer than a slot is shown in the Info text but not kept.
    if (length <= kSlotSize) {
        StoreFrame(row, 0, frame, length, traceClock_);
    }
    return true;
}

void StreamDecoder::openStartRow() {
    TraceEntry* row = createRow(messageNumber_);
    if (row == nullptr) {
        return;
    }
    currentEntry_ = row;
    setText(row->infoText, "START");
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
