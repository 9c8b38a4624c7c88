#pragma once

#include <cstdio>

#include "files/ByteOutput.h"

namespace daridez {

// A byte output onto an open stdio stream (the command line's standard output).
class StdioOutput : public ByteOutput {
  public:
    explicit StdioOutput(std::FILE* file) : file_(file) {}
    bool write(const void* data, std::size_t size) override {
        return std::fwrite(data, 1, size, file_) == size;
    }
    bool flush() { return std::fflush(file_) == 0; }

  private:
    std::FILE* file_;
};

}  // namespace daridez
