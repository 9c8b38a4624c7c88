#include "app/MainDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <optional>

#include "app/AboutDialog.h"
#include "app/CommSettingsDialog.h"
#include "app/EnableTable.h"
#include "app/LdfPanel.h"
#include "app/MainControls.h"
#include "app/QtWindowPrompts.h"
#include "app/SearchGroup.h"
#include "app/SignalPane.h"
#include "app/TraceContext.h"
#include "app/TraceFilesActions.h"
#include "lin/Columns.h"
#include "lin/LinRates.h"
#include "protocol/ProgramWide.h"
#include "serial/Profile.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

namespace daridez {

MainDialog::MainDialog(ProgramWide& programWide, Profile& profile, WindowPrompts* prompts,
                       QWidget* parent)
    : QDialog(parent),
      profile_(profile),
      ownPrompts_(prompts == nullptr ? std::make_unique<QtWindowPrompts>(this) : nullptr),
      prompts_(prompts == nullptr ? ownPrompts_.get() : prompts),
      listArea_(new QSplitter(Qt::Vertical, this)),
      list_(new TraceListView(listArea_)),
      signalPane_(new SignalPane(*list_, listArea_)) {
    session_ = std::make_unique<TraceSession>(programWide.traceList, programWide.receiveBuffer,
                                              *list_->traceModel());
    controller_ = std::make_unique<TraceController>(connection_.port(), *this, *session_,
                                                    programWide.setBaudrateFrame);
    context_ = new TraceContext(*session_, &profile_, this);
    fileActions_ = std::make_unique<TraceFilesActions>(*prompts_, profile_, *session_, *controller_,
                                                       *context_, *list_->traceModel());
    fileActions_->loaded = [this](const QString& text) {
        list_->showFirstRow();
        setStatusLine1(text.toStdString());
    };
    fileActions_->written = [this](const QString& text) { setStatusLine1(text.toStdString()); };
    const auto rowsArriving = [this] {
        return controller_->paused() || session_->state != TraceState::Idle;
    };
    companions_ = new CompanionWindows(*session_, *context_, rowsArriving, *prompts_, profile_,
                                       *list_, *signalPane_, this);
    buildControls();
    connection_.load(profile_);
    setStatusLine1(connection_.describe());
    controller_->reset();
    controller_->setBusy(false);
    setLinBaudrateText(std::to_string(context_->linRate()));
    ldfPanel_->restore();
    connectPort();
    // Only now, after a possible "Could Not Open Com Port" box has been closed.
    timer_.start();
}

MainDialog::~MainDialog() {
    shutDown();
}

void MainDialog::buildControls() {
    controls_ = MainControls::build(*this, *list_, layout_);
    findRate_ = std::make_unique<FindRateButton>(controls_);
    ldfPanel_ = new LdfPanel(*prompts_, profile_, *context_,
                             controlAs<QLabel>(WindowControl::LdfLabel), this);
    // After the search's own (built above): its query is parsed with the new LDF before
    // the list judges rows with it.
    connect(context_, &TraceContext::ldfChanged, this, &MainDialog::applyLdf);
    connect(context_, &TraceContext::modesChanged, this,
            [this] { listModel()->showModesOf(*session_); });
    fileActions_->attach(&controlAs<QCheckBox>(WindowControl::Record),
                         &controlAs<QLabel>(WindowControl::RecordLabel));
    fileActions_->matchingRows = [this] { return searchGroup()->shownQuery(); };
    companions_->connectSearch(*searchGroup());
    connect(list_, &TraceListView::rightClicked, this, &MainDialog::onListRightClick);
    timer_.setInterval(kTimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        controller_->onTimerTick();
        fileActions_->afterTick();
        showStatusLine2();
    });
}

TraceListModel* MainDialog::listModel() const {
    return list_->traceModel();
}

SearchGroup* MainDialog::searchGroup() const {
    return static_cast<SearchGroup*>(control(WindowControl::Search));
}

// Settings and profile saved, list freed, timer stopped, port closed. No stop command is
// sent: a tracing device keeps tracing.
void MainDialog::shutDown() {
    if (std::exchange(shutDown_, true)) {
        return;
    }
    fileActions_->stopRecording();
    connection_.save(profile_);
    companions_->saveLanes();
    emit closing();
    saveProfile();
    session_->clear();
    timer_.stop();
    connection_.close();
}

// The profile's writes while the program runs (settings chosen, shut-down); a failure is
// told while the window still shows.
void MainDialog::saveProfile() {
    if (!profile_.save() && isVisible()) {
        prompts_->message(QStringLiteral("The settings could not be saved:\n%1: %2")
                              .arg(QString::fromStdString(profile_.path()),
                                   QString::fromStdString(profile_.saveError())));
    }
}

void MainDialog::done(int result) {
    shutDown();
    QDialog::done(result);
}

void MainDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layout_.apply(size());
}

// The caption's close button: QDialog would reject(), which does nothing here. The window
// stays while the loader is still decoding into the trace.
void MainDialog::closeEvent(QCloseEvent* event) {
    event->setAccepted(!controller_->paused());
    if (event->isAccepted()) {
        done(QDialog::Rejected);
    }
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    if (!MainControls::takeKey(*this, *event)) {
        return QDialog::keyPressEvent(event);
    }
    event->accept();
}

void MainDialog::connectPort() {
    const std::string error = connection_.reopen();
    if (!error.empty()) {
        prompts_->message(QString::fromStdString(error));
    }
}

// OK or Cancel: the port is reopened all the same.
void MainDialog::onConfig() {
    CommSettingsDialog dialog(connection_.settings(), connection_.paths(), this);
    if (dialog.exec() == QDialog::Accepted) {
        connection_.setChoices(dialog.settings(), dialog.portPaths());
        // Saved before the port is reopened: the choices last even if that fails.
        connection_.save(profile_);
        saveProfile();
    }
    connectPort();
    setStatusLine1(connection_.describe());
}

// Each status line's tool tip holds its whole text, for a text longer than the line.
void MainDialog::setStatusLine1(const std::string& text) {
    auto& line = controlAs<QLabel>(WindowControl::StatusLine1);
    line.setText(QString::fromStdString(text));
    line.setToolTip(line.text());
}

void MainDialog::setStatusLine2(const std::string& text) {
    statusLine2_ = QString::fromStdString(text);
    showStatusLine2();
}

void MainDialog::showStatusLine2() {
    const std::optional<std::int64_t> triggers = fileActions_->triggers();
    const QString text =
        triggers ? statusLine2_ + QStringLiteral("  \tTRGs: %1").arg(*triggers) : statusLine2_;
    auto& line = controlAs<QLabel>(WindowControl::StatusLine2);
    if (line.text() != text) {
        line.setText(text);
        line.setToolTip(text);
    }
}

void MainDialog::applyTrigger(bool again) {
    auto& box = controlAs<QLineEdit>(WindowControl::Trigger);
    const QString error = fileActions_->setTrigger(box.text(), again);
    QPalette palette = box.parentWidget()->palette();
    if (!error.isEmpty()) {
        palette.setColor(QPalette::Base, SearchGroup::rejectedBase(palette));
    }
    box.setPalette(palette);
    showStatusLine2();
}

void MainDialog::showBusy(bool busy, bool rateSearchRunning) {
    EnableTable::apply(busy, rateSearchRunning, [this](WindowControl which, bool enabled) {
        if (QWidget* widget = control(which)) {
            widget->setEnabled(enabled);
        }
    });
}

std::string MainDialog::linBaudrateText() const {
    return controlAs<QComboBox>(WindowControl::LinBaudrate).currentText().toStdString();
}

void MainDialog::setLinBaudrateText(const std::string& text) {
    controlAs<QComboBox>(WindowControl::LinBaudrate).setEditText(QString::fromStdString(text));
}

void MainDialog::baudrateConfirmed(int baudrate) {
    context_->setLinRate(baudrate);
}

void MainDialog::setListLive(bool live) {
    listModel()->setLive(live);
    if (live) {
        fileActions_->liveTraceStarted();  // only "Start" makes the list live
    }
}

void MainDialog::traceCleared() {
    context_->traceCleared();
}

void MainDialog::redrawLastPage() {
    list_->redrawLastPage();
}

// Called from inside a tick or a decode, once per shortage (the controller decides): the
// box is queued so that its event loop never runs further ticks inside this one.
void MainDialog::reportOutOfMemory() {
    QMetaObject::invokeMethod(
        this, [this] { prompts_->message(QStringLiteral("Running out of memory...")); },
        Qt::QueuedConnection);
}

void MainDialog::setDisplayModes(const DisplayModes& modes) {
    context_->setModes(modes);
}

// A right-click toggles the display mode of its column, except while a command or a
// trace keeps the controller busy.
void MainDialog::onListRightClick(int column) {
    DisplayModes modes = session_->modes();
    if (!controller_->busy() && IsColumn(column) && ToggleMode(modes, ColumnAt(column).toggle)) {
        setDisplayModes(modes);
    }
}

void MainDialog::showAbout() {
    AboutDialog(this).exec();
}

void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
    event->setAccepted(MainControls::openMenuFor(*this, *event));
}

// The list judges its rows with the new LDF (the search and the windows beside it follow
// the context themselves). A rate that differs from the box is told once, the device left
// as it is; the telling goes when an LDF that agrees (or none) follows.
void MainDialog::applyLdf() {
    const LinDescription& ldf = context_->ldf();
    listModel()->setLdf(ldf.model());
    controller_->setLdf(ldf.model());
    const std::string mismatch = ldf.speedMismatch(linBaudrateText());
    const QString shown = controlAs<QLabel>(WindowControl::StatusLine1).text();
    if (!mismatch.empty()) {
        setStatusLine1(mismatch);
    } else if (!shownMismatch_.empty() && shown == QString::fromStdString(shownMismatch_)) {
        setStatusLine1("");
    }
    shownMismatch_ = mismatch;
    applyTrigger(true);  // its query reads the new LDF
}

}  // namespace daridez
