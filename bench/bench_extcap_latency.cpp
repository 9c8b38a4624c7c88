// How fast daridez-extcap hands a frame on and how fast it stops: a scripted tracer on a
// pseudo-terminal sends one LIN frame a second; the time from writing a frame to the
// port until its packet arrives on the FIFO (and, with tshark, until tshark prints it),
// and the time from SIGTERM on a silent bus until the program has ended.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ScriptedTracer.h"
#include "sim/PtyDevice.h"

extern char** environ;

namespace daridez::bench {
namespace {

using sim::PtyDevice;

// Waits until fd brings an enhanced packet block (type 6); false after timeoutMs. The
// capture's 48 header bytes come first, and each packet comes in one write.
bool awaitPacket(int fd, int timeoutMs, bool& headerSeen) {
    const auto start = Clock::now();
    while (msSince(start) < timeoutMs) {
        pollfd ready{fd, POLLIN, 0};
        std::uint8_t chunk[4096];
        if (::poll(&ready, 1, 10) <= 0) {
            continue;
        }
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        const ssize_t at = headerSeen ? 0 : 48;
        headerSeen = headerSeen || got >= at;
        if (got > at && chunk[at] == 6) {
            return true;
        }
    }
    return false;
}

struct Figures {
    std::vector<double> latencies;
    double stopMs = -1;
};

void print(const char* what, std::vector<double> values) {
    if (values.empty()) {
        std::printf("%-40s no figures\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%-40s min %6.1f ms  median %6.1f ms  max %6.1f ms  (%zu frames)\n", what,
                values.front(), values[values.size() / 2], values.back(), values.size());
}

// The program alone: frame written to the port -> packet on the FIFO; then SIGTERM.
Figures measureFifo(const char* extcap, int frames) {
    Figures figures;
    PtyDevice device;
    char dir[] = "/tmp/bench-extcap.XXXXXX";
    if (!device.open() || ::mkdtemp(dir) == nullptr) {
        return figures;
    }
    const std::string fifo = std::string(dir) + "/fifo";
    ::mkfifo(fifo.c_str(), 0600);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    const char* argv[] = {extcap,   "--capture",  "--extcap-interface", "daridez-bench",
                          "--fifo", fifo.c_str(), "--device",           device.path().c_str(),
                          nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, extcap, nullptr, nullptr, const_cast<char**>(argv), environ) != 0 ||
        !answerStart(device)) {
        return figures;
    }
    bool headerSeen = false;
    for (int i = 0; i < frames; ++i) {
        ::usleep(1000000);  // one frame a second
        const auto sent = Clock::now();
        device.write(hexBytes(kFrame));
        if (awaitPacket(reader, 5000, headerSeen)) {
            figures.latencies.push_back(msSince(sent));
        }
    }
    ::usleep(500000);  // a silent bus
    const auto term = Clock::now();
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    figures.stopMs = msSince(term);
    if (!awaitFromHost(device, hexBytes("020305"), 1000)) {
        std::printf("the device did not see the stop frame\n");
    }
    ::close(reader);
    ::unlink(fifo.c_str());
    ::rmdir(dir);
    return figures;
}

// Through tshark: frame written to the port -> tshark prints its line.
std::vector<double> measureTshark(const char* extcap, int frames) {
    std::vector<double> latencies;
    PtyDevice device;
    char home[] = "/tmp/bench-extcap-home.XXXXXX";
    if (!device.open() || ::mkdtemp(home) == nullptr) {
        return latencies;
    }
    const std::string config = std::string(home) + "/.config";
    const std::string folder = config + "/wireshark/extcap";
    std::system(("mkdir -p '" + folder + "' && ln -s \"$(readlink -f '" + extcap + "')\" '" +
                 folder + "/daridez-extcap'")
                    .c_str());
    if (std::FILE* profile = std::fopen((config + "/daridez.ini").c_str(), "w")) {
        std::fprintf(profile, "[PORTS]\nCom2=%s\n", device.path().c_str());
        std::fclose(profile);
    }
    const std::string name = "daridez-" + device.path().substr(device.path().rfind('/') + 1);
    // tshark ends by itself a while after the last frame.
    const std::string duration = "duration:" + std::to_string(frames + 15);
    int out[2];
    if (::pipe(out) != 0) {
        return latencies;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string homeVariable = "HOME=" + std::string(home);
    std::vector<char*> env{const_cast<char*>(homeVariable.c_str())};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (std::strncmp(*variable, "HOME=", 5) != 0 && std::strncmp(*variable, "XDG_", 4) != 0) {
            env.push_back(*variable);
        }
    }
    env.push_back(nullptr);
    const char* args[] = {"tshark", "-l",     "-i", name.c_str(),   "-a",   duration.c_str(),
                          "-T",     "fields", "-e", "lin.frame_id", nullptr};
    pid_t pid = 0;
    const bool started = ::posix_spawnp(&pid, "tshark", &actions, nullptr, const_cast<char**>(args),
                                        env.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (started && answerStart(device)) {
        for (int i = 0; i < frames; ++i) {
            ::usleep(1000000);
            const auto sent = Clock::now();
            device.write(hexBytes(kFrame));
            pollfd ready{out[0], POLLIN, 0};
            char line[256];
            if (::poll(&ready, 1, 5000) > 0 && ::read(out[0], line, sizeof line) > 0) {
                latencies.push_back(msSince(sent));
            }
        }
    }
    if (started) {
        ::kill(pid, SIGTERM);  // the one tshark started here
        ::waitpid(pid, nullptr, 0);
    }
    ::close(out[0]);
    std::system(("rm -rf '" + std::string(home) + "'").c_str());
    return latencies;
}

int run(int argc, char** argv) {
    const char* extcap = DARIDEZ_EXTCAP_PATH;
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const Figures fifo = measureFifo(extcap, frames);
    print("frame at the port -> packet on the FIFO", fifo.latencies);
    std::printf("%-40s %6.1f ms\n", "SIGTERM on a silent bus -> ended", fifo.stopMs);
    if (argc > 2 && std::strcmp(argv[2], "--tshark") == 0) {
        print("frame at the port -> line from tshark", measureTshark(extcap, frames));
    }
    return 0;
}

}  // namespace
}  // namespace daridez::bench

int main(int argc, char** argv) {
    return daridez::bench::run(argc, argv);
}
