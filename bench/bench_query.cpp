// Search benchmark: a generated dump of LIN frames loaded into rows, then every row
// matched against a few queries; each time beside the load, measured in the same run.
// Usage: bench-query [LIN frames, default 1000000]
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "lin/Query.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr int kRepeats = 3;  // the fastest pass is the least disturbed by other work

// Matches every row once; returns the rows kept.
std::uint64_t matchAll(const Query& query, const TraceList& list) {
    std::uint64_t kept = 0;
    for (const TraceEntry& row : list) {
        kept += query.matches(row, list.textForm()) ? 1 : 0;
    }
    return kept;
}

// The walk alone, no row read: the floor under every query.
void timeWalk(const TraceList& list, std::uint64_t rows, const Seconds& load) {
    Seconds best{1e9, 1e9};
    std::uint64_t walked = 0;
    for (int i = 0; i < kRepeats; ++i) {
        const Timer start;
        walked = 0;
        for (const TraceEntry& row : list) {
            walked += row.number != 0 ? 1 : 1;
        }
        best = fastest(best, secondsSince(start));
    }
    std::printf(
        "  %-12s %8llu rows      | wall %7.1f ms %6.1f ns/row (%.3f x load) | cpu %7.1f ms "
        "(%.3f x)\n",
        "(walk only)", static_cast<unsigned long long>(walked), best.wall * 1e3,
        best.wall * 1e9 / rows, best.wall / load.wall, best.cpu * 1e3, best.cpu / load.cpu);
}

bool timeQuery(const char* text, const TraceList& list, std::uint64_t rows, const Seconds& load) {
    std::string error;
    const std::optional<Query> query = Query::parse(text, error);
    if (!query) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    std::uint64_t kept = 0;
    Seconds best{1e9, 1e9};
    for (int i = 0; i < kRepeats; ++i) {
        const Timer start;
        kept = matchAll(*query, list);
        best = fastest(best, secondsSince(start));
    }
    std::printf(
        "  %-12s %8llu rows kept | wall %7.1f ms %6.1f ns/row (%.3f x load) | cpu %7.1f ms "
        "(%.3f x)\n",
        text, static_cast<unsigned long long>(kept), best.wall * 1e3, best.wall * 1e9 / rows,
        best.wall / load.wall, best.cpu * 1e3, best.cpu / load.cpu);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    const std::string path = scratchPath("bench-query", ".dump");
    {
        const DumpGenerator::Dump dump = DumpGenerator::generate(options);
        if (!writeFile(path, dump.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }

    TraceList list;
    CountingSink sink;
    const Timer start;
    const bool loaded = loadDump(path, list, sink);
    const Seconds load = secondsSince(start);
    std::remove(path.c_str());
    if (!loaded) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        return 1;
    }
    std::printf("load of %llu rows: wall %.1f ms, cpu %.1f ms\n",
                static_cast<unsigned long long>(sink.rows), load.wall * 1e3, load.cpu * 1e3);

    timeWalk(list, sink.rows, load);
    bool ok = true;
    for (const char* text : {"id=3C", "FFh", "data=7F??", "bad", "!err break"}) {
        ok = timeQuery(text, list, sink.rows, load) && ok;
    }
    return ok ? 0 : 1;
}
