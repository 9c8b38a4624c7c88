// The LDF reader and signal decoding, as ratios measured in one run:
//  - the time to parse a generated 1 MB LDF against the 50 ms it may take;
//  - daridez-dump --ldf=F --signals against the plain dump on the same million LIN
//    frames (the signals may run at no less than half the plain speed), with the peak
//    resident size of each, which stays flat as rows are printed and freed.
// Each figure the fastest of some runs, in processor time for the dumps, with its goal
// beside it; exit status 1 when a goal is missed.
// Usage: bench-ldf [LIN frames, default 1000000]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "ldf/LdfParser.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr std::size_t kLdfSize = 1 << 20;
constexpr double kParseTargetMs = 50;
constexpr int kRounds = 5;
constexpr double kSignalsGoal = 0.5;  // --signals' speed against the plain dump's

// An LDF of at least kLdfSize bytes: frames 00..3B of eight 8-bit signals each, every
// signal with an encoding of a logical value and a physical range, then encoding types
// of many logical values until the size is reached.
std::string generateLdf() {
    std::string signals;
    std::string frames;
    std::string representation;
    for (int id = 0; id < 0x3C; ++id) {
        const std::string frame = std::to_string(id);
        frames.append("  F").append(frame).append(": ").append(frame).append(", Slave, 8 {\n");
        for (int i = 0; i < 8; ++i) {
            const std::string name = "F" + frame + "_S" + std::to_string(i);
            signals.append("  ").append(name).append(": 8, 0, Slave, Master;\n");
            frames.append("    ").append(name).append(", ").append(std::to_string(8 * i));
            frames.append(";\n");
            representation.append("  Value: ").append(name).append(";\n");
        }
        frames.append("  }\n");
    }
    std::string text =
        "// Generated for bench-ldf\nLIN_description_file;\nLIN_protocol_version = \"2.1\";\n"
        "LIN_language_version = \"2.1\";\nLIN_speed = 19.2 kbps;\n"
        "Nodes {\n  Master: Master, 5 ms, 0.1 ms;\n  Slaves: Slave;\n}\nSignals {\n";
    text.append(signals).append("}\nFrames {\n").append(frames).append("}\n");
    text.append(
        "Schedule_tables {\n  Main {\n    F1 delay 10 ms;\n  }\n}\n"
        "Signal_encoding_types {\n  Value {\n    logical_value, 255, \"invalid\";\n"
        "    physical_value, 0, 254, 0.5, -40, \"degC\";\n  }\n");
    for (int type = 0; text.size() < kLdfSize; ++type) {
        text.append("  Filler").append(std::to_string(type)).append(" {\n");
        for (int value = 0; value < 16; ++value) {
            const std::string number = std::to_string(value);
            text.append("    logical_value, ").append(number).append(", \"state number ");
            text.append(number).append("\";\n");
        }
        text.append("  }\n");
    }
    return text.append("}\nSignal_representation {\n").append(representation).append("}\n");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string ldf = generateLdf();
    double bestMs = 1e9;
    LdfFile parsed;
    for (int round = 0; round < 5; ++round) {
        const Timer start;
        parsed = LdfParser::parse(ldf);
        bestMs = std::min(bestMs, secondsSince(start).cpu * 1000);
    }
    std::printf("LDF of %.2f MB: %zu frames, %zu encoding types, %d errors\n",
                ldf.size() / 1048576.0, parsed.model.frames.size(), parsed.model.encodings.size(),
                parsed.errors);
    Goals goals;
    goals.atMost("parse, best of 5, cpu", bestMs, kParseTargetMs, "ms");

    const DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    const std::string dump = scratchPath("bench-ldf", ".dump");
    const std::string ldfPath = scratchPath("bench-ldf", ".ldf");
    const DumpGenerator::Dump generated = DumpGenerator::generate(options);
    std::FILE* file = std::fopen(ldfPath.c_str(), "wb");
    const bool written =
        file != nullptr && std::fwrite(ldf.data(), 1, ldf.size(), file) == ldf.size();
    if (file == nullptr || std::fclose(file) != 0 || !written ||
        !writeFile(dump, generated.bytes)) {
        std::fprintf(stderr, "cannot write %s or %s\n", dump.c_str(), ldfPath.c_str());
        return 1;
    }
    const std::string self = argv[0];
    const std::string tool = self.substr(0, self.find_last_of('/') + 1) + "daridez-dump";
    const CommandRun plain = bestRunOf(kRounds, "exec " + tool + " " + dump + " >/dev/null");
    const CommandRun decoded = bestRunOf(
        kRounds, "exec " + tool + " --ldf=" + ldfPath + " --signals " + dump + " >/dev/null");
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
    return goals.exitStatus();
}
