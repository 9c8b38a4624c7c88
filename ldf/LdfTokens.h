#pragma once

#include <string>
#include <string_view>

#include "ldf/LdfFile.h"
#include "ldf/LdfLexer.h"

namespace daridez {

// The tokens of an LDF as a recursive-descent parser takes them: one token of look-ahead,
// expectations that report what they found, recovery at ';' and '}', and the
// diagnostics counted into the file being read.
class LdfTokens {
  protected:
    LdfTokens(std::string_view text, LdfFile& out);

    void next();
    bool atEnd() const { return token_.kind == LdfToken::Kind::End; }
    bool accept(char punct);
    bool expect(char punct, std::string_view after);
    // A statement's ';'; one left out before '}' or a line break is a warning only.
    void endStatement();
    // Skips to behind the next ';' of this level, or to the '}' that closes it.
    void skipStatement();
    // Skips a balanced block; token_ is its '{'.
    void skipBlock();
    bool word(std::string& into, std::string_view what);
    bool number(LdfToken& into, std::string_view what);
    // "ms", "kbps", "bits", "%" behind a number; left out they are understood.
    void skipUnit(std::string_view unit);
    std::string describe(const LdfToken& token) const;

    void report(LdfDiagnostic::Severity severity, LdfPosition at, std::string message);
    void warn(LdfPosition at, std::string message);
    void fail(LdfPosition at, std::string message);

    LdfFile& out_;
    LdfLexer lexer_;
    LdfToken token_;
    LdfPosition tokenEnd_;     // just behind token_
    LdfPosition previousEnd_;  // just behind the token before it
};

}  // namespace daridez
