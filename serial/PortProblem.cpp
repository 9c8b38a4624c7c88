#include "serial/PortProblem.h"

#include <sys/stat.h>

#include "serial/SerialPlatform.h"

namespace daridez {

std::string DescribePortProblem(const std::string& path) {
    const std::string prefix = path + ": ";
    struct stat device {};
    if (path.empty() || ::stat(path.c_str(), &device) != 0) {
        return prefix + "no such device";
    }
    if (const auto problem = PermissionProblem(path, device)) {
        return prefix + *problem;
    }
    return prefix + "in use by another program";
}

}  // namespace daridez
