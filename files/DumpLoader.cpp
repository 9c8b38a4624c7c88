#include "files/DumpLoader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace daridez {

namespace {

// The reason of a failed open or read in a few words.
std::string reasonOf(int error) {
    switch (error) {
        case 0:
            return "read failed";
        case ENOENT:
        case ENOTDIR:
            return "no such file";
        case EISDIR:
            return "is a directory";
        case EACCES:
        case EPERM:
            return "permission denied";
        default:
            break;
    }
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

}  // namespace

DumpLoader::DumpLoader(StreamDecoder& decoder, ReceiveBuffer& buffer)
    : decoder_(decoder), buffer_(buffer) {}

DumpLoader::~DumpLoader() = default;

void DumpLoader::close() {
    owned_.reset();
    file_ = nullptr;
}

bool DumpLoader::open(const std::string& path) {
    close();
    // A folder opens for reading on some systems: it is no dump file, and the trace
    // must stay as it is.
    std::error_code error;
    const bool folder = std::filesystem::is_directory(path, error);
    errno = 0;
    owned_.reset(folder ? nullptr : std::fopen(path.c_str(), "rb"));
    file_ = owned_.get();
    bytesRead_ = 0;
    atEnd_ = false;
    readFailed_ = false;
    error_.clear();
    if (file_ == nullptr) {
        error_ = reasonOf(folder ? EISDIR : errno);
        fileSize_ = 0;
        return false;
    }
    buffer_.carryOver = 0;  // a load starts with an empty buffer
    const auto size = std::filesystem::file_size(path, error);
    fileSize_ = error ? 0 : size;
    return true;
}

void DumpLoader::open(std::FILE* stream) {
    close();
    file_ = stream;
    bytesRead_ = 0;
    fileSize_ = 0;
    atEnd_ = false;
    readFailed_ = false;
    error_.clear();
    buffer_.carryOver = 0;
}

bool DumpLoader::step() {
    if (file_ == nullptr || atEnd_) {
        return false;
    }
    // New bytes go behind those of a frame cut off by the last block.
    const std::int32_t carried = buffer_.carryOver;
    const auto wanted = static_cast<std::size_t>(ReceiveBuffer::kSize - carried);
    errno = 0;
    const std::size_t got = std::fread(buffer_.bytes.data() + carried, 1, wanted, file_);
    bytesRead_ += got;
    if (got < wanted) {
        atEnd_ = true;
        readFailed_ = std::ferror(file_) != 0;
        error_ = readFailed_ ? reasonOf(errno) : std::string();
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
    close();
    if (readFailed_) {
        return LoadResult::ReadError;
    }
    return atEnd_ ? LoadResult::Ok : LoadResult::Cancelled;
}

}  // namespace daridez
