// Memory benchmark: the resident size before a load, after it, and after the rows are
// freed, once as a clear does (the memory goes back to the system) and once as a reader
// freeing rows from the head does (the memory stays with the process, for the rows to
// come); then the row cost and the row budget this machine gets. Usage: bench-memory [LIN frames
// per trace, default 1000000]
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "trace/RowBudget.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

// VmRSS of /proc/self/status in MB, or -1.
double residentMb() {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (file == nullptr) {
        return -1;
    }
    char line[256];
    double mb = -1;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            mb = std::strtod(line + 6, nullptr) / 1024;
        }
    }
    std::fclose(file);
    return mb;
}

// Counts rows and, as a view does, keeps a little of its own now and then (a status
// text, a batch mark). Those small blocks sit between the rows in the heap and outlive
// them, so glibc cannot give the rows' memory back by shrinking the heap's top alone.
class KeepingSink : public CountingSink {
  public:
    bool AppendRow(TraceEntry* entry, std::int32_t number) override {
        if (rows % 65536 == 0) {
            kept.push_back("batch mark " + std::to_string(rows) + " of a longer text");
        }
        return CountingSink::AppendRow(entry, number);
    }
    std::vector<std::string> kept;
};

// Loads the file into list; the rows made, or 0 when the load failed.
std::uint64_t load(TraceList& list, const std::string& path, KeepingSink& view) {
    if (!loadDump(path, list, view)) {
        return 0;
    }
    return view.rows;
}

}  // namespace

int main(int argc, char** argv) {
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    const std::string path = scratchPath("bench-memory", ".dump");
    if (!writeFile(path, DumpGenerator::generate(options).bytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    TraceList list;
    bool ok = true;
    for (const bool clear : {true, false}) {
        const double before = residentMb();
        KeepingSink view;
        view.kept.reserve(1000);
        const std::uint64_t rows = load(list, path, view);
        const double loaded = residentMb();
        Timer start;
        if (clear) {
            list.FreeTraceList();
        } else {
            list.FreeRowsBefore(nullptr);
        }
        const Seconds freeing = secondsSince(start);
        const double freed = residentMb();
        std::printf(
            "%-28s %llu rows: resident %7.1f MB before, %7.1f MB loaded, %7.1f MB freed "
            "(%.3f s); %.0f bytes per row\n",
            clear ? "FreeTraceList (a clear)" : "FreeRowsBefore (a reader)",
            static_cast<unsigned long long>(rows), before, loaded, freed, freeing.wall,
            (loaded - before) * 1024 * 1024 / static_cast<double>(rows ? rows : 1));
        ok = ok && rows > 0 && list.rowCount() == 0;
    }
    std::remove(path.c_str());

    const MemorySources sources;
    const std::uint64_t available = AvailableMemory(sources);
    std::printf("row cost %llu bytes (record %zu); available %.0f MB; automatic budget %llu rows\n",
                static_cast<unsigned long long>(kRowCost), sizeof(TraceEntry),
                available / 1048576.0, static_cast<unsigned long long>(ChooseRowBudget(0)));
    return ok ? 0 : 1;
}
