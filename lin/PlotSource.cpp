#include "lin/PlotSource.h"

#include "trace/FieldText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

namespace daridez {

namespace {

constexpr std::string_view kBusLoad = "bus load";
constexpr std::string_view kFailedChecks = "failed checks";

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(' ', at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find(' ', start), text.size());
        result.push_back(text.substr(start, end - start));
        at = end;
    }
    return result;
}

// A whole number in base, at most max; nullopt for anything else.
std::optional<unsigned> number(std::string_view text, int base, unsigned max) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end || value > max) {
        return std::nullopt;
    }
    return value;
}

// "\"text\"" and then after: a message naming what it is about.
std::string quoted(std::string_view text, std::string_view after) {
    std::string message(1, '"');
    message.append(text).append(1, '"').append(after);
    return message;
}

std::optional<PlotSource> fail(std::string& error, std::string message) {
    error = std::move(message);
    return std::nullopt;
}

std::optional<PlotSource> parseFailedChecks(std::string_view rest, std::string& error) {
    PlotSource source;
    source.kind = PlotKind::FailedChecks;
    const auto list = words(rest);
    if (list.size() > 1) {
        return fail(error, "\"failed checks\" takes at most one check word");
    }
    if (list.size() == 1) {
        source.word = ParseCheckWord(list[0]);
        if (!source.word || !IsFailure(*source.word)) {
            return fail(error, quoted(list[0], ": not a failure word"));
        }
    }
    return source;
}

std::optional<PlotSource> parseBits(PlotSource source, std::string_view range, std::string& error) {
    const std::size_t dots = range.find("..");
    const auto first = number(range.substr(0, dots), 10, PlotSource::kMaxBit);
    const auto last = dots == std::string_view::npos
                          ? std::nullopt
                          : number(range.substr(dots + 2), 10, PlotSource::kMaxBit);
    if (!first || !last || *first > *last) {
        return fail(error, quoted(range, ": bits are FIRST..LAST within 0..63"));
    }
    source.kind = PlotKind::Bits;
    source.firstBit = static_cast<std::uint8_t>(*first);
    source.lastBit = static_cast<std::uint8_t>(*last);
    return source;
}

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isName(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isNameCharacter);
}

// "FRAME.SIGNAL": names as an LDF writes them, checked against the LDF where it is used.
std::optional<PlotSource> parseSignal(std::string_view text, std::string& error) {
    const std::size_t dot = text.find('.');
    const std::string_view frame = text.substr(0, dot);
    const std::string_view signal = text.substr(dot + 1);
    if (!isName(frame) || !isName(signal)) {
        return fail(error, quoted(text, ": a signal is FRAME.SIGNAL"));
    }
    PlotSource source;
    source.kind = PlotKind::Signal;
    source.frame = frame;
    source.signal = signal;
    return source;
}

std::optional<PlotSource> parseIdentifierLane(const std::vector<std::string_view>& list,
                                              std::string& error) {
    const auto id = number(list[0], 16, 0x3F);
    if (!id || list[0].size() > 2) {
        return fail(error, quoted(list[0], ": identifiers are 00..3F"));
    }
    PlotSource source;
    source.id = static_cast<std::uint8_t>(*id);
    if (list.size() == 2 && list[1] == "period") {
        source.kind = PlotKind::Period;
        return source;
    }
    if (list.size() == 3 && list[1] == "byte") {
        const auto byte = number(list[2], 10, 7);
        if (!byte) {
            return fail(error, quoted(list[2], ": data bytes are 0..7"));
        }
        source.byte = static_cast<std::uint8_t>(*byte);
        return source;
    }
    if (list.size() == 3 && list[1] == "bits") {
        return parseBits(source, list[2], error);
    }
    return fail(error, "after the identifier: \"byte N\", \"bits A..B\" or \"period\"");
}

}  // namespace

std::optional<PlotSource> ParsePlotSource(std::string_view text, std::string& error) {
    const auto list = words(text);
    if (list.empty()) {
        return fail(error, "nothing to plot");
    }
    if (list.size() == 2 && list[0] == "bus" && list[1] == "load") {
        PlotSource source;
        source.kind = PlotKind::BusLoad;
        return source;
    }
    if (list.size() >= 2 && list[0] == "failed" && list[1] == "checks") {
        const std::size_t at = text.find("checks") + 6;
        return parseFailedChecks(text.substr(at), error);
    }
    if (list.size() == 1 && list[0].find('.') != std::string_view::npos) {
        return parseSignal(list[0], error);
    }
    return parseIdentifierLane(list, error);
}

std::string PlotSourceText(const PlotSource& source) {
    const std::string id = HexByteText(static_cast<std::uint8_t>(source.id));
    switch (source.kind) {
        case PlotKind::DataByte:
            return id + " byte " + std::to_string(source.byte);
        case PlotKind::Bits:
            return id + " bits " + std::to_string(source.firstBit) + ".." +
                   std::to_string(source.lastBit);
        case PlotKind::Period:
            return id + " period";
        case PlotKind::BusLoad:
            return std::string(kBusLoad);
        case PlotKind::FailedChecks:
            return source.word ? std::string(kFailedChecks) + " " + CheckWordText(*source.word)
                               : std::string(kFailedChecks);
        case PlotKind::Signal:
            return source.frame + "." + source.signal;
    }
    return {};
}

const char* PlotSourceUnit(const PlotSource& source) {
    switch (source.kind) {
        case PlotKind::Period:
            return "ms";
        case PlotKind::BusLoad:
            return "%";
        case PlotKind::FailedChecks:
            return "1/s";
        default:
            return "";
    }
}

bool PerSecond(const PlotSource& source) {
    return source.kind == PlotKind::BusLoad || source.kind == PlotKind::FailedChecks;
}

}  // namespace daridez
