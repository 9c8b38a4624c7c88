// daridez-extcap on Windows: the LIN tracer as a capture interface of Wireshark and
// tshark, without Qt (the ports from the device map, the Win32 serial API).
// Only the system calls: the full header would define "interface" as a macro.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "serial/Profile.h"
#include "tools/extcap/ExtcapCommand.h"

namespace {

// This program's own path, for the copy --install-user makes.
std::string programPath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

int main(int argc, char** argv) {
    daridez::ExtcapCommand command(daridez::Profile::defaultPath(), programPath());
    return command.run(argc - 1, argv + 1, stdout, stderr);
}
