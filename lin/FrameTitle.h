#pragma once

#include <cstddef>
#include <string>

#include "ldf/LdfModel.h"
#include "ldf/SignalDecoder.h"
#include "lin/LinFrame.h"

namespace daridez {

// The names a row's frame goes by, made in one place for the list's Frame column, the
// CSV, the signal pane and daridez-dump's signal lines: the LDF frame's name, an
// event-triggered frame with the frame that answered, and diagnostic frames read as the
// transport layer (with or without an LDF; ldf may be null).
class FrameTitle {
  public:
    explicit FrameTitle(const LdfModel* ldf) : ldf_(ldf) {}

    // The list's Frame column: the LDF frame's name, "EVENT -> ASSOCIATED" for an
    // answered event-triggered frame, the diagnostic title for 0x3C/0x3D ("MasterReq NAD
    // 21 ReadByIdentifier"), "" for rows that are not LIN frames or that the LDF does not
    // name. Written into out (size bytes, cut to fit; a plain name without a copy
    // made on the way, as the list asks for it row after row); returns out.
    const char* title(const LinFrame& frame, char* out, std::size_t size) const;
    // A diagnostic frame's name: the LDF's name for 0x3C/0x3D, else "MasterReq" or
    // "SlaveResp".
    std::string diagnosticName(const LinFrame& frame) const;
    // The decoded frame's name; an event-triggered frame's with " -> ASSOCIATED", or with
    // " -> " + unanswered when no associated frame answered (nothing added for a null
    // unanswered).
    static std::string decodedName(const LdfFrameDecode& decode, const char* unanswered = nullptr);

  private:
    const LdfModel* ldf_;
};

}  // namespace daridez
