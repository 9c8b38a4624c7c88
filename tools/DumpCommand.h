#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "files/RotatingRecorder.h"
#include "files/RowFormat.h"
#include "lin/Query.h"
#include "tools/StdioOutput.h"
#include "trace/DisplayModes.h"

namespace daridez {

// The daridez-dump command: loads a dump file as "load trace" does and prints every
// row (or those a query selects) as one line of 15 TAB-separated fields (16 with the
// verdict of --check), or as CSV, a pcapng capture or the per-identifier table;
// optionally a summary line and a copy of the trace saved as "save trace" does. With an
// LDF (--ldf) it judges and filters against it and prints each frame's signals
// (--signals); --ldf-check reads an LDF and says what it found. With --port it traces
// the tracer live instead of reading a file (PortTrace).
// Unless the whole trace is needed (--refresh, -o), each row is printed as soon as
// it is complete and then freed, so memory stays the same for any file size.
class DumpCommand {
  public:
    static constexpr int kOk = 0;
    static constexpr int kFileError = 1;
    static constexpr int kUsageError = 2;

    // Runs the command with its arguments (without the program name); returns the
    // exit status.
    int run(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

  private:
    bool parse(int argc, const char* const* argv);
    bool parseValue(std::string_view arg);
    bool parseKnownValue(std::string_view arg);
    bool consistent();
    int execute(StdioOutput& output, std::FILE* err) const;
    int checkLdf(StdioOutput& output, std::FILE* err) const;
    static int finishOutput(StdioOutput& output, std::string_view text, std::FILE* err, int status);
    static int refusedOutput(const StdioOutput& output, std::FILE* err);
    int traceLive(const LdfModel* ldf, std::optional<Query> query, std::optional<Query> trigger,
                  std::FILE* out, std::FILE* err) const;

    DisplayModes modes_;
    RowFormat::Options format_;
    bool refresh_ = false;
    bool summary_ = false;
    bool help_ = false;
    bool signals_ = false;   // --signals
    bool ldfCheck_ = false;  // --ldf-check: FILE is an LDF to check
    bool describe_ = false;  // --describe, with --ldf-check
    std::string ldf_;        // --ldf=FILE
    std::optional<std::string> filter_;
    std::optional<std::string> trigger_;  // --trigger=QUERY
    std::int64_t preMicros_ = 0;          // --pre=SECONDS
    std::int64_t postMicros_ = 0;         // --post=SECONDS
    bool aroundTrigger_ = false;          // --pre or --post given
    std::optional<std::string> port_;     // --port[=PATH]: live from the tracer ("": the profile's)
    std::optional<int> linRate_;          // --lin-rate=N
    std::optional<double> duration_;      // --duration=SECONDS
    std::string record_;                  // --record=FILE
    std::optional<RotatingRecorder::Limit> rotate_;  // --rotate=SIZE|TIME
    std::string input_;
    std::string output_;
    std::string problem_;  // why the arguments were refused, one line
};

}  // namespace daridez
