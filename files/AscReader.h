#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/AscLine.h"
#include "files/ByteReader.h"
#include "files/TraceTranslator.h"
#include "protocol/DeviceStreamWriter.h"
#include "trace/RowNotes.h"

namespace daridez {

// Reads an ASC log as the tracer would have reported its LIN bus: each frame, checksum
// error, header without response, broken-off response and sync error becomes the bus
// fields with their times (from SOF, EOH, EOB and EOF where the line gives them, else
// counted back from the line's time at its bit rate). Header lines, comments and other
// buses' lines are read past; of several LIN channels the first one logged is read.
// What the stream has no place for goes into the rows' notes: the bus events (wake-up,
// sleep, spike, ...) as rows of their own, and the checksum model a frame line names
// where the bytes may show another.
class AscReader : public TraceTranslator {
  public:
    AscReader(ByteReader& in, RowNotes& notes) : in_(in), notes_(notes) {}

    bool translate(std::vector<std::uint8_t>& out) override;
    std::string note() const override;
    std::string nothingRead() const override;

  private:
    void line(std::string_view text, std::vector<std::uint8_t>& out);
    void event(AscLineKind kind, const AscEvent& event, std::vector<std::uint8_t>& out);
    bool channelTaken(const AscEvent& event);
    void busEvent(const AscEvent& event);
    void logChecksum(const AscEvent& event, const BusFrame& frame);

    ByteReader& in_;
    RowNotes& notes_;
    std::vector<std::uint8_t> block_;
    std::string partial_;          // a line whose end has not been read yet
    bool partialTooLong_ = false;  // the line being read is past the longest kept
    DeviceStreamWriter writer_;
    AscSettings settings_;
    std::int64_t lastTime_ = 0;  // the time of the line before, for relative time stamps
    std::uint32_t channel_ = 0;  // the LIN channel read (0: not chosen yet)
    std::uint64_t events_ = 0;
    std::uint64_t notUnderstood_ = 0;
    std::uint64_t otherChannels_ = 0;
    std::int64_t lastEventTime_ = -1;  // the stream time of the last bus event
    std::uint8_t sameTimeEvents_ = 0;  // bus events at that time so far
};

}  // namespace daridez
