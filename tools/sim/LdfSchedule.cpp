#include "LdfSchedule.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ldf/ChecksumModel.h"
#include "ldf/DiagnosticIds.h"
#include "ldf/LdfModel.h"
#include "lin/FrameCheck.h"

namespace daridez::sim {

namespace {

using Request = std::array<std::uint8_t, 8>;

std::uint8_t byteOf(std::int64_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

// A number as a command argument writes it: decimal or 0x hex; -1 when it is not one.
std::int64_t number(const std::string& text) {
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    return end != text.c_str() && *end == '\0' ? value : -1;
}

std::uint64_t mask(int width) {
    return width >= 64 ? ~0ull : (1ull << width) - 1;
}

// A node's response_error signal: it stays at its initial value, as on a sound bus.
bool isResponseError(const LdfModel& model, const std::string& name) {
    return std::any_of(model.nodes.begin(), model.nodes.end(),
                       [&](const LdfNode& node) { return node.responseError == name; });
}

SimSignal simSignal(const LdfModel& model, const LdfFrameSignal& placed) {
    SimSignal signal;
    signal.offset = placed.offset;
    const LdfSignal& declared = model.allSignals[static_cast<std::size_t>(placed.signal)];
    signal.width = std::clamp(declared.width, 1, 64);
    if (declared.byteArray || isResponseError(model, declared.name)) {
        for (std::size_t i = 0; i < declared.initBytes.size() && i < 8; ++i) {
            signal.init |= static_cast<std::uint64_t>(byteOf(declared.initBytes[i])) << (8 * i);
        }
        return signal;
    }
    signal.init = static_cast<std::uint64_t>(declared.init) & mask(signal.width);
    if (declared.encoding < 0) {
        return signal;
    }
    const LdfEncoding& encoding = model.encodings[static_cast<std::size_t>(declared.encoding)];
    for (const LdfConverter& converter : encoding.converters) {
        if (converter.kind == LdfConverter::Kind::Physical) {
            signal.motion = SimSignal::Motion::Ramp;
            const auto limit = static_cast<double>(mask(signal.width));
            signal.low = static_cast<std::uint64_t>(std::clamp(converter.min, 0.0, limit));
            signal.high = static_cast<std::uint64_t>(std::clamp(converter.max, 0.0, limit));
            return signal;
        }
    }
    for (const LdfConverter& converter : encoding.converters) {
        if (converter.kind == LdfConverter::Kind::Logical) {
            signal.values.push_back(static_cast<std::uint64_t>(converter.value) &
                                    mask(signal.width));
        }
    }
    if (!signal.values.empty()) {
        signal.motion = SimSignal::Motion::Step;
    }
    return signal;
}

SimFrame simFrame(const LdfModel& model, const LdfFrame& frame) {
    SimFrame made;
    made.id = static_cast<std::uint8_t>(frame.id & 0x3F);
    made.length = std::clamp(frame.length, 1, 8);
    made.classic = ChecksumModel(model).of(frame) == LdfChecksum::Classic;
    for (const LdfFrameSignal& placed : frame.layout) {
        made.parts.push_back(simSignal(model, placed));
    }
    return made;
}

int nadOf(const LdfNode& node) {
    return node.configuredNad >= 0 ? node.configuredNad : node.initialNad;
}

// The protected identifiers of a node's configurable frames from index on, four of them
// (0xFF where the list ends): what AssignFrameIdRange gives them.
void framePids(const LdfModel& model, const LdfNode& node, std::int64_t index, Request& request) {
    for (int i = 0; i < 4; ++i) {
        const auto at = static_cast<std::size_t>(index + i);
        const LdfFrame* frame = at < node.configurableFrames.size()
                                    ? model.frameByName(node.configurableFrames[at])
                                    : nullptr;
        request[static_cast<std::size_t>(4 + i)] =
            frame != nullptr && frame->id >= 0 && frame->id <= 0x3F
                ? ProtectedId(static_cast<std::uint8_t>(frame->id))
                : 0xFF;
    }
}

// The master request a configuration command of a schedule table stands for; false for
// a command the simulator does not know.
bool commandRequest(const LdfModel& model, const LdfScheduleEntry& entry, Request& request) {
    request.fill(0xFF);
    const auto& args = entry.arguments;
    if (entry.command == "FreeFormat") {
        for (std::size_t i = 0; i < args.size() && i < 8; ++i) {
            request[i] = byteOf(number(args[i]));
        }
        return true;
    }
    if (entry.command == "ConditionalChangeNAD") {
        request = {0xFF, 0x06, 0xB3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        for (std::size_t i = 0; i < args.size() && i < 6; ++i) {
            request[i == 0 ? 0 : i + 2] = byteOf(number(args[i]));
        }
        return true;
    }
    const LdfNode* node = args.empty() ? nullptr : model.nodeByName(args[0]);
    if (node == nullptr) {
        return false;
    }
    const auto nad = byteOf(nadOf(*node));
    const auto product = [&](std::size_t i) {
        return i < node->productId.size() ? node->productId[i] : 0xFFFF;
    };
    if (entry.command == "AssignNAD") {
        request = {byteOf(node->initialNad >= 0 ? node->initialNad : nad),
                   0x06,
                   0xB0,
                   byteOf(product(0)),
                   byteOf(product(0) >> 8),
                   byteOf(product(1)),
                   byteOf(product(1) >> 8),
                   nad};
    } else if (entry.command == "SaveConfiguration") {
        request = {nad, 0x01, 0xB6, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    } else if (entry.command == "DataDump") {
        request = {nad, 0x06, 0xB4, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        for (std::size_t i = 1; i < args.size() && i < 6; ++i) {
            request[i + 2] = byteOf(number(args[i]));
        }
    } else if (entry.command == "AssignFrameIdRange") {
        request = {nad, 0x06, 0xB7, byteOf(args.size() > 1 ? number(args[1]) : 0)};
        framePids(model, *node, request[3], request);
        for (std::size_t i = 2; i < args.size() && i < 6; ++i) {
            request[i + 2] = byteOf(number(args[i]));
        }
    } else if (entry.command == "AssignFrameId" || entry.command == "UnassignFrameId") {
        const LdfFrame* frame = args.size() > 1 ? model.frameByName(args[1]) : nullptr;
        const bool assign = entry.command == "AssignFrameId";
        request = {nad,
                   0x06,
                   0xB1,
                   byteOf(product(0)),
                   byteOf(product(0) >> 8),
                   0xFF,
                   0xFF,
                   assign && frame != nullptr && frame->id >= 0 && frame->id <= 0x3F
                       ? ProtectedId(static_cast<std::uint8_t>(frame->id))
                       : std::uint8_t{0x40}};
    } else {
        return false;
    }
    return true;
}

const LdfScheduleTable* tableNamed(const LdfModel& model, const std::string& name) {
    for (const LdfScheduleTable& table : model.scheduleTables) {
        if (table.name == name) {
            return &table;
        }
    }
    return nullptr;
}

bool addEntry(const LdfModel& model, const LdfScheduleEntry& entry, SimSchedule& schedule,
              bool resolving);

// An event-triggered or sporadic slot: the frames that may answer or be sent, and an
// event frame's collision-resolving table (not inside another one).
void addAssociated(const LdfModel& model, const LdfFrame& frame, SimSlot& slot, bool resolving) {
    slot.kind = frame.kind == LdfFrame::Kind::Sporadic ? SimSlot::Kind::Sporadic
                                                       : SimSlot::Kind::EventTriggered;
    for (int index : frame.associated) {
        slot.associated.push_back(simFrame(model, model.frames[static_cast<std::size_t>(index)]));
    }
    const LdfScheduleTable* table = tableNamed(model, frame.collisionTable);
    if (slot.kind != SimSlot::Kind::EventTriggered || resolving || table == nullptr) {
        return;
    }
    SimSchedule resolved;
    for (const LdfScheduleEntry& entry : table->entries) {
        addEntry(model, entry, resolved, true);
    }
    slot.resolving = std::move(resolved.entries);
}

// resolving: the entry belongs to a collision-resolving table.
bool addEntry(const LdfModel& model, const LdfScheduleEntry& entry, SimSchedule& schedule,
              bool resolving) {
    SimSlot slot;
    slot.delayMicros =
        static_cast<std::uint64_t>(std::llround(std::max(0.0, entry.delayMs) * 1000));
    if (const LdfFrame* frame = model.frameByName(entry.command)) {
        slot.frame = simFrame(model, *frame);
        switch (frame->kind) {
            case LdfFrame::Kind::Unconditional:
                break;
            case LdfFrame::Kind::Diagnostic:
                slot.kind = slot.frame.id == kMasterRequestId ? SimSlot::Kind::MasterRequest
                                                              : SimSlot::Kind::SlaveResponse;
                break;
            case LdfFrame::Kind::EventTriggered:
            case LdfFrame::Kind::Sporadic:
                addAssociated(model, *frame, slot, resolving);
                break;
        }
        if (frame->kind == LdfFrame::Kind::Sporadic ? slot.associated.empty()
                                                    : frame->id < 0 || frame->id > 0x3F) {
            return false;  // nothing to send
        }
    } else if (entry.command == "MasterReq" || entry.command == "SlaveResp") {
        slot.kind = entry.command == "MasterReq" ? SimSlot::Kind::MasterRequest
                                                 : SimSlot::Kind::SlaveResponse;
        slot.frame = {
            entry.command == "MasterReq" ? kMasterRequestId : kSlaveResponseId, 8, true, {}};
    } else {
        slot.kind = SimSlot::Kind::MasterRequest;
        slot.frame = {kMasterRequestId, 8, true, {}};
        slot.fixedRequest = commandRequest(model, entry, slot.request);
        if (!slot.fixedRequest) {
            return false;
        }
    }
    schedule.entries.push_back(std::move(slot));
    return true;
}

}  // namespace

bool ScheduleFromLdf(const LdfModel& model, const std::string& table, SimSchedule& schedule,
                     std::string& error) {
    schedule = {};
    const LdfScheduleTable* chosen = nullptr;
    for (const LdfScheduleTable& candidate : model.scheduleTables) {
        if (table.empty() || candidate.name == table) {
            chosen = &candidate;
            break;
        }
    }
    if (chosen == nullptr) {
        std::string names;
        for (const LdfScheduleTable& candidate : model.scheduleTables) {
            names += (names.empty() ? "" : ", ") + candidate.name;
        }
        error = table.empty() ? "the LDF has no schedule table"
                              : "no schedule table " + table +
                                    " (the LDF has: " + (names.empty() ? "none" : names) + ")";
        return false;
    }
    for (const LdfScheduleEntry& entry : chosen->entries) {
        addEntry(model, entry, schedule, false);
    }
    if (schedule.entries.empty()) {
        error = "the schedule table " + chosen->name + " plays no frame";
        return false;
    }
    for (const LdfNode& node : model.nodes) {
        if (!node.master && nadOf(node) >= 0) {
            const auto product = [&](std::size_t i) {
                return i < node.productId.size() ? node.productId[i] : 0;
            };
            schedule.nodes.push_back({byteOf(nadOf(node)), static_cast<std::uint16_t>(product(0)),
                                      static_cast<std::uint16_t>(product(1)), byteOf(product(2))});
        }
    }
    return true;
}

}  // namespace daridez::sim
