#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "files/TraceRecorder.h"
#include "protocol/ByteSink.h"

namespace daridez {

// A recording that runs for days: the trace's bytes go to a series of dump files, each
// named by its start time, a new one begun once the current one reached a size or an
// age. The cut falls just before the first frame that opens a row once the limit is
// reached, so no byte is lost or doubled (the files put together are the stream) and
// each file loads whole on its own: it starts where a row starts.
class RotatingRecorder : public ByteSink {
  public:
    // When a file is full: bytes (0: any size), seconds (0: any age).
    struct Limit {
        std::uint64_t bytes = 0;
        std::int64_t seconds = 0;
    };
    // "100MB", "512KiB", "1h", "30min": a whole number and a unit (B, kB, MB, GB,
    // KiB, MiB, GiB; s, min, h, d). nullopt: not a limit.
    static std::optional<Limit> ParseLimit(std::string_view text);

    // path: "folder/name.dump" makes "folder/name-2026-12-06_14-03-22.dump" and on;
    // now: the wall clock (seconds since 1970) that names and ages the files.
    RotatingRecorder(const std::string& path, Limit limit, std::function<std::time_t()> now);

    // Creates the first file; false when it cannot be made (error()).
    bool start();
    void received(const std::uint8_t* bytes, std::size_t count) override;
    void tick() override { file_.tick(); }
    void traceEnded() override { close(); }
    std::string keptIn() const override { return file_.recording() ? file_.path() : ""; }
    // Writes a byte still held back, flushes, syncs and closes; false on a failure.
    bool close();

    // Why the recording stopped: "" while nothing failed.
    const std::string& error() const { return file_.error(); }
    // The file being written (or the last one).
    const std::string& path() const { return file_.path(); }

  private:
    // Whether the file is full, with unwritten bytes still to come into it.
    bool due(std::time_t now, std::size_t unwritten) const;
    bool write(const std::uint8_t* bytes, std::size_t count);
    bool rotate();

    TraceRecorder file_;
    std::string stem_;
    std::string extension_;
    Limit limit_;
    std::function<std::time_t()> now_;
    std::time_t fileStart_ = 0;
    std::size_t frameLeft_ = 0;               // bytes of the frame being passed still to come
    std::optional<std::uint8_t> heldLength_;  // a length byte whose kind byte is still to come
};

}  // namespace daridez
