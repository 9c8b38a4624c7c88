#pragma once

// The Qt-free port channel of this system, which the command-line tools' live path
// runs on: termios on POSIX systems, the Win32 serial API on Windows.
#ifdef _WIN32
#include "serial/Win32PortChannel.h"
#else
#include "serial/PosixPortChannel.h"
#endif

namespace daridez {

#ifdef _WIN32
using LivePortChannel = Win32PortChannel;
#else
using LivePortChannel = PosixPortChannel;
#endif

}  // namespace daridez
