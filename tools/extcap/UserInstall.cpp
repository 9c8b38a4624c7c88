#include "tools/extcap/UserInstall.h"

#include <filesystem>

namespace daridez {

namespace fs = std::filesystem;

std::string UserInstall::folder(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome != nullptr && *xdgConfigHome == '/') {
        return (fs::path(xdgConfigHome) / "wireshark" / "extcap").string();
    }
    if (home != nullptr && *home != '\0') {
        return (fs::path(home) / ".config" / "wireshark" / "extcap").string();
    }
    return {};
}

bool UserInstall::install(const std::string& folder, const std::string& program,
                          std::string& message) {
    const fs::path link = fs::path(folder) / kLinkName;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        message = folder + ": " + error.message();
        return false;
    }
    const fs::file_status status = fs::symlink_status(link, error);
    if (fs::exists(status) && !fs::is_symlink(status)) {
        message = link.string() + ": exists and is not a link; left as it is";
        return false;
    }
    fs::remove(link, error);
    fs::create_symlink(program, link, error);
    if (error) {
        message = link.string() + ": " + error.message();
        return false;
    }
    message = link.string() + " -> " + program;
    return true;
}

bool UserInstall::uninstall(const std::string& folder, std::string& message) {
    const fs::path link = fs::path(folder) / kLinkName;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(link, error);
    if (!fs::exists(status)) {
        message = link.string() + ": no such link";
        return true;
    }
    if (!fs::is_symlink(status)) {
        message = link.string() + ": not a link; left as it is";
        return false;
    }
    fs::remove(link, error);
    if (error) {
        message = link.string() + ": " + error.message();
        return false;
    }
    message = "removed " + link.string();
    return true;
}

}  // namespace daridez
