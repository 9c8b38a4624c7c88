#pragma once

#include <string>
#include <vector>

#include "lin/LinRates.h"
#include "tools/extcap/ExtcapInterfaces.h"
#include "tools/extcap/ExtcapOptions.h"

namespace daridez {

// The sentences daridez-extcap answers Wireshark with (the extcap protocol as
// Wireshark 4.0 reads it): the interfaces, the link type, and the options of the
// capture dialog with their defaults.
class ExtcapAnswers {
  public:
    struct Device {
        std::string path;
        std::string description;  // the adapter, or empty
    };

    // What the options start from: the interface's device, the profile's values.
    struct Defaults {
        std::string device;
        int linRate = kDefaultLinRate;
        LineSettings line;
        std::string ldf;  // the LDF the window used last, or empty
    };

    static std::string interfaces(const std::string& version, const std::string& help,
                                  const std::vector<ExtcapInterfaces::Interface>& list);
    static std::string dlts();
    // devices: the selector's choices; the default device is added when missing.
    static std::string config(const Defaults& defaults, const std::vector<Device>& devices);
    // The device selector's choices alone (its reload button).
    static std::string deviceValues(const Defaults& defaults, const std::vector<Device>& devices);
};

}  // namespace daridez
