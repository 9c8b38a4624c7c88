#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "files/ByteOutput.h"
#include "ldf/LdfModel.h"
#include "lin/FrameSignals.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// Writes a trace as comma-separated values (RFC 4180, UTF-8, CRLF line ends) for
// spreadsheets: a header line, then one record per row with the fourteen texts the list
// shows, the row's colour word and its verdict; with an LDF also the frame's name and its
// signals ("Frame", "Signals"), and the verdict judged against it.
class CsvWriter {
  public:
    // The header line is buffered here and reaches out before the first record. The
    // texts are made in form, as it is when each row is written. ldf (null for none)
    // must outlive the writer.
    CsvWriter(ByteOutput& out, const TextForm& form, const LdfModel* ldf = nullptr);

    // Adds the row's record. False once out has refused bytes: nothing more is written.
    bool writeRow(const TraceEntry& entry);
    // A row not written: the diagnostic messages of the Signals column still see it.
    void skipRow(const TraceEntry& entry);
    // Hands out whatever is still buffered; false when out refused any bytes.
    bool finish();

  private:
    char* room(std::size_t size);
    void putRaw(std::string_view bytes);
    void putField(const char* text, bool first = false);
    bool flush();

    ByteOutput& out_;
    const TextForm& form_;
    const LdfModel* ldf_;
    std::optional<FrameSignals> signals_;
    std::vector<char> buffer_;  // a block and room for a record; used_ bytes filled
    std::size_t used_ = 0;
    bool ok_ = true;
};

}  // namespace daridez
