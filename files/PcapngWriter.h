#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/ByteOutput.h"
#include "ldf/LdfModel.h"
#include "trace/TraceEntry.h"

namespace daridez {

// Writes the LIN frame rows of a trace as a pcapng capture (link type LIN, microsecond
// stamps) that packet analysers open: one packet per frame, the LIN pseudo-header
// carrying the identifier, the checksum, its model and the verdict's failures.
class PcapngWriter {
  public:
    // The section and interface headers are buffered here, so they reach out before
    // the first packet; a trace without LIN frames still gives a valid, empty capture
    // once finish() is called. epochMicros is the wall-clock time (microseconds since
    // 1970) of trace time 0. Without errorBits the packets carry no error bits (a live
    // capture whose user turned the checks off).
    PcapngWriter(ByteOutput& out, std::int64_t epochMicros, bool errorBits = true);

    // Trace time 0 is known only later (a live capture writes its headers before the
    // trace starts): the packets from now on are timed from this.
    void setEpochMicros(std::int64_t epochMicros) { epochMicros_ = epochMicros; }
    // The LDF the frames are judged with (nullptr: none), as the list and the CSV judge
    // them: a silent or collided event-triggered slot then carries no error bits.
    void setLdf(const LdfModel* ldf) { ldf_ = ldf; }

    // Adds the row as a packet when it is a LIN frame row the end of its recording did
    // not cut; other rows are skipped. open: the recording goes on past the row, though
    // no row follows it yet (a live bus fell quiet): its frame alone is judged, never cut.
    // False once out has refused bytes: nothing more is written then.
    bool writeRow(const TraceEntry& entry, bool open = false);
    // Adds a device error or buffer overflow row as a packet without identifier whose
    // error bits say what happened (a live capture shows the device's trouble where the
    // frames are); other rows are skipped. False once out has refused bytes.
    bool writeDeviceEvent(const TraceEntry& entry);
    // Hands out whatever is still buffered; false when out refused any bytes.
    bool finish();
    // The same, at any moment: a live capture hands on each poll's packets at once.
    bool flush();

  private:
    bool append(const std::uint8_t* bytes, std::size_t count);

    ByteOutput& out_;
    std::int64_t epochMicros_;
    bool errorBits_;
    const LdfModel* ldf_ = nullptr;
    std::vector<std::uint8_t> buffer_;
    bool ok_ = true;
};

}  // namespace daridez
