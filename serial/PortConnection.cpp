#include "serial/PortConnection.h"

#include "serial/Profile.h"

namespace daridez {

PortConnection::PortConnection() : port_(paths_) {
    InitSerialSettings(settings_);
}

void PortConnection::load(const Profile& profile) {
    InitSerialSettings(settings_);
    LoadSerialSettings(&profile, settings_);
    paths_.load(profile);
}

void PortConnection::save(Profile& profile) const {
    SaveSerialSettings(&profile, settings_);
    paths_.save(profile);
}

void PortConnection::setChoices(const SerialSettings& settings, const PortPaths& paths) {
    settings_ = settings;
    paths_ = paths;
}

std::string PortConnection::reopen() {
    close();
    const std::string error = port_.Open(settings_).value_or("");
    if (!error.empty()) {
        std::string text = "Could Not Open Com Port\n" + error;
        if (!port_.openProblem().empty()) {
            text += '\n' + port_.openProblem();
        }
        close();
        return text;
    }
    port_.PurgeOutput();
    port_.PurgeInput();
    return {};
}

void PortConnection::close() {
    if (port_.isConnected()) {
        port_.Close();
    }
    port_.markNotConnected();
}

std::string PortConnection::describe() const {
    return DescribeSerialSettings(settings_);
}

}  // namespace daridez
