#include "ldf/SignalDecoder.h"

#include <algorithm>
#include <charconv>

#include "ldf/NumberText.h"
#include "trace/FieldText.h"

namespace daridez {

namespace {

constexpr int kMaxData = 8;

void setDecimal(std::string& text, std::uint64_t value) {
    char digits[24];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    text.assign(digits, end);
}

void setNumber(std::string& text, double value) {
    char digits[NumberText::kMaxSize];
    text.assign(digits, NumberText::put(digits, value));
}

}  // namespace

LdfFrameDecode SignalDecoder::decode(int id, const std::vector<std::uint8_t>& data) const {
    LdfFrameDecode out;
    decode(id, data.data(), static_cast<int>(data.size()), out);
    return out;
}

void SignalDecoder::decode(int id, const std::uint8_t* data, int count, LdfFrameDecode& out) const {
    const LdfFrame* frame = layout(id, data, count, out);
    if (frame == nullptr) {
        return;
    }
    const LdfFrameBits frameBits = bits(data, count, frame->length);
    out.values.resize(frame->layout.size());
    for (std::size_t i = 0; i < frame->layout.size(); ++i) {
        LdfSignalValue& value = out.values[i];
        value.frame = frame->name;
        decodeSignal(frame->layout[i], frameBits, value);
    }
}

const LdfFrame* SignalDecoder::layout(int id, const std::uint8_t* data, int count,
                                      LdfFrameDecode& out) const {
    out.values.clear();
    out.associated = nullptr;
    out.received = count;
    out.frame = model_->frameById(id);
    if (out.frame == nullptr) {
        out.status = LdfFrameDecode::Status::Unknown;
        out.expected = 0;
        return nullptr;
    }
    const LdfFrame* layout = out.frame;
    if (out.frame->kind == LdfFrame::Kind::EventTriggered) {
        // The first data byte is the protected identifier of the frame that answered.
        out.status = LdfFrameDecode::Status::NoAssociated;
        out.expected = out.frame->length;
        if (count == 0) {
            return nullptr;
        }
        for (const int index : out.frame->associated) {
            if (model_->frames[index].id == (data[0] & 0x3F)) {
                out.associated = &model_->frames[index];
            }
        }
        if (out.associated == nullptr) {
            return nullptr;
        }
        layout = out.associated;
    }
    out.expected = layout->length;
    if (count < layout->length) {
        out.status = LdfFrameDecode::Status::Short;
        return nullptr;
    }
    out.status = LdfFrameDecode::Status::Decoded;
    return layout;
}

LdfFrameBits SignalDecoder::bits(const std::uint8_t* data, int count, int length) {
    LdfFrameBits bits;
    std::copy_n(data, std::max(0, std::min({count, length, kMaxData})), bits.bytes.begin());
    for (int i = kMaxData - 1; i >= 0; --i) {
        bits.word = bits.word << 8 | bits.bytes[i];
    }
    return bits;
}

void SignalDecoder::decodeSignal(const LdfFrameSignal& placed, const LdfFrameBits& bits,
                                 LdfSignalValue& value) const {
    const LdfSignal& signal = model_->allSignals[placed.signal];
    value.signal = signal.name;
    value.offset = placed.offset;
    value.width = signal.width;
    value.byteArray = signal.byteArray;
    value.unit = {};
    const int first = placed.offset / 8;
    value.byteCount = std::min((signal.width + 7) / 8, kMaxData - first);
    std::copy_n(bits.bytes.begin() + first, value.byteCount, value.bytes.begin());
    if (signal.byteArray) {
        value.raw = 0;
        for (int i = 0; i < value.byteCount; ++i) {
            value.raw = value.raw << 8 | value.bytes[i];
        }
    } else {
        value.raw = scalarRaw(bits, placed.offset, signal.width);
    }
    if (signal.encoding < 0) {
        value.kind = LdfSignalValue::Kind::Raw;
        value.number = static_cast<double>(value.raw);
        value.hasNumber = true;
        if (texts_ && signal.byteArray) {
            value.text = HexBytesText(value.bytes.data(), value.byteCount);
        } else if (texts_) {
            setDecimal(value.text, value.raw);
        }
        return;
    }
    value.kind = LdfSignalValue::Kind::None;
    value.text.clear();
    value.hasNumber = false;
    for (const LdfConverter& converter : model_->encodings[signal.encoding].converters) {
        bool accepted = false;
        convert(converter, value, accepted);
        if (accepted) {
            return;
        }
    }
}

void SignalDecoder::convert(const LdfConverter& converter, LdfSignalValue& value,
                            bool& accepted) const {
    const auto raw = static_cast<double>(value.raw);
    switch (converter.kind) {
        case LdfConverter::Kind::Logical:
            accepted =
                converter.value >= 0 && static_cast<std::uint64_t>(converter.value) == value.raw;
            if (accepted) {
                value.kind = LdfSignalValue::Kind::Logical;
                if (texts_) {
                    value.text = converter.text;
                }
                value.number = raw;
                value.hasNumber = true;
            }
            return;
        case LdfConverter::Kind::Physical:
            accepted = converter.min <= raw && raw <= converter.max;
            if (accepted) {
                value.kind = LdfSignalValue::Kind::Physical;
                value.number = raw * converter.scale + converter.offset;
                value.hasNumber = true;
                if (texts_) {
                    setNumber(value.text, value.number);
                }
                value.unit = converter.unit;
            }
            return;
        case LdfConverter::Kind::Bcd: {
            std::uint64_t number = 0;
            for (int i = 0; i < value.byteCount; ++i) {
                if (value.bytes[i] > 9) {
                    return;
                }
                number = number * 10 + value.bytes[i];
            }
            accepted = true;
            value.kind = LdfSignalValue::Kind::Bcd;
            value.number = static_cast<double>(number);
            value.hasNumber = true;
            if (texts_) {
                setDecimal(value.text, number);
            }
            return;
        }
        case LdfConverter::Kind::Ascii:
            accepted = true;
            value.kind = LdfSignalValue::Kind::Ascii;
            if (texts_) {
                value.text.assign(value.bytes.begin(), value.bytes.begin() + value.byteCount);
            }
            value.hasNumber = false;
            return;
    }
}

}  // namespace daridez
