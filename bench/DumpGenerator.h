#pragma once

#include <cstdint>
#include <vector>

#include "lin/LinRates.h"

namespace daridez {

// Makes realistic dump files in memory for benchmarks: LIN frames as the tracer
// device reports them (break, sync, identifier, response bytes, each stamped with
// the low 16 bits of a microsecond clock), timer wraps as the clock passes each
// 65,536 us, and now and then a device error. Plain C++, no Qt.
class DumpGenerator {
  public:
    struct Options {
        std::uint64_t linFrames = 1000000;
        int minDataBytes = 8;  // data bytes per LIN frame, before its checksum byte
        int maxDataBytes = 8;
        std::uint64_t errorEvery = 250000;  // a device error after this many frames (0: none)
        std::uint32_t baudrate = kDefaultLinRate;
        std::uint32_t seed = 1;
        unsigned identifiers = 64;     // frames take identifiers 00 up to this, at random
        std::uint8_t dataMask = 0xFF;  // the random data bytes keep these bits
        // This frame's DB0 is FF whatever the mask: with a mask, one value out of the
        // others' range (none by default).
        std::uint64_t spikeFrame = UINT64_MAX;

        // The defaults, with the number of LIN frames from a benchmark's first argument.
        static Options fromArguments(int argc, char** argv);
    };

    struct Dump {
        std::vector<std::uint8_t> bytes;
        std::uint64_t linFrames = 0;
        std::uint64_t deviceErrors = 0;
        std::uint64_t timerWraps = 0;
    };

    static Dump generate(const Options& options);
};

}  // namespace daridez
