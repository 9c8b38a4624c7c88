// tracer-sim: a LIN tracer device on a pseudo-terminal, to try Daridez without
// hardware. Point a port of the profile's "PORTS" section at the printed path.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ldf/LdfParser.h"
#include "lin/LinRates.h"
#include "sim/LdfSchedule.h"
#include "sim/LinBusModel.h"
#include "sim/TracerSimulator.h"

using daridez::sim::TracerSimulator;
using daridez::sim::TracerSimulatorOptions;

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

void printHelp() {
    std::printf(
        "usage: tracer-sim [options]\n"
        "A simulated LIN tracer device on a pseudo-terminal. It answers the four commands\n"
        "(version, set LIN baud rate, start and stop trace) and, while tracing, streams a\n"
        "LIN schedule in real time. Ends on Ctrl+C (SIGINT) or SIGTERM.\n"
        "\n"
        "  --link PATH           symbolic link to the device (default /tmp/ttyLIN0)\n"
        "  --version A.B.C       firmware version to report (default 1.4.2)\n"
        "  --silent              answer nothing (for time-out tests)\n"
        "  --no-start-marker     start tracing without sending a start marker\n"
        "  --errors RATE         device error frames, probability per LIN frame (0 to 1)\n"
        "  --garbage RATE        corrupted frames, probability per LIN frame (0 to 1)\n"
        "  --overflows RATE      buffer overflow frames, probability per LIN frame (0 to 1)\n"
        "  --bad-checksums RATE  wrong checksum bytes, probability per LIN frame (0 to 1)\n"
        "  --bad-parity RATE     wrong parity bits in the identifier, probability likewise\n"
        "  --classic ID,...      identifiers (hex) sent with the classic checksum; 3C and 3D\n"
        "                        always are, every other one has the enhanced checksum\n"
        "  --seed N              seed of the data and trouble (default 1)\n"
        "  --record FILE         also write the trace sent to FILE (a dump file), from the\n"
        "                        first start's marker on, as the program's recording has it\n"
        "  --baud-result N       result code of every set-baud-rate answer (default 0: a rate\n"
        "                        from %d to %d is taken, any other refused with 1)\n"
        "  --lin-baud N          LIN bit rate at start (default %d)\n"
        "  --bus-baud N          the bus runs at N (%d to %d) whatever rate the device\n"
        "                        is set to; at another rate the device reports what its\n"
        "                        receiver makes of the bus (default: the device's rate)\n"
        "  --ldf=FILE            play the schedule of this LIN description file: its frames,\n"
        "                        delays, lengths and checksum models, the signals moving\n"
        "  --schedule=NAME       the LDF's schedule table to play (default: the first)\n"
        "  --collisions RATE     with --ldf: the probability (0 to 1) that two frames answer\n"
        "                        an event-triggered slot at once (a garbled response); the\n"
        "                        master then plays the frame's collision-resolving table\n"
        "  --sleep SECONDS       with --ldf: the go-to-sleep command after SECONDS awake,\n"
        "                        then 1 s of silence before the schedule resumes, again\n"
        "  --help                this text\n",
        daridez::sim::kMinBusRate, daridez::sim::kMaxBusRate, daridez::kDefaultLinRate,
        daridez::sim::kMinBusRate, daridez::sim::kMaxBusRate);
}

bool parseRate(const char* text, double& rate) {
    char* end = nullptr;
    rate = std::strtod(text, &end);
    return end != text && *end == '\0' && rate >= 0.0 && rate <= 1.0;
}

// Seconds above 0, up to a day.
bool parseSeconds(const char* text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && seconds > 0.0 && seconds <= 86400.0;
}

bool parseNumber(const char* text, unsigned long max, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return end != text && *end == '\0' && value <= max && text[0] != '-';
}

// Hex identifiers 00 to 3F, separated by commas ("10,2A").
bool parseIds(const char* text, daridez::sim::ClassicIds& ids) {
    for (;;) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(text, &end, 16);
        if (end == text || !std::isxdigit(static_cast<unsigned char>(*text)) || id > 0x3F) {
            return false;
        }
        ids.set(id);
        if (*end != ',') {
            return *end == '\0';
        }
        text = end + 1;
    }
}

bool parseVersion(const char* text, std::array<std::uint8_t, 3>& version) {
    unsigned a = 0, b = 0, c = 0;
    char extra = 0;
    if (std::sscanf(text, "%u.%u.%u%c", &a, &b, &c, &extra) != 3 || a > 255 || b > 255 || c > 255) {
        return false;
    }
    version = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b),
               static_cast<std::uint8_t>(c)};
    return true;
}

// The schedule of the LDF at path; false (told on standard error) when it cannot be played.
bool loadSchedule(const std::string& path, const std::string& table,
                  TracerSimulatorOptions& options) {
    const daridez::LdfFile file = daridez::LdfParser::read(path);
    for (const daridez::LdfDiagnostic& diagnostic : file.diagnostics) {
        std::fprintf(stderr, "%s\n", diagnostic.format(path).c_str());
    }
    std::string error = "nothing in it can be used";
    if (!file.usable() ||
        !daridez::sim::ScheduleFromLdf(file.model, table, options.schedule, error)) {
        std::fprintf(stderr, "tracer-sim: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

// 0: run, 1: bad usage, 2: help shown.
int parseOptions(int argc, char** argv, TracerSimulatorOptions& options) {
    options.linkPath = "/tmp/ttyLIN0";
    std::string ldf;
    std::string table;
    double collisions = 0.0;
    double sleepSeconds = 0.0;
    bool needsLdf = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        // --ldf and --schedule also take their value after "=".
        if (option.rfind("--ldf=", 0) == 0 || option.rfind("--schedule=", 0) == 0) {
            const std::size_t equals = option.find('=');
            (option[2] == 'l' ? ldf : table) = option.substr(equals + 1);
            continue;
        }
        if (option == "--help" || option == "-h") {
            return 2;
        }
        if (option == "--silent") {
            options.silent = true;
            continue;
        }
        if (option == "--no-start-marker") {
            options.startMarker = false;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "tracer-sim: %s needs a value\n", option.c_str());
            return 1;
        }
        const char* value = argv[++i];
        unsigned long number = 0;
        bool ok = true;
        if (option == "--link") {
            options.linkPath = value;
        } else if (option == "--version") {
            ok = parseVersion(value, options.version);
        } else if (option == "--errors") {
            ok = parseRate(value, options.rates.deviceErrors);
        } else if (option == "--garbage") {
            ok = parseRate(value, options.rates.garbage);
        } else if (option == "--overflows") {
            ok = parseRate(value, options.rates.bufferOverflows);
        } else if (option == "--bad-checksums") {
            ok = parseRate(value, options.rates.badChecksums);
        } else if (option == "--bad-parity") {
            ok = parseRate(value, options.rates.badParity);
        } else if (option == "--classic") {
            ok = parseIds(value, options.classicIds);
        } else if (option == "--seed") {
            ok = parseNumber(value, 0xFFFFFFFFul, number);
            options.seed = static_cast<std::uint32_t>(number);
        } else if (option == "--record") {
            options.recordPath = value;
        } else if (option == "--baud-result") {
            ok = parseNumber(value, 255, number);
            options.baudResult = static_cast<std::uint8_t>(number);
        } else if (option == "--ldf") {
            ldf = value;
        } else if (option == "--schedule") {
            table = value;
        } else if (option == "--collisions") {
            ok = parseRate(value, collisions);
            needsLdf = true;
        } else if (option == "--sleep") {
            ok = parseSeconds(value, sleepSeconds);
            needsLdf = true;
        } else if (option == "--lin-baud") {
            ok = parseNumber(value, daridez::sim::kMaxBusRate, number) &&
                 daridez::sim::IsBusRate(static_cast<int>(number));
            options.linBaudrate = static_cast<std::uint16_t>(number);
        } else if (option == "--bus-baud") {
            ok = parseNumber(value, daridez::sim::kMaxBusRate, number) &&
                 daridez::sim::IsBusRate(static_cast<int>(number));
            options.busBaudrate = static_cast<std::uint16_t>(number);
        } else {
            std::fprintf(stderr, "tracer-sim: unknown option %s (see --help)\n", option.c_str());
            return 1;
        }
        if (!ok) {
            std::fprintf(stderr, "tracer-sim: bad value for %s: %s\n", option.c_str(), value);
            return 1;
        }
    }
    if ((!table.empty() || needsLdf) && ldf.empty()) {
        std::fprintf(stderr, "tracer-sim: --schedule, --collisions and --sleep need --ldf\n");
        return 1;
    }
    if (ldf.empty()) {
        return 0;
    }
    if (!loadSchedule(ldf, table, options)) {
        return 1;
    }
    options.schedule.collisionRate = collisions;
    options.schedule.sleepAfterMicros =
        static_cast<std::uint64_t>(std::llround(sleepSeconds * 1e6));
    return 0;
}

void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    TracerSimulatorOptions options;
    int parsed = parseOptions(argc, argv, options);
    if (parsed != 0) {
        if (parsed == 2) {
            printHelp();
            if (std::ferror(stdout) != 0 || std::fflush(stdout) != 0) {
                std::fprintf(stderr, "tracer-sim: cannot write the help: %s\n",
                             std::strerror(errno));
                return 1;
            }
        }
        return parsed == 2 ? 0 : 2;
    }
    installSignalHandlers();
    TracerSimulator simulator(options);
    if (!simulator.open()) {
        std::fprintf(stderr, "tracer-sim: %s\n", simulator.errorText().c_str());
        return 1;
    }
    std::printf("%s\n", simulator.linkPath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "tracer-sim: device %s, firmware %u.%u.%u; Ctrl+C ends\n",
                 simulator.devicePath().c_str(), options.version[0], options.version[1],
                 options.version[2]);
    while (stopRequested == 0 && simulator.recordError().empty()) {
        simulator.waitForWork(50);
        simulator.poll();
    }
    if (!simulator.recordError().empty()) {
        std::fprintf(stderr, "tracer-sim: %s\n", simulator.recordError().c_str());
        return 1;
    }
    std::fprintf(stderr, "tracer-sim: %llu bytes sent, %llu frames lost\n",
                 static_cast<unsigned long long>(simulator.bytesSent()),
                 static_cast<unsigned long long>(simulator.framesDropped()));
    return 0;
}
