// Decode benchmark: how fast dump files are walked, loaded into rows, saved and exported
// (pcapng, CSV), and how much memory a row costs; each figure the fastest of some runs,
// the goals beside them (exit status 1 when one is missed).
// Usage: bench-decode [LIN frames per trace, default 1000000]
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "files/CsvWriter.h"
#include "files/DumpWriter.h"
#include "files/PcapngWriter.h"
#include "files/TraceLoad.h"
#include "lin/Columns.h"
#include "protocol/StreamDecoder.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

// A figure of /proc/self/status in kB ("VmRSS", "VmHWM"), or -1.
long statusKb(const char* key) {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (file == nullptr) {
        return -1;
    }
    char line[256];
    long value = -1;
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            value = std::strtol(line + keyLength + 1, nullptr, 10);
        }
    }
    std::fclose(file);
    return value;
}

// Lets the peak resident size start again from the current one (Linux 4.0 on).
bool resetPeak() {
    std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && ok;
}

// (a) the practical limit: read each length byte and skip the frame.
std::uint64_t walkFrames(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t frames = 0;
    std::size_t p = 0;
    while (p < bytes.size()) {
        const std::uint8_t b = bytes[p];
        if (b == 0) {
            ++p;
            continue;
        }
        p += b + 1u;
        ++frames;
    }
    return frames;
}

// Exports the list's rows with writer into path, as a window's export does.
template <typename Writer, typename Argument>
bool exportTo(const std::string& path, const TraceList& list, const Argument& argument) {
    FileOutput out(path);
    Writer writer(out, argument);
    bool ok = true;
    for (const TraceEntry& entry : list) {
        ok = ok && writer.writeRow(entry);
    }
    ok = writer.finish() && ok;
    return out.close() && ok;
}

long long fileSize(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return -1;
    }
    std::fseek(file, 0, SEEK_END);
    const long long size = std::ftell(file);
    std::fclose(file);
    return size;
}

void report(const char* what, Seconds seconds, std::size_t bytes, std::uint64_t linFrames) {
    std::printf(
        "  %-20s wall %7.3f s %8.1f MB/s %10.0f LIN frames/s | cpu %7.3f s %8.1f MB/s "
        "%10.0f LIN frames/s\n",
        what, seconds.wall, bytes / seconds.wall / 1e6, linFrames / seconds.wall, seconds.cpu,
        bytes / seconds.cpu / 1e6, linFrames / seconds.cpu);
}

constexpr int kRounds = 5;                // each figure is the fastest of this many runs
constexpr double kLoadGoal = 5e6;         // LIN frames/s of processor time
constexpr double kLoadOfWalkGoal = 0.13;  // the load's speed against the frame walk's
constexpr double kCsvGoal = 2e6;          // LIN frames/s of processor time
constexpr double kRowGoal = 150;          // bytes of a row record

struct Trace {
    std::string path;
    std::size_t size = 0;
    std::uint64_t linFrames = 0;
};

// (b) the file loaded into rows kRounds times; list keeps the last load. The peak
// resident size of the first load gives the memory per row.
bool measureLoad(const Trace& trace, TraceList& list, Seconds& best, double& bytesPerRow) {
    best = Seconds{1e9, 1e9};
    for (int round = 0; round < kRounds; ++round) {
        list.FreeTraceList();
        CountingSink view;
        ReceiveBuffer buffer;
        TraceSession session(list, buffer, view);
        const bool peakReset = resetPeak();
        const long baseline = peakReset ? statusKb("VmHWM") : statusKb("VmRSS");
        const Timer start;
        if (LoadTrace(session, trace.path) != LoadResult::Ok) {
            std::fprintf(stderr, "cannot load %s\n", trace.path.c_str());
            return false;
        }
        best = fastest(best, secondsSince(start));
        if (round == 0) {
            bytesPerRow = (statusKb("VmHWM") - baseline) * 1024.0 / static_cast<double>(view.rows);
            std::printf("  rows %llu, FRMs %d, ERRs %d\n",
                        static_cast<unsigned long long>(view.rows), session.decoder.frameCount(),
                        session.decoder.errorCount());
        }
    }
    return true;
}

// What a load cost while rows were made with their texts: every row's fourteen texts
// made once.
Seconds measureTexts(const TraceList& list, std::uint64_t& textBytes) {
    return bestOf(kRounds, [&] {
        textBytes = 0;
        for (const TraceEntry& entry : list) {
            CellScratch scratch;
            for (int column = 0; column < kStoredColumnCount; ++column) {
                textBytes += std::strlen(CellText(entry, list.textForm(), Column(column), scratch));
            }
        }
    });
}

// withWalkGoal: the load is held to its speed against the frame walk (on frames of
// eight data bytes; a walk over shorter frames skips fewer bytes per frame).
bool runTrace(const char* name, const DumpGenerator::Options& options, const std::string& path,
              bool withWalkGoal, Goals& goals) {
    std::vector<std::uint8_t> bytes;
    Trace trace{path};
    {
        DumpGenerator::Dump dump = DumpGenerator::generate(options);
        bytes.swap(dump.bytes);
        trace.linFrames = dump.linFrames;
        std::printf("%s: %llu LIN frames, %llu device errors, %llu timer wraps, %.1f MB\n", name,
                    static_cast<unsigned long long>(dump.linFrames),
                    static_cast<unsigned long long>(dump.deviceErrors),
                    static_cast<unsigned long long>(dump.timerWraps), bytes.size() / 1e6);
    }
    trace.size = bytes.size();
    const std::size_t size = trace.size;
    const std::uint64_t linFrames = trace.linFrames;

    std::uint64_t frames = 0;
    const Seconds walkSeconds = bestOf(kRounds, [&] { frames = walkFrames(bytes); });
    report("(a) frame walk", walkSeconds, size, linFrames);
    if (!writeFile(path, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::vector<std::uint8_t>().swap(bytes);  // the load reads the file, not memory

    TraceList list;
    Seconds loadSeconds;
    double bytesPerRow = 0;
    if (!measureLoad(trace, list, loadSeconds, bytesPerRow)) {
        return false;
    }
    report("(b) load into rows", loadSeconds, size, linFrames);

    std::uint64_t textBytes = 0;
    const Seconds textSeconds = measureTexts(list, textBytes);
    const Seconds withTexts{loadSeconds.wall + textSeconds.wall, loadSeconds.cpu + textSeconds.cpu};
    report("(b') load, texts made", withTexts, size, linFrames);

    const std::string saved = path + ".saved";
    bool savedOk = true;
    const Seconds saveSeconds =
        bestOf(kRounds, [&] { savedOk = DumpWriter::save(list, saved) && savedOk; });
    report("(c) save", saveSeconds, size, linFrames);
    std::remove(saved.c_str());

    const std::string pcapng = path + ".pcapng";
    bool pcapngOk = true;
    const Seconds pcapngSeconds = bestOf(kRounds, [&] {
        pcapngOk = exportTo<PcapngWriter>(pcapng, list, std::int64_t{0}) && pcapngOk;
    });
    report("(d) export pcapng", pcapngSeconds, size, linFrames);
    const long long pcapngSize = fileSize(pcapng);
    std::remove(pcapng.c_str());

    const std::string csv = path + ".csv";
    bool csvOk = true;
    const Seconds csvSeconds =
        bestOf(kRounds, [&] { csvOk = exportTo<CsvWriter>(csv, list, list.textForm()) && csvOk; });
    report("(e) export CSV", csvSeconds, size, linFrames);
    const long long csvSize = fileSize(csv);
    std::remove(csv.c_str());

    std::printf("  device frames %llu (fastest of %d runs each)\n",
                static_cast<unsigned long long>(frames), kRounds);
    std::printf("  ratio (b)/(b') speed: wall %.2f, cpu %.2f (%.1f MB of texts)\n",
                withTexts.wall / loadSeconds.wall, withTexts.cpu / loadSeconds.cpu,
                static_cast<double>(textBytes) / 1e6);
    std::printf(
        "  export time / save time: pcapng wall %.2f cpu %.2f (%.1f MB), CSV wall %.2f "
        "cpu %.2f (%.1f MB)\n",
        pcapngSeconds.wall / saveSeconds.wall, pcapngSeconds.cpu / saveSeconds.cpu,
        pcapngSize / 1e6, csvSeconds.wall / saveSeconds.wall, csvSeconds.cpu / saveSeconds.cpu,
        csvSize / 1e6);
    std::printf(
        "  memory per row: %.0f bytes (peak resident over the load; 688 with ready-made "
        "texts)\n",
        bytesPerRow);
    goals.atLeast("(b) load into rows, cpu", linFrames / loadSeconds.cpu, kLoadGoal,
                  "LIN frames/s");
    if (withWalkGoal) {
        goals.atLeast("(b)/(a) speed, cpu", walkSeconds.cpu / loadSeconds.cpu, kLoadOfWalkGoal, "");
    } else {
        std::printf("  ratio (b)/(a) speed: cpu %.4f\n", walkSeconds.cpu / loadSeconds.cpu);
    }
    goals.atMost("row record", sizeof(TraceEntry), kRowGoal, "bytes");
    goals.atLeast("(e) export CSV, cpu", linFrames / csvSeconds.cpu, kCsvGoal, "LIN frames/s");
    std::remove(path.c_str());
    return savedOk && pcapngOk && csvOk;
}

}  // namespace

int main(int argc, char** argv) {
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    const std::string path = scratchPath("bench-decode", ".dump");

    Goals goals;
    bool ok = runTrace("8 data bytes", options, path, true, goals);
    options.minDataBytes = 1;
    options.seed = 7;
    ok = runTrace("1 to 8 data bytes", options, path, false, goals) && ok;
    return ok ? goals.exitStatus() : 1;
}
