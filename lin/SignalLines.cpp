#include "lin/SignalLines.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "ldf/NumberText.h"
#include "trace/FieldText.h"

namespace daridez {

namespace {

constexpr std::string_view kRaw = " (raw ";
constexpr std::string_view kEnd = ")\n";

void appendHexByte(std::string& out, std::uint8_t value) {
    char text[2];
    PutHexByte(text, value);
    out.append(text, 2);
}

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte >= 0x20 && byte <= 0x7E) {
            out += c;
        } else {
            out += "\\x";
            appendHexByte(out, byte);
        }
    }
    out += '"';
}

// "TAB FRAME.SIGNAL = "
void appendHead(std::string& out, std::string_view frame, std::string_view signal) {
    out += '\t';
    out += frame;
    out += '.';
    out += signal;
    out += " = ";
}

char* put(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

}  // namespace

SignalLines::SignalLines(const LdfModel& model)
    : decoder_(model), model_(&model), heads_(model.frames.size()) {
    // Room for the longest converter text, a number and the raw value twice.
    constexpr std::size_t kNumbers = NumberText::kMaxSize + 2 * 24 + kRaw.size() + kEnd.size();
    plans_.reserve(model.allSignals.size());
    for (const LdfSignal& signal : model.allSignals) {
        plans_.push_back(plan(signal));
    }
    for (std::size_t i = 0; i < model.frames.size(); ++i) {
        for (const LdfFrameSignal& placed : model.frames[i].layout) {
            Head& head = heads_[i].emplace_back();
            appendHead(head.text, model.frames[i].name, model.allSignals[placed.signal].name);
            const Plan& plan = plans_[placed.signal];
            head.direct = plan.direct && head.text.size() + plan.longest + kNumbers <= kLineSize;
        }
    }
}

// Logical and physical values follow from the raw value alone; bcd and ascii read the
// signal's bytes, which hold other signals' bits where it is not byte-aligned.
SignalLines::Plan SignalLines::plan(const LdfSignal& signal) const {
    Plan plan;
    plan.direct = !signal.byteArray;
    plan.encoded = signal.encoding >= 0;
    if (!plan.encoded) {
        return plan;
    }
    for (const LdfConverter& converter : model_->encodings[signal.encoding].converters) {
        Converter made;
        switch (converter.kind) {
            case LdfConverter::Kind::Logical:
                if (converter.value < 0) {
                    continue;  // no raw value is negative: it never accepts
                }
                made.value = static_cast<std::uint64_t>(converter.value);
                appendQuoted(made.text, converter.text);
                break;
            case LdfConverter::Kind::Physical:
                made.physical = true;
                made.min = converter.min;
                made.max = converter.max;
                made.scale = converter.scale;
                made.offset = converter.offset;
                if (!converter.unit.empty()) {
                    made.text = ' ' + converter.unit;
                }
                break;
            case LdfConverter::Kind::Bcd:
            case LdfConverter::Kind::Ascii:
                plan.direct = false;
                return plan;
        }
        plan.longest = std::max(plan.longest, made.text.size());
        plan.converters.push_back(std::move(made));
    }
    return plan;
}

void SignalLines::append(std::string& out, const LdfFrame& frame, const LdfFrameBits& bits) {
    const std::vector<Head>& heads = heads_[&frame - model_->frames.data()];
    for (std::size_t i = 0; i < frame.layout.size(); ++i) {
        const LdfFrameSignal& placed = frame.layout[i];
        if (heads[i].direct) {
            const int width = model_->allSignals[placed.signal].width;
            appendDirect(out, heads[i], plans_[placed.signal],
                         SignalDecoder::scalarRaw(bits, placed.offset, width));
        } else {
            out += heads[i].text;
            decoder_.decodeSignal(placed, bits, value_);
            appendTail(out, value_);
        }
    }
}

void SignalLines::appendDirect(std::string& out, const Head& head, const Plan& plan,
                               std::uint64_t raw) {
    char line[kLineSize];
    char* at = put(line, head.text);
    out.append(line, putTail(at, plan, raw));
}

// The tail as appendLine writes it from the value SignalDecoder decodes: the first
// converter that accepts gives VALUE (and UNIT), none gives "?", no encoding the raw
// number.
char* SignalLines::putTail(char* at, const Plan& plan, std::uint64_t raw) {
    if (!plan.encoded) {
        at = PutDecimal(at, raw, 1);
    } else {
        const auto number = static_cast<double>(raw);
        const Converter* accepted = nullptr;
        for (const Converter& converter : plan.converters) {
            if (converter.physical ? converter.min <= number && number <= converter.max
                                   : converter.value == raw) {
                accepted = &converter;
                break;
            }
        }
        if (accepted == nullptr) {
            *at++ = '?';
        } else if (accepted->physical) {
            at = NumberText::put(at, number * accepted->scale + accepted->offset);
            at = put(at, accepted->text);
        } else {
            at = put(at, accepted->text);
        }
    }
    at = put(at, kRaw);
    at = PutDecimal(at, raw, 1);
    return put(at, kEnd);
}

void SignalLines::appendLine(std::string& out, const LdfSignalValue& value) {
    appendHead(out, value.frame, value.signal);
    appendTail(out, value);
}

void SignalLines::appendTail(std::string& out, const LdfSignalValue& value) {
    appendValue(out, value);
    appendUnit(out, value);
    out += kRaw;
    appendRaw(out, value);
    out += kEnd;
}

void SignalLines::appendValue(std::string& out, const LdfSignalValue& value) {
    switch (value.kind) {
        case LdfSignalValue::Kind::Logical:
        case LdfSignalValue::Kind::Ascii:
            appendQuoted(out, value.text);
            return;
        case LdfSignalValue::Kind::None:
            out += '?';
            return;
        default:
            out += value.text;
    }
}

void SignalLines::appendUnit(std::string& out, const LdfSignalValue& value) {
    if (!value.unit.empty()) {
        out += ' ';
        out += value.unit;
    }
}

void SignalLines::appendRaw(std::string& out, const LdfSignalValue& value) {
    if (!value.byteArray) {
        char digits[24];
        const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value.raw);
        out.append(digits, end);
        return;
    }
    for (int i = 0; i < value.byteCount; ++i) {
        if (i > 0) {
            out += ' ';
        }
        appendHexByte(out, value.bytes[i]);
    }
}

}  // namespace daridez
