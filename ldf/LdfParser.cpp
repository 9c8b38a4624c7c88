#include "ldf/LdfParser.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "ldf/DiagnosticIds.h"
#include "ldf/LdfText.h"

namespace daridez {

namespace {

using Kind = LdfToken::Kind;

constexpr int kMaxScalarWidth = 16;
constexpr int kMaxWidth = 64;
constexpr int kMaxFrameLength = 8;

}  // namespace

LdfFile LdfParser::parse(std::string_view bytes) {
    LdfFile file;
    file.read = true;
    const LdfText text(bytes);
    LdfParser parser(text.text(), file);
    if (text.windows1252()) {
        parser.warn({text.line(), text.column()}, "not UTF-8: the file is read as Windows-1252");
    }
    if (parser.atEnd() && file.errors == 0) {
        parser.fail({1, 1}, "empty file, not an LDF");
    }
    parser.file();
    parser.linker_.link();  // indexes the model's names first
    // In the order of the file, as a compiler lists them.
    std::stable_sort(file.diagnostics.begin(), file.diagnostics.end(),
                     [](const LdfDiagnostic& a, const LdfDiagnostic& b) {
                         return a.at.line != b.at.line ? a.at.line < b.at.line
                                                       : a.at.column < b.at.column;
                     });
    return file;
}

LdfFile LdfParser::read(const std::string& path) {
    LdfFile file;
    const auto failure = [&file](std::string message) {
        file.diagnostics.push_back({LdfDiagnostic::Severity::Error, {}, std::move(message)});
        ++file.errors;
        return std::move(file);
    };
    // The system's own words, as a user would look them up.
    const auto because = [](const char* what) { return std::string(what) + std::strerror(errno); };
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
    if (!in) {
        return failure(because("cannot open the file: "));
    }
    std::string bytes;
    char block[65536];
    std::size_t count = 0;
    while ((count = std::fread(block, 1, sizeof block, in.get())) > 0) {
        bytes.append(block, count);
        if (bytes.size() > kMaxFileSize) {
            return failure("the file is over 16 MB; an LDF is far smaller");
        }
    }
    if (std::ferror(in.get()) != 0) {
        return failure(because("cannot read the file: "));
    }
    return parse(bytes);
}

LdfParser::LdfParser(std::string_view text, LdfFile& out)
    : LdfTokens(text, out),
      model_(out.model),
      linker_(out.model,
              [this](LdfDiagnostic::Severity severity, LdfPosition at, std::string message) {
                  report(severity, at, std::move(message));
              }) {}

// ---- the file ----------------------------------------------------------------------

void LdfParser::file() {
    while (!atEnd()) {
        if (token_.is('}')) {
            fail(token_.at, "unbalanced '}'");
            next();
            continue;
        }
        if (accept(';')) {
            continue;
        }
        if (token_.kind != Kind::Identifier) {
            fail(token_.at, "expected a section or statement, found " + describe(token_));
            skipStatement();
            continue;
        }
        const LdfToken name = token_;
        const std::string_view text = name.text;
        next();
        if (text == "LIN_description_file" || text == "LIN_sig_byte_order_big_endian" ||
            text == "LIN_sig_byte_order_little_endian") {
            endStatement();
        } else if (token_.is('=')) {
            headerValue(name);
        } else if (text == "Nodes") {
            block(name, [this] { return nodeItem(); });
        } else if (text == "Signals") {
            block(name, [this] { return signalItem(false); });
        } else if (text == "Diagnostic_signals") {
            block(name, [this] { return signalItem(true); });
        } else if (text == "Frames") {
            block(name, [this] { return frameItem(); });
        } else if (text == "Sporadic_frames") {
            block(name, [this] { return sporadicItem(); });
        } else if (text == "Event_triggered_frames") {
            block(name, [this] { return eventTriggeredItem(); });
        } else if (text == "Diagnostic_frames") {
            block(name, [this] { return diagnosticFrameItem(); });
        } else if (text == "Diagnostic_addresses") {
            block(name, [this] { return diagnosticAddressItem(); });
        } else if (text == "Node_attributes") {
            block(name, [this] { return nodeAttributesItem(); });
        } else if (text == "Schedule_tables") {
            const std::size_t before = model_.scheduleTables.size();
            block(name, [this] { return scheduleTableItem(); });
            if (model_.scheduleTables.size() == before) {
                warn(name.at, "Schedule_tables is empty: a master needs a schedule table");
            }
        } else if (text == "Signal_encoding_types") {
            block(name, [this] { return encodingItem(); });
        } else if (text == "Signal_representation") {
            block(name, [this] { return representationItem(); });
        } else if (text == "Signal_groups" || text == "Node_composition" || text == "composite" ||
                   text == "Dynamic_frames") {
            // Read over: decoding needs none of them.
            if (openBlock(name)) {
                block(name, [this] {
                    skipStatement();
                    return true;
                });
            }
        } else {
            unknown(name, "section");
        }
    }
}

void LdfParser::headerValue(const LdfToken& name) {
    next();  // '='
    const LdfToken value = token_;
    if (value.kind != Kind::String && value.kind != Kind::Identifier && !value.isNumber()) {
        fail(value.at,
             "expected a value for " + std::string(name.text) + ", found " + describe(value));
        skipStatement();
        return;
    }
    next();
    const std::string text(value.text);
    if (name.text == "LIN_protocol_version") {
        model_.protocolVersion = text;
    } else if (name.text == "LIN_language_version") {
        model_.languageVersion = text;
    } else if (name.text == "LIN_speed") {
        model_.speedKbps = value.number();
        skipUnit("kbps");
    } else if (name.text == "Channel_name") {
        model_.channelName = text;
    } else if (name.text == "LDF_file_revision") {
        model_.fileRevision = text;
    } else {
        warn(name.at, "unknown statement " + std::string(name.text) + " skipped");
        skipStatement();
        return;
    }
    endStatement();
}

// A section's block: '{', items until '}', '}'. A missing '{' is reported and the items
// are read as if it were there; the end of the file inside the block is reported where
// it is, and what was read stays.
template <typename Item>
void LdfParser::block(const LdfToken& name, Item item) {
    if (!token_.is('{') && !openBlock(name)) {
        return;
    }
    accept('{');
    while (!token_.is('}') && !atEnd()) {
        if (accept(';')) {
            continue;
        }
        if (!item()) {
            skipStatement();
        }
    }
    if (atEnd()) {
        fail(token_.at, "end of file inside " + std::string(name.text) + " (opened at line " +
                            std::to_string(name.at.line) + ")");
        return;
    }
    next();  // '}'
}

// True when a block follows name (its '{' not yet read); else reports the missing '{'.
bool LdfParser::openBlock(const LdfToken& name) {
    if (token_.is('{')) {
        return true;
    }
    fail(previousEnd_,
         "expected '{' after " + std::string(name.text) + ", found " + describe(token_));
    // Statements that follow are read as the block's; a section name, ';' or the end
    // leave nothing to read.
    return !token_.is(';') && !atEnd();
}

void LdfParser::unknown(const LdfToken& name, std::string_view where) {
    warn(name.at, "unknown " + std::string(where) + " " + std::string(name.text) + " skipped");
    if (token_.is('{')) {
        skipBlock();
    } else {
        skipStatement();
    }
}

// ---- Nodes -------------------------------------------------------------------------

bool LdfParser::nodeItem() {
    const LdfToken name = token_;
    std::string kind;
    if (!word(kind, "Master or Slaves")) {
        return false;
    }
    if (kind != "Master" && kind != "Slaves") {
        unknown(name, "statement");
        return true;
    }
    if (!expect(':', "after " + kind)) {
        return false;
    }
    if (kind == "Master") {
        LdfNode master;
        master.master = true;
        master.at = token_.at;
        LdfToken time;
        LdfToken jitter;
        if (!word(master.name, "the master's name") || !expect(',', "after the master's name") ||
            !number(time, "the time base")) {
            return false;
        }
        skipUnit("ms");
        if (!expect(',', "after the time base") || !number(jitter, "the jitter")) {
            return false;
        }
        skipUnit("ms");
        master.timeBaseMs = time.number();
        master.jitterMs = jitter.number();
        // J2602: bit length and tolerance.
        while (accept(',')) {
            LdfToken extra;
            if (!number(extra, "a number")) {
                return false;
            }
            skipUnit("bits");
            skipUnit("%");
        }
        nodeNamed(master.name, master.at) = master;
        endStatement();
        return true;
    }
    do {
        LdfNode slave;
        slave.at = token_.at;
        if (!word(slave.name, "a slave's name")) {
            return false;
        }
        nodeNamed(slave.name, slave.at).name = slave.name;
    } while (accept(','));
    endStatement();
    return true;
}

// The node of this name, added when new; a second declaration is reported.
LdfNode& LdfParser::nodeNamed(const std::string& name, LdfPosition at) {
    const auto [known, added] = nodeNames_.emplace(name, model_.nodes.size());
    if (!added) {
        warn(at, "node " + name + " is declared twice");
        return model_.nodes[known->second];
    }
    LdfNode& node = model_.nodes.emplace_back();
    node.name = name;
    node.at = at;
    return node;
}

// ---- Signals -----------------------------------------------------------------------

bool LdfParser::signalItem(bool diagnostic) {
    LdfSignal signal;
    signal.at = token_.at;
    signal.diagnostic = diagnostic;
    LdfToken width;
    if (!word(signal.name, "a signal name") || !expect(':', "after the signal name") ||
        !number(width, "the signal's width") || !expect(',', "after the width") ||
        !initValue(signal)) {
        return false;
    }
    if (!diagnostic) {
        if (!expect(',', "before the publisher") || !word(signal.publisher, "the publisher")) {
            return false;
        }
        while (accept(',')) {
            if (!word(signal.subscribers.emplace_back(), "a subscriber")) {
                return false;
            }
        }
    }
    endStatement();
    const std::int64_t bits = width.integer();
    if (bits < 1 || bits > kMaxWidth) {
        fail(width.at, "signal " + signal.name + ": width " + std::string(width.text) +
                           " is outside 1..64; the signal is dropped");
        return true;
    }
    signal.width = static_cast<int>(bits);
    if (signal.byteArray && (bits % 8 != 0)) {
        warn(width.at, "signal " + signal.name +
                           ": a byte array's width must be 8..64 bits in "
                           "whole bytes, not " +
                           std::string(width.text));
    } else if (!signal.byteArray && bits > kMaxScalarWidth) {
        warn(width.at, "signal " + signal.name + ": width " + std::string(width.text) +
                           " is above 16 for a scalar signal");
    }
    if (!signalNames_.insert(signal.name).second) {
        warn(signal.at, "signal " + signal.name + " is declared twice; the first is used");
        return true;
    }
    model_.allSignals.push_back(std::move(signal));
    return true;
}

// An integer, or a byte array's values between braces.
bool LdfParser::initValue(LdfSignal& signal) {
    if (token_.kind == Kind::Integer) {
        signal.init = token_.integer();
        next();
        return true;
    }
    if (!token_.is('{')) {
        fail(token_.at, "expected the init value, found " + describe(token_));
        return false;
    }
    next();
    signal.byteArray = true;
    do {
        LdfToken value;
        if (!number(value, "an init byte")) {
            return false;
        }
        signal.initBytes.push_back(value.integer());
    } while (accept(','));
    return expect('}', "after the init bytes");
}

// ---- Frames ------------------------------------------------------------------------

bool LdfParser::frameItem() {
    LdfFrame frame;
    LdfLinker::FrameNames names;
    frame.at = token_.at;
    LdfToken id;
    if (!word(frame.name, "a frame name") || !expect(':', "after the frame name") ||
        !number(id, "the frame identifier") || !expect(',', "after the identifier") ||
        !word(frame.publisher, "the publisher")) {
        return false;
    }
    frame.id = static_cast<int>(std::clamp<std::int64_t>(id.integer(), -1, 0xFFFF));
    if (accept(',')) {
        LdfToken length;
        if (!number(length, "the frame length")) {
            return false;
        }
        frame.length = static_cast<int>(std::clamp<std::int64_t>(length.integer(), -1, 0xFF));
        names.lengthGiven = true;
        if (frame.length < 1 || frame.length > kMaxFrameLength) {
            warn(length.at, "frame " + frame.name + ": length " + std::string(length.text) +
                                " is outside 1..8; read as " +
                                std::to_string(std::clamp(frame.length, 1, kMaxFrameLength)));
            frame.length = std::clamp(frame.length, 1, kMaxFrameLength);
        }
    }
    const bool body = frameBody(frame, names);
    linker_.addFrame(std::move(frame), std::move(names));
    return body;
}

// '{' (signal, offset;)* '}'
bool LdfParser::frameBody(LdfFrame& frame, LdfLinker::FrameNames& names) {
    if (!expect('{', "before the frame's signals")) {
        return false;
    }
    while (!token_.is('}') && !atEnd()) {
        LdfLinker::Ref ref;
        ref.at = token_.at;
        LdfToken offset;
        if (!word(ref.name, "a signal name") || !expect(',', "after the signal name") ||
            !number(offset, "the signal's offset")) {
            skipStatement();
            continue;
        }
        ref.offset = static_cast<int>(std::clamp<std::int64_t>(offset.integer(), -1, 0xFFFF));
        names.signalRefs.push_back(std::move(ref));
        endStatement();
    }
    if (atEnd()) {
        fail(token_.at, "end of file inside frame " + frame.name);
        return true;
    }
    next();  // '}'
    return true;
}

bool LdfParser::sporadicItem() {
    LdfFrame frame;
    LdfLinker::FrameNames names;
    frame.kind = LdfFrame::Kind::Sporadic;
    frame.at = token_.at;
    if (!word(frame.name, "a frame name") || !expect(':', "after the frame name")) {
        return false;
    }
    do {
        LdfLinker::Ref ref;
        ref.at = token_.at;
        if (!word(ref.name, "an associated frame")) {
            return false;
        }
        names.associated.push_back(std::move(ref));
    } while (accept(','));
    endStatement();
    linker_.addFrame(std::move(frame), std::move(names));
    return true;
}

// name ':' [collision_table ','] id (',' frame)* ';'
bool LdfParser::eventTriggeredItem() {
    LdfFrame frame;
    LdfLinker::FrameNames names;
    frame.kind = LdfFrame::Kind::EventTriggered;
    frame.at = token_.at;
    if (!word(frame.name, "a frame name") || !expect(':', "after the frame name")) {
        return false;
    }
    if (token_.kind == Kind::Identifier) {
        frame.collisionTable = std::string(token_.text);
        next();
        if (!expect(',', "after the collision table")) {
            return false;
        }
    }
    LdfToken id;
    if (!number(id, "the frame identifier")) {
        return false;
    }
    frame.id = static_cast<int>(std::clamp<std::int64_t>(id.integer(), -1, 0xFFFF));
    while (accept(',')) {
        LdfLinker::Ref ref;
        ref.at = token_.at;
        if (!word(ref.name, "an associated frame")) {
            return false;
        }
        names.associated.push_back(std::move(ref));
    }
    endStatement();
    names.lengthGiven = true;
    linker_.addFrame(std::move(frame), std::move(names));
    return true;
}

// MasterReq ':' 0x3C [',' ...] '{' signals '}'
bool LdfParser::diagnosticFrameItem() {
    LdfFrame frame;
    LdfLinker::FrameNames names;
    frame.kind = LdfFrame::Kind::Diagnostic;
    frame.at = token_.at;
    frame.length = kMaxFrameLength;
    names.lengthGiven = true;
    LdfToken id;
    if (!word(frame.name, "MasterReq or SlaveResp") || !expect(':', "after the frame name") ||
        !number(id, "the frame identifier")) {
        return false;
    }
    frame.id = static_cast<int>(std::clamp<std::int64_t>(id.integer(), -1, 0xFFFF));
    if (!IsDiagnosticId(frame.id)) {
        warn(id.at, "diagnostic frame " + frame.name + ": identifier " + std::string(id.text) +
                        " is neither 0x3C nor 0x3D");
    }
    while (accept(',')) {
        next();  // publisher or length: 0x3C/0x3D frames are always 8 bytes
    }
    const bool body = frameBody(frame, names);
    linker_.addFrame(std::move(frame), std::move(names));
    return body;
}

bool LdfParser::diagnosticAddressItem() {
    std::string name;
    const LdfPosition at = token_.at;
    LdfToken nad;
    if (!word(name, "a node name") || !expect(':', "after the node name") ||
        !number(nad, "the node's address")) {
        return false;
    }
    endStatement();
    LdfNode address;
    address.name = name;
    address.at = at;
    address.configuredNad = static_cast<int>(nad.integer() & 0xFF);
    linker_.addAttributes(std::move(address));
    return true;
}

// ---- Node_attributes ---------------------------------------------------------------

bool LdfParser::nodeAttributesItem() {
    const LdfToken name = token_;
    LdfNode node;
    node.at = token_.at;
    if (!word(node.name, "a node name") || !expect('{', "after the node name")) {
        return false;
    }
    while (!token_.is('}') && !atEnd()) {
        if (!accept(';') && !nodeAttribute(node)) {
            skipStatement();
        }
    }
    linker_.addAttributes(std::move(node));
    if (atEnd()) {
        fail(token_.at, "end of file inside the attributes of " + std::string(name.text));
        return true;
    }
    next();  // '}'
    return true;
}

bool LdfParser::nodeAttribute(LdfNode& node) {
    const LdfToken name = token_;
    std::string key;
    if (!word(key, "an attribute")) {
        return false;
    }
    if (key == "configurable_frames") {
        if (!expect('{', "after configurable_frames")) {
            return false;
        }
        while (!token_.is('}') && !atEnd()) {
            if (accept(';')) {
                continue;
            }
            std::string frame;
            if (!word(frame, "a frame name")) {
                skipStatement();
                continue;
            }
            node.configurableFrames.push_back(frame);
            LdfToken messageId;
            if (accept('=') && !number(messageId, "the message identifier")) {
                skipStatement();
                continue;
            }
            endStatement();
        }
        return expect('}', "after the configurable frames");
    }
    if (!expect('=', "after " + key)) {
        return false;
    }
    const auto integerValue = [this](int& into) {
        LdfToken value;
        if (!number(value, "a number")) {
            return false;
        }
        into = static_cast<int>(std::clamp<std::int64_t>(value.integer(), -1, 0xFFFF));
        return true;
    };
    if (key == "LIN_protocol") {
        if (token_.kind != Kind::String && token_.kind != Kind::Identifier && !token_.isNumber()) {
            fail(token_.at, "expected the protocol version, found " + describe(token_));
            return false;
        }
        node.protocol = std::string(token_.text);
        next();
    } else if (key == "configured_NAD") {
        if (!integerValue(node.configuredNad)) {
            return false;
        }
    } else if (key == "initial_NAD") {
        if (!integerValue(node.initialNad)) {
            return false;
        }
    } else if (key == "product_id") {
        do {
            LdfToken value;
            if (!number(value, "a product identifier part")) {
                return false;
            }
            node.productId.push_back(value.integer());
        } while (accept(','));
    } else if (key == "response_error") {
        if (!word(node.responseError, "a signal name")) {
            return false;
        }
    } else if (key == "fault_state_signals") {
        do {
            if (!word(node.faultStateSignals.emplace_back(), "a signal name")) {
                return false;
            }
        } while (accept(','));
    } else if (key == "P2_min" || key == "ST_min" || key == "N_As_timeout" ||
               key == "N_Cr_timeout" || key == "wakeup_time" || key == "poweron_time" ||
               key == "response_tolerance") {
        LdfToken value;
        if (!number(value, "a time")) {
            return false;
        }
        skipUnit("ms");
        skipUnit("%");
    } else {
        warn(name.at, "unknown attribute " + key + " skipped");
        skipStatement();
        return true;
    }
    endStatement();
    return true;
}

// ---- Schedule_tables ---------------------------------------------------------------

bool LdfParser::scheduleTableItem() {
    LdfScheduleTable table;
    table.at = token_.at;
    if (!word(table.name, "a schedule table name") || !expect('{', "after the table name")) {
        return false;
    }
    while (!token_.is('}') && !atEnd()) {
        if (!accept(';') && !scheduleEntry(table)) {
            skipStatement();
        }
    }
    const bool closed = !atEnd();
    if (!closed) {
        fail(token_.at, "end of file inside schedule table " + table.name);
    } else {
        next();  // '}'
    }
    if (table.entries.empty()) {
        warn(table.at, "schedule table " + table.name + " has no entries");
    }
    model_.scheduleTables.push_back(std::move(table));
    return true;
}

// FRAME delay N ms; or COMMAND { args } delay N ms;
bool LdfParser::scheduleEntry(LdfScheduleTable& table) {
    LdfScheduleEntry entry;
    entry.at = token_.at;
    if (!word(entry.command, "a frame or command")) {
        return false;
    }
    if (accept('{')) {
        while (!token_.is('}') && !atEnd()) {
            if (token_.kind != Kind::Identifier && !token_.isNumber()) {
                fail(token_.at,
                     "expected an argument of " + entry.command + ", found " + describe(token_));
                return false;
            }
            entry.arguments.emplace_back(token_.text);
            next();
            if (!accept(',')) {
                break;
            }
        }
        if (!expect('}', "after the arguments of " + entry.command)) {
            return false;
        }
    }
    LdfToken delay;
    if (!token_.isWord("delay")) {
        fail(token_.at, "expected 'delay' after " + entry.command + ", found " + describe(token_));
        return false;
    }
    next();
    if (!number(delay, "the delay")) {
        return false;
    }
    skipUnit("ms");
    entry.delayMs = delay.number();
    table.entries.push_back(std::move(entry));
    endStatement();
    return true;
}

// ---- Signal_encoding_types and Signal_representation -------------------------------

bool LdfParser::encodingItem() {
    LdfEncoding encoding;
    encoding.at = token_.at;
    if (!word(encoding.name, "an encoding type name") || !expect('{', "after the type name")) {
        return false;
    }
    while (!token_.is('}') && !atEnd()) {
        if (!accept(';') && !converter(encoding)) {
            skipStatement();
        }
    }
    if (atEnd()) {
        fail(token_.at, "end of file inside encoding type " + encoding.name);
    } else {
        next();  // '}'
    }
    if (encoding.converters.empty()) {
        warn(encoding.at, "encoding type " + encoding.name + " has no values");
    }
    model_.encodings.push_back(std::move(encoding));
    return true;
}

bool LdfParser::converter(LdfEncoding& encoding) {
    const LdfToken name = token_;
    std::string kind;
    if (!word(kind, "logical_value, physical_value, bcd_value or ascii_value")) {
        return false;
    }
    LdfConverter converter;
    if (kind == "logical_value") {
        LdfToken value;
        if (!expect(',', "after logical_value") || !number(value, "the raw value")) {
            return false;
        }
        converter.value = value.integer();
        if (accept(',')) {
            if (token_.kind != Kind::String) {
                fail(token_.at, "expected the value's text, found " + describe(token_));
                return false;
            }
            converter.text = std::string(token_.text);
            next();
        }
    } else if (kind == "physical_value") {
        converter.kind = LdfConverter::Kind::Physical;
        LdfToken min, max, scale, offset;
        if (!expect(',', "after physical_value") || !number(min, "the minimum") ||
            !expect(',', "after the minimum") || !number(max, "the maximum") ||
            !expect(',', "after the maximum") || !number(scale, "the scale") ||
            !expect(',', "after the scale") || !number(offset, "the offset")) {
            return false;
        }
        converter.min = min.number();
        converter.max = max.number();
        converter.scale = scale.number();
        converter.offset = offset.number();
        if (accept(',')) {
            if (token_.kind != Kind::String) {
                fail(token_.at, "expected the unit, found " + describe(token_));
                return false;
            }
            converter.unit = std::string(token_.text);
            next();
        }
    } else if (kind == "bcd_value") {
        converter.kind = LdfConverter::Kind::Bcd;
    } else if (kind == "ascii_value") {
        converter.kind = LdfConverter::Kind::Ascii;
    } else {
        unknown(name, "value kind");
        return true;
    }
    encoding.converters.push_back(std::move(converter));
    endStatement();
    return true;
}

// ENCODING ':' signal (',' signal)* ';'
bool LdfParser::representationItem() {
    std::string encoding;
    if (!word(encoding, "an encoding type name") || !expect(':', "after the type name")) {
        return false;
    }
    do {
        LdfLinker::Ref ref;
        ref.at = token_.at;
        if (!word(ref.name, "a signal name")) {
            return false;
        }
        linker_.addRepresentation(encoding, std::move(ref));
    } while (accept(','));
    endStatement();
    return true;
}

}  // namespace daridez
