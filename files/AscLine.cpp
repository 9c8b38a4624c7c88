#include "files/AscLine.h"

#include <array>
#include <charconv>

namespace daridez {

namespace {

// The blank-separated words of a line; a line of more words keeps its first kMax.
class Words {
  public:
    static constexpr int kMax = 96;

    explicit Words(std::string_view line) {
        std::size_t at = 0;
        while (count_ < kMax) {
            while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r')) {
                ++at;
            }
            if (at == line.size()) {
                break;
            }
            const std::size_t start = at;
            while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r') {
                ++at;
            }
            words_[count_++] = line.substr(start, at - start);
        }
    }
    int count() const { return count_; }
    std::string_view operator[](int i) const { return i < count_ ? words_[i] : std::string_view(); }

  private:
    std::array<std::string_view, kMax> words_;
    int count_ = 0;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// A whole word as an unsigned number in base 16 or 10; a trailing comma is allowed.
bool parseNumber(std::string_view word, int base, int& value) {
    if (!word.empty() && word.back() == ',') {
        word.remove_suffix(1);
    }
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value, base);
    return !word.empty() && error == std::errc() && stop == end && value >= 0;
}

bool parseByte(std::string_view word, bool decimal, std::uint8_t& byte) {
    int value = 0;
    if (!parseNumber(word, decimal ? 10 : 16, value) || value > 0xFF) {
        return false;
    }
    byte = static_cast<std::uint8_t>(value);
    return true;
}

// Seconds with up to nine decimals as microseconds (rounded down); false for any other
// word. Times past about 2.5 million hours are refused, so nothing overflows.
bool parseSeconds(std::string_view word, std::int64_t& micros) {
    std::size_t at = 0;
    std::int64_t seconds = 0;
    while (at < word.size() && word[at] >= '0' && word[at] <= '9') {
        if (at >= 12) {
            return false;
        }
        seconds = seconds * 10 + (word[at++] - '0');
    }
    if (at == 0) {
        return false;
    }
    std::int64_t fraction = 0;
    int digits = 0;
    if (at < word.size() && word[at] == '.') {
        ++at;
        while (at < word.size() && word[at] >= '0' && word[at] <= '9') {
            if (digits < 6) {
                fraction = fraction * 10 + (word[at] - '0');
                ++digits;
            } else if (digits >= 9) {
                return false;
            } else {
                ++digits;
            }
            ++at;
        }
    }
    if (at != word.size()) {
        return false;
    }
    for (int d = digits < 6 ? digits : 6; d < 6; ++d) {
        fraction *= 10;
    }
    micros = seconds * 1'000'000 + fraction;
    return true;
}

bool isKey(const Words& words, int i) {
    return i + 1 < words.count() && words[i + 1] == "=";
}

// The "KEY = VALUE ..." pairs from word i on: checksum, SOF, EOH, EOB (one time per
// byte), EOF, BR and CSM; the others are read past.
void readPairs(const Words& words, int i, bool decimal, AscEvent& event) {
    while (i < words.count()) {
        if (!isKey(words, i)) {
            ++i;
            continue;
        }
        const std::string_view key = words[i];
        i += 2;
        if (key == "checksum") {
            std::uint8_t byte = 0;
            if (parseByte(words[i], decimal, byte)) {
                event.checksum = byte;
            }
        } else if (key == "SOF") {
            parseSeconds(words[i], event.sof);
        } else if (key == "EOH") {
            parseSeconds(words[i], event.eoh);
        } else if (key == "EOF") {
            parseSeconds(words[i], event.eof);
        } else if (key == "EOB") {
            for (; i < words.count() && !isKey(words, i) && event.eobCount < AscEvent::kMaxBytes;
                 ++i) {
                if (!parseSeconds(words[i], event.eob[event.eobCount])) {
                    break;
                }
                ++event.eobCount;
            }
        } else if (key == "BR") {
            parseNumber(words[i], 10, event.baud);
        } else if (key == "CSM") {
            event.csm = words[i] == "classic" ? 1 : words[i] == "enhanced" ? 2 : 0;
        }
    }
}

// Up to count bytes from word i on, stopping at the first word that is no byte;
// returns the word behind them.
int readBytes(const Words& words, int i, int count, bool decimal, AscEvent& event) {
    while (event.byteCount < count && event.byteCount < AscEvent::kMaxBytes && !isKey(words, i) &&
           parseByte(words[i], decimal, event.bytes[event.byteCount])) {
        ++event.byteCount;
        ++i;
    }
    return i;
}

// The words after "KEY =" where key is found from word i on; -1 when absent.
int valueOf(const Words& words, int i, std::string_view key) {
    for (; i + 2 < words.count(); ++i) {
        if (words[i] == key && words[i + 1] == "=") {
            return i + 2;
        }
    }
    return -1;
}

AscLineKind header(const Words& words, AscSettings& settings) {
    for (int i = 0; i + 1 < words.count(); ++i) {
        if (words[i] == "base") {
            settings.decimal = words[i + 1] == "dec";
        } else if (words[i] == "timestamps") {
            settings.relative = words[i + 1] == "relative";
        }
    }
    return AscLineKind::Header;
}

bool isHeader(std::string_view first) {
    return first == "date" || first == "base" || first == "internal" || first == "no" ||
           first == "timestamps" || equalsIgnoringCase(first, "begin") ||
           equalsIgnoringCase(first, "end");
}

// L1, L2, ... or Li: the channel number (0 for Li).
bool linChannel(std::string_view word, std::uint32_t& channel) {
    if (word.size() < 2 || word[0] != 'L') {
        return false;
    }
    if (word == "Li") {
        channel = 0;
        return true;
    }
    int number = 0;
    if (!parseNumber(word.substr(1), 10, number) || word.back() == ',') {
        return false;
    }
    channel = static_cast<std::uint32_t>(number);
    return true;
}

// The LIN events that name no frame, by their keyword.
AscLineKind keywordEvent(std::string_view word, AscEvent& event) {
    static constexpr std::string_view kBusEvents[] = {
        "WakeupFrame",    "SleepModeEvent", "Spike",           "SlaveTimeout",
        "SchedModChng",   "Statistic",      "Disturbance",     "DisturbanceEvent",
        "LongDomSig",     "BaudrateEvent",  "DLCInfo",         "ChecksumInfo",
        "SchedulerEvent", "Unexpected",     "UnexpectedWakeup"};
    if (word == "SyncError") {
        return AscLineKind::SyncError;
    }
    for (std::string_view name : kBusEvents) {
        if (word == name) {
            event.what = name;
            return AscLineKind::BusEvent;
        }
    }
    return AscLineKind::Unknown;
}

// "<id> <Rx|Tx> <dlc> bytes..." and the forms with CSErr, TransmErr, EvTrigFrmInfo,
// RcvError and ShortOrSlowResponse, from word 2 on.
AscLineKind frameEvent(const Words& words, bool decimal, AscEvent& event) {
    int id = 0;
    if (!parseNumber(words[2], decimal ? 10 : 16, id) || id > 0x3F) {
        return AscLineKind::Unknown;
    }
    event.id = id;
    int i = 3;
    AscLineKind kind = AscLineKind::Frame;
    if (words[i] == "CSErr") {
        kind = AscLineKind::ChecksumError;
        ++i;
    } else if (words[i] == "TransmErr") {
        readPairs(words, i + 1, decimal, event);
        return AscLineKind::NoResponse;
    } else if (words[i] == "EvTrigFrmInfo") {
        // Only the slot nobody answered is an event of its own; an answer is logged as
        // the frame that gave it.
        const bool none =
            words[words.count() - 2] == "No" && words[words.count() - 1] == "response";
        event.what = "EvTrigFrmInfo";
        return none ? AscLineKind::NoResponse : AscLineKind::BusEvent;
    }
    int length = 0;
    if (words[i] == "Rx" || words[i] == "Tx") {
        if (!parseNumber(words[i + 1], 10, length) || length > 8) {
            return AscLineKind::Unknown;
        }
        i = readBytes(words, i + 2, length, decimal, event);
        if (event.byteCount != length) {
            return AscLineKind::Unknown;
        }
        readPairs(words, i, decimal, event);
        return kind;
    }
    if (kind != AscLineKind::Frame || !parseNumber(words[i], 10, length) || length > 8) {
        return AscLineKind::Unknown;
    }
    if (words[i + 1] == "RcvError:") {
        const int has = valueOf(words, i + 2, "HasDatabytes");
        if (has > 0 && words[has] == "1") {
            readBytes(words, has + 1, length, decimal, event);
        }
        readPairs(words, i + 2, decimal, event);
        return AscLineKind::ReceiveError;
    }
    if (words[i + 1] == "ShortOrSlowResponse:") {
        const int count = valueOf(words, i + 2, "NumRespBytes");
        int bytes = 0;
        if (count < 0 || !parseNumber(words[count], 10, bytes)) {
            return AscLineKind::Unknown;
        }
        readBytes(words, count + 1, bytes, decimal, event);
        readPairs(words, count + 1, decimal, event);
        return AscLineKind::LongResponse;
    }
    return AscLineKind::Unknown;
}

}  // namespace

AscLineKind ParseAscLine(std::string_view line, AscSettings& settings, AscEvent& event) {
    event = AscEvent();
    const Words words(line);
    if (words.count() == 0 || words[0].starts_with("//")) {
        return AscLineKind::Empty;
    }
    if (isHeader(words[0])) {
        return header(words, settings);
    }
    if (!parseSeconds(words[0], event.time)) {
        return AscLineKind::Unknown;
    }
    if (!linChannel(words[1], event.channel)) {
        return words.count() >= 2 ? AscLineKind::OtherBus : AscLineKind::Unknown;
    }
    if (words.count() < 3) {
        return AscLineKind::Unknown;
    }
    const std::string_view last = words[words.count() - 1];
    event.rest = line.substr(static_cast<std::size_t>(words[2].data() - line.data()),
                             static_cast<std::size_t>(last.data() + last.size() - words[2].data()));
    const AscLineKind named = keywordEvent(words[2], event);
    if (named == AscLineKind::SyncError) {
        readPairs(words, 3, settings.decimal, event);
        return named;
    }
    if (named != AscLineKind::Unknown) {
        return named;
    }
    return frameEvent(words, settings.decimal, event);
}

}  // namespace daridez
