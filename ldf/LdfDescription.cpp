#include "ldf/LdfDescription.h"

#include <charconv>
#include <cstdio>

#include "ldf/ChecksumModel.h"

namespace daridez {

namespace {

std::string hexByte(std::int64_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02llX", static_cast<unsigned long long>(value));
    return text;
}

// The shortest text that reads back as the value: the file's own numbers.
std::string number(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end);
}

std::string names(const LdfModel& model, const std::vector<int>& frames) {
    std::string text;
    for (const int index : frames) {
        text += (text.empty() ? "" : ", ") + model.frames[index].name;
    }
    return text;
}

std::string converterText(const LdfConverter& converter) {
    switch (converter.kind) {
        case LdfConverter::Kind::Logical:
            return "logical " + std::to_string(converter.value) + " \"" + converter.text + "\"";
        case LdfConverter::Kind::Physical:
            return "physical " + number(converter.min) + ".." + number(converter.max) + " * " +
                   number(converter.scale) + " + " + number(converter.offset) +
                   (converter.unit.empty() ? "" : " " + converter.unit);
        case LdfConverter::Kind::Bcd:
            return "bcd";
        case LdfConverter::Kind::Ascii:
            return "ascii";
    }
    return {};
}

}  // namespace

std::string LdfDescription::text() const {
    std::string out;
    nodes(out);
    frames(out);
    schedules(out);
    return out;
}

void LdfDescription::nodes(std::string& out) const {
    out += "nodes:\n";
    for (const LdfNode& node : model_.nodes) {
        const std::string& protocol =
            node.protocol.empty() ? model_.protocolVersion : node.protocol;
        out += "  " + node.name + ": " + (node.master ? "master" : "slave") + ", LIN " +
               (protocol.empty() ? "?" : protocol);
        if (node.master) {
            out += ", time base " + number(node.timeBaseMs) + " ms, jitter " +
                   number(node.jitterMs) + " ms";
        }
        if (node.configuredNad >= 0) {
            out += ", NAD " + hexByte(node.configuredNad);
        }
        out += '\n';
    }
}

void LdfDescription::frames(std::string& out) const {
    out += "frames:\n";
    for (const LdfFrame& frame : model_.frames) {
        this->frame(out, frame);
    }
}

void LdfDescription::frame(std::string& out, const LdfFrame& frame) const {
    const std::string id = frame.id < 0 ? "--" : hexByte(frame.id);
    out += "  " + id + " " + frame.name + ": ";
    if (frame.kind == LdfFrame::Kind::Sporadic) {
        out += "sporadic (" + names(model_, frame.associated) + ")\n";
        return;
    }
    if (frame.kind == LdfFrame::Kind::EventTriggered) {
        out += "event-triggered (" + names(model_, frame.associated) + ")";
        if (!frame.collisionTable.empty()) {
            out += ", collision table " + frame.collisionTable;
        }
        out += ", " + std::string(ChecksumModel::name(ChecksumModel(model_).of(frame))) + "\n";
        return;
    }
    out += std::to_string(frame.length) + (frame.length == 1 ? " byte" : " bytes");
    if (!frame.publisher.empty()) {
        out += ", published by " + frame.publisher;
    }
    out += ", " + std::string(ChecksumModel::name(ChecksumModel(model_).of(frame)));
    if (frame.id > 0x3F) {
        out += ", never on the bus";
    }
    out += '\n';
    for (const LdfFrameSignal& placed : frame.layout) {
        signal(out, placed);
    }
}

void LdfDescription::signal(std::string& out, const LdfFrameSignal& placed) const {
    const LdfSignal& signal = model_.allSignals[placed.signal];
    out += "    " + signal.name + ": offset " + std::to_string(placed.offset) + ", width " +
           std::to_string(signal.width) + ", init ";
    if (signal.byteArray) {
        out += "{";
        for (std::size_t i = 0; i < signal.initBytes.size(); ++i) {
            out += (i == 0 ? "" : ", ") + hexByte(signal.initBytes[i]);
        }
        out += "}";
    } else {
        out += std::to_string(signal.init);
    }
    out += ", " + encoding(signal.encoding) + "\n";
}

std::string LdfDescription::encoding(int index) const {
    if (index < 0) {
        return "raw";
    }
    const LdfEncoding& encoding = model_.encodings[index];
    std::string text = encoding.name + " (";
    for (std::size_t i = 0; i < encoding.converters.size(); ++i) {
        text += (i == 0 ? "" : ", ") + converterText(encoding.converters[i]);
    }
    return text + ")";
}

void LdfDescription::schedules(std::string& out) const {
    out += "schedule tables:\n";
    for (const LdfScheduleTable& table : model_.scheduleTables) {
        out += "  " + table.name + ":\n";
        for (const LdfScheduleEntry& entry : table.entries) {
            out += "    " + entry.command;
            if (!entry.arguments.empty()) {
                out += " {";
                for (std::size_t i = 0; i < entry.arguments.size(); ++i) {
                    out += (i == 0 ? "" : ", ") + entry.arguments[i];
                }
                out += "}";
            }
            out += ", " + number(entry.delayMs) + " ms\n";
        }
    }
}

}  // namespace daridez
