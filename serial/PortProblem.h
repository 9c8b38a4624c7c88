#pragma once

#include <string>

namespace daridez {

// Why a serial device could not be opened, in words a user can act on:
// "/dev/ttyUSB0: no such device", "/dev/ttyUSB0: permission denied: the user is not in
// the dialout group", "/dev/ttyUSB0: in use by another program". The device is looked
// at again after the failed open; busy is what remains when it exists and may be used.
std::string DescribePortProblem(const std::string& path);

}  // namespace daridez
