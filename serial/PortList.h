#pragma once

#include <string>
#include <vector>

namespace daridez {

// The serial devices present, for the user to pick a port number's device from: what
// the system enumerates, each with its adapter's name and its stable by-id link.
class PortList {
  public:
    struct Entry {
        std::string path;         // the device, e.g. /dev/ttyUSB0
        std::string description;  // the adapter and its maker where known
        std::string byIdPath;     // the link naming this adapter whatever its number; or empty
    };

    static constexpr const char* kByIdFolder = "/dev/serial/by-id";

    // Asks the system once; sorted as complete() sorts.
    static std::vector<Entry> available(const std::string& byIdFolder = kByIdFolder);

    // Gives each device the link in byIdFolder that leads to it (links and devices
    // compared by their canonical paths, so a device named by a link is found too) and
    // sorts by path, numbers in order: ttyS2 before ttyS10.
    static std::vector<Entry> complete(std::vector<Entry> devices, const std::string& byIdFolder);
};

}  // namespace daridez
