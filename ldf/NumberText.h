#pragma once

#include <cstddef>
#include <cstdint>

namespace daridez {

// A signal's number as text, as printf's "%.6g" writes it (6 significant digits, the
// shortest form: 353, 0.5, -40, 1e-05; "0" for -0), without the locale or the format
// parsing: a million frames of eight signals make this one of the hottest paths of
// daridez-dump --signals.
class NumberText {
  public:
    static constexpr std::size_t kMaxSize = 32;

    // Writes value's text at out (room for kMaxSize chars, no NUL); returns the end.
    static char* put(char* out, double value);
    // Writes value in decimal at out (room for kMaxSize chars); returns the end.
    static char* putDecimal(char* out, std::uint64_t value);

  private:
    // The fixed form (10^-4 <= |value| < 10^6) from the six digits rounded as an
    // integer; nullptr where it does not apply or the rounding is too close to call.
    static char* putFixed(char* out, double value);
};

}  // namespace daridez
