// daridez-dump against tshark: the same million LIN frames printed as text, by
// daridez-dump from a dump file and by "tshark -T fields" from a LIN capture of them,
// both to /dev/null, in the same run: processor time, each the fastest of some runs,
// against the goal of 30 times tshark's speed (exit status 1 when missed). Also
// daridez-dump's peak resident size, which stays flat because rows are printed as they
// complete and then freed.
// Usage: bench-dump-vs-tshark [LIN frames, default 1000000]; skips without tshark.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "files/PcapngWriter.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr int kOurRounds = 5;
constexpr int kTheirRounds = 3;    // tshark takes some seconds a run
constexpr double kSpeedGoal = 30;  // daridez-dump's speed against tshark's, processor time

bool writeCapture(const std::string& dumpPath, const std::string& capturePath) {
    TraceList list;
    CountingSink sink;
    if (!loadDump(dumpPath, list, sink)) {
        return false;
    }
    FileOutput out(capturePath);
    PcapngWriter writer(out, 0);
    for (const TraceEntry& row : list) {
        writer.writeRow(row);
    }
    return writer.finish() && out.close();
}

}  // namespace

int main(int argc, char** argv) {
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) {
        std::printf("bench-dump-vs-tshark: no tshark here, skipped\n");
        return 0;
    }
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    const std::string dump = scratchPath("bench-vs-tshark", ".dump");
    const std::string capture = scratchPath("bench-vs-tshark", ".pcapng");
    {
        const DumpGenerator::Dump generated = DumpGenerator::generate(options);
        if (!writeFile(dump, generated.bytes) || !writeCapture(dump, capture)) {
            std::fprintf(stderr, "cannot write %s or %s\n", dump.c_str(), capture.c_str());
            return 1;
        }
        std::printf("%llu LIN frames\n", static_cast<unsigned long long>(generated.linFrames));
    }

    const std::string self = argv[0];
    const std::string tool = self.substr(0, self.find_last_of('/') + 1) + "daridez-dump";
    const CommandRun ours = bestRunOf(kOurRounds, "exec " + tool + " " + dump + " >/dev/null");
    const CommandRun theirs =
        bestRunOf(kTheirRounds, "tshark -r " + capture +
                                    " -T fields -e frame.time_relative -e lin.frame_id"
                                    " -e lin.length -e lin.checksum -e data.data >/dev/null 2>&1");
    if (std::getenv("KEEP") == nullptr) {
        std::remove(dump.c_str());
        std::remove(capture.c_str());
    }
    if (!ours.ok || !theirs.ok) {
        std::fprintf(stderr, "a command failed\n");
        return 1;
    }
    std::printf("  daridez-dump  cpu %7.3f s, wall %7.2f s, peak resident %.1f MB (best of %d)\n",
                ours.cpuSeconds, ours.seconds, ours.peakKb / 1024.0, kOurRounds);
    std::printf("  tshark fields cpu %7.3f s, wall %7.2f s (best of %d)\n", theirs.cpuSeconds,
                theirs.seconds, kTheirRounds);
    Goals goals;
    goals.atLeast("daridez-dump against tshark, cpu", theirs.cpuSeconds / ours.cpuSeconds,
                  kSpeedGoal, "x");
    return goals.exitStatus();
}
