#pragma once

#include <memory>
#include <string>

#include "serial/Profile.h"

namespace daridez {

class MainDialog;
class WindowPrompts;
struct ProgramWide;

// The program around its window: the user's profile, the row budget it sets, and the
// window's place, restored before the window shows and kept as it closes.
class TraceApp {
  public:
    // Reads the profile and builds the window on it (settings loaded, port opened, timer
    // started), before it is shown. prompts == nullptr: Qt's own dialogs.
    TraceApp(ProgramWide& programWide, const std::string& profilePath,
             WindowPrompts* prompts = nullptr);
    ~TraceApp();

    // Runs the window modally; the program ends when it closes.
    int run();

    MainDialog& window() { return *window_; }
    const Profile& profile() const { return profile_; }

  private:
    Profile profile_;
    std::unique_ptr<MainDialog> window_;
};

}  // namespace daridez
