#include "files/SafeReplace.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace daridez {

namespace {

// What stands at a path before it is replaced.
struct Found {
    enum Kind { Missing, Regular, Other, Unknown } kind = Unknown;
    unsigned mode = 0;  // the permission bits of a regular file
    bool writable = false;
};

// The few system calls a replacement needs, so that the class reads the same on
// every system.
#if defined(_WIN32)

Found inspect(const std::string& path) {
    struct _stat64 info {};
    if (::_stat64(path.c_str(), &info) != 0) {
        return {errno == ENOENT ? Found::Missing : Found::Unknown};
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        return {Found::Other};
    }
    return {Found::Regular, 0, (info.st_mode & _S_IWRITE) != 0 && ::_access(path.c_str(), 2) == 0};
}

int createNew(const std::string& path, bool /*keepMode*/, unsigned /*mode*/) {
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

int openExisting(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_BINARY);
}

long long writeSome(int fd, const char* bytes, std::size_t size) {
    const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    return ::_write(fd, bytes, chunk);
}

int syncFile(int fd) {
    return ::_commit(fd);
}

int closeFile(int fd) {
    return ::_close(fd);
}

bool replace(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);  // replaces an existing file
    errno = error ? error.value() : 0;
    return !error;
}

void removeFile(const std::string& path) {
    ::_unlink(path.c_str());
}

void syncFolderOf(const std::string&) {}

#else

Found inspect(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {errno == ENOENT ? Found::Missing : Found::Unknown};
    }
    if (!S_ISREG(info.st_mode)) {
        return {Found::Other};
    }
    // A file without any write bit counts as protected even for root, who could
    // write it: its owner said it should stay as it is.
    const bool writable = (info.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
    return {Found::Regular, static_cast<unsigned>(info.st_mode & 07777), writable};
}

// Created private, then given the replaced file's bits before any byte is written; a
// new file gets what the umask leaves of 0666, as any program's new file.
int createNew(const std::string& path, bool keepMode, unsigned mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                          keepMode ? 0600 : 0666);
    if (fd >= 0 && keepMode && ::fchmod(fd, static_cast<mode_t>(mode)) != 0) {
        const int saved = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = saved;
        return -1;
    }
    return fd;
}

int openExisting(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
}

long long writeSome(int fd, const char* bytes, std::size_t size) {
    return ::write(fd, bytes, size);
}

int syncFile(int fd) {
    return ::fsync(fd);
}

int closeFile(int fd) {
    return ::close(fd);
}

bool replace(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void removeFile(const std::string& path) {
    ::unlink(path.c_str());
}

// The rename is only lasting once the folder's entry is on disk. Some file systems
// cannot sync a folder; the file itself is there all the same, so this only tries.
void syncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

#endif

}  // namespace

int SafeReplace::DiskCalls::sync(int fd) const {
    return syncFile(fd);
}

int SafeReplace::DiskCalls::close(int fd) const {
    return closeFile(fd);
}

bool SafeReplace::DiskCalls::rename(const std::string& from, const std::string& to) const {
    return replace(from, to);
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

std::string SafeReplace::followLinks(const std::string& path) {
#if defined(_WIN32)
    return path;
#else
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {  // as many as the kernel follows
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        std::vector<char> buffer(static_cast<std::size_t>(info.st_size) + 256);
        const ssize_t length = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
            return current;
        }
        std::string next(buffer.data(), static_cast<std::size_t>(length));
        const std::size_t slash = current.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) {
            next = current.substr(0, slash + 1) + next;  // relative to the link's folder
        }
        current = std::move(next);
    }
    return path;  // a loop: opening it fails and says so
#endif
}

bool SafeReplace::open() {
    if (fd_ >= 0 || committed_) {
        return fail("already opened");
    }
    destination_ = followLinks(target_);
    const Found found = inspect(destination_);
    switch (found.kind) {
        case Found::Missing:
            return createTemporary(false, 0);
        case Found::Regular:
            if (!found.writable) {
                return fail("write-protected");
            }
            return createTemporary(true, found.mode);
        case Found::Other:
            return openInPlace();  // a pipe or a device: there is nothing to rename over
        case Found::Unknown:
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
        const long long written = writeSome(fd_, bytes, size);
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
        syncFolderOf(destination_);
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
    fd_ = openExisting(destination_);
    return fd_ >= 0 || failWithErrno();
}

// A name beside the destination that is not taken, created exclusively: an earlier
// save that was cut off may have left its temporary file behind.
bool SafeReplace::createTemporary(bool keepMode, unsigned mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name =
            destination_ + ".saving" + (attempt > 0 ? std::to_string(attempt) : std::string());
        fd_ = createNew(name, keepMode, mode);
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
        closeFile(std::exchange(fd_, -1));
    }
    if (!temporary_.empty()) {
        removeFile(temporary_);
        temporary_.clear();
    }
}

}  // namespace daridez
