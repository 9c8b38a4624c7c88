#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lin/FrameCheck.h"
#include "lin/LinFrame.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// The terms of the search language, one line each, for a program's --help.
extern const char* const kQueryHelp;

// A parsed trace search ("id=3C !bad", "data=7F??B2", "break"): which rows it keeps.
// The search box and daridez-dump --filter both parse with it, so a query means the
// same everywhere. Matching allocates nothing and reads only what its terms need.
class Query {
  public:
    // The query for text, or nullopt with error set to one line naming the first
    // offending term.
    static std::optional<Query> parse(std::string_view text, std::string& error);

    // True when the row matches every term, its texts made in form.
    bool matches(const TraceEntry& entry, const TextForm& form) const;

    // The text the query was parsed from.
    const std::string& text() const { return text_; }

  private:
    enum class Kind : std::uint8_t { Id, Pid, Data, Err, Bad, Check, Text };

    struct Term {
        Kind kind = Kind::Text;
        bool negated = false;
        std::array<std::uint64_t, 4> values{};              // Id, Pid: bit n set for byte n
        std::uint8_t pattern[LinFrame::kMaxResponse] = {};  // Data: the bytes to match
        bool anyByte[LinFrame::kMaxResponse] = {};          // Data: "??" pairs
        int patternLength = 0;
        CheckWord word = CheckWord::Count;  // Check
        std::string needle;                 // Text, in lower case
        std::uint32_t columns = 0;          // Text: the columns whose texts could hold it
    };

    class Row;

    Query() = default;
    static std::optional<Term> parseTerm(std::string_view term, std::string& error);
    static bool test(const Term& term, Row& row);

    std::string text_;
    std::vector<Term> terms_;
};

}  // namespace daridez
