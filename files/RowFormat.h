#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "files/ByteOutput.h"
#include "ldf/LdfModel.h"
#include "lin/LinRates.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// What the rows of a trace are written as: text lines, CSV, a pcapng capture, an ASC
// log, or the per-identifier table. The one export pipeline: daridez-dump writes every format
// through it, the window's "export..." CSV and pcapng. Each takes complete rows in trace
// order and writes to a byte output in large blocks.
class RowFormat {
  public:
    enum class Kind { Text, Csv, Pcapng, Ids, Asc };

    struct Options {
        Kind kind = Kind::Text;
        bool check = false;             // text: the verdict as a 16th field
        std::int64_t epochMicros = 0;   // pcapng, asc: wall-clock time of trace time 0
        int baud = kDefaultLinRate;     // ids: the bus bit rate of the load
        const LdfModel* ldf = nullptr;  // judge (and decode) with this LDF
        bool signals = false;           // text: the decoded signals under each row
        bool frame = false;             // text with an LDF: the Frame column last, as in CSV
    };

    // Texts are made in form, as it is when each row is handed on.
    static std::unique_ptr<RowFormat> make(const Options& options, const TextForm& form,
                                           ByteOutput& out);

    virtual ~RowFormat() = default;
    // False once the output has refused bytes: nothing more will reach it.
    virtual bool row(const TraceEntry& entry) = 0;
    // A row left out (by a filter): what reads across rows, the diagnostic messages of the
    // signal lines and the CSV, still sees it.
    virtual void skip(const TraceEntry& /*entry*/) {}
    // Writes what is left, then the status line when there is one (text and ids only).
    // False when the output failed.
    virtual bool finish(const std::string& statusLine) = 0;
    // Writes the rows gathered so far at once (a live trace after each poll); the table
    // of --ids waits for finish(). False once the output has refused bytes.
    virtual bool flush() = 0;
};

}  // namespace daridez
