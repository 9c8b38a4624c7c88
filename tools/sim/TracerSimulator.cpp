#include "TracerSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace daridez::sim {

namespace {

// The device's own send buffer: once this much waits for the host, frames are lost.
constexpr std::size_t kDeviceBuffer = 512;
// Sending starts again when the buffer has drained below this.
constexpr std::size_t kResumeLevel = kDeviceBuffer / 4;
// Bytes of an incomplete command older than this are dropped, as the device's
// receiver drops a frame that stalls.
constexpr auto kCommandStall = std::chrono::milliseconds(200);
// The stream goes out in small batches, as a USB adapter delivers it.
constexpr int kBatchMs = 2;

bool setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool makeRaw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return false;
    }
    ::cfmakeraw(&settings);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

TracerSimulator::TracerSimulator(TracerSimulatorOptions options)
    : options_(std::move(options)),
      epoch_(std::chrono::steady_clock::now()),
      bus_(options_.seed, options_.rates, options_.linBaudrate, options_.classicIds,
           options_.schedule) {
    bus_.setBusBaudrate(options_.busBaudrate);
}

TracerSimulator::~TracerSimulator() {
    stop();
    std::lock_guard lock(mutex_);
    closeFds();
    removeLink();
}

bool TracerSimulator::open() {
    std::lock_guard lock(mutex_);
    if (master_ >= 0) {
        return true;
    }
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
        errorText_ = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    char name[128] = {};
    if (::ttyname_r(slave_, name, sizeof name) != 0 || !makeRaw(slave_) ||
        !setNonBlocking(master_)) {
        errorText_ = std::string("cannot set up the pseudo-terminal: ") + std::strerror(errno);
        closeFds();
        return false;
    }
    slaveName_ = name;
    if (!options_.linkPath.empty()) {
        struct stat existing {};
        if (::lstat(options_.linkPath.c_str(), &existing) == 0) {
            if (!S_ISLNK(existing.st_mode)) {
                errorText_ = options_.linkPath + " exists and is not a symbolic link";
                closeFds();
                return false;
            }
            ::unlink(options_.linkPath.c_str());
        }
        if (::symlink(slaveName_.c_str(), options_.linkPath.c_str()) != 0) {
            errorText_ = "cannot make the link " + options_.linkPath + ": " + std::strerror(errno);
            closeFds();
            return false;
        }
        linkMade_ = true;
    }
    if (!options_.recordPath.empty()) {
        record_.reset(std::fopen(options_.recordPath.c_str(), "wb"));
        if (!record_) {
            errorText_ = "cannot write " + options_.recordPath + ": " + std::strerror(errno);
            closeFds();
            removeLink();
            return false;
        }
    }
    return true;
}

std::string TracerSimulator::devicePath() const {
    std::lock_guard lock(mutex_);
    return slaveName_;
}

void TracerSimulator::poll() {
    std::lock_guard lock(mutex_);
    if (master_ < 0) {
        return;
    }
    readCommands();
    if (tracing_) {
        std::vector<DeviceFrame> due;
        bus_.produceUntil(deviceNow(), due);
        for (const DeviceFrame& frame : due) {
            queueTraceFrame(frame);
        }
    }
    flush();
}

void TracerSimulator::waitForWork(int maxMs) {
    pollfd watch{};
    int timeout = maxMs;
    {
        std::lock_guard lock(mutex_);
        watch.fd = master_;
        watch.events = static_cast<short>(POLLIN | (output_.empty() ? 0 : POLLOUT));
        if (tracing_) {
            std::uint64_t due = bus_.nextDue();
            std::uint64_t now = deviceNow();
            int untilDue = due > now ? static_cast<int>((due - now + 999) / 1000) : 0;
            timeout = std::clamp(untilDue, kBatchMs, std::max(maxMs, kBatchMs));
        }
    }
    if (watch.fd < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(maxMs));
        return;
    }
    ::poll(&watch, 1, timeout);
}

void TracerSimulator::startThread() {
    if (thread_.joinable()) {
        return;
    }
    stopThread_ = false;
    thread_ = std::thread([this] {
        while (!stopThread_) {
            waitForWork(5);
            poll();
        }
    });
}

void TracerSimulator::stop() {
    stopThread_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TracerSimulator::closeDevice() {
    std::lock_guard lock(mutex_);
    closeFds();
    removeLink();
    tracing_ = false;
    output_.clear();
    input_.clear();
}

void TracerSimulator::advance(std::uint64_t micros) {
    std::lock_guard lock(mutex_);
    advanced_ += micros;
}

std::string TracerSimulator::recordError() const {
    std::lock_guard lock(mutex_);
    return recordError_;
}

bool TracerSimulator::tracing() const {
    std::lock_guard lock(mutex_);
    return tracing_;
}

std::uint16_t TracerSimulator::linBaudrate() const {
    std::lock_guard lock(mutex_);
    return bus_.baudrate();
}

std::vector<std::vector<std::uint8_t>> TracerSimulator::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

std::uint64_t TracerSimulator::bytesSent() const {
    std::lock_guard lock(mutex_);
    return bytesSent_;
}

std::uint64_t TracerSimulator::framesDropped() const {
    std::lock_guard lock(mutex_);
    return framesDropped_;
}

std::vector<std::uint8_t> TracerSimulator::generate(std::uint64_t durationMicros) const {
    std::vector<std::uint8_t> bytes;
    if (options_.startMarker) {
        DeviceFrame marker = DeviceFrame::make(0, {0x05, kStartMarker, 0x00, 0x01, 0x00});
        marker.appendTo(bytes);
    }
    LinBusModel bus(options_.seed, options_.rates, options_.linBaudrate, options_.classicIds,
                    options_.schedule);
    bus.setBusBaudrate(options_.busBaudrate);
    bus.restart(0);
    std::vector<DeviceFrame> frames;
    bus.produceUntil(durationMicros, frames);
    for (const DeviceFrame& frame : frames) {
        frame.appendTo(bytes);
    }
    return bytes;
}

// Commands: length byte 2 to 5, code, parameters, 8-bit sum. A byte that cannot be a
// length byte is skipped; a whole frame with a wrong sum is ignored.
void TracerSimulator::readCommands() {
    auto now = std::chrono::steady_clock::now();
    if (!input_.empty() && now - lastInput_ > kCommandStall) {
        input_.clear();
    }
    std::uint8_t chunk[256];
    ssize_t n;
    while ((n = ::read(master_, chunk, sizeof chunk)) > 0) {
        if (!options_.silent) {
            input_.insert(input_.end(), chunk, chunk + n);
        }
        lastInput_ = now;
    }
    std::size_t p = 0;
    while (p < input_.size()) {
        std::uint8_t length = input_[p];
        if (length < 2 || length > 5) {
            ++p;
            continue;
        }
        if (input_.size() - p < std::size_t(length) + 1) {
            break;
        }
        const std::uint8_t* frame = input_.data() + p;
        if (frameChecksum(frame, length) == frame[length]) {
            handleCommand(frame);
        }
        p += std::size_t(length) + 1;
    }
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(p));
}

void TracerSimulator::handleCommand(const std::uint8_t* frame) {
    const std::uint8_t length = frame[0];
    commands_.emplace_back(frame, frame + length + 1);
    switch (frame[1]) {
        case 0x00:
            if (length == 2) {
                const auto& v = options_.version;
                queueAnswer(DeviceFrame::make(0, {0x05, kVersionAnswer, v[0], v[1], v[2]}));
            }
            break;
        case 0x01:
            if (length == 4) {
                std::uint8_t result = options_.baudResult;
                if (result == 0 &&
                    !bus_.setBaudrate(static_cast<std::uint16_t>(frame[2] << 8 | frame[3]))) {
                    result = kBaudrateRefused;
                }
                queueAnswer(
                    DeviceFrame::make(0, {0x05, kBaudrateAnswer, frame[2], frame[3], result}));
            }
            break;
        case 0x02:
            if (length == 2) {
                startTrace();
            }
            break;
        case 0x03:
            if (length == 2) {
                tracing_ = false;
            }
            break;
        default:
            break;
    }
}

// The start marker carries the number of starts since the device was opened.
void TracerSimulator::startTrace() {
    ++startCount_;
    // The recording holds the trace, not the answers to the commands before it.
    recordFrom_ = std::min<std::uint64_t>(recordFrom_, bytesSent_ + output_.size());
    if (options_.startMarker) {
        queueAnswer(DeviceFrame::make(
            0, {0x05, kStartMarker, highByte(startCount_), lowByte(startCount_), 0x00}));
    }
    if (!tracing_) {
        // A new recording owes nothing to the last one: what that one lost stays lost.
        dropping_ = false;
        droppedSinceOverflow_ = 0;
        wrapsHeld_ = 0;
        bus_.restart(deviceNow());
        tracing_ = true;
    }
}

void TracerSimulator::queueAnswer(const DeviceFrame& frame) {
    frame.appendTo(output_);
}

// While the device buffer is full, frames are lost; timer wraps are only held back so
// that the host's clock stays right. Sending resumes at a frame that opens a row, once
// the buffer has drained, behind the held wraps and a BufferOverflow frame that says
// how many frames were lost.
void TracerSimulator::queueTraceFrame(const DeviceFrame& frame) {
    if (output_.size() + frame.size > kDeviceBuffer) {
        flush();
        dropping_ = dropping_ || output_.size() + frame.size > kDeviceBuffer;
    }
    if (dropping_ && frame.opensRow && output_.size() < kResumeLevel) {
        for (; wrapsHeld_ > 0; --wrapsHeld_) {
            queueAnswer(DeviceFrame::make(0, {0x02, kTimerWrap}));
        }
        if (droppedSinceOverflow_ > 0) {
            auto lost =
                static_cast<std::uint8_t>(std::min<std::uint32_t>(droppedSinceOverflow_, 255));
            queueAnswer(DeviceFrame::make(0, {0x03, kBufferOverflow, lost}));
        }
        droppedSinceOverflow_ = 0;
        dropping_ = false;
    }
    if (!dropping_) {
        queueAnswer(frame);
    } else if (frame.isTimerWrap()) {
        ++wrapsHeld_;
    } else {
        ++droppedSinceOverflow_;
        ++framesDropped_;
    }
}

void TracerSimulator::flush() {
    std::size_t done = 0;
    while (done < output_.size()) {
        ssize_t n = ::write(master_, output_.data() + done, output_.size() - done);
        if (n <= 0) {
            break;
        }
        send(output_.data() + done, static_cast<std::size_t>(n));
        done += static_cast<std::size_t>(n);
    }
    output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(done));
}

// Accounts for bytes the terminal has taken, and records those of the trace.
void TracerSimulator::send(const std::uint8_t* bytes, std::size_t count) {
    const std::uint64_t first = bytesSent_;
    bytesSent_ += count;
    if (record_ && bytesSent_ > recordFrom_) {
        const std::uint64_t skipped = recordFrom_ > first ? recordFrom_ - first : 0;
        errno = 0;
        if (std::fwrite(bytes + skipped, 1, count - skipped, record_.get()) != count - skipped ||
            std::fflush(record_.get()) != 0) {
            // A recording with a hole would be read as a different trace: it stops here.
            recordError_ = "cannot write " + options_.recordPath + ": " +
                           (errno != 0 ? std::strerror(errno) : "write error");
            record_.reset();
        }
    }
}

std::uint64_t TracerSimulator::deviceNow() const {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now() - epoch_)
                                          .count()) +
           advanced_;
}

void TracerSimulator::closeFds() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    if (slave_ >= 0) {
        ::close(slave_);
        slave_ = -1;
    }
}

void TracerSimulator::removeLink() {
    if (linkMade_) {
        ::unlink(options_.linkPath.c_str());
        linkMade_ = false;
    }
}

}  // namespace daridez::sim
