#pragma once

#include <cstdio>
#include <string>

#include "files/ByteOutput.h"

namespace daridez {

// Replaces a file only once everything was written: the bytes go to a temporary file
// beside the target, renamed over it on commit, so a failed write leaves the old file
// as it was. A link is followed; a device or a pipe is written in place; a
// write-protected file is refused.
class SafeReplace : public ByteOutput {
  public:
    explicit SafeReplace(std::string target);
    // An uncommitted temporary file is removed.
    ~SafeReplace() override;

    SafeReplace(const SafeReplace&) = delete;
    SafeReplace& operator=(const SafeReplace&) = delete;

    // False when the target may not be replaced or nothing can be created beside it.
    bool open();
    bool write(const void* data, std::size_t size) override;
    // Flushes, closes and renames; false (old file kept) when any step failed.
    bool commit();

  private:
    bool closeFile();

    std::string target_;
    std::string temporary_;  // empty when writing in place
    std::FILE* file_ = nullptr;
    bool ok_ = true;
};

}  // namespace daridez
