// libFuzzer target over the LDF reader: any bytes as an LDF, then frames decoded with
// whatever model came out.
//
// The model must hold together whatever the text was: every frame's signals inside its
// length, indexes inside their lists; every identifier's decode, for every data length
// up to eight bytes, stays inside the frame and gives texts the formatter can print.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzRows.h"
#include "ldf/ChecksumModel.h"
#include "ldf/LdfDescription.h"
#include "ldf/LdfParser.h"
#include "ldf/SignalDecoder.h"

using namespace daridez;

namespace {

using fuzz::check;

void checkModel(const LdfModel& model) {
    for (const LdfFrame& frame : model.frames) {
        for (const LdfFrameSignal& placed : frame.layout) {
            check(placed.signal >= 0 && placed.signal < int(model.allSignals.size()));
            check(placed.offset >= 0 &&
                  placed.offset + model.allSignals[placed.signal].width <= frame.length * 8);
        }
        for (const int index : frame.associated)
            check(index >= 0 && index < int(model.frames.size()));
    }
    for (const LdfSignal& signal : model.allSignals)
        check(signal.encoding < int(model.encodings.size()) && signal.width >= 1 &&
              signal.width <= 64);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const LdfFile file =
        LdfParser::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    check(file.diagnostics.size() <= LdfFile::kMaxDiagnostics + 1u);
    checkModel(file.model);
    (void)LdfDescription(file.model).text();
    (void)file.summary();
    const SignalDecoder decoder(file.model);
    const ChecksumModel checksums(file.model);
    LdfFrameDecode decode;
    // Frame data from the input's last bytes: the same bytes as text and as a frame.
    std::uint8_t frame[8] = {};
    for (std::size_t i = 0; i < 8 && i < size; ++i) frame[i] = data[size - 1 - i];
    for (int id = 0; id < 0x40; ++id) {
        (void)checksums.ofId(id);
        for (int count = 0; count <= 8; ++count) {
            decoder.decode(id, frame, count, decode);
            for (const LdfSignalValue& value : decode.values)
                check(value.byteCount >= 0 && value.byteCount <= 8 &&
                      value.offset + value.width <= 64);
        }
    }
    return 0;
}
