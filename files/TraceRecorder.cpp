#include "files/TraceRecorder.h"

#include <cerrno>
#include <cstring>

#include "files/FilesPlatform.h"

namespace daridez {

namespace {

// Names tried after the first one when a recording started in the same second.
constexpr int kMaxNameClashes = 100;

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') {
        return folder + name;
    }
    return folder + '/' + name;
}

}  // namespace

TraceRecorder::TraceRecorder(std::string folder) : folder_(std::move(folder)) {}

TraceRecorder::~TraceRecorder() {
    close();
}

std::string TraceRecorder::FileName(std::time_t start) {
    const std::tm local = LocalTime(start);
    char name[64];
    std::strftime(name, sizeof name, "trace-%Y-%m-%d_%H-%M-%S.dump", &local);
    return name;
}

bool TraceRecorder::open(const std::string& path) {
    close();
    error_.clear();
    path_ = path;
    size_ = 0;
    file_.reset(std::fopen(path.c_str(), "ab"));
    if (file_ == nullptr) {
        fail("cannot open");
        return false;
    }
    return true;
}

// Never appends to an older recording: a clash gets "-2", "-3" ... behind the time.
bool TraceRecorder::openNew(std::time_t start) {
    close();
    error_.clear();
    size_ = 0;
    const std::string name = FileName(start);
    const std::string stem = name.substr(0, name.size() - 5);
    for (int attempt = 1; attempt <= kMaxNameClashes; ++attempt) {
        path_ =
            joinPath(folder_, attempt == 1 ? name : stem + '-' + std::to_string(attempt) + ".dump");
        file_.reset(CreateNewAppendFile(path_));
        if (file_ != nullptr) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    fail("cannot create");
    return false;
}

bool TraceRecorder::close() {
    if (file_ == nullptr) {
        return !failed();
    }
    tick();
    if (file_ != nullptr && std::fclose(file_.release()) != 0) {
        fail("cannot write");
    }
    return !failed();
}

void TraceRecorder::traceStarted() {
    openNew(std::time(nullptr));
}

void TraceRecorder::received(const std::uint8_t* bytes, std::size_t count) {
    if (file_ == nullptr) {
        return;
    }
    if (std::fwrite(bytes, 1, count, file_.get()) != count) {
        fail("cannot write");
        return;
    }
    size_ += count;
    unsynced_ = true;
}

// Only what reached the disk survives a pulled plug: flushed and synced, not just
// handed to the system.
void TraceRecorder::tick() {
    if (file_ == nullptr || !unsynced_) {
        return;
    }
    unsynced_ = false;
    if (std::fflush(file_.get()) != 0) {
        fail("cannot write");
    } else if (SyncData(file_.get()) != 0 && errno != EINVAL && errno != EROFS) {
        fail("cannot write");  // EINVAL, EROFS: a device or a pipe, which needs no sync
    }
}

void TraceRecorder::traceEnded() {
    close();
}

void TraceRecorder::fail(const char* what) {
    error_ = std::string(what) + ' ' + path_ + ": " + std::strerror(errno);
    file_.reset();
    unsynced_ = false;
}

}  // namespace daridez
