#include "files/PlotCsv.h"

#include <cinttypes>
#include <cstdio>
#include <limits>

namespace daridez {

namespace {

constexpr std::size_t kBlockSize = 65536;

// A header with a comma, a quote or a line break in quotes, its quotes doubled.
std::string field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted(1, '"');
    for (const char c : text) {
        quoted.append(c == '"' ? 2 : 1, c);
    }
    return quoted.append(1, '"');
}

// Seconds with six decimals, exactly, for any count of microseconds.
void putTime(std::string& line, std::int64_t micros) {
    char text[40];
    const char* sign = micros < 0 ? "-" : "";
    const auto magnitude =
        micros < 0 ? 0 - static_cast<std::uint64_t>(micros) : static_cast<std::uint64_t>(micros);
    std::snprintf(text, sizeof text, "%s%" PRIu64 ".%06" PRIu64, sign, magnitude / 1'000'000,
                  magnitude % 1'000'000);
    line += text;
}

}  // namespace

bool WritePlotCsv(const std::vector<PlotCsvColumn>& columns, ByteOutput& out) {
    std::string block = "time";
    for (const PlotCsvColumn& column : columns) {
        block += ',' + field(column.header);
    }
    block += "\r\n";
    std::vector<std::size_t> next(columns.size(), 0);
    constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
    for (;;) {
        std::int64_t time = kNone;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (next[c] < columns[c].series->size()) {
                time = std::min(time, columns[c].series->at(next[c]).time);
            }
        }
        if (time == kNone) {
            break;
        }
        putTime(block, time);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            block += ',';
            const PlotSeries& series = *columns[c].series;
            if (next[c] < series.size() && series.at(next[c]).time == time) {
                char value[32];
                std::snprintf(value, sizeof value, "%.9g",
                              static_cast<double>(series.at(next[c]++).value));
                block += value;
            }
        }
        block += "\r\n";
        if (block.size() >= kBlockSize) {
            if (!out.write(block.data(), block.size())) {
                return false;
            }
            block.clear();
        }
    }
    return out.write(block.data(), block.size());
}

}  // namespace daridez
