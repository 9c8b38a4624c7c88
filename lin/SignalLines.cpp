#include "lin/SignalLines.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <tuple>

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

// Between double quotes, as a C string literal spells it: '"' and '\' escaped, bytes
// outside printable ASCII as \xHH, so that any text reads back unambiguously.
void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte <= 0x7E) {
            out += c;
        } else {
            out += "\\x";
            appendHexByte(out, byte);
        }
    }
    out += '"';
}

std::string quoted(std::string_view text) {
    std::string out;
    appendQuoted(out, text);
    return out;
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

constexpr std::size_t kBlock = 16;
// Room for a number and the raw value twice.
constexpr std::size_t kNumbers = NumberText::kMaxSize + 2 * 24 + kRaw.size() + kEnd.size();

// Copies size chars from from, which has kBlock - 1 readable chars after them, to out,
// which has room for as many more; returns the end.
char* copyBlocks(char* out, const char* from, std::size_t size) {
    for (std::size_t i = 0; i < size; i += kBlock) {
        std::memcpy(out + i, from + i, kBlock);
    }
    return out + size;
}

}  // namespace

void SignalLines::Text::set(std::string_view text) {
    padded_.assign(text);
    padded_.append(kBlock, '\0');
    size_ = text.size();
}

char* SignalLines::Text::put(char* out) const {
    return copyBlocks(out, padded_.data(), size_);
}

SignalLines::SignalLines(const LdfModel& model)
    : decoder_(model), model_(&model), frames_(model.frames.size()) {
    const std::vector<std::size_t> planOf = makePlans();
    for (std::size_t i = 0; i < model.frames.size(); ++i) {
        FrameLines& lines = frames_[i];
        bool allDirect = true;
        for (const LdfFrameSignal& placed : model.frames[i].layout) {
            std::string text;
            appendHead(text, model.frames[i].name, model.allSignals[placed.signal].name);
            Head& head = lines.heads.emplace_back();
            head.text.set(text);
            head.plan = planOf[placed.signal];
            const Plan& plan = plans_[head.plan];
            // Room for the longest converter text and the blocks of 16 too.
            const std::size_t room = text.size() + plan.longest + kNumbers + 2 * kBlock;
            head.direct = plan.direct && room <= kLineSize;
            allDirect = allDirect && head.direct;
            lines.room += room;
        }
        if (!allDirect) {
            lines.room = 0;
        }
    }
}

std::vector<std::size_t> SignalLines::makePlans() {
    std::map<std::tuple<int, int, bool>, std::size_t> made;  // encoding, width, byte array
    std::vector<std::size_t> planOf;
    planOf.reserve(model_->allSignals.size());
    for (const LdfSignal& signal : model_->allSignals) {
        const auto [at, added] =
            made.try_emplace({signal.encoding, signal.width, signal.byteArray}, plans_.size());
        if (added) {
            plans_.push_back(plan(signal));
        }
        planOf.push_back(at->second);
    }
    return planOf;
}

// Logical and physical values follow from the raw value alone; bcd and ascii read the
// signal's bytes, which hold other signals' bits where it is not byte-aligned.
SignalLines::Plan SignalLines::plan(const LdfSignal& signal) const {
    Plan plan;
    plan.direct = !signal.byteArray;
    plan.width = signal.width;
    plan.encoded = signal.encoding >= 0;
    if (plan.encoded) {
        addConverters(plan, model_->encodings[signal.encoding]);
    }
    if (plan.direct && plan.width <= kTabledWidth &&
        plan.longest + kNumbers + kBlock <= kLineSize) {
        plan.tails.resize(std::size_t{1} << plan.width);
        plan.texts.assign(kBlock, '\0');
    }
    return plan;
}

void SignalLines::addConverters(Plan& plan, const LdfEncoding& encoding) {
    for (const LdfConverter& converter : encoding.converters) {
        Converter made;
        switch (converter.kind) {
            case LdfConverter::Kind::Logical:
                if (converter.value < 0) {
                    continue;  // no raw value is negative: it never accepts
                }
                made.value = static_cast<std::uint64_t>(converter.value);
                made.text.set(quoted(converter.text));
                break;
            case LdfConverter::Kind::Physical:
                made.physical = true;
                made.min = converter.min;
                made.max = converter.max;
                made.scale = converter.scale;
                made.offset = converter.offset;
                if (!converter.unit.empty()) {
                    made.text.set(' ' + converter.unit);
                }
                break;
            case LdfConverter::Kind::Bcd:
            case LdfConverter::Kind::Ascii:
                plan.direct = false;
                return;
        }
        plan.longest = std::max(plan.longest, made.text.size());
        plan.converters.push_back(std::move(made));
    }
}

void SignalLines::append(std::string& out, const LdfFrame& frame, const LdfFrameBits& bits) {
    const FrameLines& lines = frames_[&frame - model_->frames.data()];
    if (lines.room > 0) {
        // Growing the string by the room and cutting it back costs less than an append
        // per line.
        const std::size_t start = out.size();
        out.resize(start + lines.room);
        char* at = out.data() + start;
        for (std::size_t i = 0; i < frame.layout.size(); ++i) {
            const Head& head = lines.heads[i];
            Plan& plan = plans_[head.plan];
            at = putLine(at, head, plan,
                         SignalDecoder::scalarRaw(bits, frame.layout[i].offset, plan.width));
        }
        out.resize(static_cast<std::size_t>(at - out.data()));
        return;
    }
    for (std::size_t i = 0; i < frame.layout.size(); ++i) {
        const LdfFrameSignal& placed = frame.layout[i];
        const Head& head = lines.heads[i];
        Plan& plan = plans_[head.plan];
        if (head.direct) {
            char line[kLineSize];
            const char* end = putLine(line, head, plan,
                                      SignalDecoder::scalarRaw(bits, placed.offset, plan.width));
            out.append(line, static_cast<std::size_t>(end - line));
        } else {
            out += head.text.view();
            decoder_.decodeSignal(placed, bits, value_);
            appendTail(out, value_);
        }
    }
}

char* SignalLines::putLine(char* at, const Head& head, Plan& plan, std::uint64_t raw) {
    at = head.text.put(at);
    if (plan.tails.empty()) {
        return putTail(at, plan, raw);
    }
    const Tail& tail = tabled(plan, raw);
    return copyBlocks(at, plan.texts.data() + tail.offset, tail.size);
}

const SignalLines::Tail& SignalLines::tabled(Plan& plan, std::uint64_t raw) {
    Tail& tail = plan.tails[raw];
    if (tail.size == 0) {
        char text[kLineSize];  // the plan's room: its longest text, the numbers, a block
        const auto size = static_cast<std::size_t>(putTail(text, plan, raw) - text);
        const std::size_t offset = plan.texts.size() - kBlock;
        plan.texts.insert(offset, text, size);
        tail = {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(size)};
    }
    return tail;
}

// The tail as appendLine writes it from the value SignalDecoder decodes: the first
// converter that accepts gives VALUE (and UNIT), none gives "?", no encoding the raw
// number.
char* SignalLines::putTail(char* at, const Plan& plan, std::uint64_t raw) {
    if (!plan.encoded) {
        at = NumberText::putDecimal(at, raw);
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
            at = accepted->text.put(at);
        } else {
            at = accepted->text.put(at);
        }
    }
    at = put(at, kRaw);
    at = NumberText::putDecimal(at, raw);
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
