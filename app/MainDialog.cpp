#include "app/MainDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "app/AboutDialog.h"
#include "app/AppIcon.h"
#include "app/CommSettingsDialog.h"
#include "app/DialogUnits.h"
#include "app/GroupFrame.h"
#include "app/IdSummaryWindow.h"
#include "app/QtWindowPrompts.h"
#include "app/SearchGroup.h"
#include "app/TraceFilesActions.h"
#include "app/WindowPlacement.h"
#include "files/DumpWriter.h"
#include "files/TraceLoad.h"
#include "lin/Columns.h"
#include "trace/RowBudget.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace daridez {

namespace {

constexpr unsigned kAboutCommand = 16;  // the window-menu entry's command id
const char* const kAboutEntry = "Inf&o about Daridez...";
const char* const kDumpDescriptions = "LIN traces (*.dump)|all files (*.*)";

const char* const kLinBaudrates[] = {"1200", "2400", "4800", "9600", "19200"};

QString idName(int id) {
    return QString::number(id);
}

}  // namespace

MainDialog::MainDialog(ProgramWide& programWide, const std::string& profilePath,
                       WindowPrompts* prompts, QWidget* parent)
    : QDialog(parent),
      programWide_(programWide),
      ownPrompts_(prompts == nullptr ? std::make_unique<QtWindowPrompts>(this) : nullptr),
      prompts_(prompts == nullptr ? ownPrompts_.get() : prompts),
      profile_(profilePath),
      port_(portPaths_) {
    buildControls();
    session_ = std::make_unique<TraceSession>(programWide_.traceList, programWide_.receiveBuffer,
                                              *list_->traceModel());
    idSummary_ = new IdSummaryWindow(
        *session_, [this] { return controller_->paused() || session_->state != TraceState::Idle; },
        this);
    controller_ =
        std::make_unique<TraceController>(port_, *this, *session_, programWide_.setBaudrateFrame);
    fileActions_ =
        std::make_unique<TraceFilesActions>(*prompts_, profile_, *session_, *controller_);
    fileActions_->matchingRows = [this] {
        search_->applyTyping();  // the question names the query the list shows
        return search_->showingOnlyMatches() ? search_->activeQuery() : nullptr;
    };
    // A double click on an identifier in the summary looks for its frames.
    connect(idSummary_, &IdSummaryWindow::identifierActivated, this, [this](int id) {
        search_->setQuery(QStringLiteral("id=") +
                          QStringLiteral("%1").arg(id, 2, 16, QLatin1Char('0')).toUpper());
    });
    buildFileActionControls();
    timer_.setInterval(kTimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &MainDialog::onTimer);
    initDialog();
}

MainDialog::~MainDialog() {
    shutDown();
}

// --- layout -------------------------------------------------------------------

QPushButton* MainDialog::addButton(int id, const char* caption, int x, int y, int width,
                                   int height) {
    const DialogUnits units(font());
    auto* button = new QPushButton(QString::fromLatin1(caption), this);
    holdControl(id, button);
    layout_.add(button, units.rect(x, y, width, height));
    // Return never presses a button of this window.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// Template 102: controls in the template's order, which is also the tab order.
void MainDialog::buildControls() {
    setWindowTitle(QStringLiteral("Daridez"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowIcon(appIcon());
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());
    // The template's size is the window's first and smallest size.
    layout_.setTemplateSize(units.size(457, 381));
    setMinimumSize(layout_.templateSize());
    resize(layout_.templateSize());

    auto* config = addButton(ControlId::Config, "config", 5, 10, 35, 10);
    auto* connectButton = addButton(ControlId::Connect, "connect", 50, 10, 35, 10);
    auto* save = addButton(ControlId::SaveTrace, "save trace", 105, 10, 50, 10);
    auto* load = addButton(ControlId::LoadTrace, "load trace", 160, 10, 50, 10);
    auto* start = addButton(ControlId::Start, "Start", 5, 35, 25, 10);
    auto* stop = addButton(ControlId::Stop, "Stop", 5, 50, 25, 10);
    auto* version = addButton(ControlId::GetFwVersion, "Get FW-Version", 40, 35, 60, 10);
    auto* clear = addButton(ControlId::ClearTraceList, "clear TraceList", 40, 50, 60, 10);

    linBaudrate_ = new QComboBox(this);
    holdControl(ControlId::LinBaudrate, linBaudrate_);
    linBaudrate_->setEditable(true);
    linBaudrate_->setInsertPolicy(QComboBox::NoInsert);  // the list keeps its five rates
    for (const char* rate : kLinBaudrates) {
        linBaudrate_->addItem(QString::fromLatin1(rate));
    }
    linBaudrate_->setEditText(QString());
    // 48 units is the height with the list open; closed, the box is one edit line.
    layout_.add(linBaudrate_, units.rect(160, 50, 52, 12));
    linBaudrate_->setMaxVisibleItems(5);

    auto* speed = addButton(ControlId::SetLinSpeed, "Set LIN Speed", 115, 35, 95, 10);

    list_ = new TraceListView(this);
    holdControl(ControlId::TraceList, list_);
    layout_.add(list_, units.rect(0, 65, 455, 300), TemplateLayout::Grow::WidthAndHeight);

    statusLine1_ = new QLabel(QStringLiteral("Static"), this);
    holdControl(ControlId::StatusLine1, statusLine1_);
    statusLine1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout_.add(statusLine1_, units.rect(0, 370, 265, 8), TemplateLayout::Grow::StayAtBottom);

    auto addGroup = [&](const char* name, const char* title, int x, int y, int w, int h,
                        TemplateLayout::Grow grow = TemplateLayout::Grow::None) {
        auto* group = new GroupFrame(QString::fromLatin1(title), this);
        group->setObjectName(QString::fromLatin1(name));
        layout_.add(group, units.rect(x, y, w, h), grow);
        group->lower();
    };
    addGroup("traceCommandsGroup", "Trace commands", 0, 25, 220, 40);
    auto* label = new QLabel(QStringLiteral("LIN-Baudrate:"), this);
    label->setObjectName(QStringLiteral("linBaudrateLabel"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout_.add(label, units.rect(105, 50, 53, 8));
    addGroup("traceComPortGroup", "Trace COM Port", 0, 0, 95, 25);
    addGroup("fileMenuGroup", "File Menu", 100, 0, 120, 25);
    statusLine2_ = new QLabel(this);
    holdControl(ControlId::StatusLine2, statusLine2_);
    statusLine2_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout_.add(statusLine2_, units.rect(270, 370, 185, 8),
                TemplateLayout::Grow::StayAtBottomRight);
    addGroup("traceSearchGroup", "Trace search", 225, 0, 230, 65, TemplateLayout::Grow::Width);
    search_ = new SearchGroup(*list_, this);
    layout_.add(search_, units.rect(229, 8, 223, 41), TemplateLayout::Grow::Width);
    idSummaryButton_ = new QPushButton(QStringLiteral("ID summary..."), this);
    idSummaryButton_->setObjectName(QStringLiteral("idSummaryButton"));
    layout_.add(idSummaryButton_, units.rect(272, 51, 50, 10));
    idSummaryButton_->setAutoDefault(false);
    connect(idSummaryButton_, &QPushButton::clicked, this, &MainDialog::showIdSummary);

    QList<QWidget*> tabOrder{config, connectButton, save,  load,         start,
                             stop,   version,       clear, linBaudrate_, speed};
    tabOrder << search_->tabChain() << list_;
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

    connect(config, &QPushButton::clicked, this, &MainDialog::onConfig);
    connect(connectButton, &QPushButton::clicked, this, &MainDialog::connectPort);
    connect(save, &QPushButton::clicked, this, &MainDialog::onSaveTrace);
    connect(load, &QPushButton::clicked, this, &MainDialog::onLoadTrace);
    connect(start, &QPushButton::clicked, this, [this] { controller_->onStart(); });
    connect(stop, &QPushButton::clicked, this, [this] { controller_->onStop(); });
    connect(version, &QPushButton::clicked, this, [this] { controller_->onGetFwVersion(); });
    connect(clear, &QPushButton::clicked, this, [this] { controller_->onClearTraceList(); });
    connect(speed, &QPushButton::clicked, this, [this] { controller_->onSetLinSpeed(); });
    connect(list_, &TraceListView::rightClicked, this, &MainDialog::onListRightClick);
    connect(list_->traceModel(), &TraceListModel::outOfMemory, this,
            &MainDialog::reportOutOfMemory);
}

// In the "Trace search" group's bottom row; named by their ids like the template's.
void MainDialog::buildFileActionControls() {
    const DialogUnits units(font());
    exportButton_ = new QPushButton(QStringLiteral("export..."), this);
    exportButton_->setObjectName(idName(kExportId));
    layout_.add(exportButton_, units.rect(229, 51, 40, 10));
    exportButton_->setAutoDefault(false);
    exportButton_->setToolTip(
        QStringLiteral("Export the trace for packet analysers (pcapng) or spreadsheets (CSV)"));
    recordBox_ = new QCheckBox(QStringLiteral("record"), this);
    recordBox_->setObjectName(idName(kRecordId));
    layout_.add(recordBox_, units.rect(326, 51, 32, 10));
    recordBox_->setToolTip(QStringLiteral("Record every trace to a dump file as it arrives"));
    recordLabel_ = new QLabel(this);
    recordLabel_->setObjectName(idName(kRecordLabelId));
    layout_.add(recordLabel_, units.rect(360, 51, 91, 10), TemplateLayout::Grow::Width);
    fileActions_->attach(recordBox_, recordLabel_);
    connect(exportButton_, &QPushButton::clicked, this, [this] { fileActions_->exportTrace(); });
    connect(recordBox_, &QCheckBox::toggled, this,
            [this](bool on) { fileActions_->setRecording(on); });
}

// Each control is also named by its id, for tests and tools that look for it.
void MainDialog::holdControl(int id, QWidget* control) {
    control->setObjectName(idName(id));
    controls_[static_cast<std::size_t>(id - ControlId::First)] = control;
}

QWidget* MainDialog::control(int id) const {
    if (id < ControlId::First || id > ControlId::Last) {
        return nullptr;
    }
    return controls_[static_cast<std::size_t>(id - ControlId::First)];
}

TraceListModel* MainDialog::listModel() const {
    return list_->traceModel();
}

// --- initialisation and shut-down ----------------------------------------------

void MainDialog::initDialog() {
    appendSystemMenuEntry();
    InitSerialSettings(settings_);
    LoadSerialSettings(&profile_, settings_);
    portPaths_.load(profile_);
    // Rows past what memory holds end as "Running out of memory...", not in the
    // system's out-of-memory killer.
    programWide_.traceList.setRowBudget(ChooseRowBudget(
        static_cast<std::uint64_t>(std::max(0, profile_.GetProfileInt("MEMORY", "MaxRows", 0)))));
    RestoreWindowPlacement(*this, profile_);
    setStatusLine1(DescribeSerialSettings(settings_));
    controller_->reset();
    controller_->setBusy(false);
    linBaudrate_->setEditText(QStringLiteral("19200"));
    connectPort();
    // Only now, after a possible "Could Not Open Com Port" box has been closed.
    timer_.start();
}

void MainDialog::appendSystemMenuEntry() {
#ifdef Q_OS_WIN
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu != nullptr) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, kAboutCommand, kAboutEntry);
    }
#endif
    // Elsewhere the window manager owns the window menu: the entry is in the context
    // menu of the window's empty area (contextMenuEvent).
}

// Settings saved, list freed, timer stopped, port closed. No stop command is sent:
// a tracing device keeps tracing.
void MainDialog::shutDown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    fileActions_->stopRecording();
    SaveSerialSettings(&profile_, settings_);
    SaveWindowPlacement(*this, profile_);
    // The profile's one write while the program runs; told while the window still shows.
    if (!profile_.save() && isVisible()) {
        prompts_->message(QStringLiteral("The settings could not be saved:\n%1: %2")
                              .arg(QString::fromStdString(profile_.path()),
                                   QString::fromStdString(profile_.saveError())));
    }
    session_->clear();
    timer_.stop();
    if (port_.isConnected()) {
        port_.Close();
    }
}

void MainDialog::done(int result) {
    shutDown();
    QDialog::done(result);
}

// Escape does not close the window.
void MainDialog::reject() {}

void MainDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layout_.apply(size());
}

void MainDialog::closeEvent(QCloseEvent* event) {
    if (controller_->paused()) {
        event->ignore();  // the loader is still decoding into the trace
        return;
    }
    // The caption's close button: QDialog would reject(), which does nothing here.
    event->accept();
    done(QDialog::Rejected);
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    // Shift+F10 opens the window menu as the Menu key does: the platform turns only the
    // Menu key into a menu request on every system.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        contextMenuEvent(&request);
        return;
    }
    switch (event->key()) {
        case Qt::Key_F1:
            event->accept();
            showAbout();
            return;
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();  // neither closes the window nor presses a button
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

// --- the port ------------------------------------------------------------------

void MainDialog::connectPort() {
    if (port_.isConnected()) {
        port_.Close();
        port_.markNotConnected();
    }
    const char* error = port_.Open(settings_);
    if (error != nullptr && *error != '\0') {
        QString text = QStringLiteral("Could Not Open Com Port\n") + QString::fromLatin1(error);
        if (!port_.openProblem().empty()) {
            text += QLatin1Char('\n') + QString::fromStdString(port_.openProblem());
        }
        port_.Close();
        port_.markNotConnected();
        prompts_->message(text);
        return;
    }
    port_.PurgeOutput();
    port_.PurgeInput();
}

void MainDialog::onConfig() {
    {
        CommSettingsDialog dialog(settings_, &profile_, &portPaths_, this);
        dialog.exec();  // OK or Cancel: the port is reopened all the same
    }
    connectPort();
    setStatusLine1(DescribeSerialSettings(settings_));
}

void MainDialog::markPortNotConnected() {
    port_.markNotConnected();
}

// --- ControllerWindow ----------------------------------------------------------

void MainDialog::setStatusLine1(const std::string& text) {
    statusLine1_->setText(QString::fromStdString(text));
}

void MainDialog::setStatusLine2(const std::string& text) {
    statusLine2_->setText(QString::fromStdString(text));
}

bool MainDialog::hasControl(int id) const {
    return control(id) != nullptr;
}

void MainDialog::enableControl(int id, bool enabled) {
    if (QWidget* widget = control(id)) {
        widget->setEnabled(enabled);
    }
}

std::string MainDialog::linBaudrateText() const {
    return linBaudrate_->currentText().toStdString();
}

void MainDialog::setLinBaudrateText(const std::string& text) {
    linBaudrate_->setEditText(QString::fromStdString(text));
}

void MainDialog::baudrateConfirmed(int baudrate) {
    idSummary_->setBaudrate(baudrate);
}

void MainDialog::setListLive(bool live) {
    listModel()->setLive(live);
    if (live) {
        fileActions_->liveTraceStarted();  // only "Start" makes the list live
    }
}

void MainDialog::traceCleared() {
    outOfMemoryShown_ = false;  // a new shortage is told again
    idSummary_->resetSummary();
}

void MainDialog::redrawLastPage() {
    list_->redrawLastPage();
}

// Called from inside a tick or a decode: the box is queued so that its event loop
// never runs further ticks inside this one.
void MainDialog::reportOutOfMemory() {
    if (outOfMemoryShown_) {
        return;
    }
    outOfMemoryShown_ = true;
    QMetaObject::invokeMethod(this, &MainDialog::showOutOfMemory, Qt::QueuedConnection);
}

void MainDialog::showOutOfMemory() {
    prompts_->message(QStringLiteral("Running out of memory..."));
}

// --- the timer -----------------------------------------------------------------

void MainDialog::onTimer() {
    controller_->onTimerTick();
    fileActions_->afterTick();
}

// --- display modes -------------------------------------------------------------

void MainDialog::setDisplayModes(const DisplayModes& modes) {
    listModel()->setDisplayModes(*session_, modes);
}

// A right-click toggles the display mode of its column, except while a command or a
// trace keeps the controller busy.
void MainDialog::onListRightClick(int column) {
    if (controller_->busy() || !IsColumn(column)) {
        return;
    }
    DisplayModes modes = session_->modes();
    switch (ColumnAt(column).toggle) {
        case ModeToggle::Time:
            modes.relativeTime = !modes.relativeTime;
            break;
        case ModeToggle::Id:
            modes.protectedId = !modes.protectedId;
            break;
        case ModeToggle::Data:
            modes.hexData = !modes.hexData;
            break;
        case ModeToggle::None:
            return;
    }
    setDisplayModes(modes);
}

// --- the window menu -----------------------------------------------------------

bool MainDialog::onSysCommand(unsigned id) {
    if ((id & 0xFFF0u) != kAboutCommand) {
        return false;
    }
    showAbout();
    return true;
}

void MainDialog::showAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainDialog::showIdSummary() {
    idSummary_->show();
    idSummary_->raise();
    idSummary_->activateWindow();
}

// The window's menu: from a right-click beside the controls, and from the keyboard
// (Shift+F10, the Menu key) wherever the focus is. Right-clicks on the list toggle its
// display modes instead.
void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
    const bool keyboard = event->reason() == QContextMenuEvent::Keyboard;
    if (!keyboard && list_->geometry().contains(event->pos())) {
        event->ignore();
        return;
    }
    QPoint at = event->globalPos();
    if (keyboard) {
        const QWidget* focus = focusWidget() != nullptr ? focusWidget() : this;
        at = focus->mapToGlobal(QPoint(focus->width() / 2, focus->height() / 2));
    }
    QMenu menu(this);
    menu.addAction(QStringLiteral("export..."), this, [this] { fileActions_->exportTrace(); });
    menu.addAction(QStringLiteral("ID summary..."), this, &MainDialog::showIdSummary);
    menu.addSeparator();
    QAction* about = menu.addAction(QString::fromLatin1(kAboutEntry), this,
                                    [this] { onSysCommand(kAboutCommand); });
    about->setShortcut(QKeySequence(Qt::Key_F1));
    menu.exec(at);
}

#ifdef Q_OS_WIN
bool MainDialog::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    auto* msg = static_cast<MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && onSysCommand(static_cast<unsigned>(msg->wParam))) {
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

// --- trace files ---------------------------------------------------------------

void MainDialog::onSaveTrace() {
    if (programWide_.traceList.TraceListHead() == nullptr) {
        return;
    }
    const QString path =
        prompts_->chooseTraceFile(ChooserMode::Save, QStringLiteral("save file"),
                                  QStringLiteral("."), QString::fromLatin1(kDumpDescriptions));
    if (path.isEmpty()) {
        return;
    }
    // The chooser's modal loop kept the timer running: rows that arrived meanwhile
    // are saved too.
    if (!DumpWriter::save(programWide_.traceList, path.toStdString())) {
        prompts_->message(QStringLiteral("save error"));
    }
}

void MainDialog::onLoadTrace() {
    if (!controller_->canLoad()) {
        return;
    }
    const QString path =
        prompts_->chooseTraceFile(ChooserMode::Open, QStringLiteral("open file"),
                                  QStringLiteral("."), QString::fromLatin1(kDumpDescriptions));
    // The chooser's modal loop ran ticks: a trace may have been started meanwhile.
    if (path.isEmpty() || !controller_->canLoad()) {
        return;
    }
    // The progress dialog runs an event loop: while paused, no tick and no command
    // touches the receive buffer or the trace behind the loader's back. The rows are
    // published and the progress shown a few times a second, not once per block.
    controller_->setPaused(true);
    listModel()->setHoldingBatches(true);
    bool showProgress = false;
    QElapsedTimer sinceUpdate;
    sinceUpdate.start();
    LoadHooks hooks;
    hooks.cleared = [this] { controller_->traceEmptied(); };
    hooks.progress = [&](std::uint64_t done, std::uint64_t total) {
        const bool first = !showProgress && total > progressThreshold_;
        if (!first && sinceUpdate.elapsed() < kLoadUpdateMs) {
            return true;
        }
        sinceUpdate.restart();
        listModel()->publishPending();
        if (first) {
            showProgress = true;
            prompts_->beginProgress(total);
        }
        return !showProgress || prompts_->progress(done);
    };
    const LoadResult result = LoadTrace(*session_, path.toStdString(), hooks);
    listModel()->setHoldingBatches(false);
    if (showProgress) {
        prompts_->endProgress();
    }
    controller_->setPaused(false);
    if (session_->decoder.takeOutOfMemory()) {
        reportOutOfMemory();
    }
    if (result == LoadResult::OpenError || result == LoadResult::ReadError) {
        prompts_->message(QStringLiteral("load error"));
    }
    if (result != LoadResult::OpenError) {
        fileActions_->traceLoaded(path.toStdString());
    }
}

}  // namespace daridez
