// Other tools' trace formats, as figures with their goals (best of three runs, CPU):
//  - writing a million LIN frames as an ASC log (at least 2 M frames/s);
//  - reading that log back into rows (at least 1 M frames/s: text parsing);
//  - reading a pcapng capture of them back into rows;
//  - daridez-dump's peak resident size on the log, a tenth and the whole of it: it
//    prints and frees the rows as they come, so the size stays flat.
// Exits 1 when a goal is missed.
// Usage: bench-traceformats [LIN frames, default 1000000]
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "files/AscWriter.h"
#include "files/PcapngWriter.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr double kWriteGoal = 2e6;  // frames per second
constexpr double kReadGoal = 1e6;
constexpr double kFlatGoal = 1.5;  // peak at all frames over peak at a tenth

// Takes the bytes and keeps nothing: the writer's own cost.
class NullOutput : public ByteOutput {
  public:
    bool write(const void*, std::size_t size) override { return bytes += size, true; }
    std::size_t bytes = 0;
};

template <typename Step>
double bestCpu(Step step) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        const Timer start;
        step();
        best = std::min(best, secondsSince(start).cpu);
    }
    return best;
}

bool report(const char* what, double frames, double seconds, double goal) {
    const double rate = frames / seconds;
    const bool met = rate >= goal;
    std::printf("  %-34s %6.2f M frames/s cpu, goal >= %.1f M/s, %s\n", what, rate / 1e6,
                goal / 1e6, met ? "met" : "MISSED");
    return met;
}

template <typename Writer>
bool writeAll(const TraceList& list, Writer& writer) {
    bool ok = true;
    for (std::uint64_t i = 0; i < list.rowCount(); ++i) {
        ok = writer.writeRow(*list.at(i)) && ok;
    }
    return writer.finish() && ok;
}

std::uint64_t loadRows(const std::string& path) {
    TraceList list;
    CountingSink sink;
    loadDump(path, list, sink);
    return sink.rows;
}

}  // namespace

int main(int argc, char** argv) {
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    options.minDataBytes = 1;
    const DumpGenerator::Dump dump = DumpGenerator::generate(options);
    const std::string dumpPath = scratchPath("bench-traceformats", ".dump");
    const std::string ascPath = scratchPath("bench-traceformats", ".asc");
    const std::string pcapngPath = scratchPath("bench-traceformats", ".pcapng");
    if (!writeFile(dumpPath, dump.bytes)) {
        std::fprintf(stderr, "bench-traceformats: cannot write %s\n", dumpPath.c_str());
        return 2;
    }
    TraceList list;
    CountingSink sink;
    loadDump(dumpPath, list, sink);
    const auto frames = static_cast<double>(dump.linFrames);
    std::printf("%.0f LIN frames of 1 to 8 bytes\n", frames);

    bool met = report("write ASC", frames, bestCpu([&] {
                          NullOutput out;
                          AscWriter writer(out, 0);
                          writeAll(list, writer);
                      }),
                      kWriteGoal);
    {
        FileOutput asc(ascPath);
        AscWriter writer(asc, 0);
        FileOutput pcapng(pcapngPath);
        PcapngWriter capture(pcapng, 0);
        if (!writeAll(list, writer) || !asc.close() || !writeAll(list, capture) ||
            !pcapng.close()) {
            std::fprintf(stderr, "bench-traceformats: cannot write the scratch files\n");
            return 2;
        }
    }
    std::uint64_t rows = 0;
    met = report("read ASC into rows", frames, bestCpu([&] { rows = loadRows(ascPath); }),
                 kReadGoal) &&
          met;
    std::printf("  (%llu rows read back)\n", static_cast<unsigned long long>(rows));
    met = report("read pcapng into rows", frames, bestCpu([&] { loadRows(pcapngPath); }),
                 kReadGoal) &&
          met;

    // daridez-dump streams: its peak at a tenth of the log and at all of it.
    const std::string tenthPath = scratchPath("bench-traceformats-tenth", ".asc");
    const std::string dumpProgram = DARIDEZ_DUMP_PATH;
    const CommandRun whole = runCommand("exec " + dumpProgram + " " + ascPath + " >/dev/null");
    runCommand("head -n " + std::to_string(dump.linFrames / 10) + " " + ascPath + " >" + tenthPath);
    const CommandRun tenth = runCommand("exec " + dumpProgram + " " + tenthPath + " >/dev/null");
    const double growth = tenth.peakKb > 0 ? double(whole.peakKb) / double(tenth.peakKb) : 0;
    const bool flat = whole.ok && tenth.ok && growth <= kFlatGoal;
    std::printf(
        "  daridez-dump on the log: peak %.1f MB (a tenth: %.1f MB), %.2fx, goal <= %.1fx,"
        " %s\n",
        whole.peakKb / 1024.0, tenth.peakKb / 1024.0, growth, kFlatGoal, flat ? "met" : "MISSED");
    for (const std::string& path : {dumpPath, ascPath, pcapngPath, tenthPath}) {
        std::remove(path.c_str());
    }
    return met && flat ? 0 : 1;
}
