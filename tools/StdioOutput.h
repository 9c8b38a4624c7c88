#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "files/ByteOutput.h"

namespace daridez {

// A byte output onto an open stdio stream (the command line's standard output) that
// keeps the system's reason for the first refused write.
class StdioOutput : public ByteOutput {
  public:
    explicit StdioOutput(std::FILE* file) : file_(file) {}
    bool write(const void* data, std::size_t size) override {
        errno = 0;
        return std::fwrite(data, 1, size, file_) == size || failed();
    }
    bool flush() {
        errno = 0;
        return std::fflush(file_) == 0 || failed();
    }
    std::FILE* file() const { return file_; }
    // Why a write or flush failed ("No space left on device"); empty while all went well.
    const std::string& error() const { return error_; }

  private:
    bool failed() {
        if (error_.empty()) {
            error_ = errno != 0 ? std::strerror(errno) : "write error";
        }
        return false;
    }

    std::FILE* file_;
    std::string error_;
};

}  // namespace daridez
