#include "tools/extcap/FifoOutput.h"

#include <unistd.h>

#include <cerrno>

#include "tools/ToolsPlatform.h"

namespace daridez {

FifoOutput::~FifoOutput() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool FifoOutput::open(const std::string& path, std::string& error) {
    fd_ = OpenCaptureOutput(path, error);
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
