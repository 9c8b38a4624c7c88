// daridez-dump against tshark: the same million LIN frames printed as text, by
// daridez-dump from a dump file and by "tshark -T fields" from a LIN capture of them,
// both to /dev/null, in the same run. Also daridez-dump's peak resident size, which
// stays flat because rows are printed as they complete and then freed.
// Usage: bench-dump-vs-tshark [LIN frames, default 1000000]; skips without tshark.
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
    for (const TraceEntry* row = list.TraceListHead(); row != nullptr; row = row->next) {
        writer.writeRow(*row);
    }
    return writer.finish() && out.close();
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
    const CommandRun ours = runCommand("exec " + tool + " " + dump + " >/dev/null");
    const CommandRun theirs =
        runCommand("tshark -r " + capture +
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
