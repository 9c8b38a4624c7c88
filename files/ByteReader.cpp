#include "files/ByteReader.h"

#include <cerrno>
#include <cstring>

namespace daridez {

const std::vector<std::uint8_t>& ByteReader::peek(std::size_t count) {
    const std::size_t had = head_.size();
    if (had < count && !failed_) {
        head_.resize(count);
        errno = 0;
        const std::size_t got = std::fread(head_.data() + had, 1, count - had, file_);
        head_.resize(had + got);
        if (got < count - had && std::ferror(file_) != 0) {
            failed_ = true;
            error_ = errno;
        }
    }
    return head_;
}

std::size_t ByteReader::read(std::uint8_t* out, std::size_t count) {
    std::size_t done = 0;
    if (headUsed_ < head_.size()) {
        done = std::min(count, head_.size() - headUsed_);
        std::memcpy(out, head_.data() + headUsed_, done);
        headUsed_ += done;
    }
    if (done < count && !failed_) {
        errno = 0;
        const std::size_t got = std::fread(out + done, 1, count - done, file_);
        done += got;
        if (done < count && std::ferror(file_) != 0) {
            failed_ = true;
            error_ = errno;
        }
    }
    bytesRead_ += done;
    return done;
}

}  // namespace daridez
