#include "tools/DumpCommand.h"

#include <string_view>

#include "files/DumpLoader.h"
#include "files/DumpWriter.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/StreamDecoder.h"
#include "trace/RowBudget.h"
#include "trace/TextRefresh.h"
#include "trace/TimeFormat.h"

namespace daridez {

namespace {

constexpr const char* kUsage =
    "usage: daridez-dump [--time=rel|abs] [--id=pid|id] [--data=hex|dec] [--refresh]\n"
    "                    [--summary] [-o OUT] FILE\n";

constexpr const char* kHelp =
    "Loads the LIN trace dump FILE as Daridez does and prints one line per row: the\n"
    "14 column texts (MsgNr, TimeStamp, Info, Sync, ID, DB0..DB7, CS) and the text\n"
    "colour (green, red or plain), separated by TABs.\n"
    "  --time=rel|abs  relative (default) or absolute time stamps\n"
    "  --id=pid|id     identifier as received, \"[ID]\" (default), or without parity, \"(id)\"\n"
    "  --data=hex|dec  data bytes in hexadecimal (default) or decimal\n"
    "  --refresh       re-render the texts in these modes after loading, as a mode switch does\n"
    "  --summary       end with the status line: clock, frame and error counts\n"
    "  -o OUT          save the loaded trace to the dump file OUT\n"
    "Exit status: 0 success, 1 FILE unreadable or OUT unwritable, 2 bad arguments.\n";

// Rows are only counted here; the trace list keeps them in creation order.
class NoView : public RowSink {
  public:
    bool AppendRow(TraceEntry*, std::int32_t) override { return true; }
};

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

const char* colourWord(Colour colour) {
    if (colour == kGreen) {
        return "green";
    }
    return colour == kRed ? "red" : "plain";
}

void printRow(std::FILE* out, const TraceEntry& row) {
    const char* fields[] = {row.numberText, row.timeText, row.infoText, row.syncText, row.idText};
    for (const char* field : fields) {
        std::fputs(field, out);
        std::fputc('\t', out);
    }
    for (const auto& byteText : row.byteTexts) {
        std::fputs(byteText, out);
        std::fputc('\t', out);
    }
    std::fputs(colourWord(row.textColour), out);
    std::fputc('\n', out);
}

}  // namespace

int DumpCommand::run(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    if (!parse(argc, argv)) {
        std::fputs(kUsage, err);
        return kUsageError;
    }
    if (help_) {
        std::fputs(kUsage, out);
        std::fputs(kHelp, out);
        return kOk;
    }
    return execute(out, err);
}

bool DumpCommand::parse(int argc, const char* const* argv) {
    bool options = true;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--help") {
            help_ = true;
        } else if (options && arg == "--refresh") {
            refresh_ = true;
        } else if (options && arg == "--summary") {
            summary_ = true;
        } else if (options && arg == "-o") {
            if (++i == argc || !output_.empty()) {
                return false;
            }
            output_ = argv[i];
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            bool matched = false;
            if (!parseChoice(arg, "--time=", "rel", "abs", modes_.relativeTime, matched) ||
                !parseChoice(arg, "--id=", "pid", "id", modes_.protectedId, matched) ||
                !parseChoice(arg, "--data=", "hex", "dec", modes_.hexData, matched) || !matched) {
                return false;
            }
        } else if (input_.empty()) {
            input_ = arg;
        } else {
            return false;
        }
    }
    return help_ || !input_.empty();
}

int DumpCommand::execute(std::FILE* out, std::FILE* err) const {
    TraceList list;
    list.setRowBudget(ChooseRowBudget(0));  // past it the load ends as out of memory
    NoView view;
    TraceState state = TraceState::Idle;
    StreamDecoder decoder(list, view, modes_, state);
    ReceiveBuffer buffer;
    DumpLoader loader(decoder, buffer);
    if (!loader.open(input_)) {
        std::fputs("load error\n", err);
        return kFileError;
    }
    // A fresh trace, as "clear TraceList" leaves it.
    list.FreeTraceList();
    decoder.ResetDecoder();
    buffer.carryOver = 0;
    if (loader.loadAll() != LoadResult::Ok) {
        std::fputs("load error\n", err);
        return kFileError;
    }
    if (decoder.takeOutOfMemory()) {
        std::fputs("Running out of memory...\n", err);
        return kFileError;
    }
    if (refresh_) {
        RefreshTimeTexts(list, modes_.relativeTime);
        RefreshIdTexts(list, modes_.protectedId);
        RefreshByteTexts(list, modes_.hexData);
    }
    for (const TraceEntry* row = list.TraceListHead(); row != nullptr; row = row->next) {
        printRow(out, *row);
    }
    if (summary_) {
        char clock[kTimeTextSize];
        FormatAbsoluteTime(clock, decoder.traceClock());
        std::fprintf(out, "active: %8.8s  \tFRMs: %ld  \tERRs: %ld\n", clock,
                     static_cast<long>(decoder.frameCount()),
                     static_cast<long>(decoder.errorCount()));
    }
    if (std::fflush(out) != 0) {
        return kFileError;
    }
    if (!output_.empty() && !DumpWriter::save(list.TraceListHead(), output_)) {
        std::fputs("save error\n", err);
        return kFileError;
    }
    return kOk;
}

}  // namespace daridez
