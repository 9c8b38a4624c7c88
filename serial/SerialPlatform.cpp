#include "serial/SerialPlatform.h"

#include <cstdlib>

#if !defined(_WIN32)
#include <grp.h>
#include <unistd.h>

#include <vector>
#endif

namespace daridez {

#if defined(_WIN32)

bool PortsHavePaths() {
    return false;
}

std::string DefaultProfilePath() {
    const char* appData = std::getenv("APPDATA");
    std::string folder = appData != nullptr && *appData != '\0' ? appData : ".";
    return folder + "\\daridez.ini";
}

std::optional<std::string> PermissionProblem(const std::string&, const struct stat&) {
    return std::nullopt;
}

#else

namespace {

// True when the process belongs to the group gid, as its main or a supplementary group.
bool inGroup(gid_t gid) {
    if (getegid() == gid) {
        return true;
    }
    const int count = getgroups(0, nullptr);
    if (count <= 0) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<std::size_t>(i)] == gid) {
            return true;
        }
    }
    return false;
}

std::string permissionProblem(const struct stat& device) {
    std::string text = "permission denied";
    const group* owner = getgrgid(device.st_gid);
    if (owner != nullptr && (device.st_mode & S_IRWXG) != 0 && !inGroup(device.st_gid)) {
        text += ": the user is not in the ";
        text += owner->gr_name;
        text += " group";
    }
    return text;
}

}  // namespace

bool PortsHavePaths() {
    return true;
}

std::string DefaultProfilePath() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        return std::string(configHome) + "/daridez.ini";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return std::string(home) + "/.config/daridez.ini";
    }
    return "daridez.ini";
}

std::optional<std::string> PermissionProblem(const std::string& path, const struct stat& device) {
    if (::access(path.c_str(), R_OK | W_OK) == 0) {
        return std::nullopt;
    }
    return permissionProblem(device);
}

#endif

std::string NumberedPortName(int portNumber) {
    return "COM" + std::to_string(portNumber);
}

}  // namespace daridez
