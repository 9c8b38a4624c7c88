#pragma once

#include <optional>
#include <string>

#include "ldf/LdfModel.h"
#include "ldf/SignalDecoder.h"
#include "lin/FrameCheck.h"
#include "lin/LinFrame.h"
#include "lin/SignalLines.h"

namespace daridez {

// A row's LIN frame decoded with an LDF, and its signals as daridez-dump and the CSV
// export write them. Diagnostic frames (0x3C/0x3D) are read as the transport layer,
// with or without an LDF (ldf may be null). Reuses its storage from row to row.
class FrameSignals {
  public:
    // texts: false for a decode that leaves the values' texts empty (see SignalDecoder).
    explicit FrameSignals(const LdfModel* ldf, bool texts = true);

    // The frame's decode; nullptr for rows that are not LIN frames with an identifier,
    // for diagnostic frames, and without an LDF.
    const LdfFrameDecode* decode(const LinFrame& frame);

    // The lines under a row: TAB "FRAME.SIGNAL = VALUE UNIT (raw RAW)" per signal, an
    // event-triggered frame's "FRAME -> ASSOCIATED" first, "FRAME: N of M bytes, not
    // decoded" for a short response, the transport decode for a diagnostic frame. Where
    // the frame's data failed its check (verdict, see FrameVerdict::dataFailed) each
    // signal line ends with " (frame failed: checksum)", naming the failure words.
    void appendLines(std::string& out, const LinFrame& frame, const FrameVerdict& verdict);
    // The CSV Frame column: the frame's name ("FRAME -> ASSOCIATED" when event-triggered).
    std::string frameName(const LinFrame& frame);
    // The CSV Signals column: "SIGNAL=VALUE UNIT" joined by "; ", then " (frame failed:
    // ...)" as on the lines.
    std::string signalList(const LinFrame& frame, const FrameVerdict& verdict);

  private:
    const LdfModel* ldf_;
    std::optional<SignalDecoder> decoder_;
    std::optional<SignalLines> lines_;
    LdfFrameDecode decode_;
};

}  // namespace daridez
