// The LDF reader on the shapes that show a reader whose time grows with the square of
// its names: the processor time to parse a generated LDF of 25,000 one-byte signals in
// 3,125 frames (about 1 MB) and one of 12,000 nodes, against the 50 ms each may take
// (best of five; exit status 1 on a miss). bench-ldf measures the encoding-dense file
// and the signal decoding.
// Usage: bench-ldfparse
//        bench-ldfparse --seed=FILE   writes a small signal-dense LDF (the fuzzer's seed)
#include <cstdio>
#include <string>
#include <string_view>

#include "bench/BenchSupport.h"
#include "ldf/LdfParser.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr double kParseTargetMs = 50;
constexpr int kDenseSignals = 25000;
constexpr int kDenseNodes = 12000;
constexpr int kSeedSignals = 96;
constexpr int kSignalsPerFrame = 8;

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
    const bool signalsMet =
        measureParse("dense with signals", generateSignalDenseLdf(kDenseSignals));
    const bool nodesMet =
        measureParse("dense with nodes", generateSignalDenseLdf(kSignalsPerFrame, kDenseNodes));
    return signalsMet && nodesMet ? 0 : 1;
}
