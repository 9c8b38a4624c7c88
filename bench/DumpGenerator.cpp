#include "bench/DumpGenerator.h"

#include <algorithm>
#include <cstdlib>

#include "lin/FrameCheck.h"

namespace daridez {

namespace {

// Small, fast and reproducible: the generator needs no statistical quality.
class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

  private:
    std::uint32_t state_;
};

class Writer {
  public:
    explicit Writer(DumpGenerator::Dump& dump) : dump_(dump) {}

    // Emits the timer wraps up to time, then a stamped frame of the given kind.
    void stamped(std::uint64_t time, std::uint8_t kind, int value) {
        wrapUpTo(time);
        const auto stamp = static_cast<std::uint16_t>(time);
        auto& out = dump_.bytes;
        if (value < 0) {
            out.insert(out.end(),
                       {0x04, kind, std::uint8_t(stamp >> 8), std::uint8_t(stamp), 0x00});
        } else {
            out.insert(out.end(), {0x05, kind, std::uint8_t(stamp >> 8), std::uint8_t(stamp),
                                   std::uint8_t(value), 0x00});
        }
    }

  private:
    void wrapUpTo(std::uint64_t time) {
        while (clock_ + 0x10000 <= time) {
            clock_ += 0x10000;
            dump_.bytes.insert(dump_.bytes.end(), {0x02, 0xA0, 0xA2});
            ++dump_.timerWraps;
        }
    }

    DumpGenerator::Dump& dump_;
    std::uint64_t clock_ = 0;  // the last multiple of 65,536 us reported
};

}  // namespace

DumpGenerator::Options DumpGenerator::Options::fromArguments(int argc, char** argv) {
    Options options;
    if (argc > 1) {
        options.linFrames = std::strtoull(argv[1], nullptr, 10);
    }
    return options;
}

DumpGenerator::Dump DumpGenerator::generate(const Options& options) {
    Dump dump;
    const int span = options.maxDataBytes - options.minDataBytes + 1;
    // Reserve enough for the largest frames and their wraps, so the vector never moves.
    dump.bytes.reserve(options.linFrames * (17 + 6 * (options.maxDataBytes + 1) + 9) + 64);
    Writer writer(dump);
    Random random(options.seed);
    const double bitTime = 1e6 / options.baudrate;
    const auto fieldTime = static_cast<std::uint64_t>(10 * bitTime);  // a byte with start/stop
    std::uint64_t time = 1000;
    for (std::uint64_t n = 0; n < options.linFrames; ++n) {
        const int dataBytes = options.minDataBytes + static_cast<int>(random.next() % span);
        writer.stamped(time, 0x90, -1);
        time += static_cast<std::uint64_t>(14 * bitTime);  // break and delimiter
        writer.stamped(time, 0x91, 0x55);
        time += fieldTime;
        const std::uint8_t pid = ProtectedId(
            static_cast<std::uint8_t>(random.next() % std::clamp(options.identifiers, 1u, 64u)));
        writer.stamped(time, 0x92, pid);
        std::uint8_t data[8];
        for (int i = 0; i < dataBytes; ++i) {
            time += fieldTime;
            data[i] = static_cast<std::uint8_t>(random.next() & options.dataMask);
            data[i] = i == 0 && n == options.spikeFrame ? 0xFF : data[i];
            writer.stamped(time, static_cast<std::uint8_t>(0x93 + i), data[i]);
        }
        time += fieldTime;
        const std::uint8_t seed = ClassicOnly(pid) ? 0 : pid;
        writer.stamped(time, static_cast<std::uint8_t>(0x93 + dataBytes),
                       LinChecksum(seed, data, dataBytes));
        time += fieldTime * 3 + random.next() % 2000;  // bus idle before the next header
        ++dump.linFrames;
        if (options.errorEvery != 0 && (n + 1) % options.errorEvery == 0) {
            writer.stamped(time, 0x9C, static_cast<int>(random.next() & 0x0F));
            ++dump.deviceErrors;
            time += fieldTime;
        }
    }
    return dump;
}

}  // namespace daridez
