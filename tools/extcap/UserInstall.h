#pragma once

#include <string>

namespace daridez {

// The personal installation: this program in the extcap folder Wireshark reads for the
// user alone, so that no administrator's rights are needed. A link
// ($XDG_CONFIG_HOME/wireshark/extcap, else ~/.config/wireshark/extcap) where links are
// the user's to make; on Windows, where they are not, a copy (%APPDATA%\Wireshark\extcap).
class UserInstall {
  public:
    enum class Way { Link, Copy };

    static constexpr const char* kLinkName = "daridez-extcap";
    static constexpr const char* kCopyName = "daridez-extcap.exe";

    // The folder for this environment; empty when neither variable is set.
    static std::string folder(const char* xdgConfigHome, const char* home);
    // The folder on Windows, below the roaming application data; empty when unset.
    static std::string appDataFolder(const char* appData);

    // Makes (or renews) the link to program, or the copy of it, making the folder when
    // missing. Anything else of that name is left alone: a file that is not a link, or
    // for a copy, a folder. message says what was done, or why not.
    static bool install(const std::string& folder, const std::string& program, std::string& message,
                        Way way = Way::Link);
    // Removes the link or the copy; anything else of that name is left alone.
    static bool uninstall(const std::string& folder, std::string& message, Way way = Way::Link);
};

}  // namespace daridez
