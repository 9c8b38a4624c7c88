#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <type_traits>

#if defined(_WIN32)
#include "serial/Win32PortChannel.h"
#else
#include "serial/PosixPortChannel.h"
#endif

namespace daridez {

// What differs between Windows and the other systems on the serial side, so that the
// settings, the profile and the port channel read the same on every system.

// The Qt-free port channel the command-line tools' live path runs on: the Win32 serial
// API on Windows, termios elsewhere.
#if defined(_WIN32)
using LivePortChannel = Win32PortChannel;
#else
using LivePortChannel = PosixPortChannel;
#endif

// Whether a port number stands for a device path the user chooses (kept in the
// profile); where not, port n is the system's "COMn".
bool PortsHavePaths();
// The name of port number n where ports have no paths: "COM2".
std::string NumberedPortName(int portNumber);
// Where the profile lives when no other path is given.
std::string DefaultProfilePath();
// Why the process may not read and write a device it found (as stat put it), or
// nothing where the system tells only on opening it.
std::optional<std::string> PermissionProblem(const std::string& path, const struct stat& device);

// A port's native handle as a descriptor the caller may poll, or -1 where handles are
// no descriptors (Windows' are pointers).
template <typename Handle>
int PollableDescriptor(Handle handle) {
    if constexpr (std::is_integral_v<Handle>) {
        return static_cast<int>(handle);
    } else {
        return -1;
    }
}

}  // namespace daridez
