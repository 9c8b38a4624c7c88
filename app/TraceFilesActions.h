#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "files/DumpLoader.h"
#include "files/TraceRecorder.h"

class QCheckBox;
class QLabel;

namespace daridez {

class Profile;
class Query;
class TraceController;
class TraceSession;
class WindowPrompts;
struct TraceEntry;

// The main window's "export..." and "record" actions: asks for the file or the folder,
// runs the Qt-free core (ExportTrace through SafeReplace, the TraceRecorder as the
// controller's byte sink) and tells the user what failed.
class TraceFilesActions {
  public:
    static constexpr const char* kExportDescriptions = "pcapng (*.pcapng)|CSV (*.csv)";

    TraceFilesActions(WindowPrompts& prompts, Profile& profile, TraceSession& session,
                      TraceController& controller);
    ~TraceFilesActions();

    // The "record" check box and the label beside it, kept up to date from here on.
    void attach(QCheckBox* record, QLabel* recordLabel);

    void exportTrace();
    // The check box was turned on or off. On without a folder asks for one, and stays
    // off when the user cancels.
    void setRecording(bool on);
    // "record folder...": asks for the folder recordings go to (kept in the profile);
    // the next recording starts there. False when the user cancelled.
    bool chooseRecordFolder();
    // The folder the profile names, "" when none.
    QString recordFolder() const;
    // After every tick: a failed recording is stopped and told without stopping the
    // window (the label turns red with the reason, a box shows), the label refreshed.
    void afterTick();
    // Stops recording (shut-down): the file is closed, the trace goes on.
    void stopRecording();

    // The wall-clock time of trace time 0 for pcapng: now for a live trace, the
    // file's time minus the trace's final clock for a loaded one.
    void liveTraceStarted();
    void traceLoaded(const std::string& path);
    // What a load brought, for the status line: "loaded trace.dump: 1,009,956 rows",
    // with "(cancelled)" or "(read error)" after a load that stopped early.
    QString loadedText(const std::string& path, LoadResult result) const;
    std::int64_t epochMicros() const { return epochMicros_; }

    // The search's "Show only matches" query while it is on, else nullptr; when it
    // answers a query, an export asks whether to write only the matching rows.
    std::function<const Query*()> matchingRows = [] { return nullptr; };

    const TraceRecorder& recorder() const { return recorder_; }

  private:
    bool chooseRowSelection(std::function<bool(const TraceEntry&)>& select);
    bool ensureRecordFolder();
    void refreshLabel();
    void showRecordError(const QString& error);
    QString recordTip() const;

    WindowPrompts& prompts_;
    Profile& profile_;
    TraceSession& session_;
    TraceController& controller_;
    TraceRecorder recorder_;
    QPointer<QCheckBox> record_;
    QPointer<QLabel> recordLabel_;
    QString shownLabel_;
    QString shownTip_;
    QString recordError_;  // the last recording's failure, shown until the next one starts
    std::int64_t epochMicros_ = 0;
};

}  // namespace daridez
