// libFuzzer target over dump loading: any bytes, cut into blocks at any points.
//
// The first two input bytes choose the block sizes and the display modes; the rest is
// the dump. The same bytes are decoded three ways, which must agree: in the chosen
// blocks through SplitFrames with its carry-over, through the DumpLoader from a file
// (32,768-byte blocks); and saving and loading again must settle on one file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/DumpWriter.h"
#include "files/TraceLoad.h"
#include "files/TraceTranslator.h"
#include "fuzz/FuzzRows.h"
#include "protocol/StreamDecoder.h"

using namespace daridez;

namespace {

using fuzz::check;

struct Trace : fuzz::FuzzTrace {
    StreamDecoder& decoder = session.decoder;

    explicit Trace(std::uint8_t modeBits) {
        session.applyDisplayModes(
            DisplayModes{(modeBits & 1) != 0, (modeBits & 2) != 0, (modeBits & 4) != 0});
        decoder.ResetDecoder();
    }

    std::vector<std::uint8_t> saved() const {
        std::vector<std::uint8_t> bytes;
        DumpWriter::serialize(list, bytes);
        return bytes;
    }

    // Feeds bytes in blocks of varying size, as timer ticks or file blocks would, and
    // returns the trace saved.
    std::vector<std::uint8_t> decoded(const std::uint8_t* data, std::size_t size,
                                      std::uint8_t seed) {
        std::size_t done = 0, step = seed;
        while (done < size) {
            step = (step * 131 + 7) % 600;  // 1 to 600 bytes, now and then far fewer
            const std::size_t n = std::min({step % 7 == 0 ? 1 : step + 1, size - done,
                                            std::size_t(ReceiveBuffer::kSize - buffer.carryOver)});
            std::memcpy(buffer.bytes.data() + buffer.carryOver, data + done, n);
            done += n;
            buffer.carryOver =
                decoder
                    .SplitFrames(buffer.bytes.data(),
                                 buffer.carryOver + static_cast<std::int32_t>(n), true)
                    .carryOver;
            check(buffer.carryOver >= 0 && buffer.carryOver <= 255);
        }
        verify();
        return saved();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint8_t modeBits = data[0], seed = data[1];
    data += 2, size -= 2;

    Trace blocks(modeBits);
    const std::vector<std::uint8_t> saved = blocks.decoded(data, size, seed);

    // The loader from a file must make the same trace (when it reads the bytes as a dump
    // file: other tools' logs and captures are fuzz-tracefiles' inputs).
    if (DetectTraceFileKind(std::vector<std::uint8_t>(
            data, data + std::min<std::size_t>(size, 4096))) != TraceFileKind::Dump) {
        return 0;
    }
    if (const fuzz::InputFile input("loader", data, size); input.written) {
        Trace loaded(modeBits);
        check(LoadTrace(loaded.session, input.path) == LoadResult::Ok);
        loaded.verify();
        check(loaded.saved() == saved && loaded.view.rows == blocks.view.rows);
    }

    // Saving and loading reach a fixed point after one round: the first save may
    // differ from the second where a row cannot keep its frame (a bad frame longer
    // than a slot) or where timer wraps before a start marker move behind it, but from
    // then on the file and the trace stay as they are.
    const auto resaved = Trace(modeBits).decoded(saved.data(), saved.size(), seed + 1);
    check(Trace(modeBits).decoded(resaved.data(), resaved.size(), seed + 2) == resaved);

    // Live: while tracing everything is decoded; while an answer is awaited, the split
    // stops at the answer.
    Trace live(modeBits);
    live.session.state = (modeBits & 8) ? TraceState::Tracing : TraceState::ReadingVersion;
    const std::size_t n = std::min<std::size_t>(size, ReceiveBuffer::kSize);
    std::memcpy(live.buffer.bytes.data(), data, n);
    const SplitResult result =
        live.decoder.SplitFrames(live.buffer.bytes.data(), static_cast<std::int32_t>(n), false);
    check(result.carryOver >= 0 && static_cast<std::size_t>(result.carryOver) <= n);
    check(!result.answerAt ||
          (*result.answerAt >= 0 && static_cast<std::size_t>(*result.answerAt) < n));
    live.verify();
    return 0;
}
