// The LDF reader and signal decoding, as ratios measured in one run:
//  - the processor time to parse two generated 1 MB LDFs, one dense with encodings and
//    one dense with signals (25,000 one-byte signals in 3,125 frames, the shape that
//    shows a reader whose time grows with the square of the signals), and a third of
//    12,000 nodes (the same for nodes), against the 50 ms each may take; a miss ends the
//    run with status 1;
//  - daridez-dump --ldf=F --signals against the plain dump on the same million LIN
//    frames (the signals may run at no less than half the plain speed), with the peak
//    resident size of each, which stays flat as rows are printed and freed.
// Usage: bench-ldf [LIN frames, default 1000000]
//        bench-ldf --seed=FILE   writes a small signal-dense LDF (the fuzzer's seed)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "ldf/LdfParser.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr std::size_t kLdfSize = 1 << 20;
constexpr double kParseTargetMs = 50;
constexpr int kDenseSignals = 25000;
constexpr int kDenseNodes = 12000;
constexpr int kSeedSignals = 96;
constexpr int kSignalsPerFrame = 8;

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

// An LDF of `count` one-byte signals, eight to a frame, each frame under an identifier
// of its own modulo 64 (the later ones repeat identifiers, as a merged file does), one
// slave node per frame and `idleNodes` more that publish nothing.
std::string generateSignalDenseLdf(int count, int idleNodes = 0) {
    const int frameCount = (count + kSignalsPerFrame - 1) / kSignalsPerFrame;
    std::string nodes = "Nodes {\n  Master: M, 5 ms, 0.1 ms;\n  Slaves: ";
    std::string signals = "Signals {\n";
    std::string frames = "Frames {\n";
    for (int f = 0; f < frameCount; ++f) {
        const std::string node = std::string("N").append(std::to_string(f));
        nodes.append(f == 0 ? "" : ", ").append(node);
        frames.append("  F").append(std::to_string(f)).append(": ");
        frames.append(std::to_string(f % 64)).append(", ").append(node).append(", 8 {\n");
        for (int i = 0; i < kSignalsPerFrame && f * kSignalsPerFrame + i < count; ++i) {
            const std::string name =
                std::string("S").append(std::to_string(f * kSignalsPerFrame + i));
            signals.append("  ").append(name).append(": 8, 0, ").append(node).append(", M;\n");
            frames.append("    ").append(name).append(", ").append(std::to_string(8 * i));
            frames.append(";\n");
        }
        frames.append("  }\n");
    }
    for (int n = 0; n < idleNodes; ++n) {
        nodes.append(", I").append(std::to_string(n));
    }
    std::string text =
        "LIN_description_file;\nLIN_protocol_version = \"2.1\";\n"
        "LIN_language_version = \"2.1\";\nLIN_speed = 19.2 kbps;\n";
    text.append(nodes).append(";\n}\n").append(signals).append("}\n").append(frames);
    return text.append("}\nSchedule_tables {\n  Main {\n    F0 delay 10 ms;\n  }\n}\n");
}

bool writeText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written =
        file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return file != nullptr && std::fclose(file) == 0 && written;
}

// Parses text in several rounds; prints the best processor time against the goal and
// says whether it was met.
bool measureParse(const char* what, const std::string& text) {
    double bestMs = 1e9;
    LdfFile parsed;
    for (int round = 0; round < 5; ++round) {
        const Timer start;
        LdfFile file = LdfParser::parse(text);
        bestMs = std::min(bestMs, secondsSince(start).cpu * 1000);
        parsed = std::move(file);  // the last round's model is freed outside the timing
    }
    std::printf(
        "LDF %s, %.2f MB: %zu nodes, %zu signals, %zu frames, %zu encoding types, "
        "%d errors\n",
        what, text.size() / 1048576.0, parsed.model.nodes.size(), parsed.model.allSignals.size(),
        parsed.model.frames.size(), parsed.model.encodings.size(), parsed.errors);
    const bool met = bestMs < kParseTargetMs;
    std::printf("  parse %.1f ms processor time (best of 5), goal < %.0f ms: %s\n", bestMs,
                kParseTargetMs, met ? "met" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]).starts_with("--seed=")) {
        const std::string path = std::string(argv[1]).substr(7);
        if (!writeText(path, generateSignalDenseLdf(kSeedSignals))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        return 0;
    }
    const std::string ldf = generateLdf();
    const bool encodingsMet = measureParse("dense with encodings", ldf);
    const bool signalsMet =
        measureParse("dense with signals", generateSignalDenseLdf(kDenseSignals));
    const bool nodesMet =
        measureParse("dense with nodes", generateSignalDenseLdf(kSignalsPerFrame, kDenseNodes));

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
    const CommandRun plain = runCommand("exec " + tool + " " + dump + " >/dev/null");
    const CommandRun decoded =
        runCommand("exec " + tool + " --ldf=" + ldfPath + " --signals " + dump + " >/dev/null");
    if (std::getenv("KEEP") == nullptr) {
        std::remove(dump.c_str());
        std::remove(ldfPath.c_str());
    }
    if (!plain.ok || !decoded.ok) {
        std::fprintf(stderr, "a command failed\n");
        return 1;
    }
    std::printf("%llu LIN frames\n", static_cast<unsigned long long>(generated.linFrames));
    std::printf("  daridez-dump            %6.2f s, peak resident %.1f MB\n", plain.seconds,
                plain.peakKb / 1024.0);
    std::printf("  daridez-dump --signals  %6.2f s, peak resident %.1f MB\n", decoded.seconds,
                decoded.peakKb / 1024.0);
    std::printf("  --signals runs at %.2f of the plain speed (at least 0.50 wanted)\n",
                plain.seconds / decoded.seconds);
    return encodingsMet && signalsMet && nodesMet ? 0 : 1;
}
