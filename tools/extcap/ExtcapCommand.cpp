#include "tools/extcap/ExtcapCommand.h"

#include <chrono>
#include <cstdlib>
#include <optional>

#include "ldf/LdfFile.h"
#include "ldf/LdfParser.h"
#include "lin/LinRates.h"
#include "lin/Query.h"
#include "serial/PortList.h"
#include "serial/PortPaths.h"
#include "serial/Profile.h"
#include "serial/SerialPlatform.h"
#include "serial/SerialSettings.h"
#include "tools/ToolsPlatform.h"
#include "tools/extcap/ExtcapAnswers.h"
#include "tools/extcap/ExtcapInterfaces.h"
#include "tools/extcap/FifoOutput.h"
#include "tools/extcap/UserInstall.h"
#include "tools/live/CaptureSession.h"
#include "tools/live/CaptureWaiter.h"
#include "tools/live/PcapngLiveOutput.h"

#ifndef DARIDEZ_VERSION
#define DARIDEZ_VERSION "0"
#endif
#ifndef DARIDEZ_HELP_URL
#define DARIDEZ_HELP_URL ""
#endif

namespace daridez {

namespace {

constexpr const char* kUsage =
    "usage: daridez-extcap --extcap-interfaces\n"
    "       daridez-extcap --extcap-interface IF --extcap-dlts | --extcap-config\n"
    "       daridez-extcap --extcap-interface IF --capture --fifo PATH [--device PATH]\n"
    "                      [--lin-rate N] [--baud N] [--data-bits 7|8] [--parity none|odd|even]\n"
    "                      [--stop-bits 1|2] [--checks true|false] [--ldf LDF]\n"
    "                      [--extcap-capture-filter Q]\n"
    "       daridez-extcap --install-user | --uninstall-user | --help\n";

constexpr const char* kHelp =
    "The LIN tracer as a capture interface of Wireshark and tshark (one interface\n"
    "\"daridez-NAME\" per tracer device). --install-user links this program into the\n"
    "personal extcap folder of Wireshark (copies it there on Windows), --uninstall-user\n"
    "removes it.\n"
    "  --device PATH    the tracer's device (default: the one the interface stands for)\n"
    "  --lin-rate N     the LIN rate set on the tracer (default: the profile's, or %d)\n"
    "  --baud, --data-bits, --parity, --stop-bits  the serial line (default: the profile's)\n"
    "  --checks BOOL    the frame checks' error bits in each packet (default true)\n"
    "  --ldf LDF        the LIN description file (default: the one the window used last):\n"
    "                   frame= and signal: in the filter, the length that completes a frame\n"
    "  --extcap-capture-filter QUERY  only the frames the query keeps:\n"
    "%s";

struct ProfileView {
    std::vector<std::string> ports;
    LineSettings line;
    int linRate = kDefaultLinRate;
    std::string ldf;  // the LDF the window used last
};

// Whatever the profile holds; a broken or missing one gives the defaults.
ProfileView readProfile(const std::string& path) {
    const Profile profile(path);
    ProfileView view;
    PortPaths paths;
    paths.load(profile);
    for (int port = 1; port <= static_cast<int>(PortPaths::kDefaults.size()); ++port) {
        view.ports.push_back(paths.path(port));
    }
    SerialSettings settings{};
    LoadSerialSettings(&profile, settings);
    view.line = {settings.BaudRate, settings.ByteSize, settings.Parity, settings.StopBits};
    view.linRate = LoadLinRate(profile, kDefaultLinRate);
    view.ldf = profile.GetProfileString("LDF", "File", "");
    return view;
}

std::string deviceOf(const ExtcapOptions& options, const ProfileView& profile,
                     const std::vector<PortList::Entry>& present) {
    return options.device.value_or(
        ExtcapInterfaces::deviceOf(options.interface, profile.ports, present));
}

std::int64_t wallClockMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

SerialSettings serialSettingsOf(const LineSettings& line) {
    SerialSettings settings{};
    InitSerialSettings(settings);
    settings.BaudRate = line.baudRate;
    settings.ByteSize = line.byteSize;
    settings.Parity = line.parity;
    settings.StopBits = line.stopBits;
    settings.ComPort = 1;
    return settings;
}

void writeText(std::FILE* file, const std::string& text) {
    std::fputs(text.c_str(), file);
    std::fflush(file);
}

// One line on standard error: the device and what went wrong.
void reportProblem(std::FILE* err, const std::string& device, const std::string& text) {
    writeText(err, device + ": " + text + "\n");
}

// The LDF asked for with --ldf, else the one the window used last. One named with --ldf
// must be usable (false with error set to its first error); the window's is used when it
// is, and left out quietly when not.
bool readLdf(const ExtcapOptions& options, const ProfileView& profile, std::optional<LdfFile>& ldf,
             std::string& error) {
    const std::string& path = options.ldf.value_or(profile.ldf);
    if (path.empty()) {
        return true;
    }
    ldf = LdfParser::read(path);
    if (ldf->usable()) {
        return true;
    }
    if (!options.ldf) {
        ldf.reset();
        return true;
    }
    for (const LdfDiagnostic& diagnostic : ldf->diagnostics) {
        if (diagnostic.severity == LdfDiagnostic::Severity::Error) {
            error = diagnostic.format(path);
            return false;
        }
    }
    error = path + ": no frames to decode with";
    return false;
}

// A capture filter left blank keeps every frame; any other must be a good query.
bool readFilter(const std::optional<std::string>& text, const LdfModel* ldf,
                std::optional<Query>& query, std::string& error) {
    if (!text || text->find_first_not_of(" \t") == std::string::npos) {
        return true;
    }
    query = Query::parse(*text, error, ldf);
    return query.has_value();
}

// Polls the port until a stop signal, the reader's leaving or the device's.
int runCapture(CaptureSession& session, const LivePortChannel& port, const FifoOutput& fifo,
               CaptureWaiter& waiter) {
    PollSchedule schedule(PollSchedule::Clock::now());
    for (;;) {
        switch (waiter.wait(port, fifo.descriptor(), schedule)) {
            case CaptureWaiter::Wake::Tick: {
                const auto now = PollSchedule::Clock::now();
                const CaptureSession::TickResult result = session.poll(now);
                schedule.polled(now, session.lastPollRead(), session.quietTime());
                switch (result) {
                    case CaptureSession::TickResult::Running:
                        continue;
                    case CaptureSession::TickResult::DeviceLost:
                        return ExtcapCommand::kFailed;
                    case CaptureSession::TickResult::OutputLost:
                        session.stop();
                        return ExtcapCommand::kOk;
                }
                break;
            }
            case CaptureWaiter::Wake::Stop:
            case CaptureWaiter::Wake::ReaderGone:
                session.stop();
                return ExtcapCommand::kOk;
        }
    }
}

}  // namespace

ExtcapCommand::ExtcapCommand(std::string profilePath, std::string program)
    : profilePath_(std::move(profilePath)), program_(std::move(program)) {}

int ExtcapCommand::run(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    std::string error;
    const std::optional<ExtcapOptions> options = ExtcapOptions::parse(argc, argv, error);
    if (!options) {
        writeText(err, "daridez-extcap: " + error + "\n" + kUsage);
        return kUsageError;
    }
    switch (options->mode) {
        case ExtcapOptions::Mode::Interfaces:
            return interfaces(out);
        case ExtcapOptions::Mode::Dlts:
            writeText(out, ExtcapAnswers::dlts());
            return kOk;
        case ExtcapOptions::Mode::Config:
            return config(*options, out);
        case ExtcapOptions::Mode::FilterCheck:
            return filterCheck(*options, out);
        case ExtcapOptions::Mode::Capture:
            return capture(*options, err);
        case ExtcapOptions::Mode::InstallUser:
        case ExtcapOptions::Mode::UninstallUser:
            return installUser(options->mode == ExtcapOptions::Mode::InstallUser, out, err);
        case ExtcapOptions::Mode::Help:
            break;
    }
    writeText(out, kUsage);
    std::fprintf(out, kHelp, kDefaultLinRate, kQueryHelp);
    return kOk;
}

// Never opens a port and never fails: a broken profile lists what it can.
int ExtcapCommand::interfaces(std::FILE* out) const {
    const ProfileView profile = readProfile(profilePath_);
    const auto list = ExtcapInterfaces::list(profile.ports, PortList::available());
    writeText(out, ExtcapAnswers::interfaces(DARIDEZ_VERSION, DARIDEZ_HELP_URL, list));
    return kOk;
}

int ExtcapCommand::config(const ExtcapOptions& options, std::FILE* out) const {
    const ProfileView profile = readProfile(profilePath_);
    const std::vector<PortList::Entry> present = PortList::available();
    ExtcapAnswers::Defaults defaults;
    defaults.device = deviceOf(options, profile, present);
    defaults.linRate = profile.linRate;
    defaults.line = profile.line;
    defaults.ldf = profile.ldf;
    std::vector<ExtcapAnswers::Device> devices;
    for (const auto& entry : ExtcapInterfaces::list(profile.ports, present)) {
        std::string description;
        for (const PortList::Entry& device : present) {
            if (device.path == entry.device) {
                description = device.description;
            }
        }
        devices.push_back({entry.device, description});
    }
    writeText(out, options.reloadOption == "device" ? ExtcapAnswers::deviceValues(defaults, devices)
                                                    : ExtcapAnswers::config(defaults, devices));
    return kOk;
}

// Wireshark's check: silence for a good query, the reason for a bad one.
int ExtcapCommand::filterCheck(const ExtcapOptions& options, std::FILE* out) const {
    std::string error;
    std::optional<LdfFile> ldf;
    std::optional<Query> query;
    if (!readLdf(options, readProfile(profilePath_), ldf, error) ||
        !readFilter(options.captureFilter, ldf ? &ldf->model : nullptr, query, error)) {
        writeText(out, error + "\n");
    }
    return kOk;
}

int ExtcapCommand::capture(const ExtcapOptions& options, std::FILE* err) const {
    // The FIFO first: Wireshark waits for it to be opened before it looks at errors.
    FifoOutput fifo;
    std::string error;
    if (!fifo.open(options.fifo, error)) {
        writeText(err, error + "\n");
        return kFailed;
    }
    const ProfileView profile = readProfile(profilePath_);
    std::optional<LdfFile> ldf;
    CaptureSession::Settings settings;
    if (!readLdf(options, profile, ldf, error)) {
        writeText(err, error + "\n");
        return kFailed;
    }
    settings.ldf = ldf ? &ldf->model : nullptr;
    if (!readFilter(options.captureFilter, settings.ldf, settings.query, error)) {
        writeText(err, error + "\n");
        return kFailed;
    }
    CaptureWaiter waiter;
    // A port's device or one named by the interface: no enumeration needed.
    const std::string device = deviceOf(options, profile, {});
    settings.linRate = options.linRate.value_or(profile.linRate);
    LivePortChannel port;
    PcapngLiveOutput packets(fifo, options.checks, settings.ldf);
    CaptureSession session(
        port, packets, std::move(settings),
        [err, &device](const std::string& text) { reportProblem(err, device, text); },
        wallClockMicros);
    if (!session.writeHeaders()) {
        return kOk;  // the reader is gone already
    }
    const std::string openError =
        port.open(device, serialSettingsOf(options.lineSettings(profile.line)));
    if (!openError.empty()) {
        writeText(err, openError + "\n");
        return kFailed;
    }
    session.begin();
    // The port closes without a purge: the stop frame the driver may still hold goes out.
    return runCapture(session, port, fifo, waiter);
}

int ExtcapCommand::installUser(bool install, std::FILE* out, std::FILE* err) const {
    const bool copy = InstallsByCopy();
    const std::string folder =
        copy ? UserInstall::appDataFolder(std::getenv("APPDATA"))
             : UserInstall::folder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    const UserInstall::Way way = copy ? UserInstall::Way::Copy : UserInstall::Way::Link;
    const char* unset = copy ? "APPDATA is not set" : "neither XDG_CONFIG_HOME nor HOME is set";
    if (folder.empty()) {
        writeText(err, std::string("daridez-extcap: ") + unset + "\n");
        return kFailed;
    }
    std::string message;
    const bool done = install ? UserInstall::install(folder, program_, message, way)
                              : UserInstall::uninstall(folder, message, way);
    writeText(done ? out : err, message + "\n");
    return done ? kOk : kFailed;
}

}  // namespace daridez
