#include "tools/extcap/ExtcapOptions.h"

#include <charconv>
#include <string_view>

#include "lin/LinRates.h"

namespace daridez {

namespace {

using Mode = ExtcapOptions::Mode;

struct ModeFlag {
    std::string_view name;
    Mode mode;
};

// In the order of precedence when Wireshark names several: the capture first.
constexpr ModeFlag kModeFlags[] = {
    {"--capture", Mode::Capture},
    {"--extcap-interfaces", Mode::Interfaces},
    {"--extcap-dlts", Mode::Dlts},
    {"--extcap-config", Mode::Config},
    {"--install-user", Mode::InstallUser},
    {"--uninstall-user", Mode::UninstallUser},
    {"--help", Mode::Help},
};

// Options Wireshark may pass that change nothing here.
constexpr std::string_view kIgnoredFlags[] = {"--debug", "--extcap-cleanup-postkill"};
constexpr std::string_view kIgnoredValues[] = {"--extcap-version", "--debug-file",
                                               "--extcap-control-in", "--extcap-control-out"};

bool parseUnsigned(std::string_view text, std::uint32_t low, std::uint32_t high,
                   std::uint32_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end && value >= low && value <= high;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Wireshark writes a check box as "true" or "false".
std::optional<bool> parseBoolean(std::string_view text) {
    for (std::string_view yes : {"true", "yes", "1", "on"}) {
        if (equalsIgnoringCase(text, yes)) {
            return true;
        }
    }
    for (std::string_view no : {"false", "no", "0", "off"}) {
        if (equalsIgnoringCase(text, no)) {
            return false;
        }
    }
    return std::nullopt;
}

// Reads one "--name value" or "--name=value" option into the options; the texts say
// what a value must be.
class ValueReader {
  public:
    ValueReader(ExtcapOptions& options, std::string& error) : options_(options), error_(error) {}

    // False with error set when the value is unusable or the name unknown.
    bool read(std::string_view name, std::string_view value) {
        if (name == "--extcap-interface") {
            options_.interface = value;
        } else if (name == "--fifo") {
            options_.fifo = value;
        } else if (name == "--extcap-capture-filter") {
            options_.captureFilter = std::string(value);
        } else if (name == "--extcap-reload-option") {
            options_.reloadOption = value;
        } else if (name == "--device") {
            options_.device = std::string(value);
        } else if (name == "--ldf") {
            options_.ldf = std::string(value);
        } else {
            return readNumberOrChoice(name, value);
        }
        return true;
    }

  private:
    bool readNumberOrChoice(std::string_view name, std::string_view value) {
        std::uint32_t number = 0;
        if (name == "--lin-rate") {
            return check(parseUnsigned(value, 1, kMaxLinRate, number), name, value,
                         "a LIN rate is 1 to 65535 bit/s") &&
                   (options_.linRate = static_cast<int>(number), true);
        }
        if (name == "--baud") {
            return check(parseUnsigned(value, 1, 4000000, number), name, value,
                         "a baud rate is a number of bit/s") &&
                   (options_.baudRate = number, true);
        }
        if (name == "--data-bits") {
            return check(parseUnsigned(value, 5, 8, number), name, value, "5 to 8 data bits") &&
                   (options_.byteSize = static_cast<std::uint8_t>(number), true);
        }
        if (name == "--stop-bits") {
            const bool ok = value == "1" || value == "2";
            return check(ok, name, value, "1 or 2 stop bits") &&
                   (options_.stopBits = static_cast<std::uint8_t>(value == "2" ? 2 : 0), true);
        }
        if (name == "--parity") {
            const auto parity = ParityOfWord(value);
            return check(parity.has_value(), name, value, "none, odd or even") &&
                   (options_.parity = parity, true);
        }
        if (name == "--checks") {
            const auto checks = parseBoolean(value);
            return check(checks.has_value(), name, value, "true or false") &&
                   (options_.checks = *checks, true);
        }
        error_ = "unknown option " + std::string(name);
        return false;
    }

    bool check(bool ok, std::string_view name, std::string_view value, const char* expected) {
        if (!ok) {
            error_ = std::string(name) + " " + std::string(value) + ": " + expected;
        }
        return ok;
    }

    ExtcapOptions& options_;
    std::string& error_;
};

bool isIgnoredValue(std::string_view name) {
    for (std::string_view ignored : kIgnoredValues) {
        if (name == ignored) {
            return true;
        }
    }
    return false;
}

// The place of arg in kModeFlags.
std::optional<std::size_t> modeFlag(std::string_view arg) {
    for (std::size_t i = 0; i < std::size(kModeFlags); ++i) {
        if (arg == kModeFlags[i].name) {
            return i;
        }
    }
    return std::nullopt;
}

bool isIgnoredFlag(std::string_view arg) {
    for (std::string_view flag : kIgnoredFlags) {
        if (arg == flag) {
            return true;
        }
    }
    return false;
}

// The mode named with the highest precedence; a capture filter alone is the filter check.
std::optional<Mode> chooseMode(const bool (&named)[std::size(kModeFlags)], bool filter) {
    for (std::size_t i = 0; i < std::size(kModeFlags); ++i) {
        if (named[i]) {
            return kModeFlags[i].mode;
        }
    }
    return filter ? std::optional<Mode>(Mode::FilterCheck) : std::nullopt;
}

bool needsInterface(Mode mode) {
    return mode == Mode::Dlts || mode == Mode::Config || mode == Mode::Capture ||
           mode == Mode::FilterCheck;
}

}  // namespace

std::optional<ExtcapOptions> ExtcapOptions::parse(int argc, const char* const* argv,
                                                  std::string& error) {
    ExtcapOptions options;
    ValueReader reader(options, error);
    bool named[std::size(kModeFlags)] = {};
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (const auto flag = modeFlag(arg)) {
            named[*flag] = true;
            continue;
        }
        if (isIgnoredFlag(arg)) {
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (!name.starts_with("--")) {
            error = "unexpected argument " + std::string(arg);
            return std::nullopt;
        }
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            error = "option " + std::string(name) + " needs a value";
            return std::nullopt;
        }
        if (!isIgnoredValue(name) && !reader.read(name, value)) {
            return std::nullopt;
        }
    }
    const auto mode = chooseMode(named, options.captureFilter.has_value());
    if (!mode) {
        error = "nothing to do: give --extcap-interfaces, --capture, --install-user or --help";
        return std::nullopt;
    }
    options.mode = *mode;
    if (needsInterface(options.mode) && options.interface.empty()) {
        error = "--extcap-interface is missing";
        return std::nullopt;
    }
    if (options.mode == Mode::Capture && options.fifo.empty()) {
        error = "--fifo is missing";
        return std::nullopt;
    }
    return options;
}

LineSettings ExtcapOptions::lineSettings(const LineSettings& defaults) const {
    LineSettings settings = defaults;
    settings.baudRate = baudRate.value_or(defaults.baudRate);
    settings.byteSize = byteSize.value_or(defaults.byteSize);
    settings.parity = parity.value_or(defaults.parity);
    settings.stopBits = stopBits.value_or(defaults.stopBits);
    return settings;
}

}  // namespace daridez
