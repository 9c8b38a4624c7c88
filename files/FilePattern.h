#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace daridez {

// The text strictly between the first "(" and the first ")": "LIN traces (*.dump)"
// gives "*.dump". Empty when either is missing, when ")" comes first, or when nothing
// lies between them.
std::string ExtractPattern(std::string_view text);

// The file chooser's filter from "|"-separated descriptions: each description, "|",
// its pattern, "|", and one closing "|". Descriptions without any "(" give
// "All Files (*.*)|*.*||".
std::string BuildFileFilter(std::string_view descriptions);

// The (description, pattern) pairs of a filter built by BuildFileFilter, in order.
std::vector<std::pair<std::string, std::string>> SplitFileFilter(std::string_view filter);

// The suffix a file name typed without one is completed with: "*.dump" gives "dump";
// empty for a pattern without a plain suffix ("*.*", "").
std::string DefaultSuffix(std::string_view pattern);

// The pattern the file chooser filters with on this system: Windows matches "*.*"
// against every name; elsewhere it misses names without a dot, so each "*.*" of a
// ";"-separated list becomes "*" there.
std::string PlatformPattern(std::string_view pattern);

}  // namespace daridez
