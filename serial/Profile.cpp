#include "serial/Profile.h"

#include "trace/LeadingInteger.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace daridez {

// Section and key names match without regard to case, as the Windows profile
// functions match them; a key that is written keeps the spelling it has in the file.
// Every line is kept as read (a trailing carriage return included), so a file edited
// on Windows keeps its line ends; lines this module adds follow the file's line end.

namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

struct LoadedFile {
    Lines lines;
    bool crlf = false;  // the file's lines end in CR LF
};

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
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
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

// Reads the file's lines. A missing file is an empty profile; a file that exists but
// cannot be read gives nothing, so that no write replaces what it could not see.
std::optional<LoadedFile> loadLines(const std::string& path) {
    LoadedFile file;
    std::error_code error;
    if (!fs::exists(path, error)) {
        if (error) {
            return std::nullopt;
        }
        return file;
    }
    if (!fs::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string line;
    while (std::getline(in, line)) {
        file.lines.push_back(line);
    }
    if (in.bad()) {
        return std::nullopt;
    }
    if (!file.lines.empty() && !file.lines.front().empty() && file.lines.front().back() == '\r') {
        file.crlf = true;
    }
    return file;
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

std::optional<std::string> findValue(const std::string& path, const std::string& section,
                                     const std::string& key) {
    std::optional<LoadedFile> file = loadLines(path);
    if (!file) {
        return std::nullopt;
    }
    std::optional<SectionRange> range = findSection(file->lines, section);
    if (!range) {
        return std::nullopt;
    }
    std::optional<std::size_t> line = findKey(file->lines, *range, key);
    if (!line) {
        return std::nullopt;
    }
    const std::string& text = file->lines[*line];
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
// value is kept, spacing around the '=' included), else as a new line after the last
// non-blank line of its section, else as a new section at the end of the file.
void setValue(LoadedFile& file, const std::string& section, const std::string& key,
              const std::string& value) {
    Lines& lines = file.lines;
    const std::string lineEnd = file.crlf ? "\r" : "";
    std::optional<SectionRange> range = findSection(lines, section);
    if (!range) {
        if (!lines.empty() && !trim(lines.back()).empty()) {
            lines.push_back(lineEnd);
        }
        lines.push_back("[" + section + "]" + lineEnd);
        lines.push_back(key + "=" + value + lineEnd);
        return;
    }
    if (std::optional<std::size_t> line = findKey(lines, *range, key)) {
        std::string& text = lines[*line];
        bool hadCr = !text.empty() && text.back() == '\r';
        std::size_t valueStart = text.find('=') + 1;
        while (valueStart < text.size() && (text[valueStart] == ' ' || text[valueStart] == '\t')) {
            ++valueStart;
        }
        text = text.substr(0, valueStart) + value + (hadCr ? "\r" : "");
        return;
    }
    std::size_t insertAt = range->end;
    while (insertAt > range->header + 1 && trim(lines[insertAt - 1]).empty()) {
        --insertAt;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                 key + "=" + value + lineEnd);
}

std::string joinLines(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

#if !defined(_WIN32)
// Writes text to a new temporary file beside path, flushes it to disk and renames it
// over path: readers see the old file or the new one, never a part of either.
bool replaceFile(const std::string& path, const std::string& text) {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return false;
    }
    struct stat old {};
    mode_t mode = 0644;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    }
    bool ok = ::fchmod(fd, mode) == 0;
    std::size_t written = 0;
    while (ok && written < text.size()) {
        ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) {
            ok = false;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(name.data(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(name.data());
    }
    return ok;
}
#else
bool replaceFile(const std::string& path, const std::string& text) {
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}
#endif

// A profile that is a symbolic link is written through to its target, so that the
// link stays in place.
std::string resolvedPath(const std::string& path) {
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        fs::path target = fs::read_symlink(path, error);
        if (!error) {
            return (target.is_absolute() ? target : fs::path(path).parent_path() / target).string();
        }
    }
    return path;
}

}  // namespace

Profile::Profile(std::string path) : path_(std::move(path)) {}

std::string Profile::defaultPath() {
#if defined(_WIN32)
    const char* appData = std::getenv("APPDATA");
    std::string folder = appData != nullptr && *appData != '\0' ? appData : ".";
    return folder + "\\daridez.ini";
#else
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        return std::string(configHome) + "/daridez.ini";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return std::string(home) + "/.config/daridez.ini";
    }
    return "daridez.ini";
#endif
}

int Profile::GetProfileInt(const std::string& section, const std::string& key,
                           int defaultValue) const {
    std::optional<std::string> value = findValue(path_, section, key);
    return value ? static_cast<int>(LeadingInteger(*value)) : defaultValue;
}

bool Profile::WriteProfileInt(const std::string& section, const std::string& key, int value) {
    return WriteProfileString(section, key, std::to_string(value));
}

std::string Profile::GetProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) const {
    std::optional<std::string> value = findValue(path_, section, key);
    return value ? stripQuotes(*value) : defaultValue;
}

bool Profile::WriteProfileString(const std::string& section, const std::string& key,
                                 const std::string& value) {
    std::string target = resolvedPath(path_);
    std::error_code error;
    fs::path folder = fs::path(target).parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder, error);
        if (error) {
            return false;
        }
    }
    std::optional<LoadedFile> file = loadLines(target);
    if (!file) {
        return false;
    }
    setValue(*file, section, key, value);
    return replaceFile(target, joinLines(file->lines));
}

bool Profile::hasSection(const std::string& section) const {
    std::optional<LoadedFile> file = loadLines(path_);
    return file && findSection(file->lines, section).has_value();
}

}  // namespace daridez
