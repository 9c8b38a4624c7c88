#include "files/FilesPlatform.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace daridez {

namespace {

// An appending stream on a descriptor just opened; the descriptor is closed when no
// stream can be made, and errno says why.
std::FILE* openStream(int fd) {
    std::FILE* file = ::fdopen(fd, "ab");
    if (file == nullptr) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return file;
}

}  // namespace

#if defined(_WIN32)

FoundFile InspectFile(const std::string& path) {
    struct _stat64 info {};
    if (::_stat64(path.c_str(), &info) != 0) {
        return {errno == ENOENT ? FoundFile::Missing : FoundFile::Unknown};
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        return {FoundFile::Other};
    }
    return {FoundFile::Regular, 0,
            (info.st_mode & _S_IWRITE) != 0 && ::_access(path.c_str(), 2) == 0};
}

int CreateNewFile(const std::string& path, bool /*keepMode*/, unsigned /*mode*/) {
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

int OpenExistingFile(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_BINARY);
}

long long WriteSome(int fd, const char* bytes, std::size_t size) {
    const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    return ::_write(fd, bytes, chunk);
}

int SyncFile(int fd) {
    return ::_commit(fd);
}

int CloseFile(int fd) {
    return ::_close(fd);
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);  // replaces an existing file
    errno = error ? error.value() : 0;
    return !error;
}

void RemoveFile(const std::string& path) {
    ::_unlink(path.c_str());
}

void SyncFolderOf(const std::string&) {}

std::string FollowLinks(const std::string& path) {
    return path;
}

std::FILE* CreateNewAppendFile(const std::string& path) {
    const int fd =
        ::_open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                _S_IREAD | _S_IWRITE);
    return fd < 0 ? nullptr : openStream(fd);
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}

int SyncData(std::FILE* file) {
    return ::_commit(::_fileno(file));
}

bool TakesWindowsPatterns() {
    return true;
}

#else

FoundFile InspectFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {errno == ENOENT ? FoundFile::Missing : FoundFile::Unknown};
    }
    if (!S_ISREG(info.st_mode)) {
        return {FoundFile::Other};
    }
    // A file without any write bit counts as protected even for root, who could
    // write it: its owner said it should stay as it is.
    const bool writable = (info.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
    return {FoundFile::Regular, static_cast<unsigned>(info.st_mode & 07777), writable};
}

// Created private, then given the replaced file's bits before any byte is written; a
// new file gets what the umask leaves of 0666, as any program's new file.
int CreateNewFile(const std::string& path, bool keepMode, unsigned mode) {
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

int OpenExistingFile(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
}

long long WriteSome(int fd, const char* bytes, std::size_t size) {
    return ::write(fd, bytes, size);
}

int SyncFile(int fd) {
    return ::fsync(fd);
}

int CloseFile(int fd) {
    return ::close(fd);
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

// The rename is only lasting once the folder's entry is on disk. Some file systems
// cannot sync a folder; the file itself is there all the same, so this only tries.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string FollowLinks(const std::string& path) {
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
}

std::FILE* CreateNewAppendFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd < 0 ? nullptr : openStream(fd);
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

int SyncData(std::FILE* file) {
    return ::fdatasync(fileno(file));
}

bool TakesWindowsPatterns() {
    return false;
}

#endif

}  // namespace daridez
