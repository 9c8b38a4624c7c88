#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "serial/SerialChoices.h"

namespace daridez {

// The serial line to the tracer, as the settings dialog chooses it.
struct LineSettings {
    std::uint32_t baudRate = kDefaultSerialRate;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = kNoParity;  // as in SerialSettings
    std::uint8_t stopBits = 0;        // 0 one, 2 two
};

// The command line of daridez-extcap as Wireshark calls it (--extcap-interfaces,
// --extcap-dlts, --extcap-config, --capture, the filter check) and as a user calls it
// (--install-user, --uninstall-user, --help). Every capture option is optional: the
// program has its own default for each, since Wireshark does not pass a selector's
// default value.
struct ExtcapOptions {
    enum class Mode {
        Interfaces,
        Dlts,
        Config,
        Capture,
        FilterCheck,
        InstallUser,
        UninstallUser,
        Help
    };

    Mode mode = Mode::Help;
    std::string interface;     // --extcap-interface
    std::string fifo;          // --fifo
    std::string reloadOption;  // --extcap-reload-option: the option whose values to list
    std::optional<std::string> captureFilter;  // --extcap-capture-filter (a query)
    std::optional<std::string> device;         // --device PATH
    std::optional<std::string> ldf;            // --ldf PATH
    std::optional<int> linRate;                // --lin-rate N
    std::optional<std::uint32_t> baudRate;     // --baud N
    std::optional<std::uint8_t> byteSize;      // --data-bits 7|8
    std::optional<std::uint8_t> parity;        // --parity none|odd|even
    std::optional<std::uint8_t> stopBits;      // --stop-bits 1|2
    bool checks = true;                        // --checks true|false

    // The options, or nullopt with error set to one line naming the offending argument.
    // argv holds the arguments without the program name.
    static std::optional<ExtcapOptions> parse(int argc, const char* const* argv,
                                              std::string& error);

    // The line settings asked for, each missing one taken from defaults.
    LineSettings lineSettings(const LineSettings& defaults) const;
};

}  // namespace daridez
