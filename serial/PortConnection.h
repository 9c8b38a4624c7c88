#pragma once

#include <string>

#include "serial/PortPaths.h"
#include "serial/SerialPort.h"
#include "serial/SerialSettings.h"

namespace daridez {

class Profile;

// The tracer's port as the user set it up: the serial settings and the device of each
// port number, kept in the profile, and the port opened on them. Trouble opening is
// answered in the words the user reads, never shown here.
class PortConnection {
  public:
    PortConnection();

    // The settings and port paths from the profile (fixed fields set, keys read).
    void load(const Profile& profile);
    // Both into the profile's document; Profile::save() writes it.
    void save(Profile& profile) const;
    // What the user chose in the settings dialog.
    void setChoices(const SerialSettings& settings, const PortPaths& paths);

    // Closes the port if it is held and opens it on the settings. Empty when it opened
    // (or the port number names no port); else "Could Not Open Com Port", the port's
    // error and, where known, why, one per line: the port is then not connected.
    std::string reopen();
    void close();

    // The line as DescribeSerialSettings puts it.
    std::string describe() const;

    SerialPort& port() { return port_; }
    const SerialPort& port() const { return port_; }
    const SerialSettings& settings() const { return settings_; }
    const PortPaths& paths() const { return paths_; }

  private:
    PortPaths paths_;
    SerialSettings settings_{};
    SerialPort port_;  // reads paths_
};

}  // namespace daridez
