#include "tools/extcap/UserInstall.h"

#include <filesystem>

namespace daridez {

namespace fs = std::filesystem;

namespace {

fs::path targetOf(const std::string& folder, UserInstall::Way way) {
    return fs::path(folder) /
           (way == UserInstall::Way::Link ? UserInstall::kLinkName : UserInstall::kCopyName);
}

// Whether the file found there is this installation's own: a link, or a plain file
// where a copy goes.
bool ours(const fs::file_status& status, UserInstall::Way way) {
    return way == UserInstall::Way::Link ? fs::is_symlink(status) : fs::is_regular_file(status);
}

const char* kindOf(UserInstall::Way way) {
    return way == UserInstall::Way::Link ? "a link" : "a program file";
}

}  // namespace

std::string UserInstall::folder(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome != nullptr && *xdgConfigHome == '/') {
        return (fs::path(xdgConfigHome) / "wireshark" / "extcap").string();
    }
    if (home != nullptr && *home != '\0') {
        return (fs::path(home) / ".config" / "wireshark" / "extcap").string();
    }
    return {};
}

std::string UserInstall::appDataFolder(const char* appData) {
    if (appData == nullptr || *appData == '\0') {
        return {};
    }
    return std::string(appData) + "\\Wireshark\\extcap";
}

bool UserInstall::install(const std::string& folder, const std::string& program,
                          std::string& message, Way way) {
    const fs::path target = targetOf(folder, way);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        message = folder + ": " + error.message();
        return false;
    }
    const fs::file_status status = fs::symlink_status(target, error);
    if (fs::exists(status) && !ours(status, way)) {
        message = target.string() + ": exists and is not " + kindOf(way) + "; left as it is";
        return false;
    }
    if (way == Way::Link) {
        fs::remove(target, error);
        fs::create_symlink(program, target, error);
    } else {
        fs::copy_file(program, target, fs::copy_options::overwrite_existing, error);
    }
    if (error) {
        message = target.string() + ": " + error.message();
        return false;
    }
    message = target.string() + (way == Way::Link ? " -> " : " copied from ") + program;
    return true;
}

bool UserInstall::uninstall(const std::string& folder, std::string& message, Way way) {
    const fs::path target = targetOf(folder, way);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(target, error);
    if (!fs::exists(status)) {
        message = target.string() + (way == Way::Link ? ": no such link" : ": no such file");
        return true;
    }
    if (!ours(status, way)) {
        message = target.string() + ": not " + kindOf(way) + "; left as it is";
        return false;
    }
    fs::remove(target, error);
    if (error) {
        message = target.string() + ": " + error.message();
        return false;
    }
    message = "removed " + target.string();
    return true;
}

}  // namespace daridez
