#include "app/TraceFilesActions.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QSignalBlocker>
#include <chrono>

#include "app/WindowPrompts.h"
#include "files/DumpWriter.h"
#include "files/SafeReplace.h"
#include "files/TraceExport.h"
#include "files/TraceLoad.h"
#include "lin/Query.h"
#include "protocol/TraceController.h"
#include "protocol/TraceSession.h"
#include "serial/Profile.h"
#include "view/TraceListModel.h"

namespace daridez {

namespace {

const char* const kRecordSection = "RECORD";
const char* const kFolderKey = "Folder";

std::int64_t nowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

TraceFilesActions::TraceFilesActions(WindowPrompts& prompts, Profile& profile,
                                     TraceSession& session, TraceController& controller,
                                     TraceListModel& model)
    : prompts_(prompts),
      profile_(profile),
      session_(session),
      controller_(controller),
      model_(model) {}

TraceFilesActions::~TraceFilesActions() {
    stopRecording();
}

void TraceFilesActions::attach(QCheckBox* record, QLabel* recordLabel) {
    record_ = record;
    recordLabel_ = recordLabel;
}

// --- save and load -------------------------------------------------------------

void TraceFilesActions::saveTrace() {
    if (session_.list.TraceListHead() == nullptr) {
        return;
    }
    const QString path =
        prompts_.chooseTraceFile(ChooserMode::Save, QStringLiteral("save file"),
                                 QStringLiteral("."), QString::fromLatin1(kDumpDescriptions));
    if (path.isEmpty()) {
        return;
    }
    // The chooser's modal loop kept the timer running: rows that arrived meanwhile
    // are saved too.
    if (!DumpWriter::save(session_.list, path.toStdString())) {
        prompts_.message(QStringLiteral("save error"));
    }
}

void TraceFilesActions::loadTrace() {
    if (!controller_.canLoad()) {
        return;
    }
    const QString path =
        prompts_.chooseTraceFile(ChooserMode::Open, QStringLiteral("open file"),
                                 QStringLiteral("."), QString::fromLatin1(kDumpDescriptions));
    // The chooser's modal loop ran ticks: a trace may have been started meanwhile.
    if (path.isEmpty() || !controller_.canLoad()) {
        return;
    }
    // The progress dialog runs an event loop: while paused, no tick and no command
    // touches the receive buffer or the trace behind the loader's back. The rows are
    // published and the progress shown a few times a second, not once per block.
    controller_.setPaused(true);
    model_.setHoldingBatches(true);
    bool showProgress = false;
    QElapsedTimer sinceUpdate;
    sinceUpdate.start();
    LoadHooks hooks;
    hooks.cleared = [this] { controller_.traceEmptied(); };
    hooks.progress = [&](std::uint64_t done, std::uint64_t total) {
        const bool first = !showProgress && total > progressThreshold_;
        if (!first && sinceUpdate.elapsed() < kLoadUpdateMs) {
            return true;
        }
        sinceUpdate.restart();
        model_.publishPending();
        if (first) {
            showProgress = true;
            prompts_.beginProgress(total);
        }
        return !showProgress || prompts_.progress(done);
    };
    const LoadResult result = LoadTrace(session_, path.toStdString(), hooks);
    model_.setHoldingBatches(false);
    if (showProgress) {
        prompts_.endProgress();
    }
    controller_.setPaused(false);
    if (session_.decoder.takeOutOfMemory()) {
        outOfMemory();
    }
    if (result == LoadResult::OpenError || result == LoadResult::ReadError) {
        prompts_.message(QStringLiteral("load error"));
    }
    if (result != LoadResult::OpenError) {
        traceLoaded(path.toStdString());
    }
}

// --- export --------------------------------------------------------------------

void TraceFilesActions::exportTrace() {
    if (session_.list.TraceListHead() == nullptr) {
        return;
    }
    std::function<bool(const TraceEntry&)> select;
    if (!chooseRowSelection(select)) {
        return;
    }
    const QString path =
        prompts_.chooseTraceFile(ChooserMode::Save, QStringLiteral("export file"),
                                 QStringLiteral("."), QString::fromLatin1(kExportDescriptions));
    if (path.isEmpty()) {
        return;
    }
    const std::string target = path.toStdString();
    SafeReplace out(target);
    // The chooser's loop kept the timer running: rows that arrived meanwhile go too.
    const bool ok = out.open() &&
                    ExportTrace(session_.list, ExportFormatOf(target), epochMicros_, select, out) &&
                    out.commit();
    if (!ok) {
        prompts_.message(QStringLiteral("export error"));
    }
}

// False when the user closed the question without an answer.
bool TraceFilesActions::chooseRowSelection(std::function<bool(const TraceEntry&)>& select) {
    const Query* query = matchingRows ? matchingRows() : nullptr;
    if (query == nullptr) {
        return true;
    }
    const int answer =
        prompts_.choose(QStringLiteral("Export only the rows matching \"%1\", or all rows?")
                            .arg(QString::fromStdString(query->text())),
                        {QStringLiteral("Matching rows"), QStringLiteral("All rows")});
    if (answer == 0) {
        // A copy: the search may change its query while the file chooser is open.
        select = [kept = *query, &form = session_.list.textForm()](const TraceEntry& entry) {
            return kept.matches(entry, form);
        };
    }
    return answer >= 0;
}

// --- recording -----------------------------------------------------------------

void TraceFilesActions::setRecording(bool on) {
    if (on && !ensureRecordFolder()) {
        const QSignalBlocker blocker(record_);
        if (record_) {
            record_->setChecked(false);
        }
        return;
    }
    if (on) {
        recorder_.clearError();
        controller_.setByteSink(&recorder_);  // starts at once when a trace runs
    } else {
        stopRecording();
    }
    refreshLabel();
}

// The folder from the profile, or chosen now when none is remembered or it is gone.
bool TraceFilesActions::ensureRecordFolder() {
    QString folder =
        QString::fromStdString(profile_.GetProfileString(kRecordSection, kFolderKey, ""));
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = prompts_.chooseFolder(QStringLiteral("record traces into folder"),
                                       folder.isEmpty() ? QDir::homePath() : folder);
        if (folder.isEmpty()) {
            return false;
        }
        // Kept for the next session; the profile is saved at shut-down at the latest.
        profile_.WriteProfileString(kRecordSection, kFolderKey, folder.toStdString());
    }
    recorder_.setFolder(folder.toStdString());
    return true;
}

void TraceFilesActions::stopRecording() {
    controller_.setByteSink(nullptr);  // the recorder hears the end and closes its file
    recorder_.close();
}

void TraceFilesActions::afterTick() {
    if (recorder_.failed() && record_ && record_->isChecked()) {
        const QString error = QString::fromStdString(recorder_.error());
        {
            const QSignalBlocker blocker(record_);
            record_->setChecked(false);
        }
        stopRecording();
        refreshLabel();
        // Shown after the recording stopped: the box's loop runs further ticks.
        prompts_.message(QStringLiteral("record error\n") + error);
        return;
    }
    refreshLabel();
}

// The current (or last) file and its size while the box is on; nothing when off. The
// name gives way (its start is elided) so the size always shows; the tip has the path.
void TraceFilesActions::refreshLabel() {
    if (!recordLabel_) {
        return;
    }
    QString text;
    if (record_ && record_->isChecked() && !recorder_.path().empty()) {
        const QString size =
            QLatin1Char(' ') + QLocale::c().formattedDataSize(static_cast<qint64>(recorder_.size()),
                                                              1, QLocale::DataSizeSIFormat);
        const QFontMetrics metrics = recordLabel_->fontMetrics();
        const QString name = QFileInfo(QString::fromStdString(recorder_.path())).fileName();
        text = metrics.elidedText(name, Qt::ElideLeft,
                                  recordLabel_->width() - metrics.horizontalAdvance(size)) +
               size;
    }
    if (text != shownLabel_) {  // on every tick: only a change costs a repaint
        shownLabel_ = text;
        recordLabel_->setText(text);
        recordLabel_->setToolTip(QString::fromStdString(recorder_.path()));
    }
}

// --- the epoch -----------------------------------------------------------------

void TraceFilesActions::liveTraceStarted() {
    epochMicros_ = nowMicros();
}

void TraceFilesActions::traceLoaded(const std::string& path) {
    const QDateTime written = QFileInfo(QString::fromStdString(path)).lastModified();
    if (written.isValid()) {
        epochMicros_ = written.toMSecsSinceEpoch() * 1000 - session_.decoder.traceClock();
    }
}

}  // namespace daridez
