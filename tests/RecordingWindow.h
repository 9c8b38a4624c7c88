#pragma once
// Test helper: a main window stand-in that records everything the trace controller
// shows or asks of it.
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "protocol/ControllerWindow.h"

namespace daridez::test {

class RecordingWindow : public ControllerWindow {
  public:
    // forgetPort does what the main window does to the channel when told to.
    explicit RecordingWindow(std::function<void()> forgetPort)
        : forgetPort_(std::move(forgetPort)) {}

    void setStatusLine1(const std::string& text) override { line1.push_back(text); }
    void setStatusLine2(const std::string& text) override { line2.push_back(text); }
    bool hasControl(int id) const override {
        return std::ranges::find(controls, id) != controls.end();
    }
    void enableControl(int id, bool enabled) override { this->enabled[id] = enabled; }
    std::string linBaudrateText() const override { return boxText; }
    void setLinBaudrateText(const std::string& text) override { boxText = text; }
    void setListLive(bool flag) override { live = flag; }
    void traceCleared() override { ++clears; }
    void redrawLastPage() override { ++redraws; }
    void markPortNotConnected() override {
        ++portsForgotten;
        forgetPort_();
    }
    void reportOutOfMemory() override { ++outOfMemoryReports; }

    std::string lastLine1() const { return line1.empty() ? std::string() : line1.back(); }
    std::string lastLine2() const { return line2.empty() ? std::string() : line2.back(); }
    int line1Count(const std::string& text) const {
        return static_cast<int>(std::count(line1.begin(), line1.end(), text));
    }

    // Every control of the main window.
    std::vector<int> controls{1000, 1001, 1005, 1007, 1008, 1009, 1018,
                              1012, 1010, 1011, 1015, 1016, 1017};
    std::vector<std::string> line1;
    std::vector<std::string> line2;
    std::map<int, bool> enabled;
    bool live = false;
    std::string boxText = "19200";
    int clears = 0;
    int redraws = 0;
    int portsForgotten = 0;
    int outOfMemoryReports = 0;

  private:
    std::function<void()> forgetPort_;
};

}  // namespace daridez::test
