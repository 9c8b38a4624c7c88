#include "lin/RowReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ldf/ChecksumModel.h"
#include "ldf/LdfModel.h"
#include "ldf/SignalDecoder.h"
#include "lin/Diagnostic.h"
#include "lin/FrameCheck.h"
#include "lin/FrameTitle.h"
#include "trace/FieldText.h"

namespace daridez {

namespace {

const char* converterName(LdfSignalValue::Kind kind) {
    switch (kind) {
        case LdfSignalValue::Kind::Raw:
            return "raw";
        case LdfSignalValue::Kind::Logical:
            return "logical";
        case LdfSignalValue::Kind::Physical:
            return "physical";
        case LdfSignalValue::Kind::Bcd:
            return "bcd";
        case LdfSignalValue::Kind::Ascii:
            return "ascii";
        case LdfSignalValue::Kind::None:
            break;
    }
    return "no converter accepts";
}

std::string valueText(const LdfSignalValue& value) {
    if (value.kind == LdfSignalValue::Kind::None) {
        return "?";
    }
    std::string text = value.text;
    if (!value.unit.empty()) {
        text += ' ';
        text += value.unit;
    }
    return text;
}

// "0xFD (253)" for a scalar, the bytes for an array.
std::string rawText(const LdfSignalValue& value) {
    if (value.byteArray) {
        return HexBytesText(value.bytes.data(), value.byteCount);
    }
    char text[48];
    std::snprintf(text, sizeof text, "0x%llX (%llu)", static_cast<unsigned long long>(value.raw),
                  static_cast<unsigned long long>(value.raw));
    return text;
}

std::string encodingText(const LdfModel& model, const LdfSignalValue& value) {
    const LdfSignal* signal = model.signalByName(value.signal);
    if (signal == nullptr || signal->encoding < 0) {
        return "none";
    }
    return model.encodings[static_cast<std::size_t>(signal->encoding)].name + ": " +
           converterName(value.kind);
}

LdfFrameDecode decodeFrame(const LdfModel& model, const LinFrame& frame) {
    LdfFrameDecode decode;
    SignalDecoder(model).decode(frame.id(), frame.response, frame.dataLength(), decode);
    return decode;
}

}  // namespace

RowReading RowReader::read(const LinFrame& frame) const {
    RowReading reading;
    if (!frame.isLinFrame || !frame.hasId) {
        return reading;
    }
    reading.frame = "ID " + HexByteText(frame.id());
    if (IsDiagnosticFrame(frame)) {
        const LdfFrame* named = ldf_ != nullptr ? ldf_->frameById(frame.id()) : nullptr;
        reading.frame = FrameTitle(ldf_).diagnosticName(frame);
        if (named != nullptr && !named->publisher.empty()) {
            reading.publisher = named->publisher;
        }
        reading.model = "classic";
        reading.transport = DiagnosticFields(frame, ldf_);
        return reading;
    }
    if (ldf_ == nullptr) {
        reading.note = "no LDF";
        return reading;
    }
    const LdfFrameDecode decode = decodeFrame(*ldf_, frame);
    if (decode.frame == nullptr) {
        reading.note = "not in the LDF";
        return reading;
    }
    reading.frame = FrameTitle::decodedName(decode);
    const LdfFrame& sent = decode.associated != nullptr ? *decode.associated : *decode.frame;
    reading.publisher = sent.publisher;
    reading.model = ChecksumModel::name(ChecksumModel(*ldf_).of(sent));
    char note[96];
    switch (decode.status) {
        case LdfFrameDecode::Status::Short:
            std::snprintf(note, sizeof note, "%d of %d bytes, not decoded", decode.received,
                          decode.expected);
            reading.note = note;
            break;
        case LdfFrameDecode::Status::NoAssociated:
            reading.note = frame.dataLength() == 0 ? "no answer"
                                                   : "no associated frame answers with this "
                                                     "first byte";
            break;
        case LdfFrameDecode::Status::Unknown:
        case LdfFrameDecode::Status::Decoded:
            break;
    }
    for (const LdfSignalValue& value : decode.values) {
        SignalReading signal;
        signal.name = std::string(value.signal);
        signal.value = valueText(value);
        signal.raw = rawText(value);
        signal.encoding = encodingText(*ldf_, value);
        signal.offset = value.offset;
        signal.width = value.width;
        signal.rawValue = value.raw;
        signal.frame = std::string(value.frame);
        reading.values.push_back(std::move(signal));
    }
    return reading;
}

RowReading RowReader::readRow(const TraceEntry& entry) const {
    const LinFrame frame = ReadLinFrame(entry);
    RowReading reading = read(frame);
    if (!reading.values.empty()) {
        reading.failed = CheckFrame(entry, frame, ldf_).dataFailure();
    }
    return reading;
}

const char* RowReader::frameText(const LinFrame& frame, char* out, std::size_t size) const {
    return FrameTitle(ldf_).title(frame, out, size);
}

std::string RowReader::byteSignals(const LinFrame& frame, int byte) const {
    if (ldf_ == nullptr || !frame.isLinFrame || !frame.hasId || byte >= frame.dataLength() ||
        IsDiagnosticFrame(frame)) {
        return {};  // a diagnostic frame's bytes are the transport layer's, in the Frame column
    }
    const LdfFrameDecode decode = decodeFrame(*ldf_, frame);
    std::string lines;
    for (const LdfSignalValue& value : decode.values) {
        const int first = value.offset / 8;
        const int last = (value.offset + value.width - 1) / 8;
        if (byte < first || byte > last) {
            continue;
        }
        if (!lines.empty()) {
            lines += '\n';
        }
        lines += std::string(value.signal) + " = " + valueText(value) + " (raw " +
                 (value.byteArray ? rawText(value) : std::to_string(value.raw)) + ")";
    }
    return lines;
}

}  // namespace daridez
