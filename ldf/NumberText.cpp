#include "ldf/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace daridez {

char* NumberText::put(char* out, double value) {
    if (char* end = putFixed(out, value)) {
        return end;
    }
    return std::to_chars(out, out + kMaxSize, value == 0 ? 0.0 : value, std::chars_format::general,
                         6)  // never "-0"
        .ptr;
}

// A few dozen instructions where to_chars with a precision takes some hundreds.
char* NumberText::putFixed(char* out, double value) {
    // 10^(X + 1) and 10^(5 - X) for the decimal exponents X = -4 .. 5.
    static constexpr double kAbove[] = {1e-3, 1e-2, 1e-1, 1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
    static constexpr double kScale[] = {1e9, 1e8, 1e7, 1e6, 1e5, 1e4, 1e3, 1e2, 1e1, 1};
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-4 && magnitude < 1e6)) {
        return nullptr;
    }
    int exponent = -4;
    while (magnitude >= kAbove[exponent + 4]) {
        ++exponent;
    }
    // Exact but for one rounding of at most 2^-33 here: a fraction that far from a half
    // rounds as the exact value does.
    const double scaled = magnitude * kScale[exponent + 4];
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (scaled < 1e5 || std::fabs(fraction - 0.5) < 1e-6) {
        return nullptr;
    }
    auto number = static_cast<std::uint32_t>(whole) + (fraction > 0.5 ? 1 : 0);
    if (number >= 1000000) {
        return nullptr;  // rounded up to the next exponent
    }
    char digits[6];
    for (int i = 5; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + number % 10);
        number /= 10;
    }
    int end = 6;  // past the last digit kept: the zeros after the point are dropped
    while (end > 1 && digits[end - 1] == '0') {
        --end;
    }
    if (value < 0) {
        *out++ = '-';
    }
    if (exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, -exponent - 1, '0');
        return std::copy(digits, digits + end, out);
    }
    out = std::copy(digits, digits + exponent + 1, out);
    if (end > exponent + 1) {
        *out++ = '.';
        out = std::copy(digits + exponent + 1, digits + end, out);
    }
    return out;
}

}  // namespace daridez
