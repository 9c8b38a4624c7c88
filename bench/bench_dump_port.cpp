// daridez-dump --port, live: how soon a row is out after its last byte reached the port,
// and whether it keeps up with 10,000 frames a second with --check --ldf --signals on
// one core. A scripted tracer on a pseudo-terminal answers the rate and the start, then
// sends one frame at a time on a quiet bus (latency), and then the example LDF's
// schedule as fast as 10,000 frames a second (throughput: the program's CPU time per
// second of bus, best of the runs).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ScriptedTracer.h"
#include "lin/LinDescription.h"
#include "sim/LdfSchedule.h"
#include "sim/PtyDevice.h"
#include "sim/TracerSimulator.h"

extern char** environ;

namespace daridez::bench {
namespace {

using sim::PtyDevice;

constexpr double kLatencyGoalMs = 200;
constexpr int kFramesPerSecondGoal = 10000;

// daridez-dump --port on the device, its standard output read by a thread of its own:
// how many bytes came and when the last did.
class DumpRun {
  public:
    DumpRun(const std::string& dump, const std::string& device, const std::string& ldf) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string port = "--port=" + device;
        const std::string ldfOption = "--ldf=" + ldf;
        const char* argv[] = {dump.c_str(), port.c_str(),      "--lin-rate=19200",
                              "--check",    ldfOption.c_str(), "--signals",
                              nullptr};
        started_ = ::posix_spawn(&pid_, dump.c_str(), &actions, nullptr, const_cast<char**>(argv),
                                 environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        reader_ = std::thread([this, fd = out[0]] { drain(fd); });
    }
    ~DumpRun() {
        stop();
        reader_.join();
    }
    bool started() const { return started_; }
    std::uint64_t bytes() const { return bytes_; }
    Clock::time_point lastOutput() const { return Clock::time_point(Clock::duration(last_)); }
    // SIGTERM, then the CPU seconds the program used.
    double stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);  // the one daridez-dump started here
            int status = 0;
            rusage usage{};
            ::wait4(pid_, &status, 0, &usage);
            pid_ = 0;
            cpu_ = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        }
        return cpu_;
    }

  private:
    void drain(int fd) {
        char chunk[65536];
        for (;;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got <= 0) {
                break;
            }
            bytes_ += static_cast<std::uint64_t>(got);
            last_ = Clock::now().time_since_epoch().count();
        }
        ::close(fd);
    }

    pid_t pid_ = 0;
    bool started_ = false;
    double cpu_ = 0;
    std::atomic<std::uint64_t> bytes_{0};
    std::atomic<Clock::rep> last_{0};
    std::thread reader_;
};

// Waits until the output has grown past before; false after timeoutMs.
bool awaitOutput(const DumpRun& run, std::uint64_t before, int timeoutMs) {
    const auto start = Clock::now();
    while (msSince(start) < timeoutMs) {
        if (run.bytes() > before) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

// One frame a moment on a quiet bus: its last byte written -> its line out.
std::vector<double> measureLatency(const std::string& dump, const std::string& ldf, int frames) {
    std::vector<double> latencies;
    PtyDevice device;
    if (!device.open()) {
        return latencies;
    }
    DumpRun run(dump, device.path(), ldf);
    if (!run.started() || !answerStart(device) || !awaitOutput(run, 0, 5000)) {
        return latencies;  // the start row first
    }
    const std::vector<std::uint8_t> frame = hexBytes(kFrame);
    for (int i = 0; i < frames; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a quiet bus between
        const std::uint64_t before = run.bytes();
        const auto sent = Clock::now();
        device.write(frame);
        if (awaitOutput(run, before, 5000)) {
            latencies.push_back(msSince(sent));
        }
    }
    return latencies;
}

struct Throughput {
    double cpuPerBusSecond = -1;  // CPU seconds per second of frames at the goal's rate
    double lagMs = -1;            // the last write -> the last output
    std::uint64_t frames = 0;
    std::uint64_t outputBytes = 0;
};

// The example LDF's schedule, paced at kFramesPerSecondGoal frames a second.
Throughput measureThroughput(const std::string& dump, const std::string& ldf, int seconds) {
    Throughput figures;
    sim::TracerSimulatorOptions options;
    options.startMarker = false;
    std::string error;
    const LinDescription description = LinDescription::read(ldf);
    if (description.model() == nullptr ||
        !sim::ScheduleFromLdf(*description.model(), "", options.schedule, error)) {
        std::printf("cannot read %s: %s\n", ldf.c_str(), error.c_str());
        return figures;
    }
    // The schedule's own pace is a few hundred frames a second: enough bus time for the
    // frames wanted, sent faster.
    const std::uint64_t wanted = std::uint64_t(seconds) * kFramesPerSecondGoal;
    std::vector<std::uint8_t> bytes;
    for (std::uint64_t micros = 100'000'000; figures.frames < wanted; micros *= 2) {
        bytes = sim::TracerSimulator(options).generate(micros);
        figures.frames = 0;
        for (std::size_t at = 0; at + 1 < bytes.size(); at += bytes[at] + 1u) {
            figures.frames += bytes[at] == 4 && bytes[at + 1] == 0x90;
        }
    }
    PtyDevice device;
    if (!device.open()) {
        return figures;
    }
    DumpRun run(dump, device.path(), ldf);
    if (!run.started() || !answerStart(device)) {
        return figures;
    }
    const double busSeconds = double(figures.frames) / kFramesPerSecondGoal;
    const std::size_t perTick = std::size_t(double(bytes.size()) / (busSeconds * 100.0)) + 1;
    const auto begin = Clock::now();
    for (std::size_t at = 0, tick = 0; at < bytes.size(); at += perTick, ++tick) {
        std::this_thread::sleep_until(begin + std::chrono::milliseconds(10 * tick));
        const std::size_t end = std::min(bytes.size(), at + perTick);
        device.write(
            std::vector<std::uint8_t>(bytes.begin() + long(at), bytes.begin() + long(end)));
    }
    const auto written = Clock::now();
    // Done once nothing more comes for a second.
    while (msSince(run.lastOutput()) < 1000 || run.lastOutput() < written) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (msSince(written) > 60000) {
            break;
        }
    }
    figures.lagMs = std::chrono::duration<double, std::milli>(run.lastOutput() - written).count();
    figures.outputBytes = run.bytes();
    figures.cpuPerBusSecond = run.stop() / std::max(busSeconds, msSince(begin) / 1000 - 1.0);
    return figures;
}

int run(int argc, char** argv) {
    const std::string dump = DARIDEZ_DUMP_PATH;
    const std::string ldf = DARIDEZ_EXAMPLE_LDF;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<double> latencies = measureLatency(dump, ldf, 10);
    std::sort(latencies.begin(), latencies.end());
    bool met = !latencies.empty() && latencies.back() <= kLatencyGoalMs;
    if (latencies.empty()) {
        std::printf("last byte at the port -> row out: no figures\n");
    } else {
        std::printf(
            "last byte at the port -> row out: median %.1f ms, max %.1f ms "
            "(goal: within %.0f ms)\n",
            latencies[latencies.size() / 2], latencies.back(), kLatencyGoalMs);
    }
    Throughput best;
    for (int round = 0; round < rounds; ++round) {
        const Throughput figures = measureThroughput(dump, ldf, 3);
        if (figures.cpuPerBusSecond >= 0 &&
            (best.cpuPerBusSecond < 0 || figures.cpuPerBusSecond < best.cpuPerBusSecond)) {
            best = figures;
        }
    }
    met = met && best.cpuPerBusSecond >= 0 && best.cpuPerBusSecond < 1.0;
    std::printf(
        "%d frames/s with --check --ldf --signals: %.2f CPU seconds per second "
        "(goal: below 1.00, one core; %llu frames, last row out %.0f ms after the last "
        "byte, %llu bytes out; best of %d)\n",
        kFramesPerSecondGoal, best.cpuPerBusSecond, static_cast<unsigned long long>(best.frames),
        best.lagMs, static_cast<unsigned long long>(best.outputBytes), rounds);
    return met ? 0 : 1;
}

}  // namespace
}  // namespace daridez::bench

int main(int argc, char** argv) {
    return daridez::bench::run(argc, argv);
}
