#include "trace/RowBudget.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string_view>

#include "trace/TracePlatform.h"

namespace daridez {

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\n") - first + 1);
}

// A whole decimal number and nothing else; anything more or less is garbage.
std::optional<std::uint64_t> parseNumber(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// "MemAvailable:   123 kB" in bytes.
std::optional<std::uint64_t> memAvailable(const std::string& path) {
    const auto text = readFile(path);
    constexpr std::string_view kKey = "MemAvailable:";
    const auto at = text ? text->find(kKey) : std::string::npos;
    if (at == std::string::npos) {
        return std::nullopt;
    }
    std::string_view line = std::string_view(*text).substr(at + kKey.size());
    line = trimmed(line.substr(0, line.find('\n')));
    if (line.size() < 3 || line.substr(line.size() - 3) != " kB") {
        return std::nullopt;
    }
    const auto kb = parseNumber(trimmed(line.substr(0, line.size() - 3)));
    if (!kb || *kb > kNoLimit / 1024) {
        return std::nullopt;
    }
    return *kb * 1024;
}

// One limit file: "max" is no limit, a number is one, anything else is ignored.
std::uint64_t limitFile(const std::string& path) {
    const auto text = readFile(path);
    if (!text || trimmed(*text) == "max") {
        return kNoLimit;
    }
    return parseNumber(trimmed(*text)).value_or(kNoLimit);
}

// The smallest limit of the group at path and of every group above it: a parent's limit
// binds its children too. v1 reports "no limit" as a huge number, which never wins.
std::uint64_t groupLimit(const std::string& root, std::string path, const char* file) {
    std::uint64_t limit = kNoLimit;
    while (true) {
        limit = std::min(limit, limitFile(root + path + (path.ends_with('/') ? "" : "/") + file));
        if (path.empty() || path == "/") {
            return limit;
        }
        path.erase(path.find_last_of('/'));
    }
}

bool listsController(std::string_view controllers, std::string_view name) {
    while (true) {
        const auto comma = controllers.find(',');
        if (controllers.substr(0, comma) == name) {
            return true;
        }
        if (comma == std::string_view::npos) {
            return false;
        }
        controllers.remove_prefix(comma + 1);
    }
}

// The memory limit of the process's control group: the cgroup v2 line "0::/path" and
// the v1 line of the memory controller, "N:memory:/path" (either or both may be there).
std::uint64_t cgroupLimit(const MemorySources& sources) {
    const auto text = readFile(sources.selfCgroup);
    if (!text) {
        return kNoLimit;
    }
    std::uint64_t limit = kNoLimit;
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(':');
        const auto second = colon == std::string::npos ? colon : line.find(':', colon + 1);
        if (second == std::string::npos || line[second + 1] != '/') {
            continue;
        }
        const std::string path = line.substr(second + 1);
        const std::string_view controllers(line.data() + colon + 1, second - colon - 1);
        if (line.starts_with("0::")) {
            limit = std::min(limit, groupLimit(sources.cgroupRoot, path, "memory.max"));
        } else if (listsController(controllers, "memory")) {
            limit = std::min(
                limit, groupLimit(sources.cgroupRoot + "/memory", path, "memory.limit_in_bytes"));
        }
    }
    return limit;
}

std::uint64_t addressSpaceLimit(const MemorySources& sources) {
    if (sources.addressSpaceLimit) {
        return *sources.addressSpaceLimit;
    }
    return ProcessAddressSpaceLimit();
}

}  // namespace

std::uint64_t AvailableMemory(const MemorySources& sources) {
    return std::min({memAvailable(sources.meminfo).value_or(kNoLimit), cgroupLimit(sources),
                     addressSpaceLimit(sources)});
}

std::uint64_t RowsForMemory(std::uint64_t memory) {
    if (memory == kNoLimit) {
        return kNoLimit;
    }
    // The rest of the program must fit beside the rows: code and libraries (counted by
    // RLIMIT_AS), the window with its widgets and the list view's other per-row data,
    // stdio and receive buffers, a save or export running over the rows, and the heap's
    // fragmentation. 25% covers what grows with the machine, 128 MB what does not; on a
    // machine so small that this would leave no rows, half goes to the rows all the same.
    const std::uint64_t reserve = std::max(memory / 4, std::min(128 * kMiB, memory / 2));
    return (memory - reserve) / kRowCost;
}

std::uint64_t ChooseRowBudget(std::uint64_t configuredRows, const MemorySources& sources) {
    return configuredRows != 0 ? configuredRows : RowsForMemory(AvailableMemory(sources));
}

}  // namespace daridez
