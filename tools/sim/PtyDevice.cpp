#include "PtyDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace daridez::sim {

PtyDevice::~PtyDevice() {
    close();
}

bool PtyDevice::open() {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
        return false;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    termios settings{};
    char name[128] = {};
    if (::tcgetattr(slave_, &settings) != 0 || ::ttyname_r(slave_, name, sizeof name) != 0) {
        close();
        return false;
    }
    ::cfmakeraw(&settings);
    ::tcsetattr(slave_, TCSANOW, &settings);
    path_ = name;
    return true;
}

std::vector<std::uint8_t> PtyDevice::read(int timeoutMs) {
    std::vector<std::uint8_t> bytes;
    pollfd ready{master_, POLLIN, 0};
    while (master_ >= 0 && ::poll(&ready, 1, bytes.empty() ? timeoutMs : 0) > 0 &&
           (ready.revents & POLLIN) != 0) {
        std::uint8_t chunk[256];
        const ssize_t got = ::read(master_, chunk, sizeof chunk);
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

bool PtyDevice::write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t written = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return done == bytes.size();
}

void PtyDevice::close() {
    for (int* fd : {&master_, &slave_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

}  // namespace daridez::sim
