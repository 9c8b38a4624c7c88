#pragma once

#include <cstdint>
#include <string_view>

#include "ldf/LdfDiagnostic.h"

namespace daridez {

// One token of an LDF with the place it starts.
struct LdfToken {
    enum class Kind : std::uint8_t {
        End,          // the end of the text
        Identifier,   // letters, digits and underscores, not starting with a digit
        Integer,      // decimal or 0x hex, optionally negative
        Real,         // digits with a point or an exponent
        String,       // between double quotes (text() without them)
        Punct,        // one of : ; , { } = %
        Bad,          // a character no token starts with
        OpenString,   // a string without its closing quote on its line (text() without it)
        OpenComment,  // a /* comment the text ends inside (text() is its "/*")
    };

    Kind kind = Kind::End;
    std::string_view text;
    LdfPosition at;

    bool is(char punct) const { return kind == Kind::Punct && text[0] == punct; }
    bool isWord(std::string_view word) const { return kind == Kind::Identifier && text == word; }
    bool isNumber() const { return kind == Kind::Integer || kind == Kind::Real; }
    // The number an Integer or Real token spells (0 for other tokens, saturating).
    double number() const;
    // The value of an Integer token (saturating at the 64-bit limits; 0 for others).
    std::int64_t integer() const;
};

// Splits LDF text into tokens: comments (// and /* */) and whitespace between them are
// skipped, "10ms" is a number and a word; a /* comment never closed is an OpenComment
// token where it starts, then the end. Never reads past the text, whatever it holds.
class LdfLexer {
  public:
    explicit LdfLexer(std::string_view text) : text_(text) {}

    LdfToken next();
    // Where the lexer stands: just behind the last token it returned.
    LdfPosition position() const { return {line_, column_}; }

  private:
    // Skips blanks and comments; false when a /* comment runs to the end, openComment_
    // then being where it started.
    bool skipBlankAndComments();
    void advance();
    LdfToken number(LdfToken token);
    LdfToken string(LdfToken token);

    std::string_view text_;
    std::size_t at_ = 0;
    int line_ = 1;
    int column_ = 1;
    LdfPosition openComment_;
    std::size_t openCommentAt_ = 0;
};

}  // namespace daridez
