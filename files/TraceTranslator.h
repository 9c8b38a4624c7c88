#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace daridez {

// The kinds of trace file a load understands, known from their content.
enum class TraceFileKind {
    Dump,    // the tracer device's own byte stream (and anything that is none of the others)
    Asc,     // an ASC text log
    Pcapng,  // a pcapng capture
    Pcap,    // a classic pcap capture
};

// The kind of the file that begins with these bytes.
TraceFileKind DetectTraceFileKind(const std::vector<std::uint8_t>& head);

// Turns another tool's trace into the device's byte stream, block by block, so that the
// one decoder makes its rows: the same checks, verdicts, signals, searches and exports as
// for a dump file.
class TraceTranslator {
  public:
    virtual ~TraceTranslator() = default;
    // Appends the device bytes of the next part of the file to out; false once the file
    // has been read to its end (out may still have received bytes).
    virtual bool translate(std::vector<std::uint8_t>& out) = 0;
    // What the reading left out or did not understand, for the status line ("12 lines
    // not understood"); "" when nothing.
    virtual std::string note() const = 0;
    // Why nothing could be read, once the file ended without one LIN event ("no LIN
    // events: 12 lines not understood"); "" when something was read.
    virtual std::string nothingRead() const = 0;
};

}  // namespace daridez
