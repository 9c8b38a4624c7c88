#include "serial/PortPaths.h"

#include <string>

#include "serial/Profile.h"
#include "serial/SerialPlatform.h"

namespace daridez {

namespace {

constexpr const char* kSection = "PORTS";

bool inRange(int portNumber) {
    return portNumber >= 1 && portNumber <= static_cast<int>(PortPaths::kDefaults.size());
}

std::string keyOf(int portNumber) {
    return "Com" + std::to_string(portNumber);
}

}  // namespace

PortPaths::PortPaths() {
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        paths_[i] = kDefaults[i];
    }
}

// An empty value is no device: it keeps the path the port had before.
void PortPaths::load(const Profile& profile) {
    for (int port = 1; port <= static_cast<int>(paths_.size()); ++port) {
        std::string value = profile.GetProfileString(kSection, keyOf(port), "");
        if (!value.empty()) {
            paths_[port - 1] = value;
        }
    }
}

void PortPaths::saveIfMissing(Profile& profile) const {
    if (profile.hasSection(kSection)) {
        return;
    }
    for (int port = 1; port <= static_cast<int>(paths_.size()); ++port) {
        profile.WriteProfileString(kSection, keyOf(port), paths_[port - 1]);
    }
}

void PortPaths::save(Profile& profile) const {
    PortPaths stored;
    stored.load(profile);
    for (int port = 1; port <= static_cast<int>(paths_.size()); ++port) {
        if (stored.paths_[port - 1] != paths_[port - 1]) {
            profile.WriteProfileString(kSection, keyOf(port), paths_[port - 1]);
        }
    }
}

std::string PortPaths::path(int portNumber) const {
    if (!inRange(portNumber)) {
        return {};
    }
    return PortsHavePaths() ? paths_[portNumber - 1] : NumberedPortName(portNumber);
}

void PortPaths::setPath(int portNumber, std::string path) {
    if (inRange(portNumber)) {
        paths_[portNumber - 1] = std::move(path);
    }
}

}  // namespace daridez
