// Overnight bench: a night of 14 hours at full bus load (7.8 million LIN frames of 8 data
// bytes at 19,200 baud) fed through the trace controller's live path as fast as it takes
// them, recorded to disk under a 1 GB row budget (the list a ring), then the recording
// loaded back: every frame there, message numbers without a gap. Prints the peak resident
// size and the time taken. Not a test: it writes about half a gigabyte.
// Usage: bench-overnight [LIN frames, default 7800000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "files/TraceLoad.h"
#include "files/TraceRecorder.h"
#include "lin/FrameCheck.h"
#include "lin/LinRates.h"
#include "protocol/ControllerWindow.h"
#include "protocol/PortChannel.h"
#include "protocol/TraceController.h"
#include "trace/RowBudget.h"

using namespace daridez;

namespace {

constexpr std::uint64_t kRowBudgetBytes = 1ull << 30;
constexpr std::int64_t kFrameMicros = 6452;  // 155 frames a second

// A tracer that answers Start with its start marker and then reports a night of LIN
// frames, as fast as they are read.
class NightPort : public PortChannel {
  public:
    explicit NightPort(std::uint64_t frames) : frames_(frames) {}
    bool isConnected() const override { return true; }
    bool deviceVanished() const override { return false; }
    std::uint32_t PurgeInput() override { return 1; }
    std::uint32_t PurgeOutput() override { return 1; }
    std::uint32_t Write(const std::uint8_t* /*bytes*/, std::uint32_t count) override {
        started_ = true;
        const std::uint8_t marker[] = {5, 0x82, 0, 1, 0, 0};
        pending_.insert(pending_.end(), marker, marker + sizeof marker);
        return count;
    }
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) override {
        while (started_ && pending_.size() < max && sent_ < frames_) {
            nextFrame();
        }
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(max, pending_.size()));
        std::memcpy(buffer, pending_.data(), n);
        pending_.erase(pending_.begin(), pending_.begin() + n);
        return n;
    }
    bool done() const { return sent_ == frames_ && pending_.empty(); }

  private:
    void stamped(std::uint8_t kind, std::uint8_t value) {
        const std::uint8_t frame[] = {5,     kind, std::uint8_t(clock_ >> 8), std::uint8_t(clock_),
                                      value, 0};
        pending_.insert(pending_.end(), frame, frame + (kind == 0x90 ? 5 : 6));
        if (kind == 0x90) {
            pending_[pending_.size() - 5] = 4;
        }
    }
    void advance(std::int64_t micros) {
        const std::int64_t next = clock_ + micros;
        for (std::int64_t wrap = (clock_ | 0xFFFF) + 1; wrap <= next; wrap += 0x10000) {
            const std::uint8_t frame[] = {2, 0xA0, 0xA2};
            pending_.insert(pending_.end(), frame, frame + 3);
        }
        clock_ = next;
    }
    void nextFrame() {
        const std::uint8_t data[8] = {std::uint8_t(sent_), 1, 2, 3, 4, 5, 6, 7};
        stamped(0x90, 0);
        advance(520), stamped(0x91, 0x55);
        advance(520), stamped(0x92, 0xC1);
        for (int i = 0; i < 8; ++i) {
            advance(520), stamped(std::uint8_t(0x93 + i), data[i]);
        }
        // The enhanced checksum: protected identifier and data.
        advance(520), stamped(0x9B, LinChecksum(0xC1, data, 8));
        advance(kFrameMicros - 10 * 520);
        ++sent_;
    }

    std::uint64_t frames_;
    std::uint64_t sent_ = 0;
    std::int64_t clock_ = 0;
    bool started_ = false;
    std::vector<std::uint8_t> pending_;
};

// The peak resident size of this process in MB, from /proc/self/status.
double peakResidentMb() {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (file != nullptr && std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kb = std::strtol(line + 6, nullptr, 10);
        }
    }
    if (file != nullptr) {
        std::fclose(file);
    }
    return static_cast<double>(kb) / 1024.0;
}

struct QuietWindow : ControllerWindow {
    void setStatusLine1(const std::string& text) override { line1 = text; }
    void setStatusLine2(const std::string& /*text*/) override {}
    bool hasLinBaudrateBox() const override { return true; }
    void showBusy(bool /*busy*/, bool /*rateSearchRunning*/) override {}
    std::string linBaudrateText() const override { return std::to_string(kDefaultLinRate); }
    void setLinBaudrateText(const std::string& /*text*/) override {}
    void setListLive(bool /*live*/) override {}
    void redrawLastPage() override {}
    void markPortNotConnected() override {}
    void reportOutOfMemory() override { ++outOfMemory; }
    std::string line1;
    int outOfMemory = 0;
};

// Counts the rows of a load and checks their numbers, freeing them as it goes.
struct GapCheck : RowSink {
    explicit GapCheck(TraceList& list) : list(list) {}
    bool AppendRow(TraceEntry* entry, std::int32_t number) override {
        gaps += rows != 0 && number != last + 1 ? 1 : 0;
        last = number, ++rows;
        list.FreeRowsBefore(entry);
        return true;
    }
    TraceList& list;
    std::int32_t last = 0;
    std::uint64_t rows = 0, gaps = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t frames = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 7800000;
    const std::string folder = bench::scratchPath("bench-overnight", "");
    std::filesystem::create_directories(folder);
    const auto started = std::chrono::steady_clock::now();

    TraceList list;
    list.setRowBudget(kRowBudgetBytes / kRowCost);
    ReceiveBuffer buffer;
    struct : RowSink {
        bool AppendRow(TraceEntry*, std::int32_t) override { return true; }
    } view;
    TraceSession session(list, buffer, view);
    NightPort port(frames);
    QuietWindow window;
    SetBaudrateFrame baudrateFrame;
    TraceController controller(port, window, session, baudrateFrame);
    TraceRecorder recorder(folder);
    controller.setByteSink(&recorder);
    controller.onStart();
    while (!port.done()) {
        controller.onTimerTick();
    }
    controller.onTimerTick();
    controller.onStop();
    const double fed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::string path = recorder.path();
    std::printf(
        "%llu LIN frames fed in %.1f s; %llu rows in the list (budget %llu), %s; "
        "recording %.1f MB%s\n",
        static_cast<unsigned long long>(frames), fed,
        static_cast<unsigned long long>(list.rowCount()),
        static_cast<unsigned long long>(list.rowBudget()), window.line1.c_str(),
        static_cast<double>(recorder.size()) / 1e6,
        window.outOfMemory != 0 ? ", RAN OUT OF MEMORY" : "");
    session.clear();

    TraceList loaded;
    GapCheck check(loaded);
    ReceiveBuffer loadBuffer;
    TraceSession reload(loaded, loadBuffer, check);
    const LoadResult result = LoadTrace(reload, path);
    const double total =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const bool ok = result == LoadResult::Ok && check.gaps == 0 &&
                    static_cast<std::uint64_t>(reload.decoder.frameCount()) == frames;
    std::printf("recording loaded back: %d LIN frames, %llu rows, %llu gaps in MsgNr: %s\n",
                reload.decoder.frameCount(), static_cast<unsigned long long>(check.rows),
                static_cast<unsigned long long>(check.gaps), ok ? "complete" : "INCOMPLETE");
    std::printf("peak resident %.1f MB, %.1f s in all\n", peakResidentMb(), total);
    std::filesystem::remove_all(folder);
    return ok ? 0 : 1;
}
