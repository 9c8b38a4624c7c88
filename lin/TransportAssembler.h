#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ldf/LdfModel.h"
#include "lin/Diagnostic.h"
#include "lin/LinFrame.h"

namespace daridez {

// What a diagnostic row adds to its own frame's decode once the rows before it are
// known: the whole message it completes, or why the transport data is wrong.
struct TransportOutcome {
    enum class Kind : std::uint8_t { None, Message, Invalid };

    Kind kind = Kind::None;
    bool request = true;  // the message's direction: 0x3C or 0x3D
    std::uint8_t nad = 0;
    int frames = 0;                   // Message: the frames it took
    std::vector<std::uint8_t> bytes;  // Message: its bytes, the SID first
    std::string reason;               // Invalid: "consecutive frame 3 out of sequence (expected 2)"

    // "SlaveResp NAD 21 message (2 frames, 11 bytes): 62 F1 90 ... (positive response to 22
    // ReadDataByIdentifier, identifier F190)" or "SlaveResp NAD 21 invalid: consecutive
    // frame 3 out of sequence (expected 2)"; "" for none.
    std::string text(const LdfModel* ldf) const;
    // The outcome as a field of the signal pane: "message" or "invalid", with text().
    TransportField field(const LdfModel* ldf) const;
    // A message that carries service sid (see CarriesService).
    bool carries(std::uint8_t sid) const;
};

// Assembles the transport layer's messages across rows: a first frame and the
// consecutive frames from the same NAD that follow it (sequence 1..15, 0, 1, ...) make
// one message, shown on the row that completes it. A consecutive frame out of sequence or
// without a first frame, and a message cut by a new first frame or a request, are
// invalid on the row that shows it. Requests (0x3C) and responses (0x3D) each have one
// message open at a time. Fed in row order; it keeps copies of the bytes it needs, so
// the rows may be freed behind it.
class TransportAssembler {
  public:
    // Feeds the next row's frame (any row: those that are not diagnostic frames change
    // nothing). The outcome stays valid until the next call.
    const TransportOutcome& add(const LinFrame& frame);
    void reset();

    // The outcome of the row at position, assembled by walking back over the rows before
    // it (at most limit of them) to the first frame of its message and feeding forward.
    // frameAt reads a row's frame; the window's signal pane and the search use this where
    // rows are not read in order.
    static TransportOutcome outcomeAt(const std::function<LinFrame(std::uint32_t)>& frameAt,
                                      std::uint32_t position, std::uint32_t limit);

  private:
    struct Open {
        bool active = false;
        std::uint8_t nad = 0;
        int length = 0;
        int next = 1;  // the sequence number expected next
        int frames = 0;
        std::vector<std::uint8_t> bytes;
    };

    void cut(Open& open, bool request, const char* by);
    void start(Open& open, const DiagnosticFrame& parsed);
    void consecutive(Open& open, const DiagnosticFrame& parsed);

    Open open_[2];  // requests, responses
    TransportOutcome outcome_;
};

}  // namespace daridez
