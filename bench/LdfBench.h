#pragma once

// Generated LDFs and the parse timer the LDF benchmarks share.

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "bench/BenchSupport.h"
#include "ldf/LdfParser.h"

namespace daridez::bench {

inline constexpr double kParseTargetMs = 50;

// The lines every generated LDF opens with.
inline std::string ldfPrologue() {
    return "LIN_description_file;\nLIN_protocol_version = \"2.1\";\n"
           "LIN_language_version = \"2.1\";\nLIN_speed = 19.2 kbps;\n";
}

// An LDF of at least size bytes: frames 00..3B of eight 8-bit signals each, every signal
// with an encoding of a logical value and a physical range, then encoding types of many
// logical values until the size is reached.
inline std::string generateEncodingDenseLdf(std::size_t size) {
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
    std::string text = ldfPrologue();
    text.append("Nodes {\n  Master: Master, 5 ms, 0.1 ms;\n  Slaves: Slave;\n}\nSignals {\n");
    text.append(signals).append("}\nFrames {\n").append(frames).append("}\n");
    text.append(
        "Schedule_tables {\n  Main {\n    F1 delay 10 ms;\n  }\n}\n"
        "Signal_encoding_types {\n  Value {\n    logical_value, 255, \"invalid\";\n"
        "    physical_value, 0, 254, 0.5, -40, \"degC\";\n  }\n");
    for (int type = 0; text.size() < size; ++type) {
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

// An LDF of count one-byte signals, eight to a frame, each frame under an identifier of
// its own modulo 64 (the later ones repeat identifiers, as a merged file does), one
// slave node per frame and idleNodes more that publish nothing.
inline std::string generateSignalDenseLdf(int count, int idleNodes = 0) {
    constexpr int kSignalsPerFrame = 8;
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
    std::string text = ldfPrologue();
    text.append(nodes).append(";\n}\n").append(signals).append("}\n").append(frames);
    return text.append("}\nSchedule_tables {\n  Main {\n    F0 delay 10 ms;\n  }\n}\n");
}

// Writes text to path; false when any step failed.
inline bool writeText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written =
        file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return file != nullptr && std::fclose(file) == 0 && written;
}

// Parses text in five rounds; prints what it holds and the best processor time against
// the goal, and says whether the goal was met.
inline bool measureParse(const char* what, const std::string& text) {
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

}  // namespace daridez::bench
