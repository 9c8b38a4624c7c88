#include "lin/FrameSignals.h"
#include "ldf/DiagnosticIds.h"
#include "lin/Diagnostic.h"

namespace daridez {

namespace {

std::string notDecoded(const LdfFrameDecode& decode) {
    return std::to_string(decode.received) + " of " + std::to_string(decode.expected) +
           " bytes, not decoded";
}

}  // namespace

FrameSignals::FrameSignals(const LdfModel* ldf, bool texts) : ldf_(ldf) {
    if (ldf != nullptr) {
        decoder_.emplace(*ldf);
        decoder_->setTexts(texts);
        lines_.emplace(*ldf);
    }
}

const LdfFrameDecode* FrameSignals::decode(const LinFrame& frame) {
    if (!decoder_ || !frame.isLinFrame || !frame.hasId || IsDiagnosticFrame(frame)) {
        return nullptr;
    }
    decoder_->decode(frame.id(), frame.response, frame.dataLength(), decode_);
    return decode_.frame == nullptr ? nullptr : &decode_;
}

void FrameSignals::appendLines(std::string& out, const LinFrame& frame) {
    if (IsDiagnosticFrame(frame)) {
        out += '\t';
        out += DescribeDiagnostic(frame, ldf_);
        out += '\n';
        return;
    }
    if (!decoder_ || !frame.isLinFrame || !frame.hasId) {
        return;
    }
    const int count = frame.dataLength();
    const LdfFrame* layout = decoder_->layout(frame.id(), frame.response, count, decode_);
    if (decode_.frame == nullptr) {
        return;
    }
    if (decode_.frame->kind == LdfFrame::Kind::EventTriggered) {
        out += '\t';
        out += decode_.frame->name;
        out += " -> ";
        out += decode_.associated != nullptr ? decode_.associated->name : "?";
        out += '\n';
    }
    if (decode_.status == LdfFrameDecode::Status::Short) {
        out += '\t';
        out += decode_.associated != nullptr ? decode_.associated->name : decode_.frame->name;
        out += ": " + notDecoded(decode_) + "\n";
        return;
    }
    if (layout != nullptr) {
        lines_->append(out, *layout, SignalDecoder::bits(frame.response, count, layout->length));
    }
}

std::string FrameSignals::frameName(const LinFrame& frame) {
    if (IsDiagnosticFrame(frame)) {
        const LdfFrame* named = ldf_ != nullptr ? ldf_->frameById(frame.id()) : nullptr;
        return named != nullptr                 ? named->name
               : frame.id() == kMasterRequestId ? "MasterReq"
                                                : "SlaveResp";
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
        SignalLines::appendValue(text, value);
        SignalLines::appendUnit(text, value);
    }
    return text;
}

}  // namespace daridez
