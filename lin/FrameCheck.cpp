#include "lin/FrameCheck.h"

#include <array>
#include <cstring>

#include "trace/FieldText.h"

namespace daridez {

namespace {

constexpr std::uint8_t kSyncByte = 0x55;

constexpr std::array<const char*, static_cast<std::size_t>(CheckWord::Count)> kWordTexts = {
    "no-sync", "sync", "no-id", "parity", "no-response", "short", "checksum", "classic", "enhanced",
};

int bitOf(std::uint8_t value, int bit) {
    return (value >> bit) & 1;
}

std::string hexByte(std::uint8_t value) {
    char text[3];
    *PutHexByte(text, value) = '\0';
    return text;
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
// fault explains it.
std::string explainWrongChecksum(const LinFrame& frame) {
    const std::uint8_t actual = frame.checksum();
    const std::uint8_t classic = classicChecksum(frame);
    const std::uint8_t enhanced = enhancedChecksum(frame, frame.pid);
    std::string text = "checksum " + hexByte(actual) + ": expected ";
    if (ClassicOnly(frame.id())) {
        text += hexByte(classic) + " (classic; identifier " + hexByte(frame.id()) +
                " always uses the classic checksum)";
        if (actual == enhanced) {
            text += "; " + hexByte(actual) + " is the enhanced checksum";
        }
        return text;
    }
    text += hexByte(enhanced) + " (enhanced) or " + hexByte(classic) + " (classic)";
    if (frame.pid != frame.id() && actual == enhancedChecksum(frame, frame.id())) {
        text += "; " + hexByte(actual) + " is the enhanced checksum over the raw identifier " +
                hexByte(frame.id());
    }
    return text;
}

std::string explainModel(const LinFrame& frame, const FrameVerdict& verdict) {
    const int count = frame.dataLength();
    const std::string over = std::to_string(count) + (count == 1 ? " data byte" : " data bytes");
    if (verdict.classic()) {
        return "classic: checksum " + hexByte(frame.checksum()) + " over " + over;
    }
    return "enhanced: checksum " + hexByte(frame.checksum()) + " over identifier " +
           hexByte(frame.pid) + " and " + over;
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
    return word != CheckWord::Classic && word != CheckWord::Enhanced;
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
    const std::uint8_t low = id & 0x3F;
    return low == 0x3C || low == 0x3D;
}

FrameVerdict CheckFrame(const LinFrame& frame) {
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
    if (frame.responseCount == 0) {
        verdict.add(CheckWord::NoResponse);
    } else if (frame.responseCount == 1) {
        verdict.add(CheckWord::Short);
    } else if (frame.checksum() == classicChecksum(frame)) {
        verdict.add(CheckWord::Classic);
    } else if (!ClassicOnly(frame.id()) && frame.checksum() == enhancedChecksum(frame, frame.pid)) {
        verdict.add(CheckWord::Enhanced);
    } else {
        verdict.add(CheckWord::Checksum);
    }
    return verdict;
}

FrameVerdict CheckFrame(const TraceEntry& entry) {
    return CheckFrame(ReadLinFrame(entry));
}

std::string ExplainFrame(const LinFrame& frame) {
    const FrameVerdict verdict = CheckFrame(frame);
    std::string lines;
    const auto line = [&lines](const std::string& text) {
        lines += lines.empty() ? text : "\n" + text;
    };
    if (verdict.has(CheckWord::NoSync)) {
        line("no-sync: no sync field followed the break");
    }
    if (verdict.has(CheckWord::Sync)) {
        line("sync: " + hexByte(frame.sync) + " should be 55");
    }
    if (verdict.has(CheckWord::NoId)) {
        line("no-id: no identifier field");
    }
    if (verdict.has(CheckWord::Parity)) {
        line("parity: " + hexByte(frame.pid) + " should be " + hexByte(ProtectedId(frame.id())) +
             " for identifier " + hexByte(frame.id()));
    }
    if (verdict.has(CheckWord::NoResponse)) {
        line("no-response: no response byte followed the identifier");
    }
    if (verdict.has(CheckWord::Short)) {
        line("short: one response byte (" + hexByte(frame.response[0]) + "), no checksum");
    }
    if (verdict.has(CheckWord::Checksum)) {
        line(explainWrongChecksum(frame));
    }
    if (verdict.classic() || verdict.enhanced()) {
        line(explainModel(frame, verdict));
    }
    return lines;
}

}  // namespace daridez
