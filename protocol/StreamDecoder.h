#pragma once

#include <cstdint>
#include <optional>

#include "protocol/ByteSink.h"
#include "protocol/RowSink.h"
#include "protocol/TraceState.h"
#include "trace/TraceList.h"

namespace daridez {

// Where the decoder stands in the grammar of one LIN frame.
enum class DecoderState : std::uint8_t {
    Initial = 0,        // the next frame first opens the recording's "START" row
    StartRowOpen = 2,   // the "START" row is current and has received no frame
    BetweenFrames = 3,  // only a row-opening frame continues the grammar
    AfterBreak = 5,
    AfterSync = 6,
    AfterId = 7,
    AfterByte1 = 8,  // after response byte n: AfterByte1 + n - 1
    AfterByte2,
    AfterByte3,
    AfterByte4,
    AfterByte5,
    AfterByte6,
    AfterByte7,
    AfterByte8,
};

// Cuts the device's byte stream into frames, recognises an awaited command answer,
// and turns trace frames into rows: one row per break (filled by the sync, identifier
// and response bytes that follow), start marker, device error, buffer overflow or
// bad frame. Keeps the device's microsecond clock and the frame and error counts.
// What one SplitFrames call saw.
struct SplitResult {
    // Bytes of an unfinished last frame, moved to the head of the buffer (0: all used).
    std::int32_t carryOver = 0;
    // Live, while a command awaits its answer: where the answer starts. The split stopped
    // there and left the bytes from there on where they are.
    std::optional<std::int32_t> answerAt;
    bool startSeen = false;  // a start marker was decoded: the device is tracing
};

class StreamDecoder {
  public:
    // The list receives the rows, the sink shows them. The state is the trace
    // controller's: the decoder reads it (live frames are decoded, awaited or dropped by
    // it) and never changes it; the controller does, from what SplitFrames saw.
    StreamDecoder(TraceList& list, RowSink& sink, const TraceState& state);

    // Splits count bytes at the head of buffer (a file's: every frame decoded; live:
    // as the state says).
    SplitResult SplitFrames(std::uint8_t* buffer, std::int32_t count, bool fromFile);

    bool IsAwaitedResponse(const std::uint8_t* frame, std::uint8_t length) const;
    // Whether a frame of this length byte and kind opens a row of its own (a start
    // marker, a break, a device error, an overflow): a stream cut before one leaves no
    // row split between the parts.
    static bool OpensRow(std::uint8_t length, std::uint8_t kind);

    // Applies one complete frame of length byte `length` (the frame is length + 1
    // bytes) to the trace.
    void DecodeFrame(const std::uint8_t* frame, std::uint8_t length);

    // A new recording ("Start"): number, clock and grammar start again; the rows, the
    // current row and the counts stay.
    void RestartDecoder();
    // RestartDecoder, and forget the current row and the counts (clear, load, start-up).
    void ResetDecoder();

    // The rows' list (and the notes a log's reader keeps beside them).
    TraceList& list() const { return list_; }
    std::int64_t traceClock() const { return traceClock_; }
    std::int32_t frameCount() const { return frameCount_; }
    std::int32_t errorCount() const { return errorCount_; }
    DecoderState decoderState() const { return decoderState_; }
    TraceEntry* currentEntry() const { return currentEntry_; }

    // True once after a row could not be made for lack of memory, or the sink could not
    // take one (the list's index could not grow), so the window can say so once; the
    // decoder skips frames until a row can be made again. The one path every shortage
    // takes to the window (through the trace controller).
    bool takeOutOfMemory();
    // Whether a row could not be made since the last takeOutOfMemory(), without
    // taking the news.
    bool rowsRanOut() const { return outOfMemory_; }

    // As a ring (the trace is kept elsewhere, a recording): at the row budget the
    // oldest rows are dropped to make room for new ones instead of the trace stopping;
    // keeper, when given, hears of it first (ByteSink::rowsLeaving).
    void setRing(bool ring, ByteSink* keeper = nullptr) {
        ring_ = ring;
        keeper_ = keeper;
    }
    // True once after rows were dropped from the head.
    bool takeRowsDropped();

  private:
    // Takes the fields the grammar expects next from the complete frames at the head of
    // count bytes; returns the bytes taken (0: the first frame is no expected field).
    std::int32_t takeFields(const std::uint8_t* bytes, std::int32_t count);
    void decodeByRule(const std::uint8_t* frame, std::uint8_t length);
    void openStartRow();
    // Opens a row after the current one: the next message number, the clock as its
    // time, the frame in slot 0. False when no row could be made.
    bool openRow(const std::uint8_t* frame, std::uint8_t length);
    TraceEntry* createRow(std::int32_t number);
    void makeRoom();
    void handOn(TraceEntry* row);
    // Stamps the clock and keeps a field's frame in the current row's next slot.
    void addField(const std::uint8_t* frame);
    void startMarker(const std::uint8_t* frame);
    // The row just opened by a device error frame stands for a bus event a log told of.
    bool loggedBusEvent() const;
    void badFrame(const std::uint8_t* frame, std::uint8_t length);
    void timerWrap();

    TraceList& list_;
    RowSink& sink_;
    const TraceState& state_;

    DecoderState decoderState_ = DecoderState::Initial;
    TraceEntry* currentEntry_ = nullptr;
    std::int64_t traceClock_ = 0;
    std::int64_t previousRowTime_ = 0;
    std::int32_t messageNumber_ = 0;
    std::uint8_t slotCounter_ = 0;
    std::int32_t frameCount_ = 0;
    std::int32_t errorCount_ = 0;
    bool outOfMemory_ = false;
    bool startSeen_ = false;   // within one SplitFrames call
    bool rowMissing_ = false;  // the last row could not be made: skip to the next opener
    bool ring_ = false;
    ByteSink* keeper_ = nullptr;
    bool rowsDropped_ = false;
};

}  // namespace daridez
