#pragma once

#include <string>
#include <vector>

#include "files/ByteOutput.h"
#include "lin/PlotSeries.h"

namespace daridez {

// One column of a plot's CSV: its header and the lane's points.
struct PlotCsvColumn {
    std::string header;  // "10 period [ms]"
    const PlotSeries* series = nullptr;
};

// Writes the plotted series for spreadsheets (RFC 4180, CRLF line ends): a header line
// "time,<lane>,<lane>...", then one record per time at which any lane has a point, in
// time order: the plot's time in seconds with six decimals, then each lane's value at
// that time, empty where the lane has none. False once out refused bytes.
bool WritePlotCsv(const std::vector<PlotCsvColumn>& columns, ByteOutput& out);

}  // namespace daridez
