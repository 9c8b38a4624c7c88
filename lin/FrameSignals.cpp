#include "lin/FrameSignals.h"
#include "ldf/DiagnosticIds.h"
#include "lin/Diagnostic.h"
#include "lin/FrameTitle.h"

namespace daridez {

namespace {

std::string notDecoded(const LdfFrameDecode& decode) {
    return std::to_string(decode.received) + " of " + std::to_string(decode.expected) +
           " bytes, not decoded";
}

// " (frame failed: checksum)": what a value read from a frame that failed its check
// says after it.
std::string failedNote(const FrameVerdict& verdict) {
    return " (frame failed: " + verdict.dataFailure() + ")";
}

// Ends each line of out from on with the note.
void noteEachLine(std::string& out, std::size_t from, const std::string& note) {
    std::string marked;
    for (std::size_t i = from; i < out.size(); ++i) {
        if (out[i] == '\n') {
            marked += note;
        }
        marked += out[i];
    }
    out.replace(from, std::string::npos, marked);
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

void FrameSignals::appendLines(std::string& out, const LinFrame& frame,
                               const FrameVerdict& verdict) {
    if (IsDiagnosticFrame(frame)) {
        out += '\t';
        out += DescribeDiagnostic(frame, ldf_);
        out += '\n';
        const std::string assembled = transport_.add(frame).text(ldf_);
        if (!assembled.empty()) {
            out += '\t';
            out += assembled;
            out += '\n';
        }
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
        out += FrameTitle::decodedName(decode_, "?");
        out += '\n';
    }
    if (decode_.status == LdfFrameDecode::Status::Short) {
        out += '\t';
        out += decode_.associated != nullptr ? decode_.associated->name : decode_.frame->name;
        out += ": " + notDecoded(decode_) + "\n";
        return;
    }
    if (layout == nullptr) {
        return;
    }
    const std::size_t from = out.size();
    lines_->append(out, *layout, SignalDecoder::bits(frame.response, count, layout->length));
    if (verdict.dataFailed()) {
        noteEachLine(out, from, failedNote(verdict));
    }
}

std::string FrameSignals::frameName(const LinFrame& frame) {
    if (IsDiagnosticFrame(frame)) {
        return FrameTitle(ldf_).diagnosticName(frame);
    }
    const LdfFrameDecode* decode = this->decode(frame);
    return decode == nullptr ? std::string() : FrameTitle::decodedName(*decode, "?");
}

std::string FrameSignals::signalList(const LinFrame& frame, const FrameVerdict& verdict) {
    if (IsDiagnosticFrame(frame)) {
        const std::string assembled = transport_.add(frame).text(ldf_);
        const std::string described = DescribeDiagnostic(frame, ldf_);
        return assembled.empty() ? described : described + "; " + assembled;
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
    return verdict.dataFailed() && !text.empty() ? text + failedNote(verdict) : text;
}

}  // namespace daridez
