#pragma once

#include <cstdint>
#include <string>

#include "files/ByteOutput.h"
#include "ldf/LdfModel.h"
#include "trace/RowNotes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// Writes the LIN frames of a trace as an ASC log, the text format most LIN tools read:
// a header (the date of trace time 0, hexadecimal numbers, absolute times), one line per
// frame with its identifier, length, data, checksum, the times of its fields (SOF, EOH,
// EOB, EOF) and the checksum model, and the error events CSErr, TransmErr, RcvError and
// SyncError for frames whose check failed. Bus events a log told of (notes) are written
// as that log wrote them; device errors and buffer overflows become comments; a frame
// the end of its recording broke off is left out.
class AscWriter {
  public:
    // epochMicros: the wall-clock time of trace time 0 (microseconds since 1970).
    // notes: what the log the rows were read from said of them (may be null).
    AscWriter(ByteOutput& out, std::int64_t epochMicros, const LdfModel* ldf = nullptr,
              const RowNotes* notes = nullptr);

    // False once out has refused bytes: nothing more is written then.
    bool writeRow(const TraceEntry& entry);
    // Ends the log and hands out what is buffered; false when out refused any bytes.
    bool finish();
    // Hands out what is buffered so far (a live trace after each poll); false when out
    // refused any bytes.
    bool flush();

  private:
    bool flushWhenFull();
    void eventRow(const TraceEntry& entry);

    ByteOutput& out_;
    const LdfModel* ldf_;
    const RowNotes* notes_;
    std::string text_;
    bool ok_ = true;
};

}  // namespace daridez
