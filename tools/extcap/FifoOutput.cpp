#include "tools/extcap/FifoOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
// Only the system calls: the full header would define "interface" as a macro.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "serial/Win32PortChannel.h"
#endif

namespace daridez {

namespace {

#ifdef _WIN32
// Wireshark's named pipe (\\.\pipe\...) is opened as it is, any other path made a new
// file; either way a descriptor of the C library, written without any translation.
int openForWriting(const std::string& path, std::string& error) {
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
#else
int openForWriting(const std::string& path, std::string& error) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
    }
    return fd;
}
#endif

}  // namespace

FifoOutput::~FifoOutput() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool FifoOutput::open(const std::string& path, std::string& error) {
    fd_ = openForWriting(path, error);
    return fd_ >= 0;
}

bool FifoOutput::write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0 && fd_ >= 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return size == 0;
}

}  // namespace daridez
