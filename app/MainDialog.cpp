#include "app/MainDialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "app/AboutDialog.h"
#include "app/AppIcon.h"
#include "app/DialogUnits.h"
#include "app/QtWindowPrompts.h"
#include "files/DumpLoader.h"
#include "files/DumpWriter.h"
#include "serial/CommSettingsDialog.h"
#include "trace/TextRefresh.h"
#include "view/Columns.h"
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
    decoder_ = std::make_unique<StreamDecoder>(programWide_.traceList, *list_, modes_, state_);
    controller_ = std::make_unique<TraceController>(port_, *this, *decoder_, programWide_.traceList,
                                                    programWide_.receiveBuffer,
                                                    programWide_.setBaudrateFrame, state_);
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
    button->setObjectName(idName(id));
    button->setGeometry(units.rect(x, y, width, height));
    // Return never presses a button of this window.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// Template 102: controls in the template's order, which is also the tab order.
void MainDialog::buildControls() {
    setWindowTitle(QStringLiteral("Daridez"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(appIcon());
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());
    setFixedSize(units.size(457, 381));

    auto* config = addButton(ControlId::Config, "config", 5, 10, 35, 10);
    auto* connectButton = addButton(ControlId::Connect, "connect", 50, 10, 35, 10);
    auto* save = addButton(ControlId::SaveTrace, "save trace", 105, 10, 50, 10);
    auto* load = addButton(ControlId::LoadTrace, "load trace", 160, 10, 50, 10);
    auto* start = addButton(ControlId::Start, "Start", 5, 35, 25, 10);
    auto* stop = addButton(ControlId::Stop, "Stop", 5, 50, 25, 10);
    auto* version = addButton(ControlId::GetFwVersion, "Get FW-Version", 40, 35, 60, 10);
    auto* clear = addButton(ControlId::ClearTraceList, "clear TraceList", 40, 50, 60, 10);

    linBaudrate_ = new QComboBox(this);
    linBaudrate_->setObjectName(idName(ControlId::LinBaudrate));
    linBaudrate_->setEditable(true);
    linBaudrate_->setInsertPolicy(QComboBox::NoInsert);  // the list keeps its five rates
    for (const char* rate : kLinBaudrates) {
        linBaudrate_->addItem(QString::fromLatin1(rate));
    }
    linBaudrate_->setEditText(QString());
    // 48 units is the height with the list open; closed, the box is one edit line.
    linBaudrate_->setGeometry(units.rect(160, 50, 52, 12));
    linBaudrate_->setMaxVisibleItems(5);

    auto* speed = addButton(ControlId::SetLinSpeed, "Set LIN Speed", 115, 35, 95, 10);

    list_ = new TraceListView(this);
    list_->setObjectName(idName(ControlId::TraceList));
    list_->setGeometry(units.rect(0, 65, 455, 300));

    statusLine1_ = new QLabel(QStringLiteral("Static"), this);
    statusLine1_->setObjectName(idName(ControlId::StatusLine1));
    statusLine1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLine1_->setGeometry(units.rect(0, 370, 265, 8));

    auto addGroup = [&](const char* name, const char* title, int x, int y, int w, int h) {
        auto* group = new QGroupBox(QString::fromLatin1(title), this);
        group->setObjectName(QString::fromLatin1(name));
        group->setGeometry(units.rect(x, y, w, h));
        // A frame only: it lies behind the controls it frames and takes no clicks.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        group->setFocusPolicy(Qt::NoFocus);
        group->lower();
    };
    addGroup("traceCommandsGroup", "Trace commands", 0, 25, 220, 40);
    auto* label = new QLabel(QStringLiteral("LIN-Baudrate:"), this);
    label->setObjectName(QStringLiteral("linBaudrateLabel"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(units.rect(105, 50, 53, 8));
    addGroup("traceComPortGroup", "Trace COM Port", 0, 0, 95, 25);
    addGroup("fileMenuGroup", "File Menu", 100, 0, 120, 25);
    statusLine2_ = new QLabel(this);
    statusLine2_->setObjectName(idName(ControlId::StatusLine2));
    statusLine2_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLine2_->setGeometry(units.rect(270, 370, 185, 8));
    addGroup("traceSearchGroup", "Trace search", 225, 0, 230, 65);

    const QList<QWidget*> tabOrder{config,  connectButton, save,         load,  start, stop,
                                   version, clear,         linBaudrate_, speed, list_};
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
    connect(list_, &TraceListView::outOfMemory, this, &MainDialog::reportOutOfMemory);
}

// --- initialisation and shut-down ----------------------------------------------

void MainDialog::initDialog() {
    appendSystemMenuEntry();
    InitSerialSettings(settings_);
    LoadSerialSettings(&profile_, settings_);
    portPaths_.load(profile_);
    setStatusLine1(DescribeSerialSettings(settings_));
    controller_->reset();
    setIdMode(true);
    setDataMode(true);
    setTimestampMode(true);
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
    SaveSerialSettings(&profile_, settings_);
    profile_.save();  // the profile's one write while the program runs
    // The view borrows the rows: it forgets them before they are freed.
    list_->ClearView();
    programWide_.traceList.FreeTraceList();
    programWide_.receiveBuffer.carryOver = 0;
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

void MainDialog::closeEvent(QCloseEvent* event) {
    if (loading_) {
        event->ignore();  // the loader is still decoding into the trace
        return;
    }
    // The caption's close button: QDialog would reject(), which does nothing here.
    event->accept();
    done(QDialog::Rejected);
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
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
        const QString text =
            QStringLiteral("Could Not Open Com Port\n") + QString::fromLatin1(error);
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
    return findChild<QWidget*>(idName(id)) != nullptr;
}

void MainDialog::enableControl(int id, bool enabled) {
    if (auto* control = findChild<QWidget*>(idName(id))) {
        control->setEnabled(enabled);
    }
}

void MainDialog::setBusyFlag(bool busy) {
    busy_ = busy;
}

std::string MainDialog::linBaudrateText() const {
    return linBaudrate_->currentText().toStdString();
}

void MainDialog::setLinBaudrateText(const std::string& text) {
    linBaudrate_->setEditText(QString::fromStdString(text));
}

void MainDialog::setListLive(bool live) {
    list_->SetLive(live);
}

void MainDialog::clearList() {
    list_->ClearView();
    outOfMemoryShown_ = false;  // a new shortage is told again
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
    if (loading_) {
        return;  // the loader owns the receive buffer until it has finished
    }
    controller_->onTimerTick();
}

// --- display modes -------------------------------------------------------------

void MainDialog::setTimestampMode(bool relative) {
    modes_.relativeTime = relative;
    list_->setHeaderText(1, ColumnHeader(Column::TimeStamp, modes_));
    RefreshTimeTexts(programWide_.traceList, relative);
    list_->refreshTexts();
}

void MainDialog::setIdMode(bool protectedId) {
    modes_.protectedId = protectedId;
    list_->setHeaderText(4, ColumnHeader(Column::Id, modes_));
    RefreshIdTexts(programWide_.traceList, protectedId);
    list_->refreshTexts();
}

void MainDialog::setDataMode(bool hex) {
    modes_.hexData = hex;
    RefreshByteTexts(programWide_.traceList, hex);
    list_->refreshTexts();
}

void MainDialog::onListRightClick(int column) {
    if (busy_) {
        return;
    }
    if (column == 1) {
        setTimestampMode(!modes_.relativeTime);
    } else if (column == 4) {
        setIdMode(!modes_.protectedId);
    } else if (column >= 5 && column <= 12) {
        setDataMode(!modes_.hexData);
    }
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

void MainDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (list_->geometry().contains(event->pos())) {
        event->ignore();  // right-clicks on the list toggle the display modes
        return;
    }
    QMenu menu(this);
    menu.addAction(QString::fromLatin1(kAboutEntry), this, [this] { onSysCommand(kAboutCommand); });
    menu.exec(event->globalPos());
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
        prompts_->chooseTraceFile(0, QStringLiteral("save file"), QStringLiteral("."),
                                  QString::fromLatin1(kDumpDescriptions));
    if (path.isEmpty()) {
        return;
    }
    // The chooser's modal loop kept the timer running: rows that arrived meanwhile
    // are saved too.
    if (!DumpWriter::save(programWide_.traceList.TraceListHead(), path.toStdString())) {
        prompts_->message(QStringLiteral("save error"));
    }
}

void MainDialog::onLoadTrace() {
    if (state_ != TraceState::Idle) {
        return;
    }
    const QString path =
        prompts_->chooseTraceFile(1, QStringLiteral("open file"), QStringLiteral("."),
                                  QString::fromLatin1(kDumpDescriptions));
    if (path.isEmpty() || state_ != TraceState::Idle) {
        return;
    }
    DumpLoader loader(*decoder_, programWide_.receiveBuffer);
    if (!loader.open(path.toStdString())) {
        prompts_->message(QStringLiteral("load error"));
        return;
    }
    controller_->onClearTraceList();

    // The progress dialog runs an event loop: no tick may touch the receive buffer
    // until the loader has finished with it.
    loading_ = true;
    timer_.stop();
    controller_->setPaused(true);
    const bool showProgress = loader.fileSize() > progressThreshold_;
    if (showProgress) {
        prompts_->beginProgress(loader.fileSize());
    }
    while (loader.step()) {
        if (showProgress && !prompts_->progress(loader.bytesRead())) {
            break;
        }
    }
    const LoadResult result = loader.finish();
    if (showProgress) {
        prompts_->endProgress();
    }
    loading_ = false;
    controller_->setPaused(false);
    if (!shutDown_) {
        timer_.start();
    }
    if (decoder_->takeOutOfMemory()) {
        reportOutOfMemory();
    }
    if (result == LoadResult::ReadError) {
        prompts_->message(QStringLiteral("load error"));
    }
}

}  // namespace daridez
