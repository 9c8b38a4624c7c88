#include "ldf/NumberText.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace daridez {

namespace {

// "000" to "999" as the first three bytes of a little-endian word, and how many zeros
// each ends with.
struct Triples {
    std::array<std::uint32_t, 1000> digits{};
    std::array<std::uint8_t, 1000> zeros{};

    constexpr Triples() {
        for (std::uint32_t i = 0; i < 1000; ++i) {
            digits[i] = ('0' + i / 100) | ('0' + i / 10 % 10) << 8 | ('0' + i % 10) << 16;
            zeros[i] = i == 0 ? 3 : i % 100 == 0 ? 2 : i % 10 == 0 ? 1 : 0;
        }
    }
};

constexpr Triples kTriples;
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// Stores the eight bytes of word at out, first the lowest.
void store(char* out, std::uint64_t word) {
    std::memcpy(out, &word, sizeof word);
}

}  // namespace

char* NumberText::put(char* out, double value) {
    if (char* end = putFixed(out, value)) {
        return end;
    }
    return std::to_chars(out, out + kMaxSize, value == 0 ? 0.0 : value, std::chars_format::general,
                         6)  // never "-0"
        .ptr;
}

char* NumberText::putDecimal(char* out, std::uint64_t value) {
    if (kLittleEndian && value < 1000) {
        const int skip = value >= 100 ? 0 : value >= 10 ? 1 : 2;
        store(out, kTriples.digits[value] >> (8 * skip));  // the room is there: kMaxSize
        return out + 3 - skip;
    }
    return std::to_chars(out, out + kMaxSize, value).ptr;
}

// A few dozen instructions and hardly a branch where to_chars with a precision takes
// some hundreds: the decimal exponent X by comparisons, the six digits as an integer of
// two triples held in a register (a word loaded from smaller stores would stall), the
// point put in and the zeros after it dropped by table.
char* NumberText::putFixed(char* out, double value) {
    const double magnitude = std::fabs(value);
    if (!kLittleEndian || !(magnitude >= 1e-4 && magnitude < 1e6)) {
        return nullptr;
    }
    // X = -4 .. 5, and 10^(5 - X).
    static constexpr double kScale[] = {1e9, 1e8, 1e7, 1e6, 1e5, 1e4, 1e3, 1e2, 1e1, 1};
    const int exponent = -4 + (magnitude >= 1e-3) + (magnitude >= 1e-2) + (magnitude >= 1e-1) +
                         (magnitude >= 1) + (magnitude >= 1e1) + (magnitude >= 1e2) +
                         (magnitude >= 1e3) + (magnitude >= 1e4) + (magnitude >= 1e5);
    // Exact but for one rounding of at most 2^-33 here: a fraction that far from a half
    // rounds as the exact value does.
    const double scaled = magnitude * kScale[exponent + 4];
    const auto whole = static_cast<std::uint32_t>(scaled);
    const double fraction = scaled - whole;
    if (scaled < 1e5 || std::fabs(fraction - 0.5) < 1e-6) {
        return nullptr;
    }
    const std::uint32_t number = whole + (fraction > 0.5);
    if (number >= 1000000) {
        return nullptr;  // rounded up to the next exponent
    }
    const std::uint32_t high = number / 1000;
    const std::uint32_t low = number % 1000;
    const std::uint64_t digits = kTriples.digits[high] | std::uint64_t{kTriples.digits[low]} << 24;
    const int end = 6 - (low == 0 ? 3 + kTriples.zeros[high] : kTriples.zeros[low]);
    *out = '-';
    out += value < 0;
    if (exponent < 0) {
        std::memcpy(out, "0.000000", 8);  // "0." and the zeros before the first digit
        out += 1 - exponent;
        store(out, digits);
        return out + end;
    }
    // The integer part, then the point and the decimals where there are any.
    store(out, digits);
    const int integers = exponent + 1;
    out += integers;
    if (end <= integers) {
        return out;
    }
    *out = '.';
    store(out + 1, digits >> (8 * integers));
    return out + 1 + end - integers;
}

}  // namespace daridez
