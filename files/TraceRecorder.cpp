#include "files/TraceRecorder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "files/FilesPlatform.h"

namespace daridez {

namespace {

// Names tried after the first one when a recording started in the same second.
constexpr int kMaxNameClashes = 99;

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
    return StampedName("trace", ".dump", start);
}

std::string TraceRecorder::StampedName(const std::string& stem, const std::string& extension,
                                       std::time_t start) {
    const std::tm local = LocalTime(start);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "-%Y-%m-%d_%H-%M-%S", &local);
    return stem + stamp + extension;
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

// Never appends to an older recording.
bool TraceRecorder::create(const std::string& stem, const std::string& extension, std::time_t start,
                           bool sortable) {
    close();
    error_.clear();
    size_ = 0;
    const std::string name = StampedName(stem, "", start);
    for (int attempt = 1; attempt <= kMaxNameClashes; ++attempt) {
        char clash[8] = "";
        if (attempt > 1) {
            std::snprintf(clash, sizeof clash, sortable ? "_%02d" : "-%d", attempt);
        }
        path_ = name + clash + extension;
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
    create(joinPath(folder_, "trace"), ".dump", std::time(nullptr));
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
