#include "files/DumpLoader.h"

#include <filesystem>

namespace daridez {

DumpLoader::DumpLoader(StreamDecoder& decoder, ReceiveBuffer& buffer)
    : decoder_(decoder), buffer_(buffer) {}

DumpLoader::~DumpLoader() = default;

bool DumpLoader::open(const std::string& path) {
    // A folder opens for reading on some systems: it is no dump file, and the trace
    // must stay as it is.
    std::error_code error;
    file_.reset(std::filesystem::is_directory(path, error) ? nullptr
                                                           : std::fopen(path.c_str(), "rb"));
    bytesRead_ = 0;
    atEnd_ = false;
    readFailed_ = false;
    if (file_ == nullptr) {
        fileSize_ = 0;
        return false;
    }
    buffer_.carryOver = 0;  // a load starts with an empty buffer
    const auto size = std::filesystem::file_size(path, error);
    fileSize_ = error ? 0 : size;
    return true;
}

bool DumpLoader::step() {
    if (file_ == nullptr || atEnd_) {
        return false;
    }
    // New bytes go behind those of a frame cut off by the last block.
    const std::int32_t carried = buffer_.carryOver;
    const auto wanted = static_cast<std::size_t>(ReceiveBuffer::kSize - carried);
    const std::size_t got = std::fread(buffer_.bytes.data() + carried, 1, wanted, file_.get());
    bytesRead_ += got;
    if (got < wanted) {
        atEnd_ = true;
        readFailed_ = std::ferror(file_.get()) != 0;
    }
    if (got > 0) {
        buffer_.carryOver = decoder_.SplitFrames(buffer_.bytes.data(),
                                                 carried + static_cast<std::int32_t>(got), true);
    }
    return !atEnd_;
}

LoadResult DumpLoader::finish() {
    // The bytes of a frame cut off by the end of the file are dropped.
    buffer_.carryOver = 0;
    file_.reset();
    if (readFailed_) {
        return LoadResult::ReadError;
    }
    return atEnd_ ? LoadResult::Ok : LoadResult::Cancelled;
}

}  // namespace daridez
