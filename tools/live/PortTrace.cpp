#include "tools/live/PortTrace.h"

#include <chrono>
#include <memory>

#include "files/TraceRecorder.h"
#include "protocol/StatusLine.h"
#include "serial/SerialPlatform.h"
#include "tools/StdioOutput.h"
#include "tools/live/CaptureSession.h"
#include "tools/live/CaptureWaiter.h"
#include "tools/live/FormatLiveOutput.h"
#include "tools/live/PcapngLiveOutput.h"

namespace daridez {

namespace {

using Clock = PollSchedule::Clock;

std::int64_t wallClockMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// The trace's bytes appended to one dump file named on the command line, made durable
// after every poll (a kill loses at most one poll).
class FileRecording : public ByteSink {
  public:
    bool open(const std::string& path) { return recorder_.open(path); }
    void received(const std::uint8_t* bytes, std::size_t count) override {
        recorder_.received(bytes, count);
    }
    void tick() override { recorder_.tick(); }
    // The file's failure, "" while there is none.
    std::string problem() const { return recorder_.error(); }
    bool close() { return recorder_.close(); }

  private:
    TraceRecorder recorder_;
};

// How a live trace ended.
enum class Ending { Stopped, DeviceTrouble };

// Polls the port until a stop signal, the deadline, the output's or the device's end,
// or trouble the session reported (failed).
Ending trace(CaptureSession& session, const LivePortChannel& port, int outputFd,
             std::optional<Clock::time_point> deadline, const bool& failed,
             const FileRecording& recording) {
    CaptureWaiter waiter;
    PollSchedule schedule(Clock::now());
    for (;;) {
        const CaptureWaiter::Wake wake = waiter.wait(port, outputFd, schedule);
        if (wake != CaptureWaiter::Wake::Tick) {
            return Ending::Stopped;
        }
        const auto now = Clock::now();
        const CaptureSession::TickResult result = session.poll(now);
        schedule.polled(now, session.lastPollRead(), session.quietTime());
        if (result == CaptureSession::TickResult::DeviceLost || failed ||
            !recording.problem().empty()) {
            return Ending::DeviceTrouble;
        }
        if (result == CaptureSession::TickResult::OutputLost || (deadline && now >= *deadline)) {
            return Ending::Stopped;
        }
    }
}

}  // namespace

int PortTrace::run(Options options, std::FILE* out, std::FILE* err) {
    StdioOutput output(out);
    const bool pcapng = options.format.kind == RowFormat::Kind::Pcapng;
    PcapngLiveOutput packets(output, true);
    FormatLiveOutput lines([&output] { return output.flush(); });
    LiveOutput& live = pcapng ? static_cast<LiveOutput&>(packets) : lines;

    LivePortChannel port;
    bool failed = false;
    CaptureSession::Settings settings;
    settings.linRate = options.linRate;
    settings.query = std::move(options.query);
    settings.ldf = options.format.ldf;
    FileRecording recording;
    if (!options.record.empty()) {
        if (!recording.open(options.record)) {
            std::fprintf(err, "daridez-dump: record error: %s\n", recording.problem().c_str());
            return kDeviceError;
        }
        settings.record = &recording;
    }
    const std::string& device = options.device;
    CaptureSession session(
        port, live, std::move(settings),
        [&](const std::string& text) {
            std::fprintf(err, "daridez-dump: %s: %s\n", device.c_str(), text.c_str());
            failed = true;
        },
        wallClockMicros);
    session.setDisplayModes(options.modes);
    if (!pcapng) {
        // An ASC log's date: now, unless --epoch chose one (the trace starts a moment later).
        if (options.format.epochMicros == 0) {
            options.format.epochMicros = wallClockMicros();
        }
        lines.setFormat(RowFormat::make(options.format, session.textForm(), output));
    }
    const std::string problem = port.open(device, options.line);
    if (!problem.empty()) {
        std::fprintf(err, "daridez-dump: %s\n", problem.c_str());
        return kDeviceError;
    }
    if (!session.writeHeaders()) {
        return kOk;  // the output is closed already
    }
    session.begin();
    std::optional<Clock::time_point> deadline;
    if (options.duration) {
        deadline = Clock::now() + *options.duration;
    }
    const Ending ending = trace(session, port, ::fileno(out), deadline, failed, recording);
    session.stop();
    if (!options.record.empty() && (!recording.close() || !recording.problem().empty())) {
        std::fprintf(err, "daridez-dump: record error: %s\n", recording.problem().c_str());
        return kDeviceError;
    }
    if (ending == Ending::DeviceTrouble) {
        return kDeviceError;
    }
    const std::string status = options.summary ? FormatStatusLine2(session.decoder()) : "";
    if (!pcapng) {
        lines.format()->finish(status);
    }
    output.flush();
    return kOk;
}

}  // namespace daridez
