#pragma once

#include <functional>
#include <string>
#include <vector>

#include "serial/PortList.h"

namespace daridez {

// The capture interfaces Wireshark lists: one per port of the profile whose device
// exists, then one per serial device present that no port stands for yet, each named
// "daridez-" and the device's file name.
class ExtcapInterfaces {
  public:
    struct Interface {
        std::string name;    // daridez-ttyUSB0
        std::string device;  // /dev/ttyUSB0, or COM5 on Windows
    };

    static constexpr const char* kPrefix = "daridez-";

    // Where a path leads (links followed), to tell two names of one device apart;
    // empty when it leads nowhere.
    using Resolve = std::function<std::string(const std::string&)>;
    // The file system's answer: the canonical path, empty when missing.
    static std::string canonical(const std::string& path);

    // ports: the devices the profile's port numbers stand for, in order; present: the
    // serial devices present. A name met twice keeps its first device.
    static std::vector<Interface> list(const std::vector<std::string>& ports,
                                       const std::vector<PortList::Entry>& present,
                                       const Resolve& resolve = canonical);

    // The device an interface stands for: a port's (present or not), else a device
    // present, else /dev/ and the name without its prefix (which then says why it
    // cannot be opened); where ports are numbered (Windows), the name alone: COM5.
    static std::string deviceOf(const std::string& name, const std::vector<std::string>& ports,
                                const std::vector<PortList::Entry>& present);

    static std::string nameOf(const std::string& device);
};

}  // namespace daridez
