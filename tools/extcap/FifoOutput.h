#pragma once

#include <string>

#include "files/ByteOutput.h"

namespace daridez {

// The capture's way to Wireshark: the FIFO it names (on Windows its named pipe), opened
// for writing (which waits until Wireshark opens it for reading). A write to a FIFO whose reader
// went away fails (SIGPIPE must be ignored) and the capture ends.
class FifoOutput : public ByteOutput {
  public:
    FifoOutput() = default;
    ~FifoOutput() override;
    FifoOutput(const FifoOutput&) = delete;
    FifoOutput& operator=(const FifoOutput&) = delete;

    // False with error set ("PATH: reason") when it cannot be opened.
    bool open(const std::string& path, std::string& error);
    bool write(const void* data, std::size_t size) override;
    int descriptor() const { return fd_; }

  private:
    int fd_ = -1;
};

}  // namespace daridez
