#include "serial/Profile.h"

#include "trace/LeadingInteger.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "files/FilesPlatform.h"
#include "files/SafeReplace.h"
#include "serial/SerialPlatform.h"

#include "trace/AsciiCase.h"
namespace daridez {

// Section and key names match without regard to case, as the Windows profile
// functions match them; a key that is written keeps the spelling it has in the file.
// Every line is kept as read, its line end included, so a file edited on Windows keeps
// its line ends; lines this module adds follow the line end of the file's first line.

namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

std::string trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

bool sameName(std::string_view a, std::string_view b) {
    return EqualIgnoringAsciiCase(a, b);
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string> sectionName(const std::string& line) {
    std::string text = trim(line);
    if (text.size() < 2 || text.front() != '[') {
        return std::nullopt;
    }
    std::size_t close = text.find(']');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    return trim(std::string_view(text).substr(1, close - 1));
}

bool isComment(const std::string& line) {
    std::string text = trim(line);
    return !text.empty() && (text.front() == ';' || text.front() == '#');
}

// The key of a "key=value" line, or nothing for any other line.
std::optional<std::string> keyName(const std::string& line) {
    if (isComment(line)) {
        return std::nullopt;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return std::nullopt;
    }
    return trim(std::string_view(line).substr(0, equals));
}

// The text cut into lines, each keeping its "\n"; a last line without one stays so.
Lines splitLines(std::string_view text) {
    Lines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        lines.emplace_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

bool endsLine(const std::string& line) {
    return !line.empty() && line.back() == '\n';
}

std::string lineEndOf(const Lines& lines) {
    const bool crlf = !lines.empty() && lines.front().size() >= 2 &&
                      lines.front().compare(lines.front().size() - 2, 2, "\r\n") == 0;
    return crlf ? "\r\n" : "\n";
}

// A line is added after the last one: that one must end first.
void endLastLine(Lines& lines, const std::string& lineEnd) {
    if (!lines.empty() && !endsLine(lines.back())) {
        lines.back() += lines.back().ends_with('\r') ? std::string("\n") : lineEnd;
    }
}

struct SectionRange {
    std::size_t header;  // index of the "[name]" line
    std::size_t end;     // index of the next section's header, or the line count
};

std::optional<SectionRange> findSection(const Lines& lines, const std::string& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string> name = sectionName(lines[i]);
        if (name && sameName(*name, section)) {
            std::size_t end = i + 1;
            while (end < lines.size() && !sectionName(lines[end])) {
                ++end;
            }
            return SectionRange{i, end};
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const Lines& lines, const SectionRange& range,
                                   const std::string& key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        std::optional<std::string> name = keyName(lines[i]);
        if (name && sameName(*name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> findValue(const Lines& lines, const std::string& section,
                                     const std::string& key) {
    std::optional<SectionRange> range = findSection(lines, section);
    if (!range) {
        return std::nullopt;
    }
    std::optional<std::size_t> line = findKey(lines, *range, key);
    if (!line) {
        return std::nullopt;
    }
    const std::string& text = lines[*line];
    return trim(std::string_view(text).substr(text.find('=') + 1));
}

std::string stripQuotes(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Sets key=value in the lines: in place when the key exists (the text up to the old
// value is kept, spacing around the '=' included, and the line's own end), else as a
// new line after the last non-blank line of its section, else as a new section at the
// end of the file. True when a line changed.
bool setValue(Lines& lines, const std::string& section, const std::string& key,
              const std::string& value) {
    const std::string lineEnd = lineEndOf(lines);
    std::optional<SectionRange> range = findSection(lines, section);
    if (!range) {
        endLastLine(lines, lineEnd);
        if (!lines.empty() && !trim(lines.back()).empty()) {
            lines.push_back(lineEnd);
        }
        lines.push_back("[" + section + "]" + lineEnd);
        lines.push_back(key + "=" + value + lineEnd);
        return true;
    }
    if (std::optional<std::size_t> line = findKey(lines, *range, key)) {
        std::string& text = lines[*line];
        std::size_t endAt = text.size();
        while (endAt > 0 && (text[endAt - 1] == '\n' || text[endAt - 1] == '\r')) {
            --endAt;
        }
        std::size_t valueStart = text.find('=') + 1;
        while (valueStart < endAt && (text[valueStart] == ' ' || text[valueStart] == '\t')) {
            ++valueStart;
        }
        std::string changed = text.substr(0, valueStart) + value + text.substr(endAt);
        if (changed == text) {
            return false;
        }
        text = std::move(changed);
        return true;
    }
    std::size_t insertAt = range->end;
    while (insertAt > range->header + 1 && trim(lines[insertAt - 1]).empty()) {
        --insertAt;
    }
    if (insertAt == lines.size()) {
        endLastLine(lines, lineEnd);
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                 key + "=" + value + lineEnd);
    return true;
}

}  // namespace

Profile::Profile(std::string path) : path_(std::move(path)) {
    load();
}

Profile Profile::fromText(std::string_view text) {
    Profile profile{std::string()};
    profile.loadText(text);
    return profile;
}

std::string Profile::defaultPath() {
    return DefaultProfilePath();
}

bool Profile::load() {
    lines_.clear();
    changed_ = false;
    std::error_code error;
    const fs::file_status status = fs::status(path_, error);
    if (status.type() == fs::file_type::not_found) {
        readable_ = true;  // no profile yet
        return true;
    }
    readable_ = false;
    if (error || fs::is_directory(status)) {
        return false;
    }
    if (!fs::is_regular_file(status)) {
        readable_ = true;  // a pipe or a device: read, it would wait or never end
        return true;
    }
    std::ifstream in(path_, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.is_open() || in.bad()) {
        return false;
    }
    lines_ = splitLines(text);
    readable_ = true;
    return true;
}

void Profile::loadText(std::string_view text) {
    lines_ = splitLines(text);
    readable_ = true;
    changed_ = false;
}

std::string Profile::text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
    }
    return text;
}

// An empty value is no value: it reads as the default, as a missing key does.
int Profile::GetProfileInt(const std::string& section, const std::string& key,
                           int defaultValue) const {
    std::optional<std::string> value = findValue(lines_, section, key);
    return value && !value->empty() ? static_cast<int>(LeadingInteger(*value)) : defaultValue;
}

bool Profile::WriteProfileInt(const std::string& section, const std::string& key, int value) {
    return WriteProfileString(section, key, std::to_string(value));
}

std::string Profile::GetProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) const {
    std::optional<std::string> value = findValue(lines_, section, key);
    return value ? stripQuotes(*value) : defaultValue;
}

bool Profile::WriteProfileString(const std::string& section, const std::string& key,
                                 const std::string& value) {
    if (!readable_) {
        return false;
    }
    if (setValue(lines_, section, key, value)) {
        changed_ = true;
    }
    return true;
}

bool Profile::hasSection(const std::string& section) const {
    return findSection(lines_, section).has_value();
}

bool Profile::save() {
    saveError_.clear();
    if (!readable_ || path_.empty()) {
        saveError_ = path_.empty() ? "no file" : "the file could not be read";
        return false;
    }
    const std::string target = FollowLinks(path_);
    std::error_code error;
    if (!changed_ && (lines_.empty() || fs::exists(fs::symlink_status(target, error)))) {
        return true;  // the file already holds the document
    }
    const fs::path folder = fs::path(target).parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder, error);
        if (error) {
            saveError_ = error.message();
            return false;
        }
    }
    const std::string bytes = text();
    SafeReplace out(path_);
    if (!out.open() || !out.write(bytes.data(), bytes.size()) || !out.commit()) {
        saveError_ = out.error();
        return false;
    }
    changed_ = false;
    return true;
}

}  // namespace daridez
