#include "lin/FrameSignals.h"

#include <charconv>

#include "lin/Diagnostic.h"
#include "trace/FieldText.h"

namespace daridez {

namespace {

void appendHexByte(std::string& out, std::uint8_t value) {
    char text[2];
    PutHexByte(text, value);
    out.append(text, 2);
}

void appendQuoted(std::string& out, const std::string& text) {
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

void appendUnit(std::string& out, const LdfSignalValue& value) {
    if (!value.unit.empty()) {
        out += ' ';
        out += value.unit;
    }
}

std::string notDecoded(const LdfFrameDecode& decode) {
    return std::to_string(decode.received) + " of " + std::to_string(decode.expected) +
           " bytes, not decoded";
}

}  // namespace

FrameSignals::FrameSignals(const LdfModel* ldf, bool texts) : ldf_(ldf) {
    if (ldf != nullptr) {
        decoder_.emplace(*ldf);
        decoder_->setTexts(texts);
    }
}

const LdfFrameDecode* FrameSignals::decode(const LinFrame& frame) {
    if (!decoder_ || !frame.isLinFrame || !frame.hasId || IsDiagnosticFrame(frame)) {
        return nullptr;
    }
    decoder_->decode(frame.id(), frame.response, frame.dataLength(), decode_);
    return decode_.frame == nullptr ? nullptr : &decode_;
}

void FrameSignals::appendValue(std::string& out, const LdfSignalValue& value) {
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

void FrameSignals::appendRaw(std::string& out, const LdfSignalValue& value) {
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

void FrameSignals::appendLines(std::string& out, const LinFrame& frame) {
    if (IsDiagnosticFrame(frame)) {
        out += '\t';
        out += DescribeDiagnostic(frame, ldf_);
        out += '\n';
        return;
    }
    const LdfFrameDecode* decode = this->decode(frame);
    if (decode == nullptr) {
        return;
    }
    if (decode->frame->kind == LdfFrame::Kind::EventTriggered) {
        out += '\t';
        out += decode->frame->name;
        out += " -> ";
        out += decode->associated != nullptr ? decode->associated->name : "?";
        out += '\n';
    }
    if (decode->status == LdfFrameDecode::Status::Short) {
        out += '\t';
        out += decode->associated != nullptr ? decode->associated->name : decode->frame->name;
        out += ": " + notDecoded(*decode) + "\n";
        return;
    }
    for (const LdfSignalValue& value : decode->values) {
        out += '\t';
        out += value.frame;
        out += '.';
        out += value.signal;
        out += " = ";
        appendValue(out, value);
        appendUnit(out, value);
        out += " (raw ";
        appendRaw(out, value);
        out += ")\n";
    }
}

std::string FrameSignals::frameName(const LinFrame& frame) {
    if (IsDiagnosticFrame(frame)) {
        const LdfFrame* named = ldf_ != nullptr ? ldf_->frameById(frame.id()) : nullptr;
        return named != nullptr ? named->name : frame.id() == 0x3C ? "MasterReq" : "SlaveResp";
    }
    const LdfFrameDecode* decode = this->decode(frame);
    if (decode == nullptr) {
        return {};
    }
    if (decode->frame->kind != LdfFrame::Kind::EventTriggered) {
        return decode->frame->name;
    }
    return decode->frame->name + " -> " +
           (decode->associated != nullptr ? decode->associated->name : "?");
}

std::string FrameSignals::signalList(const LinFrame& frame) {
    if (IsDiagnosticFrame(frame)) {
        return DescribeDiagnostic(frame, ldf_);
    }
    const LdfFrameDecode* decode = this->decode(frame);
    if (decode == nullptr || decode->status == LdfFrameDecode::Status::NoAssociated) {
        return {};
    }
    if (decode->status == LdfFrameDecode::Status::Short) {
        return notDecoded(*decode);
    }
    std::string text;
    for (const LdfSignalValue& value : decode->values) {
        if (!text.empty()) {
            text += "; ";
        }
        text += value.signal;
        text += '=';
        appendValue(text, value);
        appendUnit(text, value);
    }
    return text;
}

}  // namespace daridez
