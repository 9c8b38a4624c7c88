#include "lin/FrameCheck.h"

#include <array>
#include <bit>
#include <cstring>

#include "ldf/ChecksumModel.h"
#include "ldf/DiagnosticIds.h"
#include "trace/FieldText.h"

namespace daridez {

namespace {

constexpr std::uint8_t kSyncByte = 0x55;

constexpr std::array<const char*, static_cast<std::size_t>(CheckWord::Count)> kWordTexts = {
    "no-sync", "sync",  "no-id",   "parity",   "no-response", "short",  "checksum",  "unknown-id",
    "length",  "model", "classic", "enhanced", "cut",         "silent", "collision",
};

int bitOf(std::uint8_t value, int bit) {
    return (value >> bit) & 1;
}

// The classic checksum: over the data bytes only.
std::uint8_t classicChecksum(const LinFrame& frame) {
    return LinChecksum(0, frame.response, frame.dataLength());
}

// The enhanced checksum: over an identifier byte (as sent, or a faulty node's raw one)
// and the data bytes.
std::uint8_t enhancedChecksum(const LinFrame& frame, std::uint8_t identifier) {
    return LinChecksum(identifier, frame.response, frame.dataLength());
}

// What a checksum that matches no allowed model most likely is, as far as a known
// fault explains it. model: the one the LDF names for the frame (nullptr: none names
// one), the only sum then expected.
std::string explainWrongChecksum(const LinFrame& frame, const LdfChecksum* model) {
    const std::uint8_t actual = frame.checksum();
    const std::uint8_t classic = classicChecksum(frame);
    const std::uint8_t enhanced = enhancedChecksum(frame, frame.pid);
    std::string text = "checksum " + HexByteText(actual) + ": expected ";
    if (ClassicOnly(frame.id())) {
        text += HexByteText(classic) + " (classic; identifier " + HexByteText(frame.id()) +
                " always uses the classic checksum)";
        if (actual == enhanced) {
            text += "; " + HexByteText(actual) + " is the enhanced checksum";
        }
        return text;
    }
    if (model != nullptr && *model == LdfChecksum::Classic) {
        return text + HexByteText(classic) + " (classic, as the LDF names for the frame)";
    }
    text += model != nullptr
                ? HexByteText(enhanced) + " (enhanced, as the LDF names for the frame)"
                : HexByteText(enhanced) + " (enhanced) or " + HexByteText(classic) + " (classic)";
    if (frame.pid != frame.id() && actual == enhancedChecksum(frame, frame.id())) {
        text += "; " + HexByteText(actual) + " is the enhanced checksum over the raw identifier " +
                HexByteText(frame.id());
    }
    return text;
}

int bitDistance(std::uint8_t a, std::uint8_t b) {
    return std::popcount(static_cast<unsigned>(a ^ b));
}

// A parity fault whose checksum is wrong for the byte received but the enhanced one of
// another identifier: the identifier byte was most likely hit on the bus. Named only
// when one identifier is nearest to the received byte, so a chance match among the 64
// is never offered as the answer. "" when no identifier fits.
std::string explainCorruptedId(const LinFrame& frame) {
    int best = -1;
    int bestDistance = 9;
    bool tie = false;
    for (int id = 0; id < 0x40; ++id) {
        const std::uint8_t pid = ProtectedId(static_cast<std::uint8_t>(id));
        if (ClassicOnly(pid) || enhancedChecksum(frame, pid) != frame.checksum()) {
            continue;
        }
        const int distance = bitDistance(pid, frame.pid);
        if (distance < bestDistance) {
            best = id;
            bestDistance = distance;
            tie = false;
        } else if (distance == bestDistance) {
            tie = true;
        }
    }
    if (best < 0 || tie) {
        return {};
    }
    const auto id = static_cast<std::uint8_t>(best);
    return "the identifier byte was corrupted on the bus: the checksum fits identifier " +
           HexByteText(id) + " (protected " + HexByteText(ProtectedId(id)) + ")";
}

std::string explainModel(const LinFrame& frame, const FrameVerdict& verdict) {
    const int count = frame.dataLength();
    const std::string over = std::to_string(count) + (count == 1 ? " data byte" : " data bytes");
    if (verdict.classic()) {
        return "classic: checksum " + HexByteText(frame.checksum()) + " over " + over;
    }
    return "enhanced: checksum " + HexByteText(frame.checksum()) + " over identifier " +
           HexByteText(frame.pid) + " and " + over;
}

// The frame of the LDF for this identifier; 0x3C/0x3D are known to every LDF.
struct LdfJudgement {
    const LdfFrame* frame = nullptr;  // nullptr for 0x3C/0x3D without a frame of their own
    bool known = false;
    int length = 8;
    LdfChecksum model = LdfChecksum::Classic;
    std::string_view name = "diagnostic frame";  // no copy: judged for every row
};

LdfJudgement judge(const LinFrame& frame, const LdfModel& ldf) {
    LdfJudgement judgement;
    const LdfFrame* found = ldf.frameById(frame.id());
    judgement.frame = found;
    judgement.known = found != nullptr || ClassicOnly(frame.id());
    if (found != nullptr) {
        judgement.length = found->length;
        judgement.model = ChecksumModel(ldf).of(*found);
        judgement.name = found->name;
    }
    return judgement;
}

bool classicMatches(const LinFrame& frame) {
    return frame.checksum() == classicChecksum(frame);
}

bool enhancedMatches(const LinFrame& frame) {
    return !ClassicOnly(frame.id()) && frame.checksum() == enhancedChecksum(frame, frame.pid);
}

// The checksum words when an LDF names the frame's model: that model's word when it
// matches; "model" and the other's word when only the other matches.
void checkModel(const LinFrame& frame, const LdfJudgement& judgement, FrameVerdict& verdict) {
    const bool classic = classicMatches(frame);
    const bool enhanced = enhancedMatches(frame);
    const bool named = judgement.model == LdfChecksum::Classic ? classic : enhanced;
    if (named) {
        verdict.add(judgement.model == LdfChecksum::Classic ? CheckWord::Classic
                                                            : CheckWord::Enhanced);
    } else if (classic || enhanced) {
        verdict.add(CheckWord::Model);
        verdict.add(classic ? CheckWord::Classic : CheckWord::Enhanced);
    } else {
        verdict.add(CheckWord::Checksum);
    }
}

// Whether byte is the protected identifier of a frame associated with the event frame.
bool namesAssociated(const LdfModel& ldf, const LdfFrame& event, std::uint8_t byte) {
    for (const int index : event.associated) {
        const int id = ldf.frames[static_cast<std::size_t>(index)].id;
        if (id >= 0 && ProtectedId(static_cast<std::uint8_t>(id)) == byte) {
            return true;
        }
    }
    return false;
}

bool isEventSlot(const LinFrame& frame, const LdfJudgement& judgement) {
    return judgement.frame != nullptr && judgement.frame->kind == LdfFrame::Kind::EventTriggered &&
           ProtectedId(frame.id()) == frame.pid;
}

// A response in an event-triggered slot that two slaves garbled: too short for a
// checksum, a checksum no model explains, or a first byte that names no associated frame.
bool collided(const LinFrame& frame, const LdfModel& ldf, const LdfFrame& event) {
    return frame.responseCount == 1 || (!classicMatches(frame) && !enhancedMatches(frame)) ||
           !namesAssociated(ldf, event, frame.response[0]);
}

// The response word of an event-triggered slot when it is silent or a collision; false
// when an associated frame answered, to be judged as any frame.
bool checkEventSlot(const LinFrame& frame, const LdfModel& ldf, const LdfFrame& event,
                    FrameVerdict& verdict) {
    if (frame.responseCount == 0) {
        verdict.add(CheckWord::Silent);
        return true;
    }
    if (collided(frame, ldf, event)) {
        verdict.add(CheckWord::Collision);
        return true;
    }
    return false;
}

std::string explainCollision(const LinFrame& frame, const LdfFrame& event) {
    const std::string text = "collision: more than one slave answered " + event.name + ": ";
    if (frame.responseCount == 1) {
        return text + "one response byte (" + HexByteText(frame.response[0]) + "), no checksum";
    }
    if (!classicMatches(frame) && !enhancedMatches(frame)) {
        return text + "checksum " + HexByteText(frame.checksum()) + " matches no model";
    }
    return text + "the first byte " + HexByteText(frame.response[0]) +
           " is the protected identifier of no associated frame";
}

// What an end of the recording inside the frame explains.
bool cutExplains(CheckWord word) {
    switch (word) {
        case CheckWord::NoSync:
        case CheckWord::NoId:
        case CheckWord::NoResponse:
        case CheckWord::Short:
        case CheckWord::Checksum:
        case CheckWord::Silent:
        case CheckWord::Collision:
            return true;
        default:
            return false;
    }
}

// The last row's verdict judged with an LDF: "cut" in place of the words the end
// explains (and of a length the missing bytes explain), the others kept.
FrameVerdict cutWhereExplained(const FrameVerdict& verdict) {
    FrameVerdict kept;
    bool explained = false;
    for (int i = 0; i < static_cast<int>(CheckWord::Count); ++i) {
        const auto word = static_cast<CheckWord>(i);
        if (!verdict.has(word)) {
            continue;
        }
        explained = explained || cutExplains(word);
        if (!cutExplains(word) && word != CheckWord::Length) {
            kept.add(word);
        }
    }
    if (!explained) {
        return verdict;
    }
    kept.add(CheckWord::Cut);
    return kept;
}

}  // namespace

const char* CheckWordText(CheckWord word) {
    return kWordTexts[static_cast<std::size_t>(word)];
}

std::optional<CheckWord> ParseCheckWord(std::string_view text) {
    for (std::size_t i = 0; i < kWordTexts.size(); ++i) {
        if (text == kWordTexts[i]) {
            return static_cast<CheckWord>(i);
        }
    }
    return std::nullopt;
}

bool IsFailure(CheckWord word) {
    return word < CheckWord::Classic;
}

void FrameVerdict::format(char (&text)[kTextSize]) const {
    char* out = text;
    for (std::size_t i = 0; i < kWordTexts.size(); ++i) {
        if (!has(static_cast<CheckWord>(i))) {
            continue;
        }
        if (out != text) {
            *out++ = ',';
        }
        const std::size_t length = std::strlen(kWordTexts[i]);
        std::memcpy(out, kWordTexts[i], length);
        out += length;
    }
    *out = '\0';
}

std::string FrameVerdict::dataFailure() const {
    FrameVerdict reasons;
    reasons.bits_ = static_cast<std::uint16_t>(bits_ & (kFailureBits | bit(CheckWord::Collision)));
    return reasons.text();
}

std::string FrameVerdict::text() const {
    char buffer[kTextSize];
    format(buffer);
    return buffer;
}

std::uint8_t ProtectedId(std::uint8_t id) {
    const int p0 = bitOf(id, 0) ^ bitOf(id, 1) ^ bitOf(id, 2) ^ bitOf(id, 4);
    const int p1 = 1 ^ bitOf(id, 1) ^ bitOf(id, 3) ^ bitOf(id, 4) ^ bitOf(id, 5);
    return static_cast<std::uint8_t>((id & 0x3F) | p0 << 6 | p1 << 7);
}

std::uint8_t LinChecksum(std::uint8_t seed, const std::uint8_t* bytes, int count) {
    unsigned sum = seed;
    for (int i = 0; i < count; ++i) {
        sum += bytes[i];
        if (sum >= 256) {
            sum -= 255;
        }
    }
    return static_cast<std::uint8_t>(~sum);
}

bool ClassicOnly(std::uint8_t id) {
    return IsDiagnosticId(id & 0x3F);
}

FrameVerdict CheckFrame(const LinFrame& frame, const LdfModel* ldf) {
    FrameVerdict verdict;
    if (!frame.isLinFrame) {
        return verdict;
    }
    if (!frame.hasSync) {
        verdict.add(CheckWord::NoSync);
    } else if (frame.sync != kSyncByte) {
        verdict.add(CheckWord::Sync);
    }
    if (!frame.hasId) {
        verdict.add(CheckWord::NoId);
        return verdict;
    }
    if (ProtectedId(frame.id()) != frame.pid) {
        verdict.add(CheckWord::Parity);
    }
    const LdfJudgement judgement = ldf != nullptr ? judge(frame, *ldf) : LdfJudgement();
    if (ldf != nullptr && !judgement.known) {
        verdict.add(CheckWord::UnknownId);
    }
    if (isEventSlot(frame, judgement) && checkEventSlot(frame, *ldf, *judgement.frame, verdict)) {
        return verdict;
    }
    if (judgement.known && frame.responseCount >= 2 && frame.dataLength() != judgement.length) {
        verdict.add(CheckWord::Length);
    }
    if (frame.responseCount == 0) {
        verdict.add(CheckWord::NoResponse);
    } else if (frame.responseCount == 1) {
        verdict.add(CheckWord::Short);
    } else if (judgement.known) {
        checkModel(frame, judgement, verdict);
    } else if (frame.checksum() == classicChecksum(frame)) {
        verdict.add(CheckWord::Classic);
    } else if (!ClassicOnly(frame.id()) && frame.checksum() == enhancedChecksum(frame, frame.pid)) {
        verdict.add(CheckWord::Enhanced);
    } else {
        verdict.add(CheckWord::Checksum);
    }
    return verdict;
}

bool FrameComplete(const LinFrame& frame, const LdfModel* ldf) {
    if (!frame.isLinFrame) {
        return true;
    }
    if (frame.responseCount >= LinFrame::kMaxResponse) {
        return true;
    }
    if (!frame.hasId || frame.responseCount < 2) {
        return false;
    }
    const LdfJudgement judgement = ldf != nullptr ? judge(frame, *ldf) : LdfJudgement();
    if (judgement.known) {
        return frame.dataLength() >= judgement.length;
    }
    return frame.checksum() == classicChecksum(frame) ||
           (!ClassicOnly(frame.id()) && frame.checksum() == enhancedChecksum(frame, frame.pid));
}

bool RowComplete(const TraceEntry& entry, const LdfModel* ldf) {
    return FrameComplete(ReadLinFrame(entry), ldf);
}

bool EndsRecording(const TraceEntry& entry) {
    return (entry.flags & RowFlag::kContinued) == 0;
}

FrameVerdict CheckFrame(const TraceEntry& entry, const LinFrame& frame, const LdfModel* ldf) {
    const FrameVerdict verdict = CheckFrame(frame, ldf);
    if (!EndsRecording(entry)) {
        return verdict;
    }
    if (ldf != nullptr) {
        return cutWhereExplained(verdict);
    }
    if (!verdict.failed()) {
        return verdict;
    }
    FrameVerdict cut;
    cut.add(CheckWord::Cut);
    return cut;
}

FrameVerdict CheckFrame(const TraceEntry& entry, const LdfModel* ldf) {
    return CheckFrame(entry, ReadLinFrame(entry), ldf);
}

std::string ExplainFrame(const LinFrame& frame, const LdfModel* ldf) {
    const FrameVerdict verdict = CheckFrame(frame, ldf);
    std::string lines;
    const auto line = [&lines](const std::string& text) {
        lines += lines.empty() ? text : "\n" + text;
    };
    if (verdict.has(CheckWord::NoSync)) {
        line("no-sync: no sync field followed the break");
    }
    if (verdict.has(CheckWord::Sync)) {
        line("sync: " + HexByteText(frame.sync) + " should be 55");
    }
    if (verdict.has(CheckWord::NoId)) {
        line("no-id: no identifier field");
    }
    if (verdict.has(CheckWord::Parity)) {
        line("parity: " + HexByteText(frame.pid) + " should be " +
             HexByteText(ProtectedId(frame.id())) + " for identifier " + HexByteText(frame.id()));
    }
    if (verdict.has(CheckWord::NoResponse)) {
        line("no-response: no response byte followed the identifier");
    }
    if (verdict.has(CheckWord::Short)) {
        line("short: one response byte (" + HexByteText(frame.response[0]) + "), no checksum");
    }
    const LdfJudgement judgement = ldf != nullptr ? judge(frame, *ldf) : LdfJudgement();
    const bool named = ldf != nullptr && ldf->frameById(frame.id()) != nullptr;
    if (verdict.has(CheckWord::Checksum)) {
        line(explainWrongChecksum(frame, named ? &judgement.model : nullptr));
        if (verdict.has(CheckWord::Parity)) {
            const std::string corrupted = explainCorruptedId(frame);
            if (!corrupted.empty()) {
                line(corrupted);
            }
        }
    }
    if (verdict.has(CheckWord::Silent)) {
        line("silent: no frame associated with " + std::string(judgement.name) +
             " answered (a normal outcome of an event-triggered slot)");
    }
    if (verdict.has(CheckWord::Collision)) {
        line(explainCollision(frame, *judgement.frame));
    }
    if (verdict.has(CheckWord::UnknownId)) {
        line("unknown-id: the LDF names no frame with identifier " + HexByteText(frame.id()));
    }
    if (verdict.has(CheckWord::Length)) {
        line("length: " + std::to_string(frame.dataLength()) + " data bytes; " +
             std::string(judgement.name) + " has " + std::to_string(judgement.length) +
             " in the LDF");
    }
    if (verdict.has(CheckWord::Model)) {
        const bool classic = verdict.classic();
        line(std::string("model: the checksum is the ") + (classic ? "classic" : "enhanced") +
             " one; the LDF names " + ChecksumModel::name(judgement.model) + " for " +
             std::string(judgement.name) + " (" +
             HexByteText(enhancedChecksum(frame, classic ? frame.pid : std::uint8_t{0})) + ")");
    }
    if (verdict.classic() || verdict.enhanced()) {
        line(explainModel(frame, verdict));
    }
    return lines;
}

std::string ExplainRow(const TraceEntry& entry, const LdfModel* ldf) {
    const LinFrame frame = ReadLinFrame(entry);
    const std::string lines = ExplainFrame(frame, ldf);
    if (!CheckFrame(entry, frame, ldf).has(CheckWord::Cut)) {
        return lines;
    }
    return "cut: the trace ended inside this frame (Stop, or the device was lost); as far as "
           "it came:\n" +
           lines;
}

}  // namespace daridez
