#pragma once

#include <cstddef>

namespace daridez {

// Where a writer's bytes go: a file being replaced safely, standard output, memory in
// tests. The writer decides the format, the caller decides the destination.
class ByteOutput {
  public:
    virtual ~ByteOutput() = default;
    // False when the bytes could not be written; the writer stops then.
    virtual bool write(const void* data, std::size_t size) = 0;
};

}  // namespace daridez
