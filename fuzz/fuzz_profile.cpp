// libFuzzer target over the profile: any bytes as the file, then one key set and the
// document written out to memory.
//
// All the input is the file; its last byte and its length choose the key (one the file
// holds, or a fixed one) and its value. An untouched document must come out byte for byte; after
// the write, every line but the key's own must keep its bytes, the new lines may only
// be the key's line (and its section's header and a blank line before it, at the end),
// and the key must read back as written.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "fuzz/FuzzRows.h"
#include "serial/Profile.h"

using namespace daridez;

namespace {

using fuzz::check;
using Lines = std::vector<std::string>;

Lines linesOf(std::string_view text) {
    Lines lines;
    while (!text.empty()) {
        const std::size_t length = std::min(text.find('\n'), text.size() - 1) + 1;
        lines.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

std::string trim(std::string_view text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

bool isSection(const std::string& line) {
    const std::string text = trim(line);
    return text.size() >= 2 && text.front() == '[' && text.find(']') != std::string::npos;
}

// A line's key; a section, a comment or a line without "=" has none.
std::string keyOf(const std::string& line) {
    const std::string text = trim(line);
    const std::size_t equals = line.find('=');
    return isSection(line) || text.starts_with(';') || text.starts_with('#') ||
                   equals == std::string::npos
               ? std::string("\n")  // no key can be named so
               : trim(std::string_view(line).substr(0, equals));
}

// The keys the file holds, with their sections, as a reader of INI files sees them.
std::vector<std::pair<std::string, std::string>> keysOf(const Lines& lines) {
    std::vector<std::pair<std::string, std::string>> keys;
    std::optional<std::string> section;
    for (const std::string& line : lines) {
        const std::string text = trim(line);
        if (isSection(line))
            section = trim(std::string_view(text).substr(1, text.find(']') - 1));
        else if (section && keyOf(line) != "\n")
            keys.emplace_back(*section, keyOf(line));
    }
    return keys;
}

std::string lineEndOf(const std::string& line) {
    return line.ends_with("\r\n") ? "\r\n" : line.ends_with('\n') ? "\n" : "";
}

// Compares before and after line by line: what lies between their common head and
// tail is all the write may have changed.
void checkOnlyTheKeyChanged(const Lines& before, const Lines& after, const std::string& section,
                            const std::string& key, const std::string& value) {
    const std::size_t head = std::ranges::mismatch(before, after).in1 - before.begin();
    const std::size_t tail =
        std::mismatch(before.rbegin(), before.rend() - head, after.rbegin(), after.rend() - head)
            .first -
        before.rbegin();
    const Lines was(before.begin() + head, before.end() - tail),
        is(after.begin() + head, after.end() - tail);
    check(was.size() <= 1 && !is.empty() && is.size() <= 4);
    if (was.size() == 1 && is.size() == 1) {
        // The key's own line: its text up to the value and its line end are kept.
        check(sameName(keyOf(was[0]), key));
        const std::string kept = was[0].substr(0, was[0].find('=') + 1);
        check(is[0].starts_with(kept) && lineEndOf(is[0]) == lineEndOf(was[0]));
        check(trim(std::string_view(is[0]).substr(kept.size())) == value);
        return;
    }
    std::size_t next = 0;
    if (was.size() == 1) {
        // Only the file's last line may lack its end; it gets one, nothing else.
        check(head + 1 == before.size() && lineEndOf(was[0]).empty());
        check(is[0].starts_with(was[0]) && is[0].size() - was[0].size() <= 2);
        check(trim(std::string_view(is[0]).substr(was[0].size())).empty());
        next = 1;
    }
    check(is.back().starts_with(key + "=" + value) && !lineEndOf(is.back()).empty());
    for (std::size_t i = next; i + 1 < is.size(); ++i)
        check(trim(is[i]).empty() || trim(is[i]) == "[" + section + "]");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t choice = size == 0 ? 0 : static_cast<std::uint8_t>(data[size - 1] + size);
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    Profile profile = Profile::fromText(input);
    check(profile.text() == input && !profile.changed());
    const Lines before = linesOf(input);

    std::string section = "SIO_CFG", key = (choice & 1) ? "BaudRate" : "New";
    const auto keys = keysOf(before);
    if ((choice & 2) && !keys.empty())
        std::tie(section, key) = keys[(choice >> 2) % keys.size()];
    const std::string value = (choice & 0x80) ? std::string() : std::to_string(choice * 7919);
    const int readBefore = profile.GetProfileInt(section, key, -1);
    check(profile.WriteProfileString(section, key, value) && profile.hasSection(section) &&
          profile.GetProfileString(section, key, "\n") == value &&
          profile.GetProfileInt(section, key, -1) == (value.empty() ? -1 : choice * 7919));

    const std::string written = profile.text();
    check(profile.changed() == (written != input));
    if (written != input)
        checkOnlyTheKeyChanged(before, linesOf(written), section, key, value);
    else
        check(readBefore == profile.GetProfileInt(section, key, -1));

    // Read back, the same write changes nothing.
    Profile again = Profile::fromText(written);
    check(again.WriteProfileString(section, key, value) && !again.changed() &&
          again.text() == written);
    return 0;
}
