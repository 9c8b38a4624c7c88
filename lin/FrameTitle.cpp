#include "lin/FrameTitle.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "lin/Diagnostic.h"

namespace daridez {

namespace {

const char* copyCut(std::string_view text, char* out, std::size_t size) {
    const std::size_t n = std::min(text.size(), size - 1);
    if (n > 0) {  // an empty text may have no bytes at all to copy from
        std::memcpy(out, text.data(), n);
    }
    out[n] = '\0';
    return out;
}

}  // namespace

const char* FrameTitle::title(const LinFrame& frame, char* out, std::size_t size) const {
    if (IsDiagnosticFrame(frame)) {
        return copyCut(DiagnosticTitle(frame), out, size);
    }
    const LdfFrame* named =
        frame.isLinFrame && frame.hasId && ldf_ != nullptr ? ldf_->frameById(frame.id()) : nullptr;
    if (named == nullptr) {
        return copyCut({}, out, size);
    }
    if (named->kind != LdfFrame::Kind::EventTriggered || frame.dataLength() == 0) {
        return copyCut(named->name, out, size);
    }
    LdfFrameDecode decode;
    SignalDecoder(*ldf_).decode(frame.id(), frame.response, frame.dataLength(), decode);
    return copyCut(decodedName(decode), out, size);
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
