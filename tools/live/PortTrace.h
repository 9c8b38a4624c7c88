#pragma once

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "files/RowFormat.h"
#include "lin/LinRates.h"
#include "lin/Query.h"
#include "serial/SerialSettings.h"
#include "trace/DisplayModes.h"

namespace daridez {

// daridez-dump --port: the tracer traced live from the command line. Sets the LIN rate,
// starts the trace, prints each row the query keeps as soon as it is complete (in any
// format), and on SIGINT, SIGTERM, SIGHUP, the duration's end or a closed output stops
// the trace (the stop command sent) and ends with status 0; a device that cannot be
// opened, does not answer, refuses the rate or vanishes ends with its message and 1.
class PortTrace {
  public:
    struct Options {
        std::string device;
        SerialSettings line{};
        int linRate = kDefaultLinRate;
        std::optional<std::chrono::milliseconds> duration;
        RowFormat::Options format;
        DisplayModes modes;
        std::optional<Query> query;
        bool summary = false;  // the status line at the end
        std::string record;    // the raw stream also appended to this dump file
    };

    static constexpr int kOk = 0;
    static constexpr int kDeviceError = 1;

    static int run(Options options, std::FILE* out, std::FILE* err);
};

}  // namespace daridez
