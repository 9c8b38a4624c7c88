#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ldf/LdfModel.h"

namespace daridez {

// One signal of a frame, decoded.
struct LdfSignalValue {
    enum class Kind : std::uint8_t {
        Raw,       // no representation: the raw value
        Logical,   // a logical_value matched: text is its name
        Physical,  // a physical_value accepted the raw value: number, text and unit
        Bcd,       // text is the decimal number
        Ascii,     // text is the bytes
        None,      // the signal has a representation and no converter accepted the value
    };

    std::string_view frame;   // the frame's name (an event-triggered frame's answering one)
    std::string_view signal;  // the signal's name
    Kind kind = Kind::Raw;
    std::string text;       // see Kind; "" for None
    std::string_view unit;  // physical values only
    double number = 0;      // physical, bcd or raw value as a number; hasNumber tells
    bool hasNumber = false;
    std::uint64_t raw = 0;  // a scalar's raw value; a byte array's bytes big-endian
    bool byteArray = false;
    std::array<std::uint8_t, 8> bytes{};  // the signal's bytes, first byte first
    int byteCount = 0;
    int offset = 0;  // first bit in the frame
    int width = 0;   // bits
};

// A frame's data decoded with an LDF.
struct LdfFrameDecode {
    enum class Status : std::uint8_t {
        Unknown,       // the LDF names no frame with this identifier
        Decoded,       // values holds the signals
        Short,         // fewer data bytes than the LDF's length: not decoded
        NoAssociated,  // event-triggered, and no associated frame has the first byte's id
    };

    Status status = Status::Unknown;
    const LdfFrame* frame = nullptr;       // the frame the identifier names
    const LdfFrame* associated = nullptr;  // event-triggered: the frame that answered
    int expected = 0;                      // the LDF's length
    int received = 0;                      // the data bytes given
    std::vector<LdfSignalValue> values;
};

// The data bytes of a frame as its signals read them: the first eight (zeros past the
// frame's length), and the same as a little-endian word.
struct LdfFrameBits {
    std::array<std::uint8_t, 8> bytes{};
    std::uint64_t word = 0;
};

// Decodes a frame's data bytes into signal values: bit k of a frame is bit k%8 of byte
// k/8; a scalar is (the data as a little-endian integer >> offset) masked to its width;
// a byte array is its bytes from offset/8 on. Converters are tried in order, the first
// that accepts wins; a byte array with a physical encoding is read as a big-endian
// number.
class SignalDecoder {
  public:
    explicit SignalDecoder(const LdfModel& model) : model_(&model) {}

    // Without texts a value's text stays empty and the rest is decoded as ever: what a
    // plot reads (numbers, kinds, raw values) at a good part less of the cost.
    void setTexts(bool texts) { texts_ = texts; }

    // Decodes count data bytes (the checksum not included) of the frame with identifier
    // id into out, reusing its storage.
    void decode(int id, const std::uint8_t* data, int count, LdfFrameDecode& out) const;
    LdfFrameDecode decode(int id, const std::vector<std::uint8_t>& data) const;
    // The first step of decode: out's status, frames and lengths, no values. Returns the
    // frame whose signals the data holds (an event-triggered frame's answering one) when
    // the status is Decoded, else nullptr.
    const LdfFrame* layout(int id, const std::uint8_t* data, int count, LdfFrameDecode& out) const;
    // The second step, one signal at a time: the signal placed in a frame read from the
    // frame's bits into value (its frame name left as it is).
    void decodeSignal(const LdfFrameSignal& placed, const LdfFrameBits& bits,
                      LdfSignalValue& value) const;
    // A scalar's raw value: its width of bits from offset on.
    static std::uint64_t scalarRaw(const LdfFrameBits& bits, int offset, int width) {
        return (bits.word >> offset) &
               (width >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1);
    }
    static LdfFrameBits bits(const std::uint8_t* data, int count, int length);

  private:
    void convert(const LdfConverter& converter, LdfSignalValue& value, bool& accepted) const;

    const LdfModel* model_;  // a pointer, so that decoders can be assigned
    bool texts_ = true;
};

}  // namespace daridez
