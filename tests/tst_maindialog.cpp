// The main window end to end, driven as a user drives it: clicks on the controls by
// id, right-clicks on list columns, header clicks, against the simulated tracer on a
// pseudo-terminal and a profile of the test's own.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "app/MainDialog.h"
#include "app/WindowPrompts.h"
#include "protocol/ProgramWide.h"
#include "serial/SerialSettings.h"
#include "tools/sim/TracerSimulator.h"
#include "view/TraceListView.h"

using namespace daridez;

namespace {

// Generous: the machines that run the suite are shared; a wait ends as soon as it holds.
constexpr int kDeviceWaitMs = 20000;

// Answers the window's prompts as a test tells it to, and records what was asked.
class RecordingPrompts : public WindowPrompts {
  public:
    QString chooseTraceFile(int mode, const QString& title, const QString& location,
                            const QString& descriptions) override {
        chooserCalls << QStringLiteral("%1|%2|%3|%4").arg(mode).arg(title, location, descriptions);
        return nextPath;
    }
    void message(const QString& text) override { messages << text; }
    void beginProgress(std::uint64_t total) override { progressTotal = total; }
    bool progress(std::uint64_t) override {
        ++progressCalls;
        timerTickedDuringLoad = timerTickedDuringLoad || (timerActive && timerActive());
        return !cancelLoad;
    }
    void endProgress() override { progressEnded = true; }

    QString nextPath;
    QStringList chooserCalls;
    QStringList messages;
    bool cancelLoad = false;
    std::uint64_t progressTotal = 0;
    int progressCalls = 0;
    bool progressEnded = false;
    std::function<bool()> timerActive;
    bool timerTickedDuringLoad = false;
};

struct RowSnapshot {
    std::int32_t number;
    QStringList texts;
    Colour textColour;
    Colour backColour;
    bool operator==(const RowSnapshot&) const = default;
};

// Runs action on the next modal dialog that opens, from inside its event loop.
void onNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

}  // namespace

class TestMainDialog : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void startUpShowsHeadersBoxAndSettings();
    void layoutFollowsTheTemplate();
    void startShowsRowsWithGreenFramesAndStopEndsTheTrace();
    void getFwVersionShowsTheDeviceVersion();
    void setLinSpeedSendsTheBoxRateAndShowsTheAnswer();
    void silentDeviceTimesOutTheStartAndOnlyStopStaysEnabled();
    void rightClicksToggleDisplayModesButNotWhileBusy();
    void headerClickSortsOnlyAfterStop();
    void configWithCancelStillReopensThePort();
    void busyPortShowsTheMessageAndLaterConnectSucceeds();
    void saveAndLoadGiveTheSameRows();
    void saveWithEmptyTraceAsksNothing();
    void cancelledChoicesChangeNothing();
    void failedSaveAndLoadSayWhy();
    void loadIsRefusedWhileTracing();
    void largeLoadShowsProgressAndCancelKeepsRows();
    void unpluggedDeviceEndsTheTraceAndKeepsRows();
    void shutDownWritesTheProfileAndClosesThePort();
    void rowShortageIsToldOnceAndTracingGoesOn();
    void escapeAndReturnDoNothing();
    void windowMenuCommandsOpenTheAboutBox();
    void contextMenuOfEmptyAreaOffersTheAboutBox();

  private:
    void startSimulator(sim::TracerSimulatorOptions options = {});
    void writeProfile(const QString& comPortPath);
    std::unique_ptr<MainDialog> makeDialog();
    QAbstractButton* button(int id) const;
    QString status1() const;
    void click(int id);
    void rightClickColumn(int column);
    QString header(int column) const;
    std::vector<RowSnapshot> snapshot() const;
    void traceRows(int atLeast);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<sim::TracerSimulator> sim_;
    std::unique_ptr<ProgramWide> programWide_;
    RecordingPrompts prompts_;
    std::unique_ptr<MainDialog> dialog_;
};

void TestMainDialog::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    programWide_ = std::make_unique<ProgramWide>();
    prompts_ = RecordingPrompts{};
}

void TestMainDialog::cleanup() {
    dialog_.reset();
    if (sim_) {
        sim_->stop();
    }
    sim_.reset();
    programWide_.reset();
    dir_.reset();
}

void TestMainDialog::startSimulator(sim::TracerSimulatorOptions options) {
    sim_ = std::make_unique<sim::TracerSimulator>(options);
    QVERIFY2(sim_->open(), sim_->errorText().c_str());
    sim_->startThread();
    writeProfile(QString::fromStdString(sim_->devicePath()));
}

void TestMainDialog::writeProfile(const QString& comPortPath) {
    QFile file(dir_->filePath(QStringLiteral("daridez.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "[SIO_CFG]\nStopBits=0\nParity=0\nBaudRate=115200\nByteSize=8\nComPort=2\n"
        "EndChar=0\n[PORTS]\nCom2=" +
        comPortPath.toUtf8() + "\n");
}

std::unique_ptr<MainDialog> TestMainDialog::makeDialog() {
    prompts_.timerActive = nullptr;
    auto dialog = std::make_unique<MainDialog>(
        *programWide_, dir_->filePath(QStringLiteral("daridez.ini")).toStdString(), &prompts_);
    MainDialog* raw = dialog.get();
    prompts_.timerActive = [raw] { return raw->timerActive(); };
    return dialog;
}

QAbstractButton* TestMainDialog::button(int id) const {
    return dialog_->findChild<QAbstractButton*>(QString::number(id));
}

QString TestMainDialog::status1() const {
    return dialog_->findChild<QLabel*>(QString::number(ControlId::StatusLine1))->text();
}

void TestMainDialog::click(int id) {
    QAbstractButton* target = button(id);
    QVERIFY2(target != nullptr, qPrintable(QString::number(id)));
    QTest::mouseClick(target, Qt::LeftButton);
}

void TestMainDialog::rightClickColumn(int column) {
    TraceListView* list = dialog_->listView();
    const QHeaderView* header = list->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(x, 5));
}

QString TestMainDialog::header(int column) const {
    return dialog_->listView()->model()->headerData(column, Qt::Horizontal).toString();
}

std::vector<RowSnapshot> TestMainDialog::snapshot() const {
    std::vector<RowSnapshot> rows;
    const TraceListView* list = dialog_->listView();
    for (std::uint32_t i = 0; i < list->rowCount(); ++i) {
        const TraceEntry* entry = list->rowAt(i);
        RowSnapshot row{entry->number, {}, entry->textColour, entry->backColour};
        for (int column = 0; column < kColumnCount; ++column) {
            row.texts << list->model()->index(int(i), column).data().toString();
        }
        rows.push_back(row);
    }
    return rows;
}

// Start, wait for rows, Stop, and wait until the trace stands still.
void TestMainDialog::traceRows(int atLeast) {
    click(ControlId::Start);
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->listView()->rowCount() >= std::uint32_t(atLeast),
                             kDeviceWaitMs);
    click(ControlId::Stop);
    QCOMPARE(dialog_->controller().state(), TraceState::Idle);
}

void TestMainDialog::startUpShowsHeadersBoxAndSettings() {
    startSimulator();
    dialog_ = makeDialog();
    const QStringList headers{"MsgNr", "rel. TimeStamp",
                              "Info",  "Sync",
                              "[ID]",  "DB0",
                              "DB1",   "DB2",
                              "DB3",   "DB4",
                              "DB5",   "DB6",
                              "DB7",   "CS"};
    QCOMPARE(dialog_->listView()->model()->columnCount(), headers.size());
    for (int column = 0; column < headers.size(); ++column) {
        QCOMPARE(header(column), headers[column]);
    }
    auto* box = dialog_->findChild<QComboBox*>(QString::number(ControlId::LinBaudrate));
    QCOMPARE(box->currentText(), QStringLiteral("19200"));
    QCOMPARE(box->count(), 5);
    QCOMPARE(box->itemText(0), QStringLiteral("1200"));
    QCOMPARE(box->itemText(4), QStringLiteral("19200"));
    QVERIFY(box->isEditable());

    SerialSettings settings{};
    InitSerialSettings(settings);
    settings.ComPort = 2;
    settings.BaudRate = 115200;
    settings.ByteSize = 8;
    QCOMPARE(status1(), QString::fromLatin1(DescribeSerialSettings(settings)));
    QVERIFY(prompts_.messages.isEmpty());
    QVERIFY(dialog_->port().isConnected());
    QVERIFY(dialog_->timerActive());
    QVERIFY(!dialog_->isBusy());
    const DisplayModes& modes = dialog_->displayModes();
    QVERIFY(modes.relativeTime && modes.protectedId && modes.hexData);
    for (int id : {1000, 1001, 1005, 1007, 1008, 1009, 1012, 1016, 1017, 1018}) {
        QVERIFY(dialog_->findChild<QWidget*>(QString::number(id))->isEnabled());
    }
}

void TestMainDialog::layoutFollowsTheTemplate() {
    writeProfile(QStringLiteral("/nonexistent/tty"));
    dialog_ = makeDialog();
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Daridez"));
    QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
    QVERIFY(dialog_->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(dialog_->windowFlags() & Qt::WindowMaximizeButtonHint));

    const QList<QPair<int, QString>> buttons{
        {1000, "config"},         {1001, "connect"},         {1016, "save trace"},
        {1017, "load trace"},     {1007, "Start"},           {1008, "Stop"},
        {1009, "Get FW-Version"}, {1005, "clear TraceList"}, {1012, "Set LIN Speed"}};
    for (const auto& [id, caption] : buttons) {
        QAbstractButton* b = button(id);
        QVERIFY2(b != nullptr, qPrintable(caption));
        QCOMPARE(b->text(), caption);
    }
    // Tab order of the template: buttons, box and list, never the static texts.
    const QList<int> order{1000, 1001, 1016, 1017, 1007, 1008, 1009, 1005, 1018, 1012, 1015};
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget* previous = dialog_->findChild<QWidget*>(QString::number(order[i - 1]));
        QWidget* next = previous->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus || !next->objectName().toInt()) {
            next = next->nextInFocusChain();
        }
        QCOMPARE(next->objectName(), QString::number(order[i]));
    }
    // The list lies below the command frames and above the status lines.
    QWidget* list = dialog_->listView();
    auto* line1 = dialog_->findChild<QLabel*>(QStringLiteral("1010"));
    auto* line2 = dialog_->findChild<QLabel*>(QStringLiteral("1011"));
    QVERIFY(list->geometry().bottom() < line1->geometry().top());
    QCOMPARE(line1->geometry().top(), line2->geometry().top());
    QVERIFY(line1->geometry().right() < line2->geometry().left());
    QVERIFY(dialog_->findChild<QWidget*>(QStringLiteral("traceSearchGroup")) != nullptr);
    QCOMPARE(dialog_->listView()->columnWidth(1), 110);
    QCOMPARE(dialog_->listView()->columnWidth(13), 35);
}

void TestMainDialog::startShowsRowsWithGreenFramesAndStopEndsTheTrace() {
    startSimulator();
    dialog_ = makeDialog();
    click(ControlId::Start);
    QCOMPARE(status1(), QStringLiteral("start trace ..."));
    QVERIFY(dialog_->isBusy());
    QVERIFY(!button(ControlId::Start)->isEnabled());
    QVERIFY(button(ControlId::Stop)->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(dialog_->controller().state(), TraceState::Tracing, kDeviceWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->listView()->rowCount() >= 5, kDeviceWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(status1(), QStringLiteral("start trace detected ..."), kDeviceWaitMs);

    const TraceListView* list = dialog_->listView();
    QVERIFY(list->model()->index(0, 2).data().toString().startsWith(QStringLiteral("START")));
    bool sawGreen = false;
    for (std::uint32_t i = 0; i < list->rowCount(); ++i) {
        if (list->rowAt(i)->textColour == kGreen) {
            sawGreen = true;
            QCOMPARE(list->model()->index(int(i), 2).data(Qt::ForegroundRole).value<QColor>(),
                     QColor(0, 255, 0));
            QCOMPARE(list->model()->index(int(i), 2).data().toString(), QStringLiteral("Break"));
        }
    }
    QVERIFY(sawGreen);
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->findChild<QLabel*>(QStringLiteral("1011"))
                                 ->text()
                                 .startsWith(QStringLiteral("active: ")),
                             kDeviceWaitMs);

    click(ControlId::Stop);
    QCOMPARE(dialog_->controller().state(), TraceState::Idle);
    QVERIFY(!dialog_->isBusy());
    QVERIFY(button(ControlId::Start)->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!sim_->tracing(), kDeviceWaitMs);
}

void TestMainDialog::getFwVersionShowsTheDeviceVersion() {
    startSimulator();
    dialog_ = makeDialog();
    click(ControlId::GetFwVersion);
    QCOMPARE(status1(), QStringLiteral("start read version ..."));
    QTRY_COMPARE_WITH_TIMEOUT(status1(), QStringLiteral("returned FW-Version: 1.4.2"),
                              kDeviceWaitMs);
    QCOMPARE(dialog_->controller().state(), TraceState::Idle);
}

void TestMainDialog::setLinSpeedSendsTheBoxRateAndShowsTheAnswer() {
    startSimulator();
    dialog_ = makeDialog();
    auto* box = dialog_->findChild<QComboBox*>(QStringLiteral("1018"));
    box->setCurrentIndex(3);  // "9600" picked from the list
    click(ControlId::SetLinSpeed);
    QCOMPARE(status1(), QStringLiteral("start set baudrate ..."));
    QTRY_COMPARE_WITH_TIMEOUT(status1(), QStringLiteral("returned LIN Baudrate: 9600, result:0"),
                              kDeviceWaitMs);
    QCOMPARE(box->currentText(), QStringLiteral("9600"));
    QCOMPARE(box->count(), 5);
}

void TestMainDialog::silentDeviceTimesOutTheStartAndOnlyStopStaysEnabled() {
    sim::TracerSimulatorOptions options;
    options.silent = true;
    startSimulator(options);
    dialog_ = makeDialog();
    click(ControlId::Start);
    QTRY_COMPARE_WITH_TIMEOUT(
        status1(),
        QStringLiteral("response timeout detected for 'start trace' (use STOP button)!!!"),
        kDeviceWaitMs);
    QCOMPARE(dialog_->controller().state(), TraceState::StartRequested);
    for (int id : {1000, 1001, 1005, 1007, 1009, 1012, 1018}) {
        QVERIFY(!dialog_->findChild<QWidget*>(QString::number(id))->isEnabled());
    }
    QVERIFY(button(ControlId::Stop)->isEnabled());
    QVERIFY(button(ControlId::SaveTrace)->isEnabled());
    QVERIFY(button(ControlId::LoadTrace)->isEnabled());
    click(ControlId::Stop);
    QCOMPARE(dialog_->controller().state(), TraceState::Idle);
    QVERIFY(button(ControlId::Start)->isEnabled());
}

void TestMainDialog::rightClicksToggleDisplayModesButNotWhileBusy() {
    startSimulator();
    dialog_ = makeDialog();
    traceRows(8);
    const TraceListView* list = dialog_->listView();
    std::uint32_t green = 0;
    while (list->rowAt(green)->textColour != kGreen) {
        ++green;
    }
    auto text = [&](int column) {
        return list->model()->index(int(green), column).data().toString();
    };
    const QString relativeTime = text(1);
    const QString protectedId = text(4);
    const QString hexByte = text(5);

    rightClickColumn(1);
    QCOMPARE(header(1), QStringLiteral("abs. TimeStamp"));
    QVERIFY(text(1) != relativeTime);
    rightClickColumn(1);
    QCOMPARE(header(1), QStringLiteral("rel. TimeStamp"));
    QCOMPARE(text(1), relativeTime);

    rightClickColumn(4);
    QCOMPARE(header(4), QStringLiteral("(id)"));
    QVERIFY(!dialog_->displayModes().protectedId);
    rightClickColumn(4);
    QCOMPARE(header(4), QStringLiteral("[ID]"));
    QCOMPARE(text(4), protectedId);

    rightClickColumn(9);
    QVERIFY(!dialog_->displayModes().hexData);
    QVERIFY(text(5) != hexByte);  // all eight data columns change at once
    rightClickColumn(12);
    QCOMPARE(text(5), hexByte);

    for (int column : {0, 2, 3, 13}) {
        rightClickColumn(column);
    }
    const DisplayModes& modes = dialog_->displayModes();
    QVERIFY(modes.relativeTime && modes.protectedId && modes.hexData);

    click(ControlId::Start);
    rightClickColumn(1);
    rightClickColumn(4);
    rightClickColumn(5);
    QCOMPARE(header(1), QStringLiteral("rel. TimeStamp"));
    QCOMPARE(header(4), QStringLiteral("[ID]"));
    QVERIFY(modes.relativeTime && modes.protectedId && modes.hexData);
    click(ControlId::Stop);
}

void TestMainDialog::headerClickSortsOnlyAfterStop() {
    startSimulator();
    dialog_ = makeDialog();
    click(ControlId::Start);
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->listView()->rowCount() >= 6, kDeviceWaitMs);
    QHeaderView* header = dialog_->listView()->horizontalHeader();
    const auto infoAt = [&](int row) {
        return dialog_->listView()->model()->index(row, 2).data().toString();
    };
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 10, 5));
    QVERIFY(infoAt(0).startsWith(QStringLiteral("START")));  // live: no sort
    click(ControlId::Stop);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 10, 5));
    QCOMPARE(infoAt(0), QStringLiteral("Break"));  // ascending, letter case ignored
}

void TestMainDialog::configWithCancelStillReopensThePort() {
    startSimulator();
    // Another holder has the port at start-up: the window starts without it.
    PortPaths paths;
    paths.setPath(2, sim_->devicePath());
    auto holder = std::make_unique<SerialPort>(paths);
    SerialSettings settings{};
    InitSerialSettings(settings);
    settings.ComPort = 2;
    settings.BaudRate = 115200;
    settings.ByteSize = 8;
    QCOMPARE(QString::fromLatin1(holder->Open(settings)), QString());
    dialog_ = makeDialog();
    QVERIFY(!dialog_->port().isConnected());
    holder.reset();

    click(ControlId::GetFwVersion);  // no port: does nothing
    QVERIFY(status1().startsWith(QStringLiteral("Com2")));
    QString dialogClass;
    onNextModal([&](QWidget* modal) {
        dialogClass = QString::fromLatin1(modal->metaObject()->className());
        static_cast<QDialog*>(modal)->reject();
    });
    click(ControlId::Config);
    QCOMPARE(dialogClass, QStringLiteral("daridez::CommSettingsDialog"));
    QVERIFY(dialog_->port().isConnected());
    QCOMPARE(status1(), QString::fromLatin1(DescribeSerialSettings(settings)));
    QCOMPARE(prompts_.messages.size(), 1);  // only the one of the start-up
    click(ControlId::GetFwVersion);
    QTRY_COMPARE_WITH_TIMEOUT(status1(), QStringLiteral("returned FW-Version: 1.4.2"),
                              kDeviceWaitMs);
}

void TestMainDialog::busyPortShowsTheMessageAndLaterConnectSucceeds() {
    startSimulator();
    PortPaths paths;
    paths.setPath(2, sim_->devicePath());
    auto holder = std::make_unique<SerialPort>(paths);
    SerialSettings settings{};
    InitSerialSettings(settings);
    settings.ComPort = 2;
    settings.BaudRate = 115200;
    settings.ByteSize = 8;
    QCOMPARE(QString::fromLatin1(holder->Open(settings)), QString());

    dialog_ = makeDialog();
    QCOMPARE(prompts_.messages,
             QStringList{QStringLiteral("Could Not Open Com Port\nINVLID_HANDLE_VALUE")});
    QVERIFY(!dialog_->port().isConnected());
    QVERIFY(dialog_->timerActive());

    click(ControlId::Connect);
    QCOMPARE(prompts_.messages.size(), 2);
    QCOMPARE(prompts_.messages.last(),
             QStringLiteral("Could Not Open Com Port\nINVLID_HANDLE_VALUE"));

    holder.reset();
    click(ControlId::Connect);
    QCOMPARE(prompts_.messages.size(), 2);
    QVERIFY(dialog_->port().isConnected());
}

void TestMainDialog::saveAndLoadGiveTheSameRows() {
    startSimulator();
    dialog_ = makeDialog();
    traceRows(20);
    const std::vector<RowSnapshot> before = snapshot();
    const QString path = dir_->filePath(QStringLiteral("trace.dump"));
    prompts_.nextPath = path;
    click(ControlId::SaveTrace);
    QCOMPARE(prompts_.chooserCalls,
             QStringList{QStringLiteral("0|save file|.|LIN traces (*.dump)|all files (*.*)")});
    QVERIFY(prompts_.messages.isEmpty());
    QVERIFY(QFile(path).size() > 0);

    click(ControlId::ClearTraceList);
    QCOMPARE(dialog_->listView()->rowCount(), 0u);
    click(ControlId::LoadTrace);
    QCOMPARE(prompts_.chooserCalls.last(),
             QStringLiteral("1|open file|.|LIN traces (*.dump)|all files (*.*)"));
    QVERIFY(prompts_.messages.isEmpty());
    QCOMPARE(prompts_.progressCalls, 0);  // a small file loads without a progress dialog
    const std::vector<RowSnapshot> after = snapshot();
    QCOMPARE(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        QCOMPARE(after[i].texts, before[i].texts);
        QVERIFY(after[i] == before[i]);
    }
    QCOMPARE(dialog_->controller().state(), TraceState::Idle);
    QVERIFY(!dialog_->listView()->isLive());
}

void TestMainDialog::saveWithEmptyTraceAsksNothing() {
    startSimulator();
    dialog_ = makeDialog();
    prompts_.nextPath = dir_->filePath(QStringLiteral("never.dump"));
    click(ControlId::SaveTrace);
    QVERIFY(prompts_.chooserCalls.isEmpty());
    QVERIFY(!QFile::exists(prompts_.nextPath));
}

void TestMainDialog::cancelledChoicesChangeNothing() {
    startSimulator();
    dialog_ = makeDialog();
    traceRows(3);
    const auto before = snapshot();
    prompts_.nextPath.clear();
    click(ControlId::SaveTrace);
    click(ControlId::LoadTrace);
    QCOMPARE(prompts_.chooserCalls.size(), 2);
    QVERIFY(prompts_.messages.isEmpty());
    QVERIFY(snapshot() == before);
}

void TestMainDialog::failedSaveAndLoadSayWhy() {
    startSimulator();
    dialog_ = makeDialog();
    traceRows(3);
    const auto before = snapshot();
    prompts_.nextPath = dir_->filePath(QStringLiteral("no/such/folder/x.dump"));
    click(ControlId::SaveTrace);
    QCOMPARE(prompts_.messages, QStringList{QStringLiteral("save error")});
    click(ControlId::LoadTrace);
    QCOMPARE(prompts_.messages.size(), 2);
    QCOMPARE(prompts_.messages.last(), QStringLiteral("load error"));
    QVERIFY(snapshot() == before);  // the trace stays
}

void TestMainDialog::loadIsRefusedWhileTracing() {
    startSimulator();
    dialog_ = makeDialog();
    click(ControlId::Start);
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->listView()->rowCount() >= 2, kDeviceWaitMs);
    prompts_.nextPath = dir_->filePath(QStringLiteral("x.dump"));
    click(ControlId::LoadTrace);
    QVERIFY(prompts_.chooserCalls.isEmpty());
    // Saving works in every state.
    click(ControlId::SaveTrace);
    QCOMPARE(prompts_.chooserCalls.size(), 1);
    QVERIFY(QFile::exists(prompts_.nextPath));
    click(ControlId::Stop);
}

void TestMainDialog::largeLoadShowsProgressAndCancelKeepsRows() {
    startSimulator();
    dialog_ = makeDialog();
    // A few seconds of bus traffic: several blocks of the receive buffer.
    const std::vector<std::uint8_t> bytes = sim_->generate(20'000'000);
    QVERIFY(bytes.size() > 3 * ReceiveBuffer::kSize);
    const QString path = dir_->filePath(QStringLiteral("big.dump"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    file.close();

    dialog_->setProgressThreshold(ReceiveBuffer::kSize);
    prompts_.nextPath = path;
    click(ControlId::LoadTrace);
    QCOMPARE(prompts_.progressTotal, std::uint64_t(bytes.size()));
    QVERIFY(prompts_.progressCalls > 1);
    QVERIFY(prompts_.progressEnded);
    QVERIFY(!prompts_.timerTickedDuringLoad);
    QVERIFY(dialog_->timerActive());
    const std::uint32_t wholeFile = dialog_->listView()->rowCount();

    prompts_.cancelLoad = true;
    prompts_.progressCalls = 0;
    click(ControlId::LoadTrace);
    QCOMPARE(prompts_.progressCalls, 1);
    const std::uint32_t cancelled = dialog_->listView()->rowCount();
    QVERIFY(cancelled > 0);
    QVERIFY(cancelled < wholeFile);
    QVERIFY(prompts_.messages.isEmpty());
    QCOMPARE(programWide_->receiveBuffer.carryOver, 0);
}

void TestMainDialog::unpluggedDeviceEndsTheTraceAndKeepsRows() {
    startSimulator();
    dialog_ = makeDialog();
    click(ControlId::Start);
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->listView()->rowCount() >= 5, kDeviceWaitMs);
    sim_->stop();
    const std::uint32_t rows = dialog_->listView()->rowCount();
    sim_->closeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(status1(), QStringLiteral("device disconnected"), kDeviceWaitMs);
    QVERIFY(dialog_->listView()->rowCount() >= rows);
    QVERIFY(!dialog_->port().isConnected());
    QCOMPARE(dialog_->controller().state(), TraceState::Idle);
    QVERIFY(button(ControlId::Start)->isEnabled());
    QVERIFY(prompts_.messages.isEmpty());
}

void TestMainDialog::shutDownWritesTheProfileAndClosesThePort() {
    startSimulator();
    const QString profilePath = dir_->filePath(QStringLiteral("daridez.ini"));
    QFile::remove(profilePath);  // no profile yet: defaults, and no device at Com2
    dialog_ = makeDialog();
    QCOMPARE(prompts_.messages.size(), 1);
    QVERIFY(prompts_.messages[0].startsWith(QStringLiteral("Could Not Open Com Port\n")));
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    dialog_->close();  // the caption's close button
    QVERIFY(!dialog_->isVisible());
    QVERIFY(!dialog_->timerActive());

    QFile profile(profilePath);
    QVERIFY(profile.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(profile.readAll());
    for (const char* key : {"[SIO_CFG]", "StopBits=", "Parity=", "BaudRate=", "ByteSize=",
                            "ComPort=2", "EndChar=", "[PORTS]", "Com1="}) {
        QVERIFY2(text.contains(QString::fromLatin1(key)), key);
    }

    // With a port held, closing releases it: another opener gets it at once.
    dialog_.reset();
    writeProfile(QString::fromStdString(sim_->devicePath()));
    dialog_ = makeDialog();
    QVERIFY(dialog_->port().isConnected());
    dialog_->show();
    dialog_->close();
    QVERIFY(!dialog_->port().isConnected());
    PortPaths paths;
    paths.setPath(2, sim_->devicePath());
    SerialPort other(paths);
    SerialSettings settings{};
    InitSerialSettings(settings);
    settings.ComPort = 2;
    settings.BaudRate = 115200;
    settings.ByteSize = 8;
    QCOMPARE(QString::fromLatin1(other.Open(settings)), QString());
}

void TestMainDialog::rowShortageIsToldOnceAndTracingGoesOn() {
    startSimulator();
    dialog_ = makeDialog();
    programWide_->traceList.setAllocator([](std::size_t, void*) -> void* { return nullptr; },
                                         nullptr);
    click(ControlId::Start);
    QTRY_COMPARE_WITH_TIMEOUT(
        prompts_.messages, QStringList{QStringLiteral("Running out of memory...")}, kDeviceWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->decoder().traceClock() > 500'000, kDeviceWaitMs);
    QCOMPARE(prompts_.messages.size(), 1);  // once per shortage, not once per frame
    QCOMPARE(dialog_->listView()->rowCount(), 0u);
    QCOMPARE(dialog_->controller().state(), TraceState::Tracing);
    click(ControlId::Stop);
}

void TestMainDialog::escapeAndReturnDoNothing() {
    startSimulator();
    dialog_ = makeDialog();
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    button(ControlId::Start)->setFocus();
    QTest::keyClick(button(ControlId::Start), Qt::Key_Return);
    QTest::keyClick(button(ControlId::Start), Qt::Key_Enter);
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QTest::keyClick(dialog_->listView(), Qt::Key_Escape);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(dialog_->controller().state(), TraceState::Idle);
    auto* box = dialog_->findChild<QComboBox*>(QStringLiteral("1018"));
    box->lineEdit()->setFocus();
    box->setEditText(QStringLiteral("2400"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(box->count(), 5);  // Return adds nothing to the list
}

void TestMainDialog::windowMenuCommandsOpenTheAboutBox() {
    writeProfile(QStringLiteral("/nonexistent/tty"));
    dialog_ = makeDialog();
    for (unsigned id : {16u, 17u, 31u}) {
        QString shown;
        onNextModal([&](QWidget* modal) {
            shown = QString::fromLatin1(modal->metaObject()->className());
            static_cast<QDialog*>(modal)->accept();
        });
        QVERIFY(dialog_->onSysCommand(id));
        QCOMPARE(shown, QStringLiteral("daridez::AboutDialog"));
    }
    QVERIFY(!dialog_->onSysCommand(0));
    QVERIFY(!dialog_->onSysCommand(32));
    QVERIFY(!dialog_->onSysCommand(0xF060));  // the platform's close command passes on
}

void TestMainDialog::contextMenuOfEmptyAreaOffersTheAboutBox() {
    writeProfile(QStringLiteral("/nonexistent/tty"));
    dialog_ = makeDialog();
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QStringList entries;
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [&entries, timer] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            timer->stop();
            for (QAction* action : menu->actions()) {
                entries << action->text();
            }
            menu->close();
        }
    });
    timer->start(10);
    const QPoint empty =
        dialog_->findChild<QWidget*>(QStringLiteral("traceSearchGroup"))->geometry().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, empty, dialog_->mapToGlobal(empty));
    QApplication::sendEvent(dialog_.get(), &event);
    delete timer;
    QCOMPARE(entries, QStringList{QStringLiteral("Inf&o about Daridez...")});
}

QTEST_MAIN(TestMainDialog)
#include "tst_maindialog.moc"
