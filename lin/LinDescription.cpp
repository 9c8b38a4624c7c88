#include "lin/LinDescription.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ldf/LdfFile.h"
#include "ldf/LdfParser.h"

namespace daridez {

namespace {

std::string counted(std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

LinDescription LinDescription::read(const std::string& path) {
    LinDescription description;
    description.file_ = std::make_shared<const LdfFile>(LdfParser::read(path));
    description.path_ = path;
    return description;
}

LinDescription LinDescription::parse(const std::string& text, const std::string& path) {
    LinDescription description;
    description.file_ = std::make_shared<const LdfFile>(LdfParser::parse(text));
    description.path_ = path;
    return description;
}

bool LinDescription::usable() const {
    return file_ && file_->usable();
}

const LdfModel* LinDescription::model() const {
    return file_ ? &file_->model : nullptr;
}

std::vector<std::string> LinDescription::diagnostics() const {
    std::vector<std::string> lines;
    if (file_) {
        for (const LdfDiagnostic& diagnostic : file_->diagnostics) {
            lines.push_back(diagnostic.format(path_));
        }
    }
    return lines;
}

int LinDescription::errors() const {
    return file_ ? file_->errors : 0;
}

int LinDescription::warnings() const {
    return file_ ? file_->warnings : 0;
}

std::string LinDescription::shortSummary() const {
    if (!file_) {
        return {};
    }
    const LdfModel& model = file_->model;
    char speed[32];
    std::snprintf(speed, sizeof speed, "%g", model.speedKbps);
    return (model.protocolVersion.empty() ? std::string("?") : model.protocolVersion) + ", " +
           speed + " kbps, " + counted(model.frames.size(), "frame");
}

std::string LinDescription::summary() const {
    return file_ ? file_->summary() : std::string();
}

double LinDescription::speedKbps() const {
    return file_ ? file_->model.speedKbps : 0;
}

std::string LinDescription::speedMismatch(const std::string& baudText) const {
    const double speed = speedKbps();
    char* end = nullptr;
    const long baud = std::strtol(baudText.c_str(), &end, 10);
    if (speed <= 0 || end == baudText.c_str() || baud <= 0 || std::lround(speed * 1000) == baud) {
        return {};
    }
    char text[96];
    std::snprintf(text, sizeof text, "LDF speed %g kbps differs from the LIN-Baudrate %ld", speed,
                  baud);
    return text;
}

std::vector<std::string> LinDescription::frameNames() const {
    std::vector<std::string> names;
    if (file_) {
        for (const LdfFrame& frame : file_->model.frames) {
            names.push_back(frame.name);
        }
    }
    return names;
}

std::vector<std::string> LinDescription::signalNames() const {
    std::vector<std::string> names;
    if (file_) {
        for (const LdfSignal& signal : file_->model.allSignals) {
            names.push_back(signal.name);
        }
    }
    return names;
}

std::vector<std::string> LinDescription::scheduleTableNames() const {
    std::vector<std::string> names;
    if (file_) {
        for (const LdfScheduleTable& table : file_->model.scheduleTables) {
            names.push_back(table.name);
        }
    }
    return names;
}

}  // namespace daridez
