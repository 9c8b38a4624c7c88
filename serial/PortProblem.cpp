#include "serial/PortProblem.h"

#include <sys/stat.h>

#ifndef _WIN32
#include <grp.h>
#include <unistd.h>

#include <vector>
#endif

namespace daridez {

namespace {

#ifndef _WIN32
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
#endif

}  // namespace

std::string DescribePortProblem(const std::string& path) {
    const std::string prefix = path + ": ";
    struct stat device {};
    if (path.empty() || ::stat(path.c_str(), &device) != 0) {
        return prefix + "no such device";
    }
#ifndef _WIN32
    if (::access(path.c_str(), R_OK | W_OK) != 0) {
        return prefix + permissionProblem(device);
    }
#endif
    return prefix + "in use by another program";
}

}  // namespace daridez
