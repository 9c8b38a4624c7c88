#include "tools/DumpCommand.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <limits>

#include "files/DumpWriter.h"
#include "files/RotatingRecorder.h"
#include "files/TraceLoad.h"
#include "ldf/LdfDescription.h"
#include "ldf/LdfParser.h"
#include "lin/LinRates.h"
#include "protocol/StatusLine.h"
#include "serial/PortPaths.h"
#include "serial/Profile.h"
#include "serial/SerialSettings.h"
#include "tools/StdioOutput.h"
#include "tools/TriggeredRows.h"
#include "tools/live/CompletedRows.h"
#include "tools/live/PortTrace.h"
#include "trace/RowBudget.h"

namespace daridez {

namespace {

constexpr const char* kUsage =
    "usage: daridez-dump [--time=rel|abs] [--id=pid|id] [--data=hex|dec] [--refresh]\n"
    "                    [--summary] [--check] [--filter=QUERY] [--format=text|csv|pcapng|asc]\n"
    "                    [--epoch=SECONDS] [--ids [--baud=N]] [-o OUT]\n"
    "                    [--trigger=QUERY [--pre=SECONDS] [--post=SECONDS]] FILE\n"
    "       daridez-dump --ldf=LDF [--signals] [the options above] FILE\n"
    "       daridez-dump --port[=DEVICE] [--lin-rate=N] [--duration=SECONDS]\n"
    "                    [--record=FILE [--rotate=SIZE|TIME]] [--ldf=LDF [--signals]]\n"
    "                    [the options above but -o, --refresh]\n"
    "       daridez-dump --ldf-check [--describe] LDF\n";

constexpr const char* kHelp =
    "Loads the LIN trace dump FILE as Daridez does and prints one line per row: the\n"
    "14 column texts (MsgNr, TimeStamp, Info, Sync, ID, DB0..DB7, CS) and the text\n"
    "colour (green, red or plain), separated by TABs.\n"
    "  --time=rel|abs  relative (default) or absolute time stamps\n"
    "  --id=pid|id     identifier as received, \"[ID]\" (default), or without parity, \"(id)\"\n"
    "  --data=hex|dec  data bytes in hexadecimal (default) or decimal\n"
    "  --refresh       re-render the texts in these modes after loading, as a mode switch does\n"
    "  --summary       end with the status line: clock, frame and error counts\n"
    "  --check         add the LIN frame check as a 16th field, words separated by commas\n"
    "                  (empty for rows that are not LIN frames):\n"
    "                    classic, enhanced  the checksum model that matched (a good frame)\n"
    "                    no-sync, sync      no sync field / a sync byte other than 55\n"
    "                    no-id, parity      no identifier / wrong identifier parity bits\n"
    "                    no-response, short no response byte / one byte, no checksum\n"
    "                    checksum           the checksum matches no allowed model\n"
    "                    cut                the last frame of a recording, broken off by its\n"
    "                                       end (Stop): in place of the words it would fail\n"
    "                    silent             with --ldf: an event-triggered header no frame\n"
    "                                       answered (normal, not a failure)\n"
    "                    collision          with --ldf: an event-triggered slot two slaves\n"
    "                                       answered at once (normal, not a failure)\n"
    "                  (identifiers 3C and 3D allow only the classic checksum)\n"
    "  --filter=QUERY  print only the rows that match every term of QUERY:\n"
    "%s"
    "  --format=F      text (default); csv: a header line, then per row the 14 texts, the\n"
    "                  colour and the check (RFC 4180); pcapng: the LIN frames as a capture\n"
    "                  for Wireshark (link type LIN), other rows are left out; asc: an ASC log\n"
    "                  of the LIN frames (error events for failed checks, device events as\n"
    "                  comments), as other LIN tools read it\n"
    "  --epoch=SECONDS pcapng, asc: the wall-clock time of trace time 0 (default 0)\n"
    "  --trigger=QUERY only the rows within --pre before and --post after each row\n"
    "                  QUERY matches (overlapping stretches merge; --filter then chooses\n"
    "                  among them); in text a line \"# trigger at TIME: QUERY\" begins each\n"
    "                  stretch (in asc a comment; csv, pcapng and --ids only the rows);\n"
    "                  with --record only these rows are recorded\n"
    "  --pre=SECONDS, --post=SECONDS  with --trigger: the time kept before and after each\n"
    "                  trigger (default 0)\n"
    "  --ids           instead of the rows, one line per identifier: frames, bad frames,\n"
    "                  data lengths, checksum model, period min/avg/max in ms, last data;\n"
    "                  then the bus load\n"
    "  --baud=N        the bus bit rate the load assumes (default %d)\n"
    "  -o OUT          save the loaded trace (all of it) to the dump file OUT\n"
    "  --ldf=LDF       read the LIN description file LDF (its diagnostics on standard\n"
    "                  error): --check also judges each frame against it (unknown-id: no\n"
    "                  frame has the identifier; length: the LDF's length differs; model:\n"
    "                  only the checksum model the LDF does not name matches; cut stands\n"
    "                  only for what the end of the recording explains), pcapng judges\n"
    "                  alike, --filter\n"
    "                  takes frame= and signal: terms, csv adds the columns Frame and Signals,\n"
    "                  --ids adds frame, publisher, ldf_length, period_nominal (from the\n"
    "                  first schedule table holding the frame), ldf (0 frames, not in\n"
    "                  LDF, late) and collisions (of an event-triggered frame) and a line\n"
    "                  for each frame of the LDF never seen; an answered event slot counts\n"
    "                  for the frame that answered, a go-to-sleep pauses periods and load\n"
    "  --signals       under each row, one line per signal: TAB FRAME.SIGNAL = VALUE UNIT\n"
    "                  (raw RAW), then (frame failed: WORDS) where the frame's check failed;\n"
    "                  diagnostic frames (3C, 3D) as the transport layer reads them\n"
    "  --ldf-check     read LDF, print its diagnostics and a summary line; exit 0 when it\n"
    "                  names frames to decode, 1 otherwise\n"
    "  --describe      with --ldf-check: list the nodes, frames, signals and schedule tables\n"
    "  --port[=DEVICE] instead of a FILE, the tracer live: its LIN rate set, the trace\n"
    "                  started, each row printed as soon as it is complete; Ctrl+C, SIGTERM,\n"
    "                  the duration's end or a closed output stop the trace (DEVICE: the\n"
    "                  profile's port and serial line by default)\n"
    "  --lin-rate=N    with --port: the LIN rate set on the tracer (default: the profile's,\n"
    "                  or %d)\n"
    "  --duration=SECONDS  with --port: stop the trace after this long\n"
    "  --record=FILE   with --port: also append the tracer's bytes to the dump file FILE\n"
    "                  (\"load trace\" reads it; a kill loses at most the last poll's)\n"
    "  --rotate=SIZE|TIME  with --record: one file after another, each named by its start\n"
    "                  (FILE's name, then -YYYY-MM-DD_HH-MM-SS), a new one begun where a row\n"
    "                  starts once the file holds SIZE bytes (B, kB, MB, GB, KiB, MiB, GiB)\n"
    "                  or is TIME old (s, min, h, d): 100MB, 1h\n"
    "FILE may also be an ASC log or a pcapng/pcap capture of LIN frames (known by its\n"
    "content); what it left out is said on standard error. FILE - reads standard input.\n"
    "Exit status: 0 success, 1 FILE unreadable, OUT or standard output unwritable (the\n"
    "reason on standard error), or the tracer not answering, refusing the rate or gone,\n"
    "2 bad arguments, QUERY or an LDF with nothing usable.\n";

// "--name=value" with value one of two words: sets flag to (value == first).
bool parseChoice(std::string_view arg, std::string_view name, std::string_view first,
                 std::string_view second, bool& flag, bool& matched) {
    if (arg.substr(0, name.size()) != name) {
        return true;
    }
    matched = true;
    const std::string_view value = arg.substr(name.size());
    if (value == first || value == second) {
        flag = value == first;
        return true;
    }
    return false;
}

template <typename Number>
bool parseNumber(std::string_view text, Number& number) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return !text.empty() && error == std::errc() && stop == end;
}

bool parseFormat(std::string_view value, RowFormat::Kind& kind) {
    if (value == "text") {
        kind = RowFormat::Kind::Text;
    } else if (value == "csv") {
        kind = RowFormat::Kind::Csv;
    } else if (value == "pcapng") {
        kind = RowFormat::Kind::Pcapng;
    } else if (value == "asc") {
        kind = RowFormat::Kind::Asc;
    } else {
        return false;
    }
    return true;
}

}  // namespace

int DumpCommand::run(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    if (!parse(argc, argv)) {
        std::fprintf(err, "daridez-dump: %s\n", problem_.c_str());
        std::fputs(kUsage, err);
        return kUsageError;
    }
    StdioOutput output(out);
    if (help_) {
        const std::string_view help = kHelp;
        const std::size_t query = help.find("%s");
        std::string text = kUsage;
        text.append(help.substr(0, query)).append(kQueryHelp).append(help.substr(query + 2));
        const std::string rate = std::to_string(kDefaultLinRate);
        for (std::size_t at = text.find("%d"); at != std::string::npos; at = text.find("%d", at)) {
            text.replace(at, 2, rate);
        }
        return finishOutput(output, text, err, kOk);
    }
    return execute(output, err);
}

// Writes text and flushes the output; a refusal (a full disk) is said with its reason
// and ends the command with status 1, else the status is `status`.
int DumpCommand::finishOutput(StdioOutput& output, std::string_view text, std::FILE* err,
                              int status) {
    if (output.write(text.data(), text.size()) && output.flush()) {
        return status;
    }
    return refusedOutput(output, err);
}

int DumpCommand::refusedOutput(const StdioOutput& output, std::FILE* err) {
    std::fprintf(err, "daridez-dump: cannot write the output: %s\n", output.error().c_str());
    return kFileError;
}

bool DumpCommand::parse(int argc, const char* const* argv) {
    bool options = true;
    bool ids = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto refuse = [this](std::string problem) {
            problem_ = std::move(problem);
            return false;
        };
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--help") {
            help_ = true;
        } else if (options && arg == "--refresh") {
            refresh_ = true;
        } else if (options && arg == "--summary") {
            summary_ = true;
        } else if (options && arg == "--check") {
            format_.check = true;
        } else if (options && arg == "--ids") {
            ids = true;
        } else if (options && arg == "--signals") {
            signals_ = true;
        } else if (options && arg == "--ldf-check") {
            ldfCheck_ = true;
        } else if (options && arg == "--describe") {
            describe_ = true;
        } else if (options && arg == "--port") {
            port_ = std::string();
        } else if (options && arg == "-o") {
            if (!output_.empty()) {
                return refuse("\"-o\" given twice");
            }
            if (++i == argc) {
                return refuse("\"-o\" needs a file name");
            }
            output_ = argv[i];
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            if (!parseValue(arg)) {
                return refuse(problem_.empty() ? "unknown option \"" + std::string(arg) + "\""
                                               : problem_);
            }
        } else if (input_.empty()) {
            input_ = arg;
        } else {
            return refuse("one FILE only: \"" + std::string(arg) + "\"");
        }
    }
    if (ids) {
        if (format_.kind != RowFormat::Kind::Text) {
            problem_ = "\"--ids\" does not go with --format";
            return false;
        }
        format_.kind = RowFormat::Kind::Ids;
    }
    if (help_) {
        return true;
    }
    if (input_.empty() && !port_) {
        problem_ = "no FILE given";
        return false;
    }
    return consistent();
}

// The options that take a value: "--name=value". A known option with a bad value
// names it in problem_.
bool DumpCommand::parseValue(std::string_view arg) {
    const bool known = parseKnownValue(arg);
    if (!known && problem_.empty() && arg.find('=') != std::string_view::npos) {
        const std::string_view name = arg.substr(0, arg.find('=') + 1);
        for (const char* option :
             {"--format=", "--epoch=", "--baud=", "--time=", "--id=", "--data=", "--port=",
              "--lin-rate=", "--duration=", "--rotate=", "--pre=", "--post="}) {
            if (name == option) {
                problem_ = "bad value in \"" + std::string(arg) + "\"";
            }
        }
    }
    return known;
}

bool DumpCommand::parseKnownValue(std::string_view arg) {
    const auto value = [arg](std::string_view name) { return arg.substr(name.size()); };
    if (arg.starts_with("--trigger=") && !trigger_) {
        trigger_ = std::string(value("--trigger="));
        return true;
    }
    if (arg.starts_with("--pre=") || arg.starts_with("--post=")) {
        const bool pre = arg.starts_with("--pre=");
        double seconds = 0;
        if (!parseNumber(value(pre ? "--pre=" : "--post="), seconds) || !(seconds >= 0) ||
            seconds > 1e6) {
            return false;
        }
        (pre ? preMicros_ : postMicros_) = static_cast<std::int64_t>(seconds * 1e6 + 0.5);
        aroundTrigger_ = true;
        return true;
    }
    if (arg.starts_with("--filter=")) {
        filter_ = std::string(value("--filter="));
        return true;
    }
    if (arg.starts_with("--ldf=") && ldf_.empty()) {
        ldf_ = std::string(value("--ldf="));
        return !ldf_.empty();
    }
    if (arg.starts_with("--port=") && !port_) {
        port_ = std::string(value("--port="));
        return !port_->empty();
    }
    if (arg.starts_with("--rotate=") && !rotate_) {
        rotate_ = RotatingRecorder::ParseLimit(value("--rotate="));
        return rotate_.has_value();
    }
    if (arg.starts_with("--record=") && record_.empty()) {
        record_ = std::string(value("--record="));
        return !record_.empty();
    }
    if (arg.starts_with("--lin-rate=")) {
        int rate = 0;
        return parseNumber(value("--lin-rate="), rate) && IsLinRate(rate) &&
               (linRate_ = rate, true);
    }
    if (arg.starts_with("--duration=")) {
        double seconds = 0;
        return parseNumber(value("--duration="), seconds) && seconds > 0 && seconds < 1e9 &&
               (duration_ = seconds, true);
    }
    if (arg.starts_with("--format=")) {
        return parseFormat(value("--format="), format_.kind);
    }
    if (arg.starts_with("--epoch=")) {
        // Seconds since 1970 that still fit as microseconds; a capture has no time
        // before 1970.
        constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 1'000'000;
        std::int64_t seconds = 0;
        if (!parseNumber(value("--epoch="), seconds) || seconds > kLimit || seconds < 0) {
            return false;
        }
        format_.epochMicros = seconds * 1'000'000;
        return true;
    }
    if (arg.starts_with("--baud=")) {
        return parseNumber(value("--baud="), format_.baud) && format_.baud > 0;
    }
    bool matched = false;
    return parseChoice(arg, "--time=", "rel", "abs", modes_.relativeTime, matched) &&
           parseChoice(arg, "--id=", "pid", "id", modes_.protectedId, matched) &&
           parseChoice(arg, "--data=", "hex", "dec", modes_.hexData, matched) && matched;
}

// A status line has no place in a CSV file or a capture; signal lines only go under
// text lines (CSV has its Signals column); --describe belongs to --ldf-check.
bool DumpCommand::consistent() {
    const bool binaryOrTable =
        format_.kind == RowFormat::Kind::Csv || format_.kind == RowFormat::Kind::Pcapng;
    if (ldfCheck_ && !ldf_.empty()) {
        problem_ = "\"--ldf-check\" does not go with --ldf";
    } else if (ldfCheck_ && signals_) {
        problem_ = "\"--signals\" does not go with --ldf-check";
    } else if (summary_ && binaryOrTable && !ldfCheck_) {
        problem_ = "\"--summary\" does not go with --format=csv or pcapng";
    } else if (summary_ && format_.kind == RowFormat::Kind::Asc && !ldfCheck_) {
        problem_ = "\"--summary\" does not go with --format=asc";
    } else if (describe_ && !ldfCheck_) {
        problem_ = "\"--describe\" needs --ldf-check";
    } else if (signals_ && format_.kind != RowFormat::Kind::Text &&
               format_.kind != RowFormat::Kind::Csv) {
        // The CSV carries the signals in a column of its own: --signals asks for nothing
        // more there.
        problem_ = "\"--signals\" does not go with --format=pcapng, asc or --ids";
    } else if (port_ && !input_.empty()) {
        problem_ = "\"--port\" traces the tracer, not a FILE: \"" + input_ + "\"";
    } else if (port_ && (ldfCheck_ || refresh_ || !output_.empty())) {
        problem_ = "\"--port\" does not go with --ldf-check, --refresh or -o";
    } else if (!port_ && (linRate_ || duration_ || !record_.empty())) {
        problem_ = "\"--lin-rate\", \"--duration\" and \"--record\" need --port";
    } else if (rotate_ && record_.empty()) {
        problem_ = "\"--rotate\" needs --record";
    } else if (aroundTrigger_ && !trigger_) {
        problem_ = "\"--pre\" and \"--post\" need --trigger";
    } else if (trigger_ && (refresh_ || !output_.empty())) {
        problem_ = "\"--trigger\" does not go with --refresh or -o";
    }
    return problem_.empty();
}

// --ldf-check [--describe] LDF
int DumpCommand::checkLdf(StdioOutput& output, std::FILE* err) const {
    const LdfFile file = LdfParser::read(input_);
    std::string text;
    for (const LdfDiagnostic& diagnostic : file.diagnostics) {
        text += diagnostic.format(input_) + "\n";
    }
    if (describe_ && file.read) {
        text += LdfDescription(file.model).text();
    }
    text += file.summary() + "\n";
    return finishOutput(output, text, err, file.usable() ? kOk : kFileError);
}

int DumpCommand::execute(StdioOutput& output, std::FILE* err) const {
    if (ldfCheck_) {
        return checkLdf(output, err);
    }
    std::optional<LdfFile> ldf;
    if (!ldf_.empty()) {
        ldf = LdfParser::read(ldf_);
        for (const LdfDiagnostic& diagnostic : ldf->diagnostics) {
            std::fprintf(err, "%s\n", diagnostic.format(ldf_).c_str());
        }
        if (!ldf->usable()) {
            std::fprintf(err, "%s: no frames to decode with\n", ldf_.c_str());
            return kUsageError;
        }
    }
    const LdfModel* model = ldf ? &ldf->model : nullptr;
    std::optional<Query> query;
    if (filter_) {
        std::string error;
        query = Query::parse(*filter_, error, model);
        if (!query) {
            std::fprintf(err, "%s\n", error.c_str());
            return kUsageError;
        }
    }
    std::optional<Query> trigger;
    if (trigger_) {
        std::string error;
        trigger = Query::parse(*trigger_, error, model);
        if (!trigger) {
            std::fprintf(err, "%s\n", error.c_str());
            return kUsageError;
        }
    }
    if (port_) {
        return traceLive(model, std::move(query), std::move(trigger), output.file(), err);
    }
    TraceList list;
    RowFormat::Options options = format_;
    options.ldf = model;
    options.signals = signals_ && format_.kind == RowFormat::Kind::Text;
    const std::unique_ptr<RowFormat> format = RowFormat::make(options, list.textForm(), output);
    list.setRowBudget(ChooseRowBudget(0));  // past it the load ends as out of memory
    const bool wholeTrace = refresh_ || !output_.empty();
    const auto print = [&](const TraceEntry& row) {
        if (!query || query->matches(row, list.textForm())) {
            format->row(row);
        } else {
            format->skip(row);
        }
    };
    TriggeredRows triggered(*format, print, [&](const TraceEntry& row) {
        if (query) {
            query->matches(row, list.textForm());  // it reads across rows
        }
        format->skip(row);
    });
    std::optional<TriggerGate> gate;
    if (trigger) {
        const std::uint64_t ring = std::min<std::uint64_t>(list.rowBudget(), SIZE_MAX);
        gate.emplace(std::move(*trigger), preMicros_, postMicros_, static_cast<std::size_t>(ring),
                     triggered);
        triggered.setGate(&*gate);
    }
    CompletedRows rows(list, !wholeTrace, [&](const TraceEntry& row) {
        if (gate) {
            gate->row(row, false, list.textForm());
        } else {
            print(row);
        }
    });
    ReceiveBuffer buffer;
    TraceSession session(list, buffer, rows);
    session.applyDisplayModes(modes_);
    std::string reason;
    LoadHooks hooks;
    hooks.failed = [&reason](const std::string& why) { reason = why; };
    hooks.note = [this, err](const std::string& note) {
        std::fprintf(err, "%s: %s\n", input_.c_str(), note.c_str());
    };
    const LoadResult result =
        input_ == "-" ? LoadTrace(session, stdin, hooks) : LoadTrace(session, input_, hooks);
    if (result == LoadResult::OpenError || result == LoadResult::ReadError) {
        std::fprintf(err, "load error: %s: %s\n", input_.c_str(), reason.c_str());
        return kFileError;
    }
    if (session.decoder.takeOutOfMemory()) {
        if (!wholeTrace) {
            rows.finish();  // the rows printed so far end with the last one made
        }
        if (gate) {
            gate->finish();
        }
        format->finish({});
        const bool written = output.flush();
        std::fputs("Running out of memory...\n", err);
        return written ? kFileError : refusedOutput(output, err);
    }
    if (refresh_) {
        list.redrawAllTexts(modes_);
    }
    rows.finish();
    if (gate) {
        gate->finish();
    }
    const std::string status = summary_ ? FormatStatusLine2(session.decoder) : std::string();
    if (!format->finish(status) || !output.flush()) {
        return refusedOutput(output, err);
    }
    std::string whyNotSaved;
    if (!output_.empty() && !DumpWriter::save(list, output_, &whyNotSaved)) {
        std::fprintf(err, "save error: %s: %s\n", output_.c_str(), whyNotSaved.c_str());
        return kFileError;
    }
    return kOk;
}

// --port: the device named, else the profile's port; the profile's serial line and LIN
// rate unless --lin-rate chooses.
int DumpCommand::traceLive(const LdfModel* ldf, std::optional<Query> query,
                           std::optional<Query> trigger, std::FILE* out, std::FILE* err) const {
    const Profile profile(Profile::defaultPath());
    PortTrace::Options live;
    InitSerialSettings(live.line);
    LoadSerialSettings(&profile, live.line);
    PortPaths paths;
    paths.load(profile);
    live.device = port_->empty() ? paths.path(live.line.ComPort) : *port_;
    live.linRate = linRate_.value_or(LoadLinRate(profile, kDefaultLinRate));
    if (duration_) {
        live.duration = std::chrono::milliseconds(static_cast<std::int64_t>(*duration_ * 1000));
    }
    live.format = format_;
    live.format.ldf = ldf;
    live.format.signals = signals_;
    live.modes = modes_;
    live.query = std::move(query);
    live.summary = summary_;
    live.record = record_;
    live.rotate = rotate_;
    live.trigger = std::move(trigger);
    live.preMicros = preMicros_;
    live.postMicros = postMicros_;
    return PortTrace::run(std::move(live), out, err);
}

}  // namespace daridez
