#pragma once

#include <cstdio>
#include <string>

#include "tools/extcap/ExtcapOptions.h"

namespace daridez {

// The daridez-extcap command: answers Wireshark's questions (interfaces, link type,
// options, a filter check) from the profile and the devices present, runs a live
// capture into Wireshark's FIFO, and links itself into the user's extcap folder.
// Standard error carries only real errors, one line each: Wireshark shows anything
// there as an error.
class ExtcapCommand {
  public:
    static constexpr int kOk = 0;
    static constexpr int kFailed = 1;
    static constexpr int kUsageError = 2;

    // profilePath: the profile to read; program: this program's own path (for the link).
    ExtcapCommand(std::string profilePath, std::string program);

    // argv without the program name; returns the exit status.
    int run(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

  private:
    int interfaces(std::FILE* out) const;
    int config(const ExtcapOptions& options, std::FILE* out) const;
    int filterCheck(const ExtcapOptions& options, std::FILE* out) const;
    int capture(const ExtcapOptions& options, std::FILE* err) const;
    int installUser(bool install, std::FILE* out, std::FILE* err) const;

    std::string profilePath_;
    std::string program_;
};

}  // namespace daridez
