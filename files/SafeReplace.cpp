#include "files/SafeReplace.h"

#include "files/FilesPlatform.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace daridez {

int SafeReplace::DiskCalls::sync(int fd) const {
    return SyncFile(fd);
}

int SafeReplace::DiskCalls::close(int fd) const {
    return CloseFile(fd);
}

bool SafeReplace::DiskCalls::rename(const std::string& from, const std::string& to) const {
    return RenameReplacing(from, to);
}

const SafeReplace::DiskCalls& SafeReplace::systemCalls() {
    static const DiskCalls calls;
    return calls;
}

SafeReplace::SafeReplace(std::string target, const DiskCalls& calls)
    : calls_(calls), target_(std::move(target)) {}

SafeReplace::~SafeReplace() {
    discard();
}

bool SafeReplace::open() {
    if (fd_ >= 0 || committed_) {
        return fail("already opened");
    }
    destination_ = FollowLinks(target_);
    const FoundFile found = InspectFile(destination_);
    switch (found.kind) {
        case FoundFile::Missing:
            return createTemporary(false, 0);
        case FoundFile::Regular:
            if (!found.writable) {
                return fail("write-protected");
            }
            return createTemporary(true, found.mode);
        case FoundFile::Other:
            return openInPlace();  // a pipe or a device: there is nothing to rename over
        case FoundFile::Unknown:
            break;
    }
    return failWithErrno();
}

bool SafeReplace::write(const void* data, std::size_t size) {
    if (fd_ < 0 || failed_) {
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const long long written = WriteSome(fd_, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return failWithErrno();
        }
        if (written == 0) {
            return fail("short write");
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool SafeReplace::commit() {
    if (fd_ < 0 || failed_) {
        discard();
        return failed_ ? false : fail("not open");
    }
    const bool inPlace = temporary_.empty();
    // A pipe or a terminal cannot be synced, and is not renamed: closing it is all.
    if (!inPlace && calls_.sync(fd_) != 0) {
        failWithErrno();
        discard();
        return false;
    }
    const int fd = std::exchange(fd_, -1);
    if (calls_.close(fd) != 0) {
        failWithErrno();
        discard();
        return false;
    }
    if (!inPlace) {
        if (!calls_.rename(temporary_, destination_)) {
            failWithErrno();
            discard();
            return false;
        }
        temporary_.clear();
        SyncFolderOf(destination_);
    }
    committed_ = true;
    return true;
}

bool SafeReplace::fail(std::string reason) {
    failed_ = true;
    error_ = std::move(reason);
    return false;
}

bool SafeReplace::failWithErrno() {
    return fail(std::strerror(errno));
}

bool SafeReplace::openInPlace() {
    fd_ = OpenExistingFile(destination_);
    return fd_ >= 0 || failWithErrno();
}

// A name beside the destination that is not taken, created exclusively: an earlier
// save that was cut off may have left its temporary file behind.
bool SafeReplace::createTemporary(bool keepMode, unsigned mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name =
            destination_ + ".saving" + (attempt > 0 ? std::to_string(attempt) : std::string());
        fd_ = CreateNewFile(name, keepMode, mode);
        if (fd_ >= 0) {
            temporary_ = std::move(name);
            return true;
        }
        if (errno != EEXIST) {
            return failWithErrno();
        }
    }
    return failWithErrno();
}

void SafeReplace::discard() {
    if (fd_ >= 0) {
        CloseFile(std::exchange(fd_, -1));
    }
    if (!temporary_.empty()) {
        RemoveFile(temporary_);
        temporary_.clear();
    }
}

}  // namespace daridez
