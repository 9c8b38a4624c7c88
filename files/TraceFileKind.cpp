#include <string_view>

#include "files/TraceTranslator.h"

namespace daridez {

namespace {

bool startsWith(const std::vector<std::uint8_t>& head, std::initializer_list<std::uint8_t> bytes) {
    if (head.size() < bytes.size()) {
        return false;
    }
    std::size_t i = 0;
    for (std::uint8_t byte : bytes) {
        if (head[i++] != byte) {
            return false;
        }
    }
    return true;
}

bool isTextByte(std::uint8_t byte) {
    return byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\r';
}

// The first line of an ASC log: a header word or comment, or "<seconds> <channel>".
bool looksLikeAscLine(std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        line.remove_prefix(1);
    }
    for (std::string_view start : {"date ", "base ", "//", "Begin Triggerblock",
                                   "Begin TriggerBlock", "internal events", "no internal"}) {
        if (line.starts_with(start)) {
            return true;
        }
    }
    std::size_t at = 0;
    while (at < line.size() && ((line[at] >= '0' && line[at] <= '9') || line[at] == '.')) {
        ++at;
    }
    if (at == 0 || at == line.size() || (line[at] != ' ' && line[at] != '\t')) {
        return false;
    }
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
        ++at;
    }
    return at < line.size() && line[at] == 'L';
}

bool isAsc(const std::vector<std::uint8_t>& head) {
    std::size_t at = 0;
    while (at < head.size() && (head[at] == '\n' || head[at] == '\r' || head[at] == ' ')) {
        ++at;
    }
    for (std::size_t i = at; i < head.size(); ++i) {
        if (!isTextByte(head[i])) {
            return false;
        }
    }
    std::size_t end = at;
    while (end < head.size() && head[end] != '\n') {
        ++end;
    }
    const auto* text = reinterpret_cast<const char*>(head.data());
    return end > at && looksLikeAscLine(std::string_view(text + at, end - at));
}

}  // namespace

TraceFileKind DetectTraceFileKind(const std::vector<std::uint8_t>& head) {
    if (startsWith(head, {0x0A, 0x0D, 0x0D, 0x0A})) {
        return TraceFileKind::Pcapng;
    }
    if (startsWith(head, {0xD4, 0xC3, 0xB2, 0xA1}) || startsWith(head, {0xA1, 0xB2, 0xC3, 0xD4}) ||
        startsWith(head, {0x4D, 0x3C, 0xB2, 0xA1}) || startsWith(head, {0xA1, 0xB2, 0x3C, 0x4D})) {
        return TraceFileKind::Pcap;
    }
    return isAsc(head) ? TraceFileKind::Asc : TraceFileKind::Dump;
}

}  // namespace daridez
