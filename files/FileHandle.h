#pragma once

#include <cstdio>
#include <memory>

namespace daridez {

// Closes a C stream when its owner lets go of it.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A C stream owned by one object. Where the close's result matters (the last buffered
// bytes reach the file there), close it by hand: std::fclose(handle.release()).
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace daridez
