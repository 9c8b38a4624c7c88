#include "tools/extcap/ExtcapInterfaces.h"

#include <algorithm>
#include <filesystem>

#include "serial/SerialPlatform.h"

namespace daridez {

std::string ExtcapInterfaces::canonical(const std::string& path) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    return error ? std::string() : target.string();
}

std::string ExtcapInterfaces::nameOf(const std::string& device) {
    return kPrefix + std::filesystem::path(device).filename().string();
}

std::vector<ExtcapInterfaces::Interface> ExtcapInterfaces::list(
    const std::vector<std::string>& ports, const std::vector<PortList::Entry>& present,
    const Resolve& resolve) {
    std::vector<Interface> interfaces;
    std::vector<std::string> targets;
    const auto add = [&](const std::string& device, const std::string& target) {
        const std::string name = nameOf(device);
        const auto sameName = [&](const Interface& known) { return known.name == name; };
        if (target.empty() || std::find(targets.begin(), targets.end(), target) != targets.end() ||
            std::any_of(interfaces.begin(), interfaces.end(), sameName)) {
            return;
        }
        interfaces.push_back({name, device});
        targets.push_back(target);
    };
    for (const std::string& port : ports) {
        if (!port.empty()) {
            add(port, resolve(port));
        }
    }
    for (const PortList::Entry& device : present) {
        const std::string target = resolve(device.path);
        add(device.path, target.empty() ? device.path : target);
    }
    return interfaces;
}

std::string ExtcapInterfaces::deviceOf(const std::string& name,
                                       const std::vector<std::string>& ports,
                                       const std::vector<PortList::Entry>& present) {
    for (const std::string& port : ports) {
        if (!port.empty() && nameOf(port) == name) {
            return port;
        }
    }
    for (const PortList::Entry& device : present) {
        if (nameOf(device.path) == name) {
            return device.path;
        }
    }
    const std::string prefix = kPrefix;
    const std::string device = name.starts_with(prefix) ? name.substr(prefix.size()) : name;
    // Where ports are numbered (COM5) a device is opened by its name alone.
    return PortsHavePaths() ? "/dev/" + device : device;
}

}  // namespace daridez
