#pragma once

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <ctime>
#include "files/ByteOutput.h"

#include "files/TraceLoad.h"
#include "protocol/RowSink.h"

namespace daridez::bench {

// Wall time, and the process's processor time: on a shared machine the second says
// more about the code, the first about what a user waits.
struct Timer {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
};

struct Seconds {
    double wall = 0;
    double cpu = 0;
};

inline Seconds secondsSince(const Timer& start) {
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start.wall).count(),
            static_cast<double>(std::clock() - start.cpu) / CLOCKS_PER_SEC};
}

inline Seconds fastest(const Seconds& a, const Seconds& b) {
    return {std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)};
}

// The fastest of rounds runs of work, wall and processor time each: the figure least
// disturbed by other work on a shared machine.
template <typename Work>
Seconds bestOf(int rounds, Work work) {
    Seconds best{1e9, 1e9};
    for (int round = 0; round < rounds; ++round) {
        const Timer start;
        work();
        best = fastest(best, secondsSince(start));
    }
    return best;
}

// Each figure printed with its goal beside it; a missed goal makes the benchmark end
// with exit status 1.
class Goals {
  public:
    // figure (in unit) must be at least goal.
    void atLeast(const char* what, double figure, double goal, const char* unit) {
        check(what, figure, figure >= goal, ">=", goal, unit);
    }
    // figure (in unit) must be at most goal.
    void atMost(const char* what, double figure, double goal, const char* unit) {
        check(what, figure, figure <= goal, "<=", goal, unit);
    }
    bool allMet() const { return missed_ == 0; }
    int exitStatus() const {
        if (missed_ != 0) {
            std::printf("%d goal(s) missed\n", missed_);
        }
        return missed_ == 0 ? 0 : 1;
    }

  private:
    void check(const char* what, double figure, bool met, const char* relation, double goal,
               const char* unit) {
        std::printf("  goal: %-44s %12.4g %s (goal %s %.4g) %s\n", what, figure, unit, relation,
                    goal, met ? "met" : "MISSED");
        missed_ += met ? 0 : 1;
    }

    int missed_ = 0;
};

// Writes a generated dump to a file; false when any step failed.
inline bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// A file written in the blocks the writers hand over.
class FileOutput : public ByteOutput {
  public:
    explicit FileOutput(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
    ~FileOutput() override { close(); }
    bool write(const void* data, std::size_t size) override {
        return file_ != nullptr && std::fwrite(data, 1, size, file_) == size;
    }
    bool close() {
        const bool ok = file_ != nullptr && std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }

  private:
    std::FILE* file_;
};

// A file name of this run in $TMPDIR (or /tmp): "<folder>/<stem>-<pid><suffix>".
inline std::string scratchPath(const char* stem, const char* suffix) {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/" + stem + "-" +
           std::to_string(::getpid()) + suffix;
}

// Counts the decoder's rows and shows them nowhere: the load as the core alone does it.
class CountingSink : public RowSink {
  public:
    bool AppendRow(TraceEntry*, std::int32_t) override {
        ++rows;
        return true;
    }
    std::uint64_t rows = 0;
};

// Loads a dump file into list through sink, as "load trace" does. False when the load
// did not end well.
inline bool loadDump(const std::string& path, TraceList& list, RowSink& sink) {
    ReceiveBuffer buffer;
    TraceSession session(list, buffer, sink);
    return LoadTrace(session, path) == LoadResult::Ok;
}

// The peak resident size of a running process in kilobytes (0 once it has gone).
inline long peakResidentKb(pid_t pid) {
    std::FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (status == nullptr) {
        return 0;
    }
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) {
            break;
        }
    }
    std::fclose(status);
    return kb;
}

// A shell command run to its end: whether it succeeded, its wall time, its processor
// time (user and system, the shell's and every program it waited for) and, when the
// command execs the program, the program's peak resident size in kilobytes.
struct CommandRun {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKb = 0;
};

// The peak is read from /proc while the program runs: the size the kernel reports to
// wait4 would count the benchmark's own memory, which the spawned child shares until
// it execs.
inline CommandRun runCommand(const std::string& command) {
    CommandRun result;
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    const Timer start;
    pid_t child = 0;
    if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
        0) {
        return result;
    }
    int status = 0;
    pid_t waited = 0;
    rusage usage{};
    while ((waited = wait4(child, &status, WNOHANG, &usage)) == 0) {
        result.peakKb = std::max(result.peakKb, peakResidentKb(child));
        usleep(1000);
    }
    result.seconds = secondsSince(start).wall;
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    result.ok = waited == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

// The fastest of rounds runs of command: the least wall and processor time and the
// largest peak; ok when every run succeeded.
inline CommandRun bestRunOf(int rounds, const std::string& command) {
    CommandRun best;
    best.ok = true;
    best.seconds = 1e9;
    best.cpuSeconds = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const CommandRun run = runCommand(command);
        best.ok = best.ok && run.ok;
        best.seconds = std::min(best.seconds, run.seconds);
        best.cpuSeconds = std::min(best.cpuSeconds, run.cpuSeconds);
        best.peakKb = std::max(best.peakKb, run.peakKb);
    }
    return best;
}

}  // namespace daridez::bench
