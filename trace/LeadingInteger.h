#pragma once

#include <cstdint>
#include <string_view>

namespace daridez {

// The leading integer of a text, as the C library's atoi reads it but without its
// undefined overflow: white space, one optional sign, decimal digits up to the first
// other character; no digits read as 0. The value wraps modulo 2^32, so an endless
// string of digits cannot overflow. Used for the LIN-baud-rate box and profile values.
std::uint32_t LeadingInteger(std::string_view text);

}  // namespace daridez
