// The serial devices Windows lists in its device map (COM1, COM5, ...), each described
// by the driver's device that serves it; read without Qt.
// Only the system calls: the full header would define "interface" as a macro.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "serial/PortList.h"

namespace daridez {

std::vector<PortList::Entry> PortList::available(const std::string& byIdFolder) {
    std::vector<Entry> devices;
    HKEY map = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &map) !=
        ERROR_SUCCESS) {
        return devices;
    }
    for (DWORD index = 0;; ++index) {
        char driver[256];
        DWORD driverSize = sizeof driver;
        BYTE name[256];
        DWORD nameSize = sizeof name - 1;
        DWORD type = 0;
        const LONG result =
            ::RegEnumValueA(map, index, driver, &driverSize, nullptr, &type, name, &nameSize);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS || type != REG_SZ) {
            continue;
        }
        name[nameSize] = 0;
        devices.push_back({reinterpret_cast<const char*>(name), driver, {}});
    }
    ::RegCloseKey(map);
    return complete(std::move(devices), byIdFolder);
}

}  // namespace daridez
