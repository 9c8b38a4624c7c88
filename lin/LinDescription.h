#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace daridez {

class LdfModel;
struct LdfFile;

// An LDF as the window, the tools and the simulator hold it: the file read once and
// shared by everything that decodes with it, its path, and what the window tells of it.
// Its header names the reader's types only, so that code of any kind may include it.
class LinDescription {
  public:
    LinDescription() = default;
    // Reads the file at path (never throws; problems are in diagnostics()).
    static LinDescription read(const std::string& path);
    static LinDescription parse(const std::string& text, const std::string& path);

    // Something to decode with: the file was read and names a frame.
    bool usable() const;
    // The model (nullptr when nothing was read).
    const LdfModel* model() const;
    const std::string& path() const { return path_; }

    // "FILE:LINE:COLUMN: warning: message", one each.
    std::vector<std::string> diagnostics() const;
    int errors() const;
    int warnings() const;
    // "2.2, 19.2 kbps, 8 frames"
    std::string shortSummary() const;
    // "LIN 2.2, 19.2 kbps: 5 nodes, 43 signals, 8 frames, 3 schedule tables; 0 errors, ..."
    std::string summary() const;
    double speedKbps() const;
    // The names of the frames and the signals, for completing a search.
    std::vector<std::string> frameNames() const;
    std::vector<std::string> signalNames() const;
    std::vector<std::string> scheduleTableNames() const;
    // What to tell when the LDF's LIN_speed is not the rate baudText names ("9600"):
    // "LDF speed 19.2 kbps differs from the LIN-Baudrate 9600". "" when they agree or
    // either is unknown.
    std::string speedMismatch(const std::string& baudText) const;

  private:
    std::shared_ptr<const LdfFile> file_;
    std::string path_;
};

}  // namespace daridez
