#include "serial/PortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string_view>
#include <utility>

namespace daridez {

namespace fs = std::filesystem;

namespace {

std::string canonicalOf(const fs::path& path) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    return error ? std::string() : target.string();
}

// Canonical device path -> link. A missing folder has no links; a dangling link is skipped.
std::map<std::string, std::string> byIdLinks(const std::string& folder) {
    std::map<std::string, std::string> links;
    std::error_code error;
    std::vector<fs::path> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        names.push_back(entry.path());
    }
    std::sort(names.begin(), names.end());  // the first name wins, whatever the folder order
    for (const fs::path& link : names) {
        const std::string target = canonicalOf(link);
        if (!target.empty()) {
            links.emplace(target, link.string());
        }
    }
    return links;
}

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The number whose digits start at pos, without leading zeros, and where its digits end.
std::pair<std::string_view, std::size_t> numberAt(std::string_view text, std::size_t pos) {
    std::size_t end = pos;
    while (end < text.size() && isDigit(text[end])) {
        ++end;
    }
    while (pos + 1 < end && text[pos] == '0') {
        ++pos;
    }
    return {text.substr(pos, end - pos), end};
}

// Compares numbers by their value, everything else by character.
bool naturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const auto [numberA, endA] = numberAt(a, i);
            const auto [numberB, endB] = numberAt(b, j);
            if (numberA != numberB) {  // the shorter number is the smaller
                return numberA.size() != numberB.size() ? numberA.size() < numberB.size()
                                                        : numberA < numberB;
            }
            i = endA;
            j = endB;
        } else if (a[i] != b[j]) {
            return a[i] < b[j];
        } else {
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

}  // namespace

std::vector<PortList::Entry> PortList::complete(std::vector<Entry> devices,
                                                const std::string& byIdFolder) {
    const std::map<std::string, std::string> links = byIdLinks(byIdFolder);
    for (Entry& device : devices) {
        const auto link = links.find(canonicalOf(device.path));
        device.byIdPath = link != links.end() ? link->second : std::string();
    }
    std::stable_sort(devices.begin(), devices.end(),
                     [](const Entry& a, const Entry& b) { return naturalLess(a.path, b.path); });
    return devices;
}

}  // namespace daridez
