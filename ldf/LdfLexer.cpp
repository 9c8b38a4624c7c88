#include "ldf/LdfLexer.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace daridez {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isWordStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isWordChar(char c) {
    return isWordStart(c) || isDigit(c);
}

bool isPunct(char c) {
    return c == ':' || c == ';' || c == ',' || c == '{' || c == '}' || c == '=' || c == '%';
}

// A UTF-8 continuation byte takes no column of its own.
bool startsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

}  // namespace

double LdfToken::number() const {
    if (kind == Kind::Integer) {
        return static_cast<double>(integer());
    }
    if (kind != Kind::Real) {
        return 0;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        return text[0] == '-' ? -std::numeric_limits<double>::max()
                              : std::numeric_limits<double>::max();
    }
    return std::isfinite(value) ? value : 0;
}

std::int64_t LdfToken::integer() const {
    if (kind != Kind::Integer) {
        return 0;
    }
    std::string_view digits = text;
    const bool negative = digits[0] == '-';
    if (negative) {
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    std::uint64_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (error == std::errc::result_out_of_range || value > kMax) {
        value = kMax;
    }
    return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
}

void LdfLexer::advance() {
    if (text_[at_] == '\n') {
        ++line_;
        column_ = 1;
    } else if (startsCharacter(text_[at_])) {
        ++column_;
    }
    ++at_;
}

bool LdfLexer::skipBlankAndComments() {
    while (at_ < text_.size()) {
        const char c = text_[at_];
        const std::string_view rest = text_.substr(at_);
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
            advance();
        } else if (rest.starts_with("//")) {
            while (at_ < text_.size() && text_[at_] != '\n') {
                advance();
            }
        } else if (rest.starts_with("/*")) {
            openComment_ = {line_, column_};
            openCommentAt_ = at_;
            advance();
            advance();
            while (at_ < text_.size() && !text_.substr(at_).starts_with("*/")) {
                advance();
            }
            if (at_ == text_.size()) {
                return false;
            }
            advance();
            advance();
        } else {
            return true;
        }
    }
    return true;
}

LdfToken LdfLexer::next() {
    if (!skipBlankAndComments()) {
        LdfToken open;
        open.kind = LdfToken::Kind::OpenComment;
        open.text = text_.substr(openCommentAt_, 2);
        open.at = openComment_;
        return open;
    }
    LdfToken token;
    token.at = {line_, column_};
    if (at_ == text_.size()) {
        token.text = text_.substr(at_, 0);
        return token;
    }
    const char c = text_[at_];
    const char after = at_ + 1 < text_.size() ? text_[at_ + 1] : '\0';
    const std::size_t start = at_;
    if (isDigit(c) || (c == '-' && isDigit(after)) || (c == '.' && isDigit(after))) {
        return number(token);
    }
    if (c == '"') {
        return string(token);
    }
    if (isWordStart(c)) {
        while (at_ < text_.size() && isWordChar(text_[at_])) {
            advance();
        }
        token.kind = LdfToken::Kind::Identifier;
    } else {
        // One character, whole (a UTF-8 sequence is one bad character).
        advance();
        while (at_ < text_.size() && !startsCharacter(text_[at_])) {
            advance();
        }
        token.kind = isPunct(c) ? LdfToken::Kind::Punct : LdfToken::Kind::Bad;
    }
    token.text = text_.substr(start, at_ - start);
    return token;
}

LdfToken LdfLexer::number(LdfToken token) {
    const std::size_t start = at_;
    const auto peek = [this](std::size_t ahead) {
        return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0';
    };
    if (peek(0) == '-') {
        advance();
    }
    token.kind = LdfToken::Kind::Integer;
    if (peek(0) == '0' && (peek(1) == 'x' || peek(1) == 'X') && isHexDigit(peek(2))) {
        advance();
        advance();
        while (isHexDigit(peek(0))) {
            advance();
        }
    } else {
        while (isDigit(peek(0))) {
            advance();
        }
        if (peek(0) == '.' && isDigit(peek(1))) {
            token.kind = LdfToken::Kind::Real;
            advance();
            while (isDigit(peek(0))) {
                advance();
            }
        } else if (peek(0) == '.') {
            token.kind = LdfToken::Kind::Real;  // "5." is a real too
            advance();
        }
        const bool sign = peek(1) == '+' || peek(1) == '-';
        if ((peek(0) == 'e' || peek(0) == 'E') && isDigit(peek(sign ? 2 : 1))) {
            token.kind = LdfToken::Kind::Real;
            advance();
            if (sign) {
                advance();
            }
            while (isDigit(peek(0))) {
                advance();
            }
        }
    }
    token.text = text_.substr(start, at_ - start);
    return token;
}

LdfToken LdfLexer::string(LdfToken token) {
    advance();
    const std::size_t start = at_;
    while (at_ < text_.size() && text_[at_] != '"' && text_[at_] != '\n') {
        advance();
    }
    token.text = text_.substr(start, at_ - start);
    if (at_ < text_.size() && text_[at_] == '"') {
        advance();
        token.kind = LdfToken::Kind::String;
    } else {
        token.kind = LdfToken::Kind::OpenString;
    }
    return token;
}

}  // namespace daridez
