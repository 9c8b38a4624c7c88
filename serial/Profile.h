#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace daridez {

// The program's profile, an INI document read once, edited in memory and written
// once: missing file, section or key give the default; a value reads as its leading
// integer; writing a key changes that line only and keeps every other line (comments,
// blank lines, other sections, unknown keys, line ends) byte for byte. save() replaces
// the file through SafeReplace, so a failed write never corrupts it.
class Profile {
  public:
    // Reads the file at path (see load()).
    explicit Profile(std::string path);
    // A profile of text alone, tied to no file: save() has nowhere to write.
    static Profile fromText(std::string_view text);

    // $XDG_CONFIG_HOME/daridez.ini, else ~/.config/daridez.ini (Windows: beside the
    // user's application data).
    static std::string defaultPath();

    const std::string& path() const { return path_; }

    // Reads the file again, dropping unsaved changes. A missing file, a pipe or a device
    // is an empty profile; false when the file exists but cannot be read, and then
    // nothing is written back over what could not be seen.
    bool load();
    void loadText(std::string_view text);
    // The document as save() would write it.
    std::string text() const;
    // Changed in memory since it was read or saved.
    bool changed() const { return changed_; }

    int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const;
    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const;
    bool hasSection(const std::string& section) const;

    // Change the document only; false when it could not be read.
    bool WriteProfileInt(const std::string& section, const std::string& key, int value);
    bool WriteProfileString(const std::string& section, const std::string& key,
                            const std::string& value);

    // Writes the whole document once when it changed (or when its file has gone
    // since), making the profile's folder when missing. False when the file could not
    // be replaced; it is then as it was.
    bool save();
    // Why the last save() failed, for the user ("write-protected", "No space left on
    // device"); empty after a save that worked.
    const std::string& saveError() const { return saveError_; }

  private:
    std::string path_;
    std::string saveError_;
    std::vector<std::string> lines_;  // each with its own line end; the last may lack one
    bool readable_ = true;
    bool changed_ = false;
};

}  // namespace daridez
