#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace daridez::sim {

// A bare device on a pseudo-terminal that the caller scripts byte by byte: what the
// host writes is read back here, what the caller writes reaches the host. For tests
// and benchmarks that need the timing in their own hands (a silent bus, one frame a
// second, a device pulled out at a chosen moment).
class PtyDevice {
  public:
    PtyDevice() = default;
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // Opens the pair in raw mode; false when the system has no pseudo-terminal to give.
    bool open();
    // The device as the host opens it (/dev/pts/N).
    const std::string& path() const { return path_; }

    // What the host wrote, waiting up to timeoutMs for the first byte; empty when
    // nothing came.
    std::vector<std::uint8_t> read(int timeoutMs);
    bool write(const std::vector<std::uint8_t>& bytes);
    // The device vanishes: the host's port sees the terminal hang up.
    void close();

  private:
    int master_ = -1;
    int slave_ = -1;  // held, so the terminal stays up until the host has opened it
    std::string path_;
};

}  // namespace daridez::sim
