#include "serial/PortList.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

namespace daridez {

namespace fs = std::filesystem;

namespace {

std::string canonicalOf(const fs::path& path) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    return error ? std::string() : target.string();
}

// Canonical device path -> link. A missing folder has no links; a dangling link is skipped.
std::map<std::string, std::string> byIdLinks(const std::string& folder) {
    std::map<std::string, std::string> links;
    std::error_code error;
    std::vector<fs::path> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        names.push_back(entry.path());
    }
    std::sort(names.begin(), names.end());  // the first name wins, whatever the folder order
    for (const fs::path& link : names) {
        const std::string target = canonicalOf(link);
        if (!target.empty()) {
            links.emplace(target, link.string());
        }
    }
    return links;
}

// Compares runs of digits by their value, everything else by character.
bool naturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && isDigit(a[endA])) {
                ++endA;
            }
            while (endB < b.size() && isDigit(b[endB])) {
                ++endB;
            }
            const std::string runA = a.substr(i, endA - i);
            const std::string runB = b.substr(j, endB - j);
            const auto value = [](const std::string& run) {
                return run.substr(std::min(run.find_first_not_of('0'), run.size() - 1));
            };
            const std::string valueA = value(runA);
            const std::string valueB = value(runB);
            if (valueA.size() != valueB.size()) {
                return valueA.size() < valueB.size();
            }
            if (valueA != valueB) {
                return valueA < valueB;
            }
            i = endA;
            j = endB;
        } else if (a[i] != b[j]) {
            return a[i] < b[j];
        } else {
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::string describe(const QSerialPortInfo& info) {
    const QString description = info.description();
    const QString maker = info.manufacturer();
    if (maker.isEmpty() || description.contains(maker, Qt::CaseInsensitive)) {
        return description.toStdString();
    }
    return (description.isEmpty() ? maker : description + QStringLiteral(" (") + maker + ')')
        .toStdString();
}

}  // namespace

std::vector<PortList::Entry> PortList::available(const std::string& byIdFolder) {
    std::vector<Entry> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back({info.systemLocation().toStdString(), describe(info), {}});
    }
    return complete(std::move(devices), byIdFolder);
}

std::vector<PortList::Entry> PortList::complete(std::vector<Entry> devices,
                                                const std::string& byIdFolder) {
    const std::map<std::string, std::string> links = byIdLinks(byIdFolder);
    for (Entry& device : devices) {
        const auto link = links.find(canonicalOf(device.path));
        device.byIdPath = link != links.end() ? link->second : std::string();
    }
    std::stable_sort(devices.begin(), devices.end(),
                     [](const Entry& a, const Entry& b) { return naturalLess(a.path, b.path); });
    return devices;
}

}  // namespace daridez
