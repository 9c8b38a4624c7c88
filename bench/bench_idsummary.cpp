// ID summary benchmark: what growing the per-identifier summary costs beside loading the
// rows it is grown from. Usage: bench-idsummary [LIN frames per trace, default 1000000]
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "lin/FrameCheck.h"
#include "lin/IdSummary.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr int kRounds = 3;  // the fastest of a few rounds: the machine is shared

void report(const char* what, Seconds seconds, std::uint64_t rows, Seconds load) {
    std::printf(
        "  %-24s wall %7.3f s %6.1f ns/row %7.4f of the load | cpu %7.3f s %6.1f ns/row "
        "%7.4f of the load\n",
        what, seconds.wall, seconds.wall / rows * 1e9, seconds.wall / load.wall, seconds.cpu,
        seconds.cpu / rows * 1e9, seconds.cpu / load.cpu);
}

// What the summary starts from: the fields and the verdict of every row, and nothing kept.
Seconds readAndCheck(const TraceList& list, unsigned& sink) {
    Seconds best{1e9, 1e9};
    for (int round = 0; round < kRounds; ++round) {
        Timer start;
        for (const TraceEntry& e : list) {
            sink += CheckFrame(e).failed() ? 1u : 0u;
        }
        best = fastest(best, secondsSince(start));
    }
    return best;
}

Seconds summarise(const TraceList& list, IdSummary& summary) {
    Seconds best{1e9, 1e9};
    for (int round = 0; round < kRounds; ++round) {
        Timer start;
        summary.clear();
        for (const TraceEntry& e : list) {
            summary.add(e);
        }
        best = fastest(best, secondsSince(start));
    }
    return best;
}

bool runTrace(const char* name, const DumpGenerator::Options& options, const std::string& path) {
    {
        const DumpGenerator::Dump dump = DumpGenerator::generate(options);
        std::printf("%s: %llu LIN frames, %.1f MB\n", name,
                    static_cast<unsigned long long>(dump.linFrames), dump.bytes.size() / 1e6);
        if (!writeFile(path, dump.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
    }
    TraceList list;
    CountingSink view;
    Timer start;
    const bool loaded = loadDump(path, list, view);
    const Seconds load = secondsSince(start);
    std::remove(path.c_str());
    if (!loaded) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        return false;
    }
    std::printf("  %-24s wall %7.3f s %6.1f ns/row | cpu %7.3f s, %llu rows\n", "load into rows",
                load.wall, load.wall / view.rows * 1e9, load.cpu,
                static_cast<unsigned long long>(view.rows));

    unsigned failures = 0;
    report("read and check each row", readAndCheck(list, failures), view.rows, load);
    IdSummary summary;
    report("add each row", summarise(list, summary), view.rows, load);

    start = Timer{};
    const std::string table = FormatIdTable(summary, static_cast<int>(options.baudrate));
    const Seconds format = secondsSince(start);
    std::uint64_t bad = 0;
    for (int id = 0; id < IdSummary::kIdCount; ++id) {
        bad += summary.stats(id).bad;
    }
    std::printf("  %-24s wall %7.6f s, %zu bytes; %llu bad rows (%u per round counted); %s",
                "format the table", format.wall, table.size(), static_cast<unsigned long long>(bad),
                failures / kRounds, table.substr(table.rfind("bus load")).c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    const std::string path = scratchPath("bench-idsummary", ".dump");

    bool ok = runTrace("8 data bytes", options, path);
    options.minDataBytes = 1;
    options.seed = 7;
    ok = runTrace("1 to 8 data bytes", options, path) && ok;
    return ok ? 0 : 1;
}
