#pragma once

#include <string>

namespace daridez {

// The program's profile, an INI file read and written line by line as the Windows
// profile functions do: missing file, section or key give the default; a value reads
// as its leading integer; writing a key changes that line only and keeps every other
// line (comments, blank lines, other sections, unknown keys) as it was. Writes go to
// a temporary file beside the profile, renamed over it, so a failed write never
// corrupts the file.
class Profile {
  public:
    explicit Profile(std::string path);

    // $XDG_CONFIG_HOME/daridez.ini, else ~/.config/daridez.ini (Windows: beside the
    // user's application data).
    static std::string defaultPath();

    const std::string& path() const { return path_; }

    int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const;
    bool WriteProfileInt(const std::string& section, const std::string& key, int value);

    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const;
    bool WriteProfileString(const std::string& section, const std::string& key,
                            const std::string& value);
    bool hasSection(const std::string& section) const;

  private:
    std::string path_;
};

}  // namespace daridez
