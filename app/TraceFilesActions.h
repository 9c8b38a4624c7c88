#pragma once

#include <QPointer>
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <string>

#include "files/TraceRecorder.h"

class QCheckBox;
class QLabel;

namespace daridez {

class Profile;
class Query;
class TraceController;
class TraceListModel;
class TraceSession;
class WindowPrompts;
struct TraceEntry;

// The main window's trace files: "save trace", "load trace", "export..." and "record".
// Asks for the file or the folder, runs the Qt-free core (DumpWriter, LoadTrace,
// ExportTrace through SafeReplace, the TraceRecorder as the controller's byte sink) and
// tells the user what failed.
class TraceFilesActions {
  public:
    static constexpr const char* kDumpDescriptions = "LIN traces (*.dump)|all files (*.*)";
    static constexpr const char* kExportDescriptions = "pcapng (*.pcapng)|CSV (*.csv)";
    static constexpr std::uint64_t kProgressThreshold = 4u << 20;  // bytes
    static constexpr qint64 kLoadUpdateMs = 50;  // rows shown and progress told this often

    TraceFilesActions(WindowPrompts& prompts, Profile& profile, TraceSession& session,
                      TraceController& controller, TraceListModel& model);
    ~TraceFilesActions();

    // "save trace": the whole trace into a dump file the user chooses.
    void saveTrace();
    // "load trace": a dump file the user chooses replaces the trace, decoded while the
    // controller pauses; above the threshold under a cancellable progress dialog.
    void loadTrace();
    void setProgressThreshold(std::uint64_t bytes) { progressThreshold_ = bytes; }

    // The "record" check box and the label beside it, kept up to date from here on.
    void attach(QCheckBox* record, QLabel* recordLabel);

    void exportTrace();
    // The check box was turned on or off. On without a folder asks for one, and stays
    // off when the user cancels.
    void setRecording(bool on);
    // After every tick: a failed recording is stopped and told, the label refreshed.
    void afterTick();
    // Stops recording (shut-down): the file is closed, the trace goes on.
    void stopRecording();

    // The wall-clock time of trace time 0 for pcapng: now for a live trace, the
    // file's time minus the trace's final clock for a loaded one.
    void liveTraceStarted();
    void traceLoaded(const std::string& path);
    std::int64_t epochMicros() const { return epochMicros_; }

    // The search's "Show only matches" query while it is on, else nullptr; when it
    // answers a query, an export asks whether to write only the matching rows.
    std::function<const Query*()> matchingRows = [] { return nullptr; };
    // Told when a load ran out of memory for rows.
    std::function<void()> outOfMemory = [] {};

    const TraceRecorder& recorder() const { return recorder_; }

  private:
    bool chooseRowSelection(std::function<bool(const TraceEntry&)>& select);
    bool ensureRecordFolder();
    void refreshLabel();

    WindowPrompts& prompts_;
    Profile& profile_;
    TraceSession& session_;
    TraceController& controller_;
    TraceListModel& model_;
    TraceRecorder recorder_;
    QPointer<QCheckBox> record_;
    QPointer<QLabel> recordLabel_;
    QString shownLabel_;
    std::int64_t epochMicros_ = 0;
    std::uint64_t progressThreshold_ = kProgressThreshold;
};

}  // namespace daridez
