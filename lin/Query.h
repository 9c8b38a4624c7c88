#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ldf/LdfModel.h"
#include "ldf/SignalDecoder.h"
#include "lin/FrameCheck.h"
#include "lin/LinFrame.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// The terms of the search language, one line each, for a program's --help.
extern const char* const kQueryHelp;

// A parsed trace search ("id=3C !bad", "data=7F??B2", "break"): which rows it keeps.
// The search box and daridez-dump --filter both parse with it, so a query means the
// same everywhere. Matching reads only what its terms need; it allocates nothing but
// for the signal terms, which decode the row with the LDF (once per row, into storage
// the query keeps: one query matches on one thread at a time).
class Query {
  public:
    // The query for text, or nullopt with error set to one line naming the first
    // offending term. With an LDF (ldf not null, outliving the query) the check words
    // judge against it and the terms frame= and signal: may be used.
    static std::optional<Query> parse(std::string_view text, std::string& error,
                                      const LdfModel* ldf = nullptr);

    // True when the row matches every term, its texts made in form.
    bool matches(const TraceEntry& entry, const TextForm& form) const;

    // True when a term reads the Check verdict (bad, check=, signal: terms, which match
    // only frames that passed): its answer for the last row of a running trace may
    // change while the row fills.
    bool judgesVerdict() const;

    // The text the query was parsed from.
    const std::string& text() const { return text_; }

  private:
    enum class Kind : std::uint8_t {
        Id,
        Pid,
        Data,
        Err,
        Bad,
        Check,
        Text,
        Frame,
        Signal,
        Diag,
        Sid
    };

    struct Term {
        Kind kind = Kind::Text;
        bool negated = false;
        std::array<std::uint64_t, 4> values{};              // Id, Pid: bit n set for byte n
        std::uint8_t pattern[LinFrame::kMaxResponse] = {};  // Data: the bytes to match
        bool anyByte[LinFrame::kMaxResponse] = {};          // Data: "??" pairs
        int patternLength = 0;
        CheckWord word = CheckWord::Count;  // Check
        std::string needle;                 // Text, in lower case; Frame, Signal: the name
        std::uint32_t columns = 0;          // Text: the columns whose texts could hold it
        char comparison = '=';              // Signal: '=', '<' or '>'
        std::string value;                  // Signal: the text after '='
        std::optional<double> number;       // Signal: the value as a number
        std::uint8_t sid = 0;               // Sid
    };

    class Row;

    Query() = default;
    static std::optional<Term> parseTerm(std::string_view term, std::string& error,
                                         const LdfModel* ldf);
    static std::string parseLdfTerm(std::string_view body, Term& term, const LdfModel* ldf);
    bool test(const Term& term, Row& row) const;
    bool testSignal(const Term& term, Row& row) const;
    bool testFrame(const Term& term, Row& row) const;

    std::string text_;
    std::vector<Term> terms_;
    const LdfModel* ldf_ = nullptr;
    std::optional<SignalDecoder> decoder_;
    mutable LdfFrameDecode decode_;  // the row being matched, decoded once
};

}  // namespace daridez
