// Decode benchmark: how fast dump files are walked, loaded into rows, saved and exported
// (pcapng, CSV), and how much memory a row costs.
// Usage: bench-decode [LIN frames per trace, default 1000000]
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "files/CsvWriter.h"
#include "files/DumpWriter.h"
#include "files/PcapngWriter.h"
#include "files/TraceLoad.h"
#include "lin/Columns.h"
#include "protocol/StreamDecoder.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

// A figure of /proc/self/status in kB ("VmRSS", "VmHWM"), or -1.
long statusKb(const char* key) {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (file == nullptr) {
        return -1;
    }
    char line[256];
    long value = -1;
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            value = std::strtol(line + keyLength + 1, nullptr, 10);
        }
    }
    std::fclose(file);
    return value;
}

// Lets the peak resident size start again from the current one (Linux 4.0 on).
bool resetPeak() {
    std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && ok;
}

// (a) the practical limit: read each length byte and skip the frame.
std::uint64_t walkFrames(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t frames = 0;
    std::size_t p = 0;
    while (p < bytes.size()) {
        const std::uint8_t b = bytes[p];
        if (b == 0) {
            ++p;
            continue;
        }
        p += b + 1u;
        ++frames;
    }
    return frames;
}

// Exports the list's rows with writer into path, as a window's export does.
template <typename Writer, typename Argument>
bool exportTo(const std::string& path, const TraceList& list, const Argument& argument) {
    FileOutput out(path);
    Writer writer(out, argument);
    bool ok = true;
    for (const TraceEntry& entry : list) {
        ok = ok && writer.writeRow(entry);
    }
    ok = writer.finish() && ok;
    return out.close() && ok;
}

long long fileSize(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return -1;
    }
    std::fseek(file, 0, SEEK_END);
    const long long size = std::ftell(file);
    std::fclose(file);
    return size;
}

void report(const char* what, Seconds seconds, std::size_t bytes, std::uint64_t linFrames) {
    std::printf(
        "  %-20s wall %7.3f s %8.1f MB/s %10.0f LIN frames/s | cpu %7.3f s %8.1f MB/s "
        "%10.0f LIN frames/s\n",
        what, seconds.wall, bytes / seconds.wall / 1e6, linFrames / seconds.wall, seconds.cpu,
        bytes / seconds.cpu / 1e6, linFrames / seconds.cpu);
}

bool runTrace(const char* name, const DumpGenerator::Options& options, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::uint64_t linFrames = 0;
    {
        DumpGenerator::Dump dump = DumpGenerator::generate(options);
        bytes.swap(dump.bytes);
        linFrames = dump.linFrames;
        std::printf("%s: %llu LIN frames, %llu device errors, %llu timer wraps, %.1f MB\n", name,
                    static_cast<unsigned long long>(dump.linFrames),
                    static_cast<unsigned long long>(dump.deviceErrors),
                    static_cast<unsigned long long>(dump.timerWraps), bytes.size() / 1e6);
    }
    const std::size_t size = bytes.size();

    Timer start;
    const std::uint64_t frames = walkFrames(bytes);
    const Seconds walkSeconds = secondsSince(start);
    report("(a) frame walk", walkSeconds, size, linFrames);
    if (!writeFile(path, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::vector<std::uint8_t>().swap(bytes);  // the load reads the file, not memory

    TraceList list;
    CountingSink view;
    ReceiveBuffer buffer;
    TraceSession session(list, buffer, view);
    const StreamDecoder& decoder = session.decoder;
    const bool peakReset = resetPeak();
    const long baseline = peakReset ? statusKb("VmHWM") : statusKb("VmRSS");

    start = Timer{};
    if (LoadTrace(session, path) != LoadResult::Ok) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        return false;
    }
    const Seconds loadSeconds = secondsSince(start);
    const long peak = statusKb("VmHWM");
    report("(b) load into rows", loadSeconds, size, linFrames);

    // What a load cost while rows were made with their texts: the load, then every
    // row's fourteen texts made once.
    start = Timer{};
    std::uint64_t textBytes = 0;
    for (const TraceEntry& entry : list) {
        CellScratch scratch;
        for (int column = 0; column < kStoredColumnCount; ++column) {
            textBytes += std::strlen(CellText(entry, list.textForm(), Column(column), scratch));
        }
    }
    const Seconds textSeconds = secondsSince(start);
    const Seconds withTexts{loadSeconds.wall + textSeconds.wall, loadSeconds.cpu + textSeconds.cpu};
    report("(b') load, texts made", withTexts, size, linFrames);

    const std::string saved = path + ".saved";
    start = Timer{};
    const bool savedOk = DumpWriter::save(list, saved);
    const Seconds saveSeconds = secondsSince(start);
    report("(c) save", saveSeconds, size, linFrames);
    std::remove(saved.c_str());

    const std::string pcapng = path + ".pcapng";
    start = Timer{};
    const bool pcapngOk = exportTo<PcapngWriter>(pcapng, list, std::int64_t{0});
    const Seconds pcapngSeconds = secondsSince(start);
    report("(d) export pcapng", pcapngSeconds, size, linFrames);
    const long long pcapngSize = fileSize(pcapng);
    std::remove(pcapng.c_str());

    const std::string csv = path + ".csv";
    start = Timer{};
    const bool csvOk = exportTo<CsvWriter>(csv, list, list.textForm());
    const Seconds csvSeconds = secondsSince(start);
    report("(e) export CSV", csvSeconds, size, linFrames);
    const long long csvSize = fileSize(csv);
    std::remove(csv.c_str());

    std::printf("  frames %llu, rows %llu, FRMs %d, ERRs %d\n",
                static_cast<unsigned long long>(frames), static_cast<unsigned long long>(view.rows),
                decoder.frameCount(), decoder.errorCount());
    std::printf("  ratio (b)/(a) speed: wall %.4f, cpu %.4f\n", walkSeconds.wall / loadSeconds.wall,
                walkSeconds.cpu / loadSeconds.cpu);
    std::printf("  ratio (b)/(b') speed: wall %.2f, cpu %.2f (%.1f MB of texts)\n",
                withTexts.wall / loadSeconds.wall, withTexts.cpu / loadSeconds.cpu,
                static_cast<double>(textBytes) / 1e6);
    std::printf(
        "  export time / save time: pcapng wall %.2f cpu %.2f (%.1f MB), CSV wall %.2f "
        "cpu %.2f (%.1f MB)\n",
        pcapngSeconds.wall / saveSeconds.wall, pcapngSeconds.cpu / saveSeconds.cpu,
        pcapngSize / 1e6, csvSeconds.wall / saveSeconds.wall, csvSeconds.cpu / saveSeconds.cpu,
        csvSize / 1e6);
    std::printf(
        "  memory per row: %.0f bytes (peak resident %s, row record %zu bytes; 688 with "
        "ready-made texts)\n",
        (peak - baseline) * 1024.0 / static_cast<double>(view.rows),
        peakReset ? "reset before loading" : "over resident size before loading",
        sizeof(TraceEntry));
    std::remove(path.c_str());
    return savedOk && pcapngOk && csvOk;
}

}  // namespace

int main(int argc, char** argv) {
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    const std::string path = scratchPath("bench-decode", ".dump");

    bool ok = runTrace("8 data bytes", options, path);
    options.minDataBytes = 1;
    options.seed = 7;
    ok = runTrace("1 to 8 data bytes", options, path) && ok;
    return ok ? 0 : 1;
}
