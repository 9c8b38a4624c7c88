// The LDF reader and signal decoding, as ratios measured in one run:
//  - the time to parse a generated 1 MB LDF of many encodings against the 50 ms it may take;
//  - daridez-dump --ldf=F --signals against the plain dump on the same million LIN
//    frames (the signals may run at no less than half the plain speed), with the peak
//    resident size of each, which stays flat as rows are printed and freed;
//  - with BASELINE_DUMP=PATH (a daridez-dump built from an earlier commit), --ldf --check
//    and --ldf --signals of this build against that one, CPU time, best of three each:
//    judging with the LDF may cost them at most 10 %.
// Each figure the fastest of some runs, in processor time for the dumps, with its goal
// beside it; exit status 1 when a goal is missed.
// Usage: bench-ldf [LIN frames, default 1000000]
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "bench/LdfBench.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr std::size_t kLdfSize = 1 << 20;
constexpr int kRounds = 5;
constexpr double kSignalsGoal = 0.5;  // --signals' speed against the plain dump's

constexpr double kMostSlowdown = 1.10;  // of the baseline's CPU time

double childrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The least CPU time of three runs of the command; -1 when a run failed.
double bestCpuSeconds(const std::string& command) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        const double before = childrenCpuSeconds();
        if (!runCommand(command).ok) {
            return -1;
        }
        best = std::min(best, childrenCpuSeconds() - before);
    }
    return best;
}

// This build's tool against the baseline's with the same options, interleaved so that a
// busy machine weighs on both; false when the goal is missed or a run failed.
bool compareWithBaseline(const std::string& tool, const std::string& baseline,
                         const std::string& options, const std::string& dump) {
    const std::string tail = " " + options + " " + dump + " >/dev/null";
    const double before = bestCpuSeconds("exec " + baseline + tail);
    const double now = bestCpuSeconds("exec " + tool + tail);
    if (before <= 0 || now <= 0) {
        std::fprintf(stderr, "a command failed: %s\n", options.c_str());
        return false;
    }
    const double ratio = now / before;
    std::printf("  %-34s %6.2f s CPU, baseline %6.2f s: %.3f of it (at most %.2f wanted)%s\n",
                options.substr(options.find(' ') + 1).c_str(), now, before, ratio, kMostSlowdown,
                ratio <= kMostSlowdown ? "" : "  MISSED");
    return ratio <= kMostSlowdown;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string ldf = generateEncodingDenseLdf(kLdfSize);
    bool goalsMet = measureParse("dense with encodings", ldf);
    Goals goals;

    const DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    const std::string dump = scratchPath("bench-ldf", ".dump");
    const std::string ldfPath = scratchPath("bench-ldf", ".ldf");
    const DumpGenerator::Dump generated = DumpGenerator::generate(options);
    if (!writeText(ldfPath, ldf) || !writeFile(dump, generated.bytes)) {
        std::fprintf(stderr, "cannot write %s or %s\n", dump.c_str(), ldfPath.c_str());
        return 1;
    }
    const std::string self = argv[0];
    const std::string tool = self.substr(0, self.find_last_of('/') + 1) + "daridez-dump";
    const CommandRun plain = bestRunOf(kRounds, "exec " + tool + " " + dump + " >/dev/null");
    const CommandRun decoded = bestRunOf(
        kRounds, "exec " + tool + " --ldf=" + ldfPath + " --signals " + dump + " >/dev/null");
    if (const char* baseline = std::getenv("BASELINE_DUMP")) {
        std::printf("against %s, best of 3:\n", baseline);
        for (const char* options : {" --check", " --signals"}) {
            goalsMet =
                compareWithBaseline(tool, baseline, "--ldf=" + ldfPath + options, dump) && goalsMet;
        }
    }
    if (std::getenv("KEEP") == nullptr) {
        std::remove(dump.c_str());
        std::remove(ldfPath.c_str());
    }
    if (!plain.ok || !decoded.ok) {
        std::fprintf(stderr, "a command failed\n");
        return 1;
    }
    std::printf("%llu LIN frames, best of %d runs\n",
                static_cast<unsigned long long>(generated.linFrames), kRounds);
    std::printf("  daridez-dump            cpu %6.3f s, wall %6.2f s, peak resident %.1f MB\n",
                plain.cpuSeconds, plain.seconds, plain.peakKb / 1024.0);
    std::printf("  daridez-dump --signals  cpu %6.3f s, wall %6.2f s, peak resident %.1f MB\n",
                decoded.cpuSeconds, decoded.seconds, decoded.peakKb / 1024.0);
    goals.atLeast("--signals against the plain dump, cpu", plain.cpuSeconds / decoded.cpuSeconds,
                  kSignalsGoal, "x");
    return goals.exitStatus() == 0 && goalsMet ? 0 : 1;
}
