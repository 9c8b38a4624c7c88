#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ldf/LdfModel.h"
#include "lin/LinFrame.h"
#include "trace/TraceEntry.h"

namespace daridez {

// The words of a LIN frame's verdict, in the order they are written. Classic and
// Enhanced name the checksum model that matched, Cut a frame the end of its recording
// broke off, Silent and Collision the normal outcomes of an event-triggered slot; every
// other word is a failure.
enum class CheckWord : std::uint8_t {
    NoSync,      // "no-sync": no sync field after the break
    Sync,        // "sync": the sync byte is not 0x55
    NoId,        // "no-id": no identifier field
    Parity,      // "parity": the identifier's parity bits are wrong
    NoResponse,  // "no-response": no response byte
    Short,       // "short": one response byte, so no checksum
    Checksum,    // "checksum": the last response byte matches no allowed model
    UnknownId,   // "unknown-id": the LDF names no frame with this identifier
    Length,      // "length": the response length differs from the LDF's
    Model,       // "model": the checksum is right only under the model the LDF does not name
    Classic,     // "classic": the checksum over the data only
    Enhanced,    // "enhanced": the checksum over the protected identifier and the data
    Cut,         // "cut": the trace ended inside the frame; no failure
    Silent,      // "silent": an event-triggered header no associated frame answered
    Collision,   // "collision": an event-triggered slot answered by more than one slave
    Count
};

const char* CheckWordText(CheckWord word);
std::optional<CheckWord> ParseCheckWord(std::string_view text);
bool IsFailure(CheckWord word);

// The verdict of one row: a set of words. Empty for rows that are not LIN frames.
class FrameVerdict {
  public:
    // Room for every word with its comma and the NUL: any verdict text fits.
    static constexpr int kTextSize = 128;

    void add(CheckWord word) { bits_ |= bit(word); }
    bool has(CheckWord word) const { return (bits_ & bit(word)) != 0; }
    bool empty() const { return bits_ == 0; }
    // True when the verdict holds a failure word.
    bool failed() const { return (bits_ & kFailureBits) != 0; }
    // True when the frame's data cannot be trusted: its check failed, or two slaves'
    // answers collided in it.
    bool dataFailed() const { return failed() || has(CheckWord::Collision); }
    // What makes the data untrustworthy: the failure words, or "collision"
    // ("checksum", "parity,length"); "" when the data passed.
    std::string dataFailure() const;
    // The checksum model that matched, if any.
    bool classic() const { return has(CheckWord::Classic); }
    bool enhanced() const { return has(CheckWord::Enhanced); }

    // The words in order, separated by commas ("parity,classic"); "" when empty.
    void format(char (&text)[kTextSize]) const;
    std::string text() const;

    bool operator==(const FrameVerdict&) const = default;

  private:
    static constexpr std::uint16_t bit(CheckWord word) {
        return static_cast<std::uint16_t>(1u << static_cast<unsigned>(word));
    }
    static constexpr std::uint16_t kFailureBits =
        static_cast<std::uint16_t>((1u << static_cast<unsigned>(CheckWord::Classic)) - 1);

    std::uint16_t bits_ = 0;
};

// LIN 2.x arithmetic.
// The identifier byte with its two parity bits for the low six bits of id.
std::uint8_t ProtectedId(std::uint8_t id);
// The inverted carry-sum of seed followed by count bytes (seed 0: classic; seed the
// protected identifier: enhanced).
std::uint8_t LinChecksum(std::uint8_t seed, const std::uint8_t* bytes, int count);
// Identifiers 0x3C and 0x3D (diagnostic frames) allow only the classic checksum.
bool ClassicOnly(std::uint8_t id);

// Whether the row is the last of its recording: no row follows it (the trace ended
// there: Stop, a lost device, the end of a file) or the next one starts a recording.
// While a trace runs, its last row is still open: the caller must not judge it final.
bool EndsRecording(const TraceEntry& entry);

// The verdict of the frame alone. With an LDF (ldf not null) the frame is also judged
// against it: unknown-id, length, and model where the checksum is right only under the
// model the LDF does not name. A good header of an event-triggered frame is silent when
// no response follows, and a collision when its response is garbled (one byte, a
// checksum no model explains) or names no associated frame: both are normal LIN
// behaviour, no failure. Without an LDF every verdict is the LDF-free one.
FrameVerdict CheckFrame(const LinFrame& frame, const LdfModel* ldf = nullptr);
// The verdict of a row: its frame's, except for the last row of a recording, which Stop
// may have broken off. Without an LDF a failing last row is only "cut". With one, "cut"
// replaces only what an end inside the frame explains (no-sync, no-id, no-response,
// short, checksum, and with them silent, collision and length) and the rest stays:
// a wrong sync byte or parity is the bus's fault wherever the trace ends. A last row
// that passes keeps its verdict. frame is ReadLinFrame(entry).
FrameVerdict CheckFrame(const TraceEntry& entry, const LinFrame& frame,
                        const LdfModel* ldf = nullptr);
FrameVerdict CheckFrame(const TraceEntry& entry, const LdfModel* ldf = nullptr);

// The failures of a row in words, one line each, saying what was expected
// ("parity: 05 should be 85 for identifier 05"); for a good frame, which model matched.
// Empty for rows that are not LIN frames.
std::string ExplainFrame(const LinFrame& frame, const LdfModel* ldf = nullptr);
// The same for a row, cut rows first saying so, then what their frame would fail.
std::string ExplainRow(const TraceEntry& entry, const LdfModel* ldf = nullptr);

}  // namespace daridez
