#include "ldf/LdfFile.h"

#include <cstdio>

namespace daridez {

namespace {

std::string count(std::size_t number, const char* what) {
    return std::to_string(number) + " " + what + (number == 1 ? "" : "s");
}

}  // namespace

std::string LdfFile::summary() const {
    char speed[32];
    std::snprintf(speed, sizeof speed, "%g", model.speedKbps);
    const std::string version = model.protocolVersion.empty() ? "?" : model.protocolVersion;
    return "LIN " + version + ", " + speed + " kbps: " + count(model.nodes.size(), "node") + ", " +
           count(model.allSignals.size(), "signal") + ", " + count(model.frames.size(), "frame") +
           ", " + count(model.scheduleTables.size(), "schedule table") + "; " +
           count(static_cast<std::size_t>(errors), "error") + ", " +
           count(static_cast<std::size_t>(warnings), "warning");
}

}  // namespace daridez
