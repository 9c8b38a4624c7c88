#include "lin/FrameTitle.h"

#include "lin/Diagnostic.h"

namespace daridez {

std::string FrameTitle::title(const LinFrame& frame) const {
    if (IsDiagnosticFrame(frame)) {
        return DiagnosticTitle(frame);
    }
    if (!frame.isLinFrame || !frame.hasId || ldf_ == nullptr) {
        return {};
    }
    const LdfFrame* named = ldf_->frameById(frame.id());
    if (named == nullptr) {
        return {};
    }
    if (named->kind != LdfFrame::Kind::EventTriggered || frame.dataLength() == 0) {
        return named->name;
    }
    LdfFrameDecode decode;
    SignalDecoder(*ldf_).decode(frame.id(), frame.response, frame.dataLength(), decode);
    return decodedName(decode);
}

std::string FrameTitle::diagnosticName(const LinFrame& frame) const {
    const LdfFrame* named = ldf_ != nullptr ? ldf_->frameById(frame.id()) : nullptr;
    if (named != nullptr) {
        return named->name;
    }
    return ParseDiagnostic(frame).kind();
}

std::string FrameTitle::decodedName(const LdfFrameDecode& decode, const char* unanswered) {
    std::string name = decode.frame != nullptr ? decode.frame->name : std::string();
    if (decode.associated != nullptr) {
        name += " -> " + decode.associated->name;
    } else if (unanswered != nullptr && decode.frame != nullptr &&
               decode.frame->kind == LdfFrame::Kind::EventTriggered) {
        name += " -> ";
        name += unanswered;
    }
    return name;
}

}  // namespace daridez
