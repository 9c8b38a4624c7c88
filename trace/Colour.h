#pragma once

#include <cstdint>

namespace daridez {

// A colour in the 0x00BBGGRR layout (red in the lowest byte), as rows store it.
using Colour = std::uint32_t;

inline constexpr Colour kGreen = 0x00FF00;  // a row that received an identifier
inline constexpr Colour kRed = 0x0000FF;    // a device-error row

// A row's text colour as a word for exports and the command line: "green", "red", or
// "plain" for the window's text colour (or any other).
inline const char* ColourWord(Colour colour) {
    if (colour == kGreen) {
        return "green";
    }
    return colour == kRed ? "red" : "plain";
}

// The two system colours a new row starts with. The window supplies its palette's
// values; command-line tools use these defaults (black on white).
struct RowColours {
    Colour window = 0xFFFFFF;      // background of a new row
    Colour windowText = 0x000000;  // text of a new row
};

}  // namespace daridez
