#include "ldf/LdfLinker.h"

#include "ldf/DiagnosticIds.h"
#include "trace/FieldText.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace daridez {

namespace {

constexpr int kMaxFrameLength = 8;
constexpr int kMaxBusId = 0x3F;

std::string hexId(int id) {
    if (id < 0 || id > 0xFF) {
        return std::to_string(id);
    }
    return "0x" + HexByteText(static_cast<std::uint8_t>(id));
}

// Up to language 2.0 (and J2602, which builds on it) a frame without a length has the one its
// identifier implies.
int lengthFromId(int id) {
    return id < 32 ? 2 : id < 48 ? 4 : 8;
}

bool oldLanguage(const std::string& version) {
    return version.starts_with("1.") || version == "2.0" || version.starts_with("J2602");
}

}  // namespace

void LdfLinker::warn(LdfPosition at, std::string message) {
    report_(LdfDiagnostic::Severity::Warning, at, std::move(message));
}

void LdfLinker::addFrame(LdfFrame frame, FrameNames names) {
    model_.frames.push_back(std::move(frame));
    frameNames_.push_back(std::move(names));
}

void LdfLinker::addAttributes(LdfNode attributes) {
    attributes_.push_back(std::move(attributes));
}

void LdfLinker::addRepresentation(std::string encoding, Ref signal) {
    representations_.emplace_back(std::move(encoding), std::move(signal));
}

void LdfLinker::link() {
    model_.index();
    mergeAttributes();
    checkSignals();
    for (std::size_t i = 0; i < model_.frames.size(); ++i) {
        linkFrame(model_.frames[i], frameNames_[i]);
    }
    checkIdentifiers();
    checkPublishers();
    linkRepresentations();
    checkSchedules();
}

bool LdfLinker::isNode(const std::string& name) const {
    return model_.nodeIndex(name) >= 0;
}

void LdfLinker::mergeAttributes() {
    for (LdfNode& attributes : attributes_) {
        const int index = model_.nodeIndex(attributes.name);
        if (index < 0) {
            warn(attributes.at, "attributes of " + attributes.name + ", which is not a node");
            continue;
        }
        LdfNode& node = model_.nodes[index];
        if (!attributes.protocol.empty()) {
            node.protocol = attributes.protocol;
        }
        if (attributes.configuredNad >= 0) {
            node.configuredNad = attributes.configuredNad;
        }
        if (attributes.initialNad >= 0) {
            node.initialNad = attributes.initialNad;
        }
        if (!attributes.productId.empty()) {
            node.productId = attributes.productId;
        }
        if (!attributes.responseError.empty()) {
            node.responseError = attributes.responseError;
        }
        node.faultStateSignals = attributes.faultStateSignals;
        node.configurableFrames = attributes.configurableFrames;
    }
}

void LdfLinker::checkSignals() {
    for (const LdfSignal& signal : model_.allSignals) {
        if (signal.diagnostic) {
            continue;
        }
        if (!isNode(signal.publisher)) {
            warn(signal.at,
                 "signal " + signal.name + ": publisher " + signal.publisher + " is not a node");
        }
        for (const std::string& subscriber : signal.subscribers) {
            if (!isNode(subscriber)) {
                warn(signal.at,
                     "signal " + signal.name + ": subscriber " + subscriber + " is not a node");
            }
        }
    }
}

void LdfLinker::linkFrame(LdfFrame& frame, FrameNames& names) {
    if (frame.kind == LdfFrame::Kind::Unconditional) {
        if (!names.lengthGiven) {
            frame.length = lengthFromId(std::clamp(frame.id, 0, kMaxBusId));
            if (!oldLanguage(model_.languageVersion)) {
                warn(frame.at, "frame " + frame.name + " has no length; read as " +
                                   std::to_string(frame.length) + " from its identifier");
            }
        }
        if (!isNode(frame.publisher)) {
            warn(frame.at,
                 "frame " + frame.name + ": publisher " + frame.publisher + " is not a node");
        }
        if (names.signalRefs.empty()) {
            warn(frame.at, "frame " + frame.name + " carries no signals");
        }
    }
    if (frame.kind == LdfFrame::Kind::Diagnostic) {
        frame.publisher =
            frame.id == kMasterRequestId && model_.master() ? model_.master()->name : "";
    }
    linkFrameSignals(frame, names);
    for (const Ref& ref : names.associated) {
        const int index = model_.frameIndex(ref.name);
        if (index < 0 || model_.frames[index].kind != LdfFrame::Kind::Unconditional) {
            warn(ref.at, "frame " + frame.name + ": " + ref.name +
                             " is not an unconditional frame; left out");
            continue;
        }
        frame.associated.push_back(index);
    }
    if (frame.kind == LdfFrame::Kind::EventTriggered && !frame.associated.empty()) {
        const LdfFrame& first = model_.frames[frame.associated.front()];
        frame.length = first.length;
        frame.publisher = first.publisher;
    }
}

void LdfLinker::linkFrameSignals(LdfFrame& frame, const FrameNames& names) {
    std::uint64_t used = 0;  // the frame's bits taken so far
    for (const Ref& ref : names.signalRefs) {
        const int index = model_.signalIndex(ref.name);
        if (index < 0) {
            warn(ref.at,
                 "frame " + frame.name + ": signal " + ref.name + " is not declared; dropped");
            continue;
        }
        const LdfSignal& signal = model_.allSignals[index];
        if (ref.offset < 0 || ref.offset + signal.width > frame.length * 8) {
            warn(ref.at, "frame " + frame.name + ": signal " + ref.name + " (bits " +
                             std::to_string(ref.offset) + ".." +
                             std::to_string(ref.offset + signal.width - 1) +
                             ") is past the frame's " + std::to_string(frame.length) +
                             "-byte length; dropped");
            continue;
        }
        if (signal.byteArray && ref.offset % 8 != 0) {
            warn(ref.at, "frame " + frame.name + ": byte array " + ref.name +
                             " does not start on a byte; read from byte " +
                             std::to_string(ref.offset / 8));
        }
        const std::uint64_t bits =
            (signal.width >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << signal.width) - 1)
            << ref.offset;
        if ((used & bits) != 0) {
            warn(ref.at, "frame " + frame.name + ": signal " + ref.name +
                             " overlaps another signal; both are decoded");
        }
        used |= bits;
        frame.layout.push_back({index, ref.offset});
    }
}

// Two frames with one identifier: the first decodes. Identifiers above 0x3F never match.
void LdfLinker::checkIdentifiers() {
    std::map<int, int> first;
    for (std::size_t i = 0; i < model_.frames.size(); ++i) {
        const LdfFrame& frame = model_.frames[i];
        if (frame.kind == LdfFrame::Kind::Sporadic) {
            continue;
        }
        if (frame.id < 0 || frame.id > kMaxBusId) {
            warn(frame.at, "frame " + frame.name + ": identifier " + hexId(frame.id) +
                               " is outside 0x00..0x3F; no LIN bus carries it");
            continue;
        }
        const auto [at, added] = first.emplace(frame.id, static_cast<int>(i));
        if (!added) {
            warn(frame.at, "frames " + model_.frames[at->second].name + " and " + frame.name +
                               " both have identifier " + hexId(frame.id) + "; " +
                               model_.frames[at->second].name + " decodes");
        }
    }
}

// One signal sent by frames of different publishers.
void LdfLinker::checkPublishers() {
    std::map<int, const LdfFrame*> sentBy;
    for (const LdfFrame& frame : model_.frames) {
        if (frame.kind != LdfFrame::Kind::Unconditional) {
            continue;
        }
        for (const LdfFrameSignal& placed : frame.layout) {
            const auto [at, added] = sentBy.emplace(placed.signal, &frame);
            if (!added && at->second->publisher != frame.publisher) {
                warn(frame.at, "signal " + model_.allSignals[placed.signal].name + " is sent by " +
                                   at->second->publisher + " in " + at->second->name + " and by " +
                                   frame.publisher + " in " + frame.name);
            }
        }
    }
}

void LdfLinker::linkRepresentations() {
    for (const auto& [encoding, ref] : representations_) {
        const int type = model_.encodingIndex(encoding);
        const int signal = model_.signalIndex(ref.name);
        if (type < 0) {
            warn(ref.at, "signal " + ref.name + ": encoding type " + encoding + " is not declared");
        } else if (signal < 0) {
            warn(ref.at, "encoding type " + encoding + ": signal " + ref.name + " is not declared");
        } else {
            model_.allSignals[signal].encoding = type;
        }
    }
}

void LdfLinker::checkSchedules() {
    static const char* const kCommands[] = {
        "MasterReq",       "SlaveResp",         "AssignNAD",          "ConditionalChangeNAD",
        "DataDump",        "SaveConfiguration", "AssignFrameIdRange", "AssignFrameId",
        "UnassignFrameId", "FreeFormat",
    };
    for (const LdfScheduleTable& table : model_.scheduleTables) {
        for (const LdfScheduleEntry& entry : table.entries) {
            const bool command = std::find(std::begin(kCommands), std::end(kCommands),
                                           entry.command) != std::end(kCommands);
            if (!command && model_.frameIndex(entry.command) < 0) {
                warn(entry.at,
                     "schedule table " + table.name + ": " + entry.command + " is not a frame");
            }
        }
    }
}

}  // namespace daridez
