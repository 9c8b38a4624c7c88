#include "files/FilePattern.h"

#include "files/FilesPlatform.h"

namespace daridez {

std::string ExtractPattern(std::string_view text) {
    const auto open = text.find('(');
    const auto close = text.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close <= open + 1) {
        return {};
    }
    return std::string(text.substr(open + 1, close - open - 1));
}

std::string BuildFileFilter(std::string_view descriptions) {
    if (descriptions.find('(') == std::string_view::npos) {
        return "All Files (*.*)|*.*||";
    }
    std::string filter;
    std::size_t start = 0;
    while (true) {
        const auto bar = descriptions.find('|', start);
        const auto description = descriptions.substr(start, bar - start);
        filter.append(description).append("|").append(ExtractPattern(description)).append("|");
        if (bar == std::string_view::npos) {
            break;
        }
        start = bar + 1;
    }
    return filter + "|";
}

std::vector<std::pair<std::string, std::string>> SplitFileFilter(std::string_view filter) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t start = 0;
    while (start < filter.size()) {
        const auto bar1 = filter.find('|', start);
        if (bar1 == std::string_view::npos || bar1 == start) {
            break;  // the closing "|" (an empty description) ends the list
        }
        const auto bar2 = filter.find('|', bar1 + 1);
        const auto end = bar2 == std::string_view::npos ? filter.size() : bar2;
        pairs.emplace_back(std::string(filter.substr(start, bar1 - start)),
                           std::string(filter.substr(bar1 + 1, end - bar1 - 1)));
        start = end + 1;
    }
    return pairs;
}

std::string DefaultSuffix(std::string_view pattern) {
    if (pattern.size() < 3 || pattern.substr(0, 2) != "*.") {
        return {};
    }
    const auto suffix = pattern.substr(2);
    if (suffix.find_first_of("*?;.") != std::string_view::npos) {
        return {};
    }
    return std::string(suffix);
}

std::string PlatformPattern(std::string_view pattern) {
    if (TakesWindowsPatterns()) {
        return std::string(pattern);
    }
    std::string result;
    std::size_t start = 0;
    while (true) {
        const auto semicolon = pattern.find(';', start);
        const auto part = pattern.substr(start, semicolon - start);
        result.append(part == "*.*" ? "*" : part);
        if (semicolon == std::string_view::npos) {
            return result;
        }
        result.append(";");
        start = semicolon + 1;
    }
}

}  // namespace daridez
