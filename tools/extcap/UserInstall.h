#pragma once

#include <string>

namespace daridez {

// The personal installation: a link to this program in the extcap folder Wireshark
// reads for the user alone ($XDG_CONFIG_HOME/wireshark/extcap, else
// ~/.config/wireshark/extcap), so that no root rights are needed.
class UserInstall {
  public:
    static constexpr const char* kLinkName = "daridez-extcap";

    // The folder for this environment; empty when neither variable is set.
    static std::string folder(const char* xdgConfigHome, const char* home);

    // Makes (or renews) the link to program, making the folder when missing. A file
    // there that is not a link is left alone. message says what was done, or why not.
    static bool install(const std::string& folder, const std::string& program,
                        std::string& message);
    // Removes the link; anything else of that name is left alone.
    static bool uninstall(const std::string& folder, std::string& message);
};

}  // namespace daridez
