#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "files/FileHandle.h"
#include "protocol/ByteSink.h"

namespace daridez {

// Records live traces to disk: every byte a trace delivers is appended to a new dump
// file in a chosen folder, named by the time the recording started, and made durable
// on every tick, so a crash or a pulled plug loses at most one tick. A failure closes
// the file and is kept for the caller to read; nothing throws, the trace goes on.
class TraceRecorder : public ByteSink {
  public:
    explicit TraceRecorder(std::string folder = {});
    ~TraceRecorder() override;

    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    // "trace-2026-12-06_14-03-22.dump": the start time in local time.
    static std::string FileName(std::time_t start);
    // stem + "-2026-12-06_14-03-22" + extension, the start time in local time.
    static std::string StampedName(const std::string& stem, const std::string& extension,
                                   std::time_t start);

    void setFolder(std::string folder) { folder_ = std::move(folder); }
    const std::string& folder() const { return folder_; }

    // Appends to path (made when missing); false (and failed()) when it cannot be opened.
    bool open(const std::string& path);
    // Closes the file and creates the new file stem-<start time>extension, never an
    // existing one: a clash gets "-2", "-3" ... behind the time, or with sortable "_02",
    // "_03" ..., which sort after the first name and before the next second's. False
    // (and failed()) when it cannot be made.
    bool create(const std::string& stem, const std::string& extension, std::time_t start,
                bool sortable = false);
    // Flushes, syncs and closes; false when the last bytes could not be written.
    bool close();

    // ByteSink: traceStarted() opens a new file in the folder, named by now.
    void traceStarted() override;
    void received(const std::uint8_t* bytes, std::size_t count) override;
    void tick() override;
    void traceEnded() override;
    std::string keptIn() const override { return recording() ? path_ : std::string(); }

    bool recording() const { return file_ != nullptr; }
    // The file of the current or the last recording, and the bytes it received.
    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }
    // A failed open, write, flush or sync: the file was closed, error() says why.
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    // The failure was dealt with: the next recording starts afresh.
    void clearError() { error_.clear(); }

  private:
    void fail(const char* what);

    std::string folder_;
    std::string path_;
    std::string error_;
    FileHandle file_;
    std::uint64_t size_ = 0;
    bool unsynced_ = false;  // bytes written since the last sync
};

}  // namespace daridez
