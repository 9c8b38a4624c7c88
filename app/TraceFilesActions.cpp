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
#include <algorithm>
#include <chrono>
#include <cstdint>

#include "app/SearchGroup.h"
#include "app/TraceContext.h"
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
// The time a trigger keeps before and after the row it picked, in milliseconds.
const char* const kTriggerPreKey = "TriggerPreMs";
const char* const kTriggerPostKey = "TriggerPostMs";
constexpr int kTriggerDefaultMs = 1000;

std::int64_t triggerMicros(const Profile& profile, const char* key) {
    return std::max(0, profile.GetProfileInt(kRecordSection, key, kTriggerDefaultMs)) * 1000LL;
}

std::int64_t nowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

TraceFilesActions::TraceFilesActions(WindowPrompts& prompts, Profile& profile,
                                     TraceSession& session, TraceController& controller,
                                     const TraceContext& context, TraceListModel& model)
    : prompts_(prompts),
      profile_(profile),
      session_(session),
      controller_(controller),
      context_(context),
      model_(model) {}

TraceFilesActions::~TraceFilesActions() {
    stopRecording();
}

void TraceFilesActions::attach(QCheckBox* record, QLabel* recordLabel) {
    record_ = record;
    recordLabel_ = recordLabel;
    refreshLabel();
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
        return;
    }
    written(rowsText("saved", path, session_.list.rowCount()));
}

void TraceFilesActions::loadTrace() {
    if (!controller_.canLoad()) {
        return;
    }
    const QString path =
        prompts_.chooseTraceFile(ChooserMode::Open, QStringLiteral("open file"),
                                 QStringLiteral("."), QString::fromLatin1(kLoadDescriptions));
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
    QString note;
    hooks.cleared = [this] { controller_.traceEmptied(); };
    hooks.note = [&note](const std::string& what) { note = QString::fromStdString(what); };
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
    controller_.checkOutOfMemory();
    controller_.refreshStatusLine2();  // the trace's clock and counts, device or not
    if (result == LoadResult::OpenError || result == LoadResult::ReadError) {
        prompts_.message(QStringLiteral("load error"));
    }
    if (result != LoadResult::OpenError) {
        traceLoaded(path.toStdString());
        loaded(loadedText(path.toStdString(), result) +
               (note.isEmpty() ? QString() : QStringLiteral("; ") + note));
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
    std::uint64_t rows = 0;
    const auto counted = [&select, &rows](const TraceEntry& entry) {
        const bool kept = !select || select(entry);
        rows += kept ? 1 : 0;
        return kept;
    };
    // The chooser's loop kept the timer running: rows that arrived meanwhile go too.
    const bool ok = out.open() &&
                    ExportTrace(session_.list, ExportFormatOf(target), epochMicros_,
                                context_.ldf().model(), counted, out) &&
                    out.commit();
    if (!ok) {
        prompts_.message(QStringLiteral("export error"));
        return;
    }
    written(rowsText("exported", path, rows));
}

// False when the user closed the question without an answer.
bool TraceFilesActions::chooseRowSelection(std::function<bool(const TraceEntry&)>& select) {
    const Query* query = matchingRows ? matchingRows() : nullptr;
    if (query == nullptr) {
        return true;
    }
    enum Answer { Matching, All, Cancel };
    const int answer = prompts_.choose(
        QStringLiteral("Export only the rows matching \"%1\", or all rows?")
            .arg(QString::fromStdString(query->text())),
        {QStringLiteral("Matching rows"), QStringLiteral("All rows"), QStringLiteral("Cancel")});
    if (answer == Matching) {
        // A copy: the search may change its query while the file chooser is open.
        select = [kept = *query, &form = session_.list.textForm()](const TraceEntry& entry) {
            return kept.matches(entry, form);
        };
    }
    return answer == Matching || answer == All;
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
        recordError_.clear();
        if (trigger_) {
            triggered_ = std::make_unique<TriggeredRecording>(
                recorder_, session_.list, *trigger_, triggerMicros(profile_, kTriggerPreKey),
                triggerMicros(profile_, kTriggerPostKey),
                static_cast<std::size_t>(
                    std::min<std::uint64_t>(session_.list.rowBudget(), SIZE_MAX)));
            controller_.setByteSink(triggered_.get());
        } else {
            controller_.setByteSink(&recorder_);  // starts at once when a trace runs
        }
    } else {
        stopRecording();
    }
    refreshLabel();
}

QString TraceFilesActions::recordFolder() const {
    return QString::fromStdString(profile_.GetProfileString(kRecordSection, kFolderKey, ""));
}

// The folder from the profile, or chosen now when none is remembered or it is gone.
bool TraceFilesActions::ensureRecordFolder() {
    const QString folder = recordFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return chooseRecordFolder();
    }
    recorder_.setFolder(folder.toStdString());
    return true;
}

bool TraceFilesActions::chooseRecordFolder() {
    const QString remembered = recordFolder();
    const QString folder = prompts_.chooseFolder(
        QStringLiteral("record traces into folder"),
        remembered.isEmpty() || !QFileInfo(remembered).isDir() ? QDir::homePath() : remembered);
    if (folder.isEmpty()) {
        return false;
    }
    // Kept for the next session; the profile is saved at shut-down at the latest.
    profile_.WriteProfileString(kRecordSection, kFolderKey, folder.toStdString());
    recorder_.setFolder(folder.toStdString());
    refreshLabel();  // the tip names the folder
    return true;
}

void TraceFilesActions::stopRecording() {
    controller_.setByteSink(nullptr);  // the recorder hears the end and closes its file
    triggered_.reset();
    recorder_.close();
}

QString TraceFilesActions::setTrigger(const QString& text, bool again) {
    const QString trimmed = text.trimmed();
    if (trimmed == triggerText_ && triggerError_.isEmpty() && !(again && trigger_)) {
        return {};
    }
    std::optional<Query> query;
    if (!trimmed.isEmpty()) {
        std::string error;
        query = Query::parse(trimmed.toStdString(), error, context_.ldf().model());
        if (!query) {
            triggerError_ = QString::fromStdString(error);
            refreshLabel();
            return triggerError_;
        }
    }
    triggerError_.clear();
    trigger_ = std::move(query);
    triggerText_ = trimmed;
    if (record_ && record_->isChecked()) {
        stopRecording();
        setRecording(true);
    }
    refreshLabel();
    return {};
}

std::optional<std::int64_t> TraceFilesActions::triggers() const {
    if (triggered_ == nullptr) {
        return std::nullopt;
    }
    return triggered_->triggers();
}

void TraceFilesActions::afterTick() {
    if (recorder_.failed() && record_ && record_->isChecked()) {
        const QString error = QString::fromStdString(recorder_.error());
        {
            const QSignalBlocker blocker(record_);
            record_->setChecked(false);
        }
        stopRecording();
        showRecordError(error);
        return;
    }
    refreshLabel();
}

// The trace goes on: the label says what happened until the next recording, and the box
// waits for no answer.
void TraceFilesActions::showRecordError(const QString& error) {
    recordError_ = QStringLiteral("record error: ") + error;
    refreshLabel();
    prompts_.notify(QStringLiteral("record error\n") + error);
}

// The current (or last) file and its size while the box is on; nothing when off; the
// failure in red after a recording failed. The name gives way (its middle is elided,
// so its start and its time stay) so the size always shows; the tip has the folder
// and the file.
void TraceFilesActions::refreshLabel() {
    if (!recordLabel_) {
        return;
    }
    QString text;
    const QFontMetrics metrics = recordLabel_->fontMetrics();
    const int room = recordLabel_->contentsRect().width();
    // A refused trigger first: it is what the user just typed.
    const QString& error = triggerError_.isEmpty() ? recordError_ : triggerError_;
    if (!error.isEmpty()) {
        text = metrics.elidedText(error, Qt::ElideRight, room);
    } else if (record_ && record_->isChecked() && !recorder_.path().empty()) {
        const QString size =
            QLatin1Char(' ') + QLocale::c().formattedDataSize(static_cast<qint64>(recorder_.size()),
                                                              1, QLocale::DataSizeSIFormat);
        const QString name = QFileInfo(QString::fromStdString(recorder_.path())).fileName();
        text = metrics.elidedText(name, Qt::ElideMiddle, room - metrics.horizontalAdvance(size)) +
               size;
    }
    const QString tip = recordTip();
    if (text == shownLabel_ && tip == shownTip_) {  // on every tick: only a change repaints
        return;
    }
    shownLabel_ = text;
    shownTip_ = tip;
    recordLabel_->setText(text);
    QPalette palette = recordLabel_->parentWidget()->palette();
    if (!error.isEmpty()) {
        palette.setColor(QPalette::WindowText, QColor(220, 40, 30));
    }
    recordLabel_->setPalette(palette);
    recordLabel_->setToolTip(tip);
}

QString TraceFilesActions::recordTip() const {
    const QString folder = recordFolder();
    QString tip = folder.isEmpty() ? QStringLiteral("record folder: not chosen yet")
                                   : QStringLiteral("record folder: ") + folder;
    if (!recorder_.path().empty()) {
        tip += QStringLiteral("\nfile: ") + QString::fromStdString(recorder_.path());
    }
    if (trigger_) {
        tip += QStringLiteral("\ntrigger: %1 (%2 ms before, %3 ms after)")
                   .arg(QString::fromStdString(trigger_->text()))
                   .arg(triggerMicros(profile_, kTriggerPreKey) / 1000)
                   .arg(triggerMicros(profile_, kTriggerPostKey) / 1000);
    }
    if (!recordError_.isEmpty()) {
        tip += QLatin1Char('\n') + recordError_;
    }
    if (!triggerError_.isEmpty()) {
        tip += QLatin1Char('\n') + triggerError_;
    }
    return tip;
}

// --- the epoch -----------------------------------------------------------------

void TraceFilesActions::liveTraceStarted() {
    epochMicros_ = nowMicros();
}

QString TraceFilesActions::rowsText(const char* done, const QString& path, std::uint64_t rows) {
    return QStringLiteral("%1 %2: %3 %4")
        .arg(QLatin1String(done), QFileInfo(path).fileName(), GroupedNumber(rows),
             rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
}

QString TraceFilesActions::loadedText(const std::string& path, LoadResult result) const {
    QString text = rowsText("loaded", QString::fromStdString(path), session_.list.rowCount());
    if (result == LoadResult::Cancelled) {
        text += QStringLiteral(" (cancelled)");
    } else if (result == LoadResult::ReadError) {
        text += QStringLiteral(" (read error)");
    }
    return text;
}

void TraceFilesActions::traceLoaded(const std::string& path) {
    const QDateTime written = QFileInfo(QString::fromStdString(path)).lastModified();
    if (written.isValid()) {
        epochMicros_ = written.toMSecsSinceEpoch() * 1000 - session_.decoder.traceClock();
    }
}

}  // namespace daridez
