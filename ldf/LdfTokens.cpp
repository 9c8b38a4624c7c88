#include "ldf/LdfTokens.h"

#include <utility>

namespace daridez {

using Kind = LdfToken::Kind;

LdfTokens::LdfTokens(std::string_view text, LdfFile& out) : out_(out), lexer_(text) {
    next();
}

// ---- tokens ------------------------------------------------------------------------

void LdfTokens::next() {
    previousEnd_ = tokenEnd_;
    while (true) {
        token_ = lexer_.next();
        tokenEnd_ = lexer_.position();
        if (token_.kind == Kind::Bad) {
            fail(token_.at, "unexpected character '" + std::string(token_.text) + "'");
            continue;
        }
        if (token_.kind == Kind::OpenComment) {
            fail(token_.at, "comment without its closing */");
            continue;
        }
        if (token_.kind == Kind::OpenString) {
            fail(token_.at, "string without its closing quote");
            token_.kind = Kind::String;
        }
        return;
    }
}

bool LdfTokens::accept(char punct) {
    if (token_.is(punct)) {
        next();
        return true;
    }
    return false;
}

bool LdfTokens::expect(char punct, std::string_view after) {
    if (accept(punct)) {
        return true;
    }
    fail(token_.at, std::string("expected '") + punct + "' " + std::string(after) + ", found " +
                        describe(token_));
    return false;
}

// A statement ends at ';'. One left out before '}' or a new line costs a warning only.
void LdfTokens::endStatement() {
    if (accept(';')) {
        return;
    }
    if (token_.is('}') || token_.at.line > previousEnd_.line || atEnd()) {
        warn(previousEnd_, "missing ';'");
        return;
    }
    fail(token_.at, "expected ';', found " + describe(token_));
    skipStatement();
}

// Skips to behind the next ';' of this level, or to the '}' that closes it.
void LdfTokens::skipStatement() {
    int depth = 0;
    while (!atEnd()) {
        if (token_.is('{')) {
            ++depth;
        } else if (token_.is('}')) {
            if (depth == 0) {
                return;
            }
            if (--depth == 0) {
                next();
                return;  // a skipped block ends the statement
            }
        } else if (token_.is(';') && depth == 0) {
            next();
            return;
        }
        next();
    }
}

// Skips a balanced block; token_ is its '{'.
void LdfTokens::skipBlock() {
    int depth = 0;
    while (!atEnd()) {
        if (token_.is('{')) {
            ++depth;
        } else if (token_.is('}') && --depth <= 0) {
            next();
            return;
        }
        next();
    }
}

bool LdfTokens::word(std::string& into, std::string_view what) {
    if (token_.kind != Kind::Identifier) {
        fail(token_.at, "expected " + std::string(what) + ", found " + describe(token_));
        return false;
    }
    into = std::string(token_.text);
    next();
    return true;
}

bool LdfTokens::number(LdfToken& into, std::string_view what) {
    if (!token_.isNumber()) {
        fail(token_.at, "expected " + std::string(what) + ", found " + describe(token_));
        return false;
    }
    into = token_;
    next();
    return true;
}

// "ms", "kbps", "bits", "%" behind a number; left out they are understood.
void LdfTokens::skipUnit(std::string_view unit) {
    if (token_.isWord(unit) || (unit == "%" && token_.is('%'))) {
        next();
    }
}

std::string LdfTokens::describe(const LdfToken& token) const {
    if (token.kind == Kind::End) {
        return "the end of the file";
    }
    const char quote = token.kind == Kind::String ? '"' : '\'';
    std::string text(1, quote);
    text.append(token.text);
    text += quote;
    return text;
}

// ---- diagnostics -------------------------------------------------------------------

void LdfTokens::report(LdfDiagnostic::Severity severity, LdfPosition at, std::string message) {
    (severity == LdfDiagnostic::Severity::Error ? out_.errors : out_.warnings)++;
    const int kept = static_cast<int>(out_.diagnostics.size());
    if (kept < LdfFile::kMaxDiagnostics) {
        out_.diagnostics.push_back({severity, at, std::move(message)});
    } else if (kept == LdfFile::kMaxDiagnostics) {
        out_.diagnostics.push_back({LdfDiagnostic::Severity::Warning, at,
                                    "too many diagnostics; the rest are counted only"});
    }
}

void LdfTokens::warn(LdfPosition at, std::string message) {
    report(LdfDiagnostic::Severity::Warning, at, std::move(message));
}

void LdfTokens::fail(LdfPosition at, std::string message) {
    report(LdfDiagnostic::Severity::Error, at, std::move(message));
}

}  // namespace daridez
