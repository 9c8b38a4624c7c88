#include "lin/TransportAssembler.h"

#include <algorithm>

#include "trace/FieldText.h"

namespace daridez {

namespace {

constexpr int kSequenceModulo = 16;

// A frame that opens a message or ends any open one in its direction: single and first
// frames, the go-to-sleep command.
bool startsAnew(const DiagnosticFrame& parsed) {
    return parsed.sleep || parsed.pci == DiagnosticPci::Single ||
           parsed.pci == DiagnosticPci::First;
}

}  // namespace

std::string TransportOutcome::text(const LdfModel* ldf) const {
    if (kind == Kind::None) {
        return {};
    }
    std::string line = request ? "MasterReq " : "SlaveResp ";
    line += NadText(nad, ldf);
    if (kind == Kind::Invalid) {
        return line + " invalid: " + reason;
    }
    line += " message (" + std::to_string(frames) + " frames, " + std::to_string(bytes.size()) +
            " bytes): " + HexBytesText(bytes.data(), static_cast<int>(bytes.size()));
    const std::string meaning =
        DescribeMessage(request, bytes.data(), static_cast<int>(bytes.size()));
    return meaning.empty() ? line : line + " (" + meaning + ")";
}

TransportField TransportOutcome::field(const LdfModel* ldf) const {
    return {kind == Kind::Message ? "message" : "invalid", text(ldf)};
}

bool TransportOutcome::carries(std::uint8_t sid) const {
    return kind == Kind::Message &&
           MessageCarriesService(request, bytes.data(), static_cast<int>(bytes.size()), sid);
}

void TransportAssembler::reset() {
    open_[0] = Open{};
    open_[1] = Open{};
    outcome_ = TransportOutcome{};
}

const TransportOutcome& TransportAssembler::add(const LinFrame& frame) {
    outcome_.kind = TransportOutcome::Kind::None;
    if (!IsDiagnosticFrame(frame) || frame.dataLength() == 0) {
        return outcome_;
    }
    const DiagnosticFrame parsed = ParseDiagnostic(frame);
    Open& own = open_[parsed.request ? 0 : 1];
    if (parsed.pci == DiagnosticPci::Consecutive) {
        consecutive(own, parsed);
        return outcome_;
    }
    if (!startsAnew(parsed)) {
        return outcome_;
    }
    // A request ends any response still coming; a new first or single frame the message
    // open in its own direction.
    if (parsed.request) {
        cut(open_[1], false, "a request");
    }
    cut(own, parsed.request,
        parsed.pci == DiagnosticPci::First ? "a new first frame"
        : parsed.request                   ? "a request"
                                           : "a single frame");
    if (parsed.pci == DiagnosticPci::First && !parsed.invalid && parsed.count > 2) {
        start(own, parsed);
    }
    return outcome_;
}

// Reports the open message as cut (when no other outcome is reported on this row) and
// closes it.
void TransportAssembler::cut(Open& open, bool request, const char* by) {
    if (!open.active) {
        return;
    }
    if (outcome_.kind == TransportOutcome::Kind::None) {
        outcome_.kind = TransportOutcome::Kind::Invalid;
        outcome_.request = request;
        outcome_.nad = open.nad;
        outcome_.reason = std::string("message cut by ") + by + " after " +
                          std::to_string(open.bytes.size()) + " of " + std::to_string(open.length) +
                          " bytes";
    }
    open.active = false;
}

void TransportAssembler::start(Open& open, const DiagnosticFrame& parsed) {
    open.active = true;
    open.nad = parsed.nad;
    open.length = parsed.length;
    open.next = 1;
    open.frames = 1;
    open.bytes.assign(
        parsed.data.begin() + parsed.at,
        parsed.data.begin() + parsed.at + std::min(parsed.carried, DiagnosticFrame::kFirstData));
}

void TransportAssembler::consecutive(Open& open, const DiagnosticFrame& parsed) {
    const bool ours = open.active && open.nad == parsed.nad;
    if (ours && parsed.length == open.next) {
        const int wanted = open.length - static_cast<int>(open.bytes.size());
        const int taken = std::min({wanted, parsed.carried, DiagnosticFrame::kNextData});
        open.bytes.insert(open.bytes.end(), parsed.data.begin() + parsed.at,
                          parsed.data.begin() + parsed.at + taken);
        open.next = (open.next + 1) % kSequenceModulo;
        ++open.frames;
        if (static_cast<int>(open.bytes.size()) < open.length) {
            return;
        }
        outcome_.kind = TransportOutcome::Kind::Message;
        outcome_.request = parsed.request;
        outcome_.nad = open.nad;
        outcome_.frames = open.frames;
        outcome_.bytes = open.bytes;
        open.active = false;
        return;
    }
    outcome_.kind = TransportOutcome::Kind::Invalid;
    outcome_.request = parsed.request;
    outcome_.nad = parsed.nad;
    if (ours) {
        outcome_.reason = "consecutive frame " + std::to_string(parsed.length) +
                          " out of sequence (expected " + std::to_string(open.next) + ")";
        open.active = false;
    } else {
        outcome_.reason =
            "consecutive frame " + std::to_string(parsed.length) + " without a first frame";
    }
}

TransportOutcome TransportAssembler::outcomeAt(
    const std::function<LinFrame(std::uint32_t)>& frameAt, std::uint32_t position,
    std::uint32_t limit) {
    const LinFrame target = frameAt(position);
    if (!IsDiagnosticFrame(target) || target.dataLength() == 0) {
        return {};
    }
    const DiagnosticFrame parsed = ParseDiagnostic(target);
    // The directions whose open message the row may complete or cut, and where the
    // nearest frame before it that starts that direction anew lies.
    bool wanted[2] = {parsed.request, !parsed.request || startsAnew(parsed)};
    std::uint32_t from = position;
    const std::uint32_t stop = position > limit ? position - limit : 0;
    for (std::uint32_t at = position; at > stop && (wanted[0] || wanted[1]); --at) {
        const LinFrame before = frameAt(at - 1);
        if (!IsDiagnosticFrame(before) || before.dataLength() == 0) {
            continue;
        }
        const DiagnosticFrame earlier = ParseDiagnostic(before);
        if (!startsAnew(earlier)) {
            continue;
        }
        // A request starts both directions anew, a response its own.
        for (const int direction : {0, 1}) {
            if (wanted[direction] && (earlier.request || direction == 1)) {
                wanted[direction] = false;
                from = at - 1;
            }
        }
    }
    TransportAssembler assembler;
    for (std::uint32_t at = from; at < position; ++at) {
        assembler.add(frameAt(at));
    }
    return assembler.add(target);
}

}  // namespace daridez
