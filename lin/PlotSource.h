#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lin/FrameCheck.h"

namespace daridez {

// What a plot lane shows, and how it is written: in the lane picker, in the profile
// and as a CSV column's header. The texts, identifiers in hex:
//   "3C byte 2"              data byte 2 of identifier 3C
//   "21 bits 4..7"           bits 4 to 7 of identifier 21's data (bit 0: DB0's lowest;
//                            bit 8: DB1's lowest), as an unsigned number
//   "10 period"              milliseconds since identifier 10's previous frame
//   "bus load"               per second of trace time: the share of the bus used
//   "failed checks"          per second of trace time: LIN frames whose check failed
//   "failed checks parity"   the same, counting only verdicts holding that word
//   "RLS_Status.AmbientLight"  a signal of a frame the LDF describes, as the LDF reads it
enum class PlotKind : std::uint8_t { DataByte, Bits, Period, BusLoad, FailedChecks, Signal };

struct PlotSource {
    static constexpr int kMaxBit = 63;  // eight data bytes

    PlotKind kind = PlotKind::DataByte;
    std::uint8_t id = 0;        // DataByte, Bits, Period: identifier, parity bits removed
    std::uint8_t byte = 0;      // DataByte: 0..7
    std::uint8_t firstBit = 0;  // Bits: firstBit <= lastBit <= kMaxBit
    std::uint8_t lastBit = 0;
    std::optional<CheckWord> word;  // FailedChecks: only this failure word; none: all
    std::string frame;              // Signal: the frame's name and the signal's, as the LDF
    std::string signal;             // writes them

    bool operator==(const PlotSource&) const = default;
};

// The source for text, or nullopt with error set to one line saying what is wrong.
std::optional<PlotSource> ParsePlotSource(std::string_view text, std::string& error);
// The text ParsePlotSource reads back to the same source.
std::string PlotSourceText(const PlotSource& source);
// The unit of the lane's values: "ms", "%", "1/s", or "" for plain numbers and for
// signals (their unit is the LDF's).
const char* PlotSourceUnit(const PlotSource& source);
// True for the lanes counted per second of trace time rather than per frame.
bool PerSecond(const PlotSource& source);

}  // namespace daridez
