#include "tools/ToolsPlatform.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#if defined(_WIN32)
#include <io.h>
// Only the system calls: the full header would define "interface" as a macro.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "serial/Win32PortChannel.h"
#else
#include <unistd.h>
#endif

namespace daridez {

#if defined(_WIN32)

void UseBinaryStandardStreams() {
    for (std::FILE* stream : {stdin, stdout, stderr}) {
        ::_setmode(::_fileno(stream), _O_BINARY);
    }
}

int OpenCaptureOutput(const std::string& path, std::string& error) {
    const bool pipe = path.starts_with("\\\\.\\pipe\\");
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        pipe ? OPEN_EXISTING : CREATE_ALWAYS, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = path + ": " + Win32PortChannel::reasonOf(::GetLastError());
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        error = path + ": " + std::strerror(errno);
    }
    return fd;
}

bool InstallsByCopy() {
    return true;
}

#else

void UseBinaryStandardStreams() {}

int OpenCaptureOutput(const std::string& path, std::string& error) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
    }
    return fd;
}

bool InstallsByCopy() {
    return false;
}

#endif

}  // namespace daridez
