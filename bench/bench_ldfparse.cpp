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

#include "bench/LdfBench.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr int kDenseSignals = 25000;
constexpr int kDenseNodes = 12000;
constexpr int kOneFrameOfSignals = 8;
constexpr int kSeedSignals = 96;

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
        measureParse("dense with nodes", generateSignalDenseLdf(kOneFrameOfSignals, kDenseNodes));
    return signalsMet && nodesMet ? 0 : 1;
}
