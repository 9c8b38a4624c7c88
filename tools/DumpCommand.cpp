#include "tools/DumpCommand.h"

#include <string_view>

#include "files/DumpWriter.h"
#include "files/TraceLoad.h"
#include "protocol/StatusLine.h"
#include "tools/RowPrinter.h"
#include "trace/RowBudget.h"
#include "trace/TextRefresh.h"

namespace daridez {

namespace {

constexpr const char* kUsage =
    "usage: daridez-dump [--time=rel|abs] [--id=pid|id] [--data=hex|dec] [--refresh]\n"
    "                    [--summary] [--check] [-o OUT] FILE\n";

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
    "                  (identifiers 3C and 3D allow only the classic checksum)\n"
    "  -o OUT          save the loaded trace to the dump file OUT\n"
    "Exit status: 0 success, 1 FILE unreadable or OUT unwritable, 2 bad arguments.\n";

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
        } else if (options && arg == "--check") {
            check_ = true;
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
    ReceiveBuffer buffer;
    const bool wholeTrace = refresh_ || !output_.empty();
    RowPrinter printer(out, list, RowPrinter::Options{check_, !wholeTrace});
    TraceSession session(list, buffer, printer);
    session.modes = modes_;
    const LoadResult result = LoadTrace(session, input_);
    if (result == LoadResult::OpenError || result == LoadResult::ReadError) {
        std::fputs("load error\n", err);
        return kFileError;
    }
    if (session.decoder.takeOutOfMemory()) {
        printer.flush();
        std::fputs("Running out of memory...\n", err);
        return kFileError;
    }
    if (refresh_) {
        RefreshTimeTexts(list, modes_.relativeTime);
        RefreshIdTexts(list, modes_.protectedId);
        RefreshByteTexts(list, modes_.hexData);
    }
    printer.printRemaining();
    if (summary_) {
        printer.printLine(FormatStatusLine2(session.decoder));
    }
    if (!printer.flush()) {
        return kFileError;
    }
    if (!output_.empty() && !DumpWriter::save(list.TraceListHead(), output_)) {
        std::fputs("save error\n", err);
        return kFileError;
    }
    return kOk;
}

}  // namespace daridez
