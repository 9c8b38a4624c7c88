// daridez-dump against tshark: the same million LIN frames printed as text, by
// daridez-dump from a dump file and by "tshark -T fields" from a LIN capture of them,
// both to /dev/null, in the same run. Also daridez-dump's peak resident size, which
// stays flat because rows are printed as they complete and then freed.
// Usage: bench-dump-vs-tshark [LIN frames, default 1000000]; skips without tshark.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "files/PcapngWriter.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

bool writeCapture(const std::string& dumpPath, const std::string& capturePath) {
    TraceList list;
    CountingSink sink;
    if (!loadDump(dumpPath, list, sink)) {
        return false;
    }
    FileOutput out(capturePath);
    PcapngWriter writer(out, 0);
    for (const TraceEntry& row : list) {
        writer.writeRow(row);
    }
    return writer.finish() && out.close();
}

// The peak resident size of a running process in kilobytes (0 once it has gone).
long peakResidentKb(pid_t pid) {
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

// Runs a shell command; its wall time and, when the command execs the program, the
// program's peak resident size in kilobytes, read while it runs.
struct Run {
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
};

Run run(const std::string& command) {
    Run result;
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    Timer start;
    pid_t child = 0;
    if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
        0) {
        return result;
    }
    int status = 0;
    pid_t waited = 0;
    while ((waited = waitpid(child, &status, WNOHANG)) == 0) {
        result.peakKb = std::max(result.peakKb, peakResidentKb(child));
        usleep(1000);
    }
    result.seconds = secondsSince(start).wall;
    result.ok = waited == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) {
        std::printf("bench-dump-vs-tshark: no tshark here, skipped\n");
        return 0;
    }
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    const std::string dump = scratchPath("bench-vs-tshark", ".dump");
    const std::string capture = scratchPath("bench-vs-tshark", ".pcapng");
    {
        const DumpGenerator::Dump generated = DumpGenerator::generate(options);
        if (!writeFile(dump, generated.bytes) || !writeCapture(dump, capture)) {
            std::fprintf(stderr, "cannot write %s or %s\n", dump.c_str(), capture.c_str());
            return 1;
        }
        std::printf("%llu LIN frames\n", static_cast<unsigned long long>(generated.linFrames));
    }

    const std::string self = argv[0];
    const std::string tool = self.substr(0, self.find_last_of('/') + 1) + "daridez-dump";
    const Run ours = run("exec " + tool + " " + dump + " >/dev/null");
    const Run theirs = run("tshark -r " + capture +
                           " -T fields -e frame.time_relative -e lin.frame_id -e lin.length"
                           " -e lin.checksum -e data.data >/dev/null 2>&1");
    if (std::getenv("KEEP") == nullptr) {
        std::remove(dump.c_str());
        std::remove(capture.c_str());
    }
    if (!ours.ok || !theirs.ok) {
        std::fprintf(stderr, "a command failed\n");
        return 1;
    }
    std::printf("  daridez-dump  %7.2f s, peak resident %.1f MB\n", ours.seconds,
                ours.peakKb / 1024.0);
    std::printf("  tshark fields %7.2f s\n", theirs.seconds);
    std::printf("  daridez-dump is %.1fx faster\n", theirs.seconds / ours.seconds);
    return 0;
}
