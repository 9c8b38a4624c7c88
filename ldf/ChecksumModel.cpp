#include "ldf/ChecksumModel.h"

#include "ldf/DiagnosticIds.h"

namespace daridez {

bool ChecksumModel::classicProtocol(std::string_view version) {
    return version.starts_with("1.");
}

const char* ChecksumModel::name(LdfChecksum checksum) {
    return checksum == LdfChecksum::Classic ? "classic" : "enhanced";
}

// A node's own LIN_protocol, else the file's.
std::string_view ChecksumModel::protocolOf(const LdfNode* node) const {
    if (node != nullptr && !node->protocol.empty()) {
        return node->protocol;
    }
    return model_.protocolVersion;
}

bool ChecksumModel::anySubscriberClassic(const LdfFrame& frame) const {
    for (const LdfFrameSignal& placed : frame.layout) {
        for (const std::string& subscriber : model_.allSignals[placed.signal].subscribers) {
            const LdfNode* node = model_.nodeByName(subscriber);
            if (node != nullptr && classicProtocol(protocolOf(node))) {
                return true;
            }
        }
    }
    return false;
}

LdfChecksum ChecksumModel::of(const LdfFrame& frame) const {
    if (frame.kind == LdfFrame::Kind::Diagnostic || IsDiagnosticId(frame.id) ||
        classicProtocol(model_.protocolVersion)) {
        return LdfChecksum::Classic;
    }
    if (frame.kind != LdfFrame::Kind::Unconditional && !frame.associated.empty()) {
        return of(model_.frames[frame.associated.front()]);
    }
    const LdfNode* publisher = model_.nodeByName(frame.publisher);
    if (publisher != nullptr && publisher->master) {
        return anySubscriberClassic(frame) ? LdfChecksum::Classic : LdfChecksum::Enhanced;
    }
    return classicProtocol(protocolOf(publisher)) ? LdfChecksum::Classic : LdfChecksum::Enhanced;
}

LdfChecksum ChecksumModel::ofId(int id) const {
    const LdfFrame* frame = model_.frameById(id);
    return frame == nullptr ? LdfChecksum::Classic : of(*frame);
}

}  // namespace daridez
