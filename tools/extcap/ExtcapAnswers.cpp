#include "tools/extcap/ExtcapAnswers.h"

#include <algorithm>
#include <set>

namespace daridez {

namespace {

struct Choice {
    std::string value;
    std::string display;
};

const Choice kDataBits[] = {{"7", "7 bit"}, {"8", "8 bit"}};
const Choice kStopBits[] = {{"1", "1 bit"}, {"2", "2 bit"}};

constexpr const char* kLineGroup = "Serial line";

// A sentence's value may hold no braces: they would end or open a field.
std::string field(std::string text) {
    std::replace(text.begin(), text.end(), '{', '(');
    std::replace(text.begin(), text.end(), '}', ')');
    return text;
}

std::string arg(int number, const char* call, const char* display, const char* type,
                const char* tooltip, const char* extra = "") {
    return "arg {number=" + std::to_string(number) + "}{call=--" + call + "}{display=" + display +
           "}{type=" + type + "}{tooltip=" + tooltip + "}" + extra + "\n";
}

// The choices of a selector, the default marked; a default the list lacks comes first.
template <typename Choices>
std::string values(int number, const Choices& choices, const std::string& defaultValue) {
    std::string text;
    const auto line = [&](const std::string& value, const std::string& display) {
        text += "value {arg=" + std::to_string(number) + "}{value=" + field(value) +
                "}{display=" + field(display) +
                "}{default=" + (value == defaultValue ? "true" : "false") + "}\n";
    };
    const bool listed = std::any_of(std::begin(choices), std::end(choices),
                                    [&](const Choice& c) { return c.value == defaultValue; });
    if (!listed) {
        line(defaultValue, defaultValue);
    }
    for (const Choice& choice : choices) {
        line(choice.value, choice.display);
    }
    return text;
}

std::vector<Choice> deviceChoices(const std::vector<ExtcapAnswers::Device>& devices) {
    std::vector<Choice> choices;
    for (const auto& device : devices) {
        choices.push_back({device.path, device.description.empty()
                                            ? device.path
                                            : device.path + " (" + device.description + ")"});
    }
    return choices;
}

std::vector<Choice> serialRateChoices() {
    std::vector<Choice> choices;
    for (const SerialRate& entry : kSerialRates) {
        choices.push_back({std::to_string(entry.rate), entry.caption});
    }
    return choices;
}

// The window's rates and the common ones the rate search tries (10417, 20000), in
// ascending order.
std::vector<Choice> linRateChoices() {
    std::set<int> rates(kLinRates.begin(), kLinRates.end());
    rates.insert(kCommonLinRates.begin(), kCommonLinRates.end());
    std::vector<Choice> choices;
    for (int rate : rates) {
        choices.push_back({std::to_string(rate), std::to_string(rate)});
    }
    return choices;
}

// A file chooser for existing LDFs, starting from the one the window used last.
std::string ldfExtra(const std::string& ldf) {
    std::string extra = "{mustexist=true}{fileext=LIN description files (*.ldf);;All files (*)}";
    if (!ldf.empty()) {
        extra += "{default=" + field(ldf) + "}";
    }
    return extra;
}

std::vector<Choice> parityChoices() {
    std::vector<Choice> choices;
    for (const ParityWord& entry : kParityWords) {
        choices.push_back({entry.word, entry.word});
    }
    return choices;
}

}  // namespace

std::string ExtcapAnswers::interfaces(const std::string& version, const std::string& help,
                                      const std::vector<ExtcapInterfaces::Interface>& list) {
    std::string text = "extcap {version=" + field(version) + "}{help=" + field(help) + "}\n";
    for (const ExtcapInterfaces::Interface& entry : list) {
        text += "interface {value=" + field(entry.name) + "}{display=Daridez LIN tracer " +
                field(entry.device) + "}\n";
    }
    return text;
}

std::string ExtcapAnswers::dlts() {
    return "dlt {number=212}{name=LIN}{display=LIN}\n";
}

std::string ExtcapAnswers::config(const Defaults& defaults, const std::vector<Device>& devices) {
    const std::string group = std::string("{group=") + kLineGroup + "}";
    return arg(0, "device", "Device", "selector", "The serial device the tracer is attached to",
               "{reload=true}{placeholder=Look again}") +
           deviceValues(defaults, devices) +
           arg(1, "lin-rate", "LIN-Baudrate", "selector",
               "The bus's bit rate, set on the tracer before the trace starts") +
           values(1, linRateChoices(), std::to_string(defaults.linRate)) +
           arg(2, "baud", "Baud rate", "selector", "The serial line to the tracer", group.c_str()) +
           values(2, serialRateChoices(), std::to_string(defaults.line.baudRate)) +
           arg(3, "data-bits", "Data bits", "selector", "The serial line to the tracer",
               group.c_str()) +
           values(3, kDataBits, std::to_string(defaults.line.byteSize)) +
           arg(4, "parity", "Parity", "selector", "The serial line to the tracer", group.c_str()) +
           values(4, parityChoices(), ParityWordOf(defaults.line.parity)) +
           arg(5, "stop-bits", "Stop bits", "selector", "The serial line to the tracer",
               group.c_str()) +
           values(5, kStopBits, defaults.line.stopBits == 2 ? "2" : "1") +
           arg(6, "checks", "Frame checks", "boolean",
               "Mark each packet's faults (no response, sync, parity, checksum) in its error bits",
               "{default=true}") +
           arg(7, "ldf", "LDF", "fileselect",
               "The LIN description file: frame= and signal: in the capture filter, and the "
               "length that completes each frame",
               ldfExtra(defaults.ldf).c_str());
}

std::string ExtcapAnswers::deviceValues(const Defaults& defaults,
                                        const std::vector<Device>& devices) {
    return values(0, deviceChoices(devices), defaults.device);
}

}  // namespace daridez
