#include "lin/Query.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstring>

#include "lin/Columns.h"
#include "lin/Diagnostic.h"
#include "trace/AsciiCase.h"

namespace daridez {

const char* const kQueryHelp =
    "  id=HH[,HH...]   LIN frames with one of these identifiers, parity bits removed (00..3F)\n"
    "  pid=HH[,HH...]  LIN frames with one of these identifier bytes, as received (00..FF)\n"
    "  data=PATTERN    LIN frames whose bytes from DB0 on start with PATTERN: hex pairs, ?? any\n"
    "  err             rows whose Info starts with # (device errors, overflows, bad frames)\n"
    "  bad             LIN frames whose check found a fault\n"
    "  check=WORD      rows whose Check holds WORD (parity, checksum, short, classic, ...)\n"
    "  diag            diagnostic frames (identifiers 3C and 3D)\n"
    "  sid=HH          diagnostic frames of service HH: requests, positive (HH+40) and\n"
    "                  negative (7F HH) responses, and the frame completing such a message\n"
    "  frame=NAME      LIN frames the LDF calls NAME (with --ldf)\n"
    "  signal:NAME=V   LIN frames whose signal NAME has the logical text or number V;\n"
    "  signal:NAME<N   ... a value below N; signal:NAME>N above N (the physical value, or\n"
    "                  the raw value where there is none; with --ldf; only frames whose\n"
    "                  check passed)\n"
    "  WORD            rows with WORD in any column MsgNr..CS, ignoring case\n"
    "  !TERM           rows that do not match TERM; a row must match every term\n";

namespace {

constexpr int kIdCount = 0x40;
constexpr int kTextCount = kStoredColumnCount;  // the texts searched: MsgNr..CS

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = AsciiLower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The byte two hex digits spell, or -1.
int hexPair(std::string_view pair) {
    if (pair.size() != 2) {
        return -1;
    }
    const int high = hexDigit(pair[0]);
    const int low = hexDigit(pair[1]);
    return high < 0 || low < 0 ? -1 : high << 4 | low;
}

std::string failure(std::string_view term, const std::string& what) {
    std::string text = "\"";
    text.append(term).append("\": ").append(what);
    return text;
}

// What a list of identifiers or identifier bytes may hold.
struct ByteList {
    const char* items;  // "identifiers"
    int limit;          // the values run 0..limit-1
    const char* range;  // "00..3F"
};

constexpr ByteList kIds{"identifiers", kIdCount, "00..3F"};
constexpr ByteList kPids{"identifier bytes", 0x100, "00..FF"};

// Reads "HH[,HH...]" into set; returns what is wrong, or "" when nothing is.
std::string readByteList(std::string_view list, const ByteList& kind,
                         std::array<std::uint64_t, 4>& set) {
    if (list.empty()) {
        return std::string("no ") + kind.items + " after \"=\"";
    }
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        if (item.empty()) {
            return "an empty item in the list";
        }
        const int value = hexPair(item);
        if (value < 0) {
            return std::string(kind.items) + " are two hex digits";
        }
        if (value >= kind.limit) {
            return std::string(kind.items) + " are " + kind.range;
        }
        set[value >> 6] |= std::uint64_t{1} << (value & 63);
        if (comma == std::string_view::npos) {
            return {};
        }
        list.remove_prefix(comma + 1);
    }
}

// Reads pairs of hex digits or "??" into pattern and anyByte; returns what is wrong,
// or "" when nothing is.
std::string readPattern(std::string_view text, std::uint8_t (&pattern)[LinFrame::kMaxResponse],
                        bool (&anyByte)[LinFrame::kMaxResponse], int& length) {
    const char* const pairs = "the pattern is pairs of hex digits or ??";
    if (text.empty() || text.size() % 2 != 0) {
        return pairs;
    }
    if (text.size() / 2 > LinFrame::kMaxResponse) {
        return "at most 9 bytes (DB0..DB7, CS)";
    }
    for (length = 0; length < static_cast<int>(text.size() / 2); ++length) {
        const std::string_view pair = text.substr(2 * length, 2);
        const int byte = hexPair(pair);
        anyByte[length] = pair == "??";
        if (byte < 0 && !anyByte[length]) {
            return pairs;
        }
        pattern[length] = static_cast<std::uint8_t>(anyByte[length] ? 0 : byte);
    }
    return {};
}

std::string checkWords() {
    std::string words;
    for (int i = 0; i < static_cast<int>(CheckWord::Count); ++i) {
        words += (i == 0 ? "" : ", ") + std::string(CheckWordText(static_cast<CheckWord>(i)));
    }
    return words;
}

bool inSet(const std::array<std::uint64_t, 4>& set, std::uint8_t value) {
    return (set[value >> 6] >> (value & 63) & 1) != 0;
}

// The free-text search reads eight bytes at a time: a row's fourteen texts are short
// and end at different places, and byte by byte the scan took nearly twice as long.
constexpr std::uint64_t kLowBits = 0x0101010101010101;
constexpr std::uint64_t kHighBits = 0x8080808080808080;

// Eight bytes of a text as a word whose lowest byte is the first.
std::uint64_t loadWord(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t reversed = 0;
        for (int i = 0; i < 8; ++i, word >>= 8) {
            reversed = reversed << 8 | (word & 0xFF);
        }
        word = reversed;
    }
    return word;
}

// The high bit of every zero byte of word; exact up to and including the lowest.
std::uint64_t zeroBytes(std::uint64_t word) {
    return (word - kLowBits) & ~word & kHighBits;
}

// A needle (lower case, not empty) and its first byte spread over a word: a byte b of
// a text may start a match when (b | caseBits) == that byte.
struct Needle {
    explicit Needle(std::string_view text)
        : text(text),
          firstBytes(kLowBits * static_cast<unsigned char>(text[0])),
          caseBits(text[0] >= 'a' && text[0] <= 'z' ? kLowBits * 0x20 : 0) {}

    std::string_view text;
    std::uint64_t firstBytes;
    std::uint64_t caseBits;
};

// Whether the text at bytes (ended by a NUL) starts with needle, ignoring letter case.
bool startsWithFolded(const char* bytes, std::string_view needle) {
    for (const char c : needle) {
        if (*bytes == '\0' || AsciiLower(*bytes) != c) {
            return false;
        }
        ++bytes;
    }
    return true;
}

// Whether the NUL-terminated text at bytes (size bytes of room) contains the needle,
// ignoring letter case.
bool containsFolded(const char* bytes, int size, const Needle& needle) {
    for (int offset = 0; offset < size; offset += 8) {
        const std::uint64_t word = loadWord(bytes + offset);
        const std::uint64_t ends = zeroBytes(word);
        std::uint64_t starts = zeroBytes((word | needle.caseBits) ^ needle.firstBytes);
        if (ends != 0) {
            starts &= (ends & (~ends + 1)) - 1;  // the bytes before the text's end
        }
        for (; starts != 0; starts &= starts - 1) {
            const int at = offset + std::countr_zero(starts) / 8;
            if (startsWithFolded(bytes + at, needle.text)) {
                return true;
            }
        }
        if (ends != 0) {
            return false;
        }
    }
    return false;
}

// The letters each column's texts are made of, in lower case; nullptr: any. A column
// that cannot hold a letter of the needle is not made at all: most searches are for
// bytes or words, and the numbers and times are the dearest texts to make.
constexpr const char* kTextLetters[kTextCount] = {
    "-0123456789",       "+ -0123456789:,",      nullptr,
    "#0123456789abcdef", "[]()0123456789abcdef", "0123456789abcdefh",
    "0123456789abcdefh", "0123456789abcdefh",    "0123456789abcdefh",
    "0123456789abcdefh", "0123456789abcdefh",    "0123456789abcdefh",
    "0123456789abcdefh", "0123456789abcdefh",
};

std::uint32_t columnsHolding(std::string_view needle) {
    std::uint32_t columns = 0;
    for (int column = 0; column < kTextCount; ++column) {
        const char* letters = kTextLetters[column];
        const bool possible =
            letters == nullptr || needle.find_first_not_of(letters) == std::string_view::npos;
        columns |= possible ? 1u << column : 0u;
    }
    return columns;
}

bool anyTextContains(const TraceEntry& entry, const TextForm& form, std::string_view text,
                     std::uint32_t columns) {
    const Needle needle(text);
    for (int column = 0; column < kTextCount; ++column) {
        if ((columns >> column & 1) == 0) {
            continue;
        }
        // The text made in a zeroed field, so that the words read stay in it.
        CellScratch scratch;
        std::memset(scratch.field, 0, sizeof scratch.field);
        const char* cell = CellText(entry, form, static_cast<Column>(column), scratch);
        if (cell != scratch.field) {
            std::strncpy(scratch.field, cell, sizeof scratch.field - 1);
        }
        if (containsFolded(scratch.field, kFieldTextSize, needle)) {
            return true;
        }
    }
    return false;
}

}  // namespace

// What the terms ask of one row, each read at most once and only when a term needs it.
class Query::Row {
  public:
    Row(const TraceEntry& entry, const TextForm& form) : entry_(entry), form_(form) {}

    const TraceEntry& entry() const { return entry_; }
    const TextForm& form() const { return form_; }
    const LinFrame& frame() {
        if (!frame_) {
            frame_ = ReadLinFrame(entry_);
        }
        return *frame_;
    }
    const FrameVerdict& verdict(const LdfModel* ldf) {
        if (!verdict_) {
            verdict_ = CheckFrame(entry_, frame(), ldf);
        }
        return *verdict_;
    }
    // Decodes the frame into out once; false when it is no LIN frame the LDF names.
    bool decode(const SignalDecoder& decoder, LdfFrameDecode& out) {
        if (!decoded_) {
            const LinFrame& lin = frame();
            decoded_ = lin.isLinFrame && lin.hasId;
            if (*decoded_) {
                decoder.decode(lin.id(), lin.response, lin.dataLength(), out);
                decoded_ = out.frame != nullptr;
            }
        }
        return *decoded_;
    }

  private:
    const TraceEntry& entry_;
    const TextForm& form_;
    std::optional<bool> decoded_;
    std::optional<LinFrame> frame_;
    std::optional<FrameVerdict> verdict_;
};

std::optional<Query> Query::parse(std::string_view text, std::string& error, const LdfModel* ldf) {
    Query query;
    query.text_ = std::string(text);
    query.ldf_ = ldf;
    if (ldf != nullptr) {
        query.decoder_.emplace(*ldf);
    }
    std::size_t p = 0;
    while (true) {
        while (p < text.size() && isBlank(text[p])) {
            ++p;
        }
        if (p == text.size()) {
            break;
        }
        const std::size_t start = p;
        bool quoted = false;  // blanks inside quotes belong to the term ("fade out")
        while (p < text.size() &&
               (quoted ? text[p] != '\n' && text[p] != '\r' : !isBlank(text[p]))) {
            quoted = text[p] == '"' ? !quoted : quoted;
            ++p;
        }
        if (quoted) {  // a line break ends a quoted term too: no value holds one
            error = failure(text.substr(start, p - start), "a closing \" is missing");
            return std::nullopt;
        }
        std::optional<Term> term = parseTerm(text.substr(start, p - start), error, ldf);
        if (!term) {
            return std::nullopt;
        }
        query.assembles_ = query.assembles_ || term->kind == Kind::Sid;
        query.terms_.push_back(std::move(*term));
    }
    if (query.terms_.empty()) {
        error = "empty query";
        return std::nullopt;
    }
    error.clear();
    return query;
}

std::optional<Query::Term> Query::parseTerm(std::string_view written, std::string& error,
                                            const LdfModel* ldf) {
    Term term;
    std::string_view body = written;
    if (!body.empty() && body[0] == '!') {
        term.negated = true;
        body.remove_prefix(1);
        if (body.empty()) {
            error = failure(written, "a term must follow \"!\"");
            return std::nullopt;
        }
        if (body[0] == '!') {
            error = failure(written, "one \"!\" per term");
            return std::nullopt;
        }
    }
    if (body.starts_with("signal:") || body.starts_with("frame=")) {
        const std::string wrong = parseLdfTerm(body, term, ldf);
        if (!wrong.empty()) {
            error = failure(written, wrong);
            return std::nullopt;
        }
        return term;
    }
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) {
        if (body == "err") {
            term.kind = Kind::Err;
        } else if (body == "bad") {
            term.kind = Kind::Bad;
        } else if (body == "diag") {
            term.kind = Kind::Diag;
        } else {
            term.kind = Kind::Text;
            for (const char c : body) {
                term.needle += AsciiLower(c);
            }
            term.columns = columnsHolding(term.needle);
        }
        return term;
    }
    const std::string_view key = body.substr(0, equals);
    const std::string_view value = body.substr(equals + 1);
    std::string wrong;
    if (key == "id" || key == "pid") {
        term.kind = key == "id" ? Kind::Id : Kind::Pid;
        wrong = readByteList(value, key == "id" ? kIds : kPids, term.values);
    } else if (key == "data") {
        term.kind = Kind::Data;
        wrong = readPattern(value, term.pattern, term.anyByte, term.patternLength);
    } else if (key == "check") {
        term.kind = Kind::Check;
        const std::optional<CheckWord> word = ParseCheckWord(value);
        if (word) {
            term.word = *word;
        } else {
            wrong = "not a check word (" + checkWords() + ")";
        }
    } else if (key == "sid") {
        term.kind = Kind::Sid;
        const int sid = hexPair(value);
        if (sid < 0) {
            wrong = "a service identifier is two hex digits";
        }
        term.sid = static_cast<std::uint8_t>(sid);
    } else {
        wrong = "unknown key (id, pid, data, check, sid, frame, signal:)";
    }
    if (!wrong.empty()) {
        error = failure(written, wrong);
        return std::nullopt;
    }
    return term;
}

// frame=NAME, signal:NAME=VALUE, signal:NAME<N, signal:NAME>N: names checked against
// the LDF. Returns what is wrong, or "" when nothing is.
std::string Query::parseLdfTerm(std::string_view body, Term& term, const LdfModel* ldf) {
    if (ldf == nullptr) {
        return "needs an LDF (--ldf)";
    }
    if (body.starts_with("frame=")) {
        term.kind = Kind::Frame;
        term.needle = std::string(body.substr(6));
        return ldf->frameByName(term.needle) != nullptr ? "" : "the LDF has no such frame";
    }
    term.kind = Kind::Signal;
    body.remove_prefix(7);  // "signal:"
    const std::size_t at = body.find_first_of("=<>");
    if (at == std::string_view::npos || at == 0 || at + 1 == body.size()) {
        return "signal:NAME=VALUE, signal:NAME<N or signal:NAME>N";
    }
    term.needle = std::string(body.substr(0, at));
    term.comparison = body[at];
    std::string_view value = body.substr(at + 1);
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (quoted) {  // the form --signals prints: a logical value's text, never a number
        value = value.substr(1, value.size() - 2);
    }
    term.value = std::string(value);
    double number = 0;
    const char* end = term.value.data() + term.value.size();
    const auto [stop, status] = std::from_chars(term.value.data(), end, number);
    if (!quoted && status == std::errc() && stop == end) {
        term.number = number;
    } else if (term.comparison != '=') {
        return "a number must follow \"<\" or \">\"";
    }
    const LdfSignal* signal = ldf->signalByName(term.needle);
    if (signal == nullptr) {
        return "the LDF has no such signal";
    }
    return term.number ? "" : unknownValue(*ldf, *signal, term.value);
}

// A text the signal can never show: none of its logical values, and no ASCII or BCD
// reading that could spell it. Returns what is wrong, or "" when nothing is.
std::string Query::unknownValue(const LdfModel& ldf, const LdfSignal& signal,
                                const std::string& value) {
    std::vector<std::string> known;
    if (signal.encoding >= 0) {
        for (const LdfConverter& converter :
             ldf.encodings[static_cast<std::size_t>(signal.encoding)].converters) {
            if (converter.kind == LdfConverter::Kind::Ascii ||
                converter.kind == LdfConverter::Kind::Bcd) {
                return {};
            }
            if (converter.kind == LdfConverter::Kind::Logical) {
                if (converter.text == value) {
                    return {};
                }
                known.push_back(converter.text);
            }
        }
    }
    if (known.empty()) {
        return "the LDF gives " + signal.name + " no named values: a number must follow \"=\"";
    }
    std::sort(known.begin(), known.end());
    std::string list;
    for (const std::string& name : known) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return "the LDF knows no value \"" + value + "\" of " + signal.name + " (" + list + ")";
}

void Query::restart() const {
    transport_.reset();
    assembledEntry_ = nullptr;
    assembled_ = TransportOutcome{};
}

bool Query::matches(const TraceEntry& entry, const TextForm& form) const {
    Row row(entry, form);
    if (assembles_) {
        // Fed whatever the terms ask, so that no diagnostic row is left out; a row matched
        // again (the last one of a batch) is not fed twice.
        const LinFrame& frame = row.frame();
        if (&entry != assembledEntry_ || frame.time != assembledTime_) {
            assembledEntry_ = &entry;
            assembledTime_ = frame.time;
            assembled_ = transport_.add(frame);
        }
    }
    for (const Term& term : terms_) {
        if (test(term, row) == term.negated) {
            return false;
        }
    }
    return true;
}

bool Query::judgesVerdict() const {
    for (const Term& term : terms_) {
        if (term.kind == Kind::Bad || term.kind == Kind::Check || term.kind == Kind::Signal) {
            return true;
        }
    }
    return false;
}

bool Query::testFrame(const Term& term, Row& row) const {
    if (!row.decode(*decoder_, decode_)) {
        return false;
    }
    return decode_.frame->name == term.needle ||
           (decode_.associated != nullptr && decode_.associated->name == term.needle);
}

// Values of a frame whose check failed are not what its sender meant: they match no
// signal term.
bool Query::testSignal(const Term& term, Row& row) const {
    if (!row.decode(*decoder_, decode_) || row.verdict(ldf_).dataFailed()) {
        return false;
    }
    for (const LdfSignalValue& value : decode_.values) {
        if (value.signal != term.needle) {
            continue;
        }
        if (term.comparison == '=') {
            return (value.kind != LdfSignalValue::Kind::None && value.text == term.value) ||
                   (term.number && value.hasNumber && value.number == *term.number);
        }
        if (!value.hasNumber) {
            return false;
        }
        return term.comparison == '<' ? value.number < *term.number : value.number > *term.number;
    }
    return false;
}

bool Query::test(const Term& term, Row& row) const {
    switch (term.kind) {
        case Kind::Id:
            return row.frame().hasId && inSet(term.values, row.frame().id());
        case Kind::Pid:
            return row.frame().hasId && inSet(term.values, row.frame().pid);
        case Kind::Data: {
            const LinFrame& frame = row.frame();
            if (frame.responseCount < term.patternLength) {
                return false;
            }
            for (int i = 0; i < term.patternLength; ++i) {
                if (!term.anyByte[i] && frame.response[i] != term.pattern[i]) {
                    return false;
                }
            }
            return true;
        }
        case Kind::Err: {
            CellScratch scratch;
            return CellText(row.entry(), row.form(), Column::Info, scratch)[0] == '#';
        }
        case Kind::Bad:
            return row.verdict(ldf_).failed();
        case Kind::Check:
            return row.verdict(ldf_).has(term.word);
        case Kind::Diag:
            return IsDiagnosticFrame(row.frame());
        case Kind::Sid:
            return CarriesService(row.frame(), term.sid) || assembled_.carries(term.sid);
        case Kind::Frame:
            return testFrame(term, row);
        case Kind::Signal:
            return testSignal(term, row);
        case Kind::Text:
            return anyTextContains(row.entry(), row.form(), term.needle, term.columns);
    }
    return false;
}

}  // namespace daridez
