#include "lin/RowReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ldf/ChecksumModel.h"
#include "ldf/LdfModel.h"
#include "ldf/SignalDecoder.h"
#include "lin/Diagnostic.h"
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

void copyCut(const std::string& text, char* out, std::size_t size) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

// The frame's name with an event-triggered frame's answering frame: "DoorEvent ->
// DoorFL_Status".
std::string decodedName(const LdfFrameDecode& decode) {
    std::string name = decode.frame != nullptr ? decode.frame->name : std::string();
    if (decode.associated != nullptr) {
        name += " -> " + decode.associated->name;
    }
    return name;
}

// The transport decode in its parts: "MasterReq NAD 21 (DoorFL), SF length 6: SID B2
// ReadByIdentifier, data 00 5A" gives "MasterReq" "NAD 21 (DoorFL)", "SF" "length 6", ...
std::vector<TransportField> transportFields(const std::string& description) {
    std::vector<TransportField> fields;
    std::size_t start = 0;
    while (start < description.size()) {
        std::size_t end = description.find_first_of(",:", start);
        if (end == std::string::npos) {
            end = description.size();
        }
        const std::string part = description.substr(start, end - start);
        const std::size_t space = part.find(' ');
        fields.push_back({part.substr(0, space),
                          space == std::string::npos ? std::string() : part.substr(space + 1)});
        start = description.find_first_not_of(' ', end + 1);
    }
    return fields;
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
        reading.frame = named != nullptr ? named->name : DiagnosticTitle(frame).substr(0, 9);
        if (named != nullptr && !named->publisher.empty()) {
            reading.publisher = named->publisher;
        }
        reading.model = "classic";
        reading.transport = transportFields(DescribeDiagnostic(frame, ldf_));
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
    reading.frame = decodedName(decode);
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

const char* RowReader::frameText(const LinFrame& frame, char* out, std::size_t size) const {
    out[0] = '\0';
    if (IsDiagnosticFrame(frame)) {
        copyCut(DiagnosticTitle(frame), out, size);
        return out;
    }
    if (!frame.isLinFrame || !frame.hasId || ldf_ == nullptr) {
        return out;
    }
    const LdfFrame* named = ldf_->frameById(frame.id());
    if (named == nullptr) {
        return out;
    }
    if (named->kind != LdfFrame::Kind::EventTriggered || frame.dataLength() == 0) {
        copyCut(named->name, out, size);
        return out;
    }
    copyCut(decodedName(decodeFrame(*ldf_, frame)), out, size);
    return out;
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
