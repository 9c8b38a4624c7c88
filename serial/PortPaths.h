#pragma once

#include <array>
#include <string>

namespace daridez {

class Profile;

// What port numbers 1 to 4 ("Com1" to "Com4") stand for. On Linux each is a device
// path kept in the profile section "PORTS"; on Windows the number is the port COMn.
class PortPaths {
  public:
    static constexpr std::array<const char*, 4> kDefaults{"/dev/ttyS0", "/dev/ttyUSB0",
                                                          "/dev/ttyUSB1", "/dev/ttyACM0"};

    PortPaths();  // the defaults
    void load(const Profile& profile);
    // Adds the section with the current paths to the profile's document when it
    // lacks it; Profile::save() writes it.
    void saveIfMissing(Profile& profile) const;
    // Writes into the profile's document each path that differs from what load() would
    // read there; Profile::save() writes it.
    void save(Profile& profile) const;

    // The device for port number 1 to 4; empty for any other number.
    std::string path(int portNumber) const;
    void setPath(int portNumber, std::string path);

  private:
    std::array<std::string, 4> paths_;
};

}  // namespace daridez
