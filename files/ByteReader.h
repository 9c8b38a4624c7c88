#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace daridez {

// Reads an open stream in large blocks, after the bytes already taken from its head to
// learn what kind of file it is (standard input cannot be read twice). Remembers why a
// read failed.
class ByteReader {
  public:
    explicit ByteReader(std::FILE* file) : file_(file) {}

    // Reads up to count bytes from the head and keeps them to be read again.
    const std::vector<std::uint8_t>& peek(std::size_t count);
    // Up to count bytes; fewer only at the end of the stream or on a failed read.
    std::size_t read(std::uint8_t* out, std::size_t count);
    bool failed() const { return failed_; }
    int error() const { return error_; }  // errno of the failed read
    std::uint64_t bytesRead() const { return bytesRead_; }

  private:
    std::FILE* file_;
    std::vector<std::uint8_t> head_;
    std::size_t headUsed_ = 0;
    bool failed_ = false;
    int error_ = 0;
    std::uint64_t bytesRead_ = 0;
};

}  // namespace daridez
