#pragma once

#include <cstddef>
#include <string>

#include "lin/LinFrame.h"
#include "lin/RowReading.h"

namespace daridez {

class LdfModel;

// Reads a row's LIN frame with the window's LDF (which may be null): which frame it is
// (the Frame column), what its signals say (the signal pane), which signals cover a
// data byte (the data cells' tool tips). Diagnostic frames read as the transport layer
// with or without an LDF. Its header names no reader type, so any code may include it.
class RowReader {
  public:
    explicit RowReader(const LdfModel* ldf) : ldf_(ldf) {}

    RowReading read(const LinFrame& frame) const;
    // A row's frame read, with what makes its values untrustworthy in failed (the
    // failure words of the row's verdict, or "collision"; "" when it passed or has no
    // values).
    RowReading readRow(const TraceEntry& entry) const;
    // The Frame column: the LDF frame's name, "EVENT -> ASSOCIATED" for an
    // event-triggered frame, the diagnostic decode for 0x3C/0x3D, "" for rows that are
    // not LIN frames or that the LDF does not name. Written into out (size bytes, cut
    // to fit); returns out.
    const char* frameText(const LinFrame& frame, char* out, std::size_t size) const;
    // The signals that cover data byte `byte`, one line each:
    // "LeftIntLightsSwitch = 353 lux (raw 253)". "" when none does.
    std::string byteSignals(const LinFrame& frame, int byte) const;

  private:
    const LdfModel* ldf_;
};

}  // namespace daridez
