#include "serial/PosixPortChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "serial/PortProblem.h"

namespace daridez {

namespace {

struct Speed {
    std::uint32_t baud;
    speed_t constant;
};

// The rates termios names; the settings dialog's 14400, 56000, 128000 and 256000 have
// no constant and are refused with the reason.
constexpr Speed kSpeeds[] = {
    {110, B110},       {300, B300},       {600, B600},         {1200, B1200},
    {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},
    {38400, B38400},   {57600, B57600},   {115200, B115200},   {230400, B230400},
    {460800, B460800}, {921600, B921600}, {1000000, B1000000}, {2000000, B2000000},
};

bool speedOf(std::uint32_t baud, speed_t& speed) {
    for (const Speed& known : kSpeeds) {
        if (known.baud == baud) {
            speed = known.constant;
            return true;
        }
    }
    return false;
}

tcflag_t dataBits(std::uint8_t byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

// A read or write error that means the device is gone, not that it is busy.
bool gone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

}  // namespace

PosixPortChannel::~PosixPortChannel() {
    close();
}

std::string PosixPortChannel::open(const std::string& path, const SerialSettings& settings) {
    close();
    vanished_ = false;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return DescribePortProblem(path);
    }
    fd_ = fd;
    std::string problem;
    if (!configure(settings, problem)) {
        close();
        return path + ": " + problem;
    }
    return {};
}

bool PosixPortChannel::configure(const SerialSettings& settings, std::string& problem) {
    speed_t speed{};
    if (!speedOf(settings.BaudRate, speed)) {
        problem = "the line cannot run at " + std::to_string(settings.BaudRate) + " baud";
        return false;
    }
    if (settings.StopBits == kOne5StopBits) {
        problem = "one and a half stop bits cannot be set";
        return false;
    }
    termios line{};
    if (::tcgetattr(fd_, &line) != 0) {
        problem = "not a serial device";
        return false;
    }
    ::cfmakeraw(&line);
    line.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    line.c_cflag |= CLOCAL | CREAD | dataBits(settings.ByteSize);
    if (settings.Parity != kNoParity) {
        line.c_cflag |= PARENB | (settings.Parity == kOddParity ? PARODD : 0);
    }
    if (settings.StopBits == kTwoStopBits) {
        line.c_cflag |= CSTOPB;
    }
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (::cfsetispeed(&line, speed) != 0 || ::cfsetospeed(&line, speed) != 0 ||
        ::tcsetattr(fd_, TCSANOW, &line) != 0) {
        problem = "the line settings were refused";
        return false;
    }
    return true;
}

void PosixPortChannel::close() {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
}

std::uint32_t PosixPortChannel::Read(std::uint8_t* buffer, std::uint32_t max) {
    if (fd_ < 0 || vanished_ || max == 0) {
        return 0;
    }
    const ssize_t got = ::read(fd_, buffer, max);
    if (got > 0) {
        return static_cast<std::uint32_t>(got);
    }
    // A pseudo-terminal whose other end closed reads EIO; a device unplugged, 0 bytes
    // with a hang-up pending.
    if (got < 0) {
        vanished_ = gone(errno);
        return 0;
    }
    pollfd watch{fd_, POLLIN, 0};
    vanished_ = ::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLERR)) != 0;
    return 0;
}

std::uint32_t PosixPortChannel::Write(const std::uint8_t* bytes, std::uint32_t count) {
    // A command is a few bytes: a driver that takes none of them for a second is stuck.
    constexpr int kPatientWaits = 10;
    std::uint32_t written = 0;
    int waits = 0;
    while (fd_ >= 0 && written < count) {
        const ssize_t put = ::write(fd_, bytes + written, count - written);
        if (put > 0) {
            written += static_cast<std::uint32_t>(put);
        } else if (put < 0 && errno == EAGAIN && waits++ < kPatientWaits) {
            pollfd watch{fd_, POLLOUT, 0};
            ::poll(&watch, 1, 100);
        } else if (put < 0 && errno == EINTR) {
            continue;
        } else {
            vanished_ = vanished_ || (put < 0 && gone(errno));
            break;
        }
    }
    return written;
}

std::uint32_t PosixPortChannel::PurgeInput() {
    return fd_ >= 0 && ::tcflush(fd_, TCIFLUSH) == 0 ? 1 : 0;
}

std::uint32_t PosixPortChannel::PurgeOutput() {
    return fd_ >= 0 && ::tcflush(fd_, TCOFLUSH) == 0 ? 1 : 0;
}

}  // namespace daridez
