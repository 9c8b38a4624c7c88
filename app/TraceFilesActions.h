#pragma once

#include <QPointer>
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "files/DumpLoader.h"
#include "files/TraceRecorder.h"
#include "files/TriggeredRecording.h"
#include "lin/Query.h"

class QCheckBox;
class QLabel;

namespace daridez {

class Profile;
class TraceContext;
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
    static constexpr const char* kExportDescriptions =
        "pcapng (*.pcapng)|CSV (*.csv)|ASC log (*.asc)";
    // What "load trace" opens: dump files, and other tools' ASC logs and captures.
    static constexpr const char* kLoadDescriptions =
        "LIN traces (*.dump *.asc *.pcapng *.pcap)|all files (*.*)";
    static constexpr std::uint64_t kProgressThreshold = 4u << 20;  // bytes
    static constexpr qint64 kLoadUpdateMs = 200;  // rows shown and progress told this often

    TraceFilesActions(WindowPrompts& prompts, Profile& profile, TraceSession& session,
                      TraceController& controller, const TraceContext& context,
                      TraceListModel& model);
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
    // The "trigger" box's query (read with the context's LDF): from now on only the rows
    // within the profile's [RECORD] TriggerPreMs before and TriggerPostMs after each row
    // it picks are recorded ("": every row); a recording under way goes on in a new
    // file. A query the parser rejects is refused: its message is returned (and shown
    // beside "record"), the trigger in force stays. The query in force again changes
    // nothing unless again (parsed anew: a new LDF).
    QString setTrigger(const QString& text, bool again = false);
    // The rows the trigger picked in the recording under way; nullopt while none records
    // through a trigger.
    std::optional<std::int64_t> triggers() const;

    // The wall-clock time of trace time 0 for pcapng: now for a live trace, the
    // file's time minus the trace's final clock for a loaded one.
    void liveTraceStarted();
    void traceLoaded(const std::string& path);
    // What a load brought, for the status line: "loaded trace.dump: 1,009,956 rows",
    // with "(cancelled)" or "(read error)" after a load that stopped early.
    QString loadedText(const std::string& path, LoadResult result) const;
    // What a save or an export wrote: "saved trace.dump: 1,009,956 rows".
    static QString rowsText(const char* done, const QString& path, std::uint64_t rows);
    std::int64_t epochMicros() const { return epochMicros_; }

    // The search's "Show only matches" query while it is on, else nullptr; when it
    // answers a query, an export asks whether to write only the matching rows.
    std::function<const Query*()> matchingRows = [] { return nullptr; };
    // Told when a load replaced the trace: what it brought (loadedText()), for the window
    // to show together with the new trace's first row.
    std::function<void(const QString& text)> loaded = [](const QString&) {};
    // Told when a save or an export is done: what it wrote (rowsText()).
    std::function<void(const QString& text)> written = [](const QString&) {};

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
    const TraceContext& context_;
    TraceListModel& model_;
    TraceRecorder recorder_;
    std::optional<Query> trigger_;
    QString triggerText_;  // what the trigger in force was parsed from ("": none)
    std::unique_ptr<TriggeredRecording> triggered_;  // the recorder behind a trigger
    QString triggerError_;  // the last query the trigger box refused, until the next one
    QPointer<QCheckBox> record_;
    QPointer<QLabel> recordLabel_;
    QString shownLabel_;
    QString shownTip_;
    QString recordError_;  // the last recording's failure, shown until the next one starts
    std::int64_t epochMicros_ = 0;
    std::uint64_t progressThreshold_ = kProgressThreshold;
};

}  // namespace daridez
