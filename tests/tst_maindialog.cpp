// The main window end to end, driven as a user drives it (clicks on the controls by id,
// right-clicks on list columns), against the simulated tracer on a pseudo-terminal and a
// profile of the test's own. The prompts are answered by a recorder.
#include <sys/resource.h>
#include <QtTest>
#include <QtWidgets>

#include <qcustomplot.h>
#include <csignal>
#include <functional>
#include <optional>

#include "DecoderFixture.h"
#include "app/CommSettingsDialog.h"
#include "app/IdSummaryModel.h"
#include "app/IdSummaryWindow.h"
#include "app/LdfPanel.h"
#include "app/MainControls.h"
#include "app/MainDialog.h"
#include "app/PlotWindow.h"
#include "app/QueryCompleter.h"
#include "app/SearchGroup.h"
#include "app/SignalPane.h"
#include "app/TraceApp.h"
#include "app/TraceFilesActions.h"
#include "app/WindowPrompts.h"
#include "lin/Columns.h"
#include "lin/FrameCheck.h"
#include "lin/IdSummary.h"
#include "lin/LinDescription.h"
#include "lin/LinFrame.h"
#include "lin/Query.h"
#include "protocol/ProgramWide.h"
#include "tools/sim/LdfSchedule.h"
#include "tools/sim/TracerSimulator.h"
#include "trace/RowBudget.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

using namespace daridez;

namespace {

// Generous: the machines that run the suite are shared; a wait ends as soon as it holds.
constexpr int kDeviceWaitMs = 20000;
constexpr int kCheck = int(Column::Check);
constexpr int kFrame = int(Column::Frame);
const QString kExampleLdf = QStringLiteral(DARIDEZ_EXAMPLE_LDF);
const QString kBusyPort = QStringLiteral("Could Not Open Com Port\nINVLID_HANDLE_VALUE");
const QString kDescriptions = QStringLiteral("|.|LIN traces (*.dump)|all files (*.*)");

// Answers the file chooser with nextPath and records what the window asked and told.
class RecordingPrompts : public WindowPrompts {
  public:
    QString chooseTraceFile(ChooserMode mode, const QString& title, const QString& location,
                            const QString& descriptions) override {
        const char* call = mode == ChooserMode::Save ? "save|%1|%2|%3" : "open|%1|%2|%3";
        chooserCalls << QString(call).arg(title, location, descriptions);
        return nextPath;
    }
    QString chooseFolder(const QString&, const QString&) override {
        ++folderChoices;
        return nextFolder;
    }
    void message(const QString& text) override { messages << text; }
    void notify(const QString& text) override { notices << text; }
    int choose(const QString& text, const QStringList& buttons) override {
        questions << text + QLatin1Char('|') + buttons.join(QLatin1Char('|'));
        return nextChoice;
    }
    void beginProgress(std::uint64_t) override { ++progressShown; }
    bool progress(std::uint64_t) override {
        // The real dialog runs the event loop here, and with it the timer's ticks.
        QCoreApplication::processEvents();
        unguardedLoad = unguardedLoad || (loadGuarded && !loadGuarded());
        return !cancelLoad;
    }
    void endProgress() override {}

    QString nextPath, nextFolder;
    QStringList chooserCalls, messages, notices, questions;
    int folderChoices = 0, nextChoice = -1, progressShown = 0;
    bool cancelLoad = false, unguardedLoad = false;
    std::function<bool()> loadGuarded;
};

}  // namespace

class TestMainDialog : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> dir_;
    std::unique_ptr<sim::TracerSimulator> sim_;
    std::optional<ProgramWide> programWide_;
    RecordingPrompts prompts_;
    std::unique_ptr<TraceApp> app_;
    MainDialog* dialog_ = nullptr;
    PortPaths holderPaths_;
    std::unique_ptr<SerialPort> holder_;  // another program holding the simulator's port

    TraceListView* list() const { return dialog_->listView(); }
    TraceListModel* model() const { return dialog_->listModel(); }
    QAbstractButton* button(const char* name) const {
        return dialog_->findChild<QAbstractButton*>(QString::fromLatin1(name));
    }
    QComboBox* rateBox() const { return dialog_->findChild<QComboBox*>("linRateBox"); }
    QString status() const { return dialog_->findChild<QLabel*>("statusLine1")->text(); }
    QString header(int c) const {
        return list()->model()->headerData(c, Qt::Horizontal).toString();
    }
    QString cell(int row, int c) const { return model()->index(row, c).data().toString(); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }

    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static bool write(const QString& path, const QByteArray& bytes,
                      QIODevice::OpenMode mode = QIODevice::WriteOnly) {
        QFile file(path);
        return file.open(mode) && file.write(bytes) == bytes.size();
    }
    QString ini() const { return dir_->filePath(QStringLiteral("daridez.ini")); }
    void makeDialog() {
        app_ = std::make_unique<TraceApp>(*programWide_, ini().toStdString(), &prompts_);
        dialog_ = &app_->window();
    }
    // Tears down the last window before its simulator, then starts afresh: a simulator on a
    // fresh pseudo-terminal, named as Com2 by a profile of the test's own (the port held
    // by another program, if asked), and a window on it.
    void start(sim::TracerSimulatorOptions options = {}, bool held = false) {
        app_.reset();
        holder_.reset();
        sim_.reset();
        programWide_.emplace();
        prompts_ = RecordingPrompts{};
        dir_.emplace();
        sim_ = std::make_unique<sim::TracerSimulator>(options);
        QVERIFY2(sim_->open(), sim_->errorText().c_str());
        sim_->startThread();
        QVERIFY(write(ini(),
                      "[SIO_CFG]\nStopBits=0\nParity=0\nBaudRate=115200\nByteSize=8\n"
                      "ComPort=2\nEndChar=0\n[PORTS]\nCom2=" +
                          QByteArray::fromStdString(sim_->devicePath()) + "\n"));
        if (held)
            holdPort();
        makeDialog();
    }
    // Another program takes the simulator's port.
    void holdPort() {
        holderPaths_.setPath(2, sim_->devicePath());
        holder_ = std::make_unique<SerialPort>(holderPaths_);
        SerialSettings settings{};
        const Profile profile(ini().toStdString());  // the window's settings
        LoadSerialSettings(&profile, settings);
        QCOMPARE(QString::fromStdString(holder_->Open(settings).value_or("null")), "");
    }
    // What act shows: each menu's entries and each modal dialog's title and texts. Each
    // takes the next key (the last again for any more).
    QStringList shownBy(const std::function<void()>& act, QList<Qt::Key> keys = {Qt::Key_Escape}) {
        QStringList shown;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            QWidget* popup = QApplication::activePopupWidget();
            if (QWidget* shows = popup ? popup : QApplication::activeModalWidget()) {
                QStringList texts{shows->windowTitle()};
                for (const QAction* action : shows->actions()) texts << action->text();
                for (const QLabel* label : shows->findChildren<QLabel*>()) texts << label->text();
                shown << texts.join('|');
                // From a loop of its own: the key may open the next dialog.
                timer.stop();
                QTimer::singleShot(
                    0, shows, [&timer, shows, key = keys.value(shown.size() - 1, keys.last())] {
                        timer.start(10);
                        QTest::keyClick(shows, key);
                    });
            }
        });
        timer.start(10);
        act();
        return shown;
    }
    // A right-click (or another button's) on a cell of the column (of its top row), or on its
    // header.
    void rightClick(int column, bool onHeader = false, Qt::MouseButton button = Qt::RightButton) {
        const QHeaderView* header = list()->horizontalHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(onHeader ? header->viewport() : list()->viewport(), button, {},
                          QPoint(x, 5));
    }
    // Every row as shown, with its number and colours.
    QStringList snapshot() const {
        QStringList rows;
        for (std::uint32_t i = 0; i < model()->indexCount(); ++i) {
            const TraceEntry& e = *model()->entryAt(i);
            rows << QString::asprintf("%d/%u/%u", e.number, e.textColour, e.backColour);
            for (int column = 0; column < kListColumnCount; ++column)
                rows.last() += QLatin1Char('|') + cell(int(i), column);
        }
        return rows;
    }

    // The simulator's options that play the example LDF's first schedule table.
    static sim::TracerSimulatorOptions playingExample() {
        sim::TracerSimulatorOptions options;
        std::string error;
        const LinDescription ldf = LinDescription::read(kExampleLdf.toStdString());
        [&] { QVERIFY(sim::ScheduleFromLdf(*ldf.model(), "", options.schedule, error)); }();
        return options;
    }
    // Loads what the simulators of options send in the given microseconds, one recording
    // after the other, as a dump file.
    void loadGenerated(const QList<std::pair<sim::TracerSimulatorOptions, int>>& recordings) {
        QByteArray bytes;
        for (const auto& [options, micros] : recordings) {
            const std::vector<std::uint8_t> made = sim::TracerSimulator(options).generate(micros);
            bytes.append(reinterpret_cast<const char*>(made.data()), qsizetype(made.size()));
        }
        prompts_.nextPath = dir_->filePath(QStringLiteral("generated.dump"));
        QVERIFY(write(prompts_.nextPath, bytes));
        click("loadTraceButton");
    }
    // Each identifier's texts in a column, distinct, in order: "10:BCM_Command".
    QStringList textsById(int column) const {
        QMap<int, QStringList> byId;
        for (int row = 0; row < model()->rowCount(); ++row) {
            const LinFrame frame = ReadLinFrame(*model()->rowEntry(row));
            QStringList& texts = byId[frame.hasId ? frame.id() : -1];
            if (!texts.contains(cell(row, column)))
                texts << cell(row, column);
        }
        QStringList lines;
        for (auto at = byId.begin(); at != byId.end(); ++at)
            lines << QString::asprintf("%02X:", at.key()) + at.value().join('|');
        return lines;
    }
    LdfPanel& ldf() const { return dialog_->ldfPanel(); }
    QString ldfLabel() const { return ldf().label()->text(); }
    // Where a user clicks a check box: on its box (the widget may be far wider than its
    // caption, and a click right of the caption does not toggle it).
    static QPoint boxOf(const QCheckBox& box) { return {box.height() / 2, box.height() / 2}; }
    // The controls of window whose text does not fit them whole: "name: text".
    static QStringList cutTexts(const QWidget& window) {
        QStringList cut;
        const auto check = [&cut](const QWidget* w, const QString& text, int room) {
            const QString shown = QString(text).remove(QLatin1Char('&'));
            if (w->isVisible() && w->fontMetrics().horizontalAdvance(shown) > room)
                cut << w->objectName() + ": " + shown;
        };
        for (const QLabel* label : window.findChildren<QLabel*>())
            check(label,
                  label->textFormat() == Qt::RichText
                      ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                      : label->text(),
                  label->contentsRect().width() - 2 * label->margin());
        for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QStyle::SubElement contents =
                qobject_cast<const QCheckBox*>(button)      ? QStyle::SE_CheckBoxContents
                : qobject_cast<const QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                                            : QStyle::SE_PushButtonContents;
            const QRect room = button->style()->subElementRect(contents, &option, button);
            check(button, button->text(), room.width());
        }
        return cut;
    }

  private slots:
    void init() { start(); }

    // The profile's [MEMORY] MaxRows sets the rows the trace may hold; 0, a negative
    // number or no key leave the choice to the memory there is (0 below), which other
    // programs change while the test runs: that budget is compared within a tenth.
    void maxRowsOfTheProfileSetsTheRowBudget_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<qulonglong>("budget");
        QTest::newRow("MaxRows=5000") << QByteArray("[MEMORY]\nMaxRows=5000\n") << 5000ull;
        QTest::newRow("MaxRows=0") << QByteArray("[MEMORY]\nMaxRows=0\n") << 0ull;
        QTest::newRow("MaxRows=-3") << QByteArray("[MEMORY]\nMaxRows=-3\n") << 0ull;
        QTest::newRow("no key") << QByteArray() << 0ull;
    }
    void maxRowsOfTheProfileSetsTheRowBudget() {
        QFETCH(QByteArray, section);
        QFETCH(qulonglong, budget);
        app_.reset();
        QVERIFY(write(ini(), section, QIODevice::Append));
        makeDialog();
        const double rows = double(programWide_->traceList.rowBudget());
        const double expected = budget != 0 ? double(budget) : double(ChooseRowBudget(0));
        QVERIFY2(budget != 0 ? rows == expected : std::abs(rows / expected - 1) < 0.1,
                 qPrintable(QString::number(rows) + " " + QString::number(expected)));
    }

    // The first start shows every column, Check and Frame included, above the smallest size.
    // At its smallest, with the longest texts the controls take, every text shows whole:
    // the captions, the search switch beside the longest count, the status lines.
    void everyTextFitsItsControlAtTheSmallestSize() {
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_));
        const QHeaderView* columns = list()->horizontalHeader();
        QTRY_VERIFY(columns->sectionViewportPosition(kFrame) + columns->sectionSize(kFrame) <=
                    list()->viewport()->width());
        QVERIFY(dialog_->width() > dialog_->minimumWidth());
        QVERIFY(ldf().load(kExampleLdf.toStdString()));
        dialog_->resize(dialog_->minimumSize());
        auto* count = dialog_->findChild<QLabel*>(QStringLiteral("searchCount"));
        for (const QString longest :
             {"1,000,005 of 1,000,005 rows", "match 1,000,005 of 1,000,005"}) {
            count->setText(longest);
            dialog_->setStatusLine2("active: 99:59:59  |FRMs: 1000005  |ERRs: 1000005");
            QApplication::processEvents();
            QCOMPARE(cutTexts(*dialog_).join('\n'), QString());
        }
        // Narrower still, the LDF's summary elides its middle and shows whole in the tool tip.
        QLabel* label = ldf().label();
        label->resize(label->fontMetrics().horizontalAdvance(ldf().summaryText()) / 2,
                      label->height());
        const QString elided = QTextDocumentFragment::fromHtml(label->text()).toPlainText();
        QVERIFY2(elided.startsWith("body-c") && elided.endsWith(" frames") &&
                     elided.contains(QChar(0x2026)),
                 qPrintable(elided));
        QVERIFY(label->toolTip().startsWith(ldf().summaryText() + '\n'));
        // The settings dialog shows its title whole, whatever its template's width.
        CommSettingsDialog settings(dialog_->settings(), PortPaths(), dialog_);
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
        QFont bold = QApplication::font();
        bold.setBold(true);
        QVERIFY(settings.width() > QFontMetrics(bold).horizontalAdvance(settings.windowTitle()));
        QCOMPARE(cutTexts(settings).join('\n'), QString());
        const QList<QRadioButton*> radios = settings.findChildren<QRadioButton*>();
        for (const QRadioButton* a : radios)  // a caption's room taken from no neighbour
            for (const QRadioButton* b : radios)
                QVERIFY2(a->y() != b->y() || a->x() >= b->x() || a->geometry().right() < b->x(),
                         qPrintable(a->text() + " " + b->text()));
    }

    // A live trace: controls locked, followed unless the user scrolls away, modes locked. Then a
    // failed check stands out, right-clicks on cells and headers toggle modes and Tab leaves the
    // list.
    void startFollowsTheTraceLocksModesAndShowsFailedChecks() {
        sim::TracerSimulatorOptions faulty;
        faulty.rates = {.badChecksums = 0.1, .badParity = 0.1};
        start(faulty);
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog_));
        click("startButton");  // the busy state's controls disabled (the table has its test)
        QVERIFY(!button("configButton")->isEnabled() && !rateBox()->isEnabled());
        auto* bar = list()->verticalScrollBar();
        const auto* note = list()->viewport()->findChild<QLabel*>();
        auto rowsArrive = [&](bool followed) {
            const int rows = model()->rowCount(), at = bar->value();
            QTRY_VERIFY_WITH_TIMEOUT(model()->rowCount() > rows, kDeviceWaitMs);
            const QRect last = list()->visualRect(model()->index(model()->rowCount() - 1, 0));
            QCOMPARE(list()->viewport()->rect().intersects(last), followed);
            QCOMPARE(note->isVisible(), !followed);
            QVERIFY(followed || bar->value() == at);
        };
        QTRY_VERIFY_WITH_TIMEOUT(bar->maximum() > 0, kDeviceWaitMs);
        rowsArrive(true);
        bar->setValue(0);  // scrolled up
        rowsArrive(false);
        QTest::keyClick(list(), Qt::Key_End);
        rowsArrive(true);
        int green = 0;  // a LIN frame that passes its checks
        while (model()->entryAt(green)->textColour != kGreen ||
               CheckFrame(*model()->entryAt(green)).failed())
            QVERIFY(++green < int(model()->indexCount()));

        // While busy, right-clicks (on cells and a header) change no mode and no file is loaded;
        // saving still works.
        for (int column : {1, 4, 5}) rightClick(column, column == 5);
        const DisplayModes& modes = dialog_->displayModes();
        QVERIFY(modes.relativeTime && modes.protectedId && modes.hexData);
        prompts_.nextPath = dir_->filePath(QStringLiteral("x.dump"));
        click("loadTraceButton");
        QVERIFY(prompts_.chooserCalls.isEmpty());
        click("saveTraceButton");
        QVERIFY(QFile::exists(prompts_.nextPath));

        click("stopButton");
        QVERIFY(button("startButton")->isEnabled() && !note->isVisible());
        // A row's verdict shows in its Check cell, one with a failure word in a colour of its own.
        int failed = 0;
        while (!CheckFrame(*model()->rowEntry(failed)).failed())
            QVERIFY(++failed < model()->rowCount());
        const QModelIndex check = model()->index(failed, kCheck);
        QCOMPARE(check.data().toString(),
                 QString::fromStdString(CheckFrame(*model()->rowEntry(failed)).text()));
        QVERIFY(check.data(Qt::BackgroundRole) !=
                check.siblingAtColumn(2).data(Qt::BackgroundRole));
        QCOMPARE(model()->index(green, kCheck).data(Qt::BackgroundRole),
                 model()->index(green, 2).data(Qt::BackgroundRole));

        // Idle: a right-click toggles its column's mode; MsgNr, Info, Sync and CS toggle nothing.
        // On a header it toggles the same.
        const QString time = cell(green, 1), byte = cell(green, 5);
        for (int column : {0, 1, 2, 3, 4, 9, 13}) rightClick(column);
        QCOMPARE(header(1) + '|' + header(4), QStringLiteral("abs. TimeStamp|(id)"));
        QVERIFY(!modes.relativeTime && !modes.protectedId && !modes.hexData);
        QVERIFY(cell(green, 1) != time && cell(green, 5) != byte);  // DB4's click changes DB0
        for (int column : {1, 2, 4, 8}) rightClick(column, true);
        QCOMPARE(header(1) + '|' + header(4), QStringLiteral("rel. TimeStamp|[ID]"));
        QCOMPARE(cell(green, 1) + '|' + cell(green, 5), time + '|' + byte);

        list()->setFocus();  // Tab leaves the list
        QTest::keyClick(list(), Qt::Key_Tab);
        QVERIFY(!list()->hasFocus() && dialog_->isAncestorOf(QApplication::focusWidget()));
    }

    // The box keeps its two lines and tells the device and the reason in a third.
    void busyPortIsToldAndConfigCancelStillReopensIt() {
        start({}, true);
        const QString device = QString::fromStdString(sim_->devicePath());
        const QString busy = kBusyPort + "\n" + device + ": in use by another program";
        QCOMPARE(prompts_.messages, QStringList{busy});
        click("connectButton");
        QCOMPARE(prompts_.messages, (QStringList{busy, busy}));
        QVERIFY(!dialog_->port().isConnected());
        loadGenerated({{playingExample(), 3'000'000}});  // a loaded trace needs no device
        const QString counted = dialog_->findChild<QLabel*>("statusLine2")->text();

        holder_.reset();
        QCOMPARE(shownBy([&] { click("configButton"); }),  // and cancelled
                 QStringList{"Communications Settings|Com1|/dev/ttyS0|Com2|" + device +
                             "|Com3|/dev/ttyUSB1|Com4|/dev/ttyACM0"});
        QVERIFY(dialog_->port().isConnected() && prompts_.messages.size() == 2);
        loadGenerated({{playingExample(), 3'000'000}});  // its clock and counts as without
        QVERIFY(!counted.isEmpty());
        QCOMPARE(dialog_->findChild<QLabel*>("statusLine2")->text(), counted);
        click("fwVersionButton");
        QTRY_COMPARE_WITH_TIMEOUT(status(), "returned FW-Version: 1.4.2", kDeviceWaitMs);

        sim_->stop();
        sim_->closeDevice();  // the adapter is gone
        click("connectButton");
        QCOMPARE(prompts_.messages.last(), kBusyPort + "\n" + device + ": no such device");
    }

    // "find rate" against a bus at 9600 while the device listens at 19200: the rates the
    // search tries (its own test checks their order) are set on the device, the last of them
    // stays on it and in the box. "cancel" while 9600 is tried sets 19200 again (the
    // controller's test holds the other ends). The trials leave no row.
    void findRateSetsTheBusRateOrTheOldOne_data() {
        QTest::addColumn<QString>("cancelAt");  // the status at which "cancel" is pressed
        QTest::addColumn<QString>("end");       // the status at the end, a pattern
        QTest::addColumn<QString>("rates");     // of the set-baud-rate frames the device took
        QTest::newRow("found") << ""
                               << "LIN rate found: 9600 \\(\\d+ good frames\\)"
                               << "19200 9600 10417 20000 1200 2400 4800 9600";
        QTest::newRow("cancelled") << "finding the LIN rate: trying 9600 ..."
                                   << "returned LIN Baudrate: 19200, result:0"
                                   << "19200 9600 19200";
    }
    void findRateSetsTheBusRateOrTheOldOne() {
        QFETCH(QString, cancelAt);
        QFETCH(QString, end);
        sim::TracerSimulatorOptions options;
        options.busBaudrate = 9600;
        start(options);
        QAbstractButton* find = button("findRateButton");
        QCOMPARE(find->text() + '|' + rateBox()->currentText(), "find rate|19200");
        click("findRateButton");
        QVERIFY(find->text() == "cancel" && find->isEnabled() &&
                !button("startButton")->isEnabled());
        if (!cancelAt.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(status(), cancelAt, kDeviceWaitMs);
            click("findRateButton");
        }
        const QRegularExpression ended(QRegularExpression::anchoredPattern(end));
        QTRY_VERIFY_WITH_TIMEOUT(ended.match(status()).hasMatch(), kDeviceWaitMs);
        QStringList rates;
        for (const auto& command : sim_->commands())
            if (command[1] == 0x01)
                rates << QString::number(command[2] << 8 | command[3]);
        QTEST(rates.join(' '), "rates");
        const QString rate = QString::number(sim_->linBaudrate());
        QCOMPARE(rate, rates.last());
        QCOMPARE(rateBox()->currentText(), rate);
        QCOMPARE(find->text() + '|' + QString::number(model()->indexCount()), "find rate|0");
        QVERIFY(button("startButton")->isEnabled());
    }

    // "config": the settings dialog's buttons with these names clicked, then Ok.
    void configure(QStringList names) {
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            if (QWidget* settings = QApplication::activeModalWidget()) {
                timer.stop();
                for (const QString& name : names << "okButton")
                    settings->findChild<QAbstractButton*>(name)->click();
            }
        });
        timer.start(10);
        click("configButton");
    }

    // OK in the settings dialog writes the choices at once and reopens the port on them; a
    // profile that cannot be written is told.
    void configOkWritesTheProfileAndTellsWhenItCannot() {
        dialog_->show();
        configure({"baud9600"});
        QVERIFY(read(ini()).contains("BaudRate=9600") && dialog_->port().isConnected());
        QCOMPARE(status(), "Com2, 9600 Baud, 8 Bit, 1 Stop, no Parity");
        QVERIFY(QFile::remove(ini()) && QDir().mkdir(ini()));  // no file can take its place
        configure({"baud19200"});
        QCOMPARE(prompts_.messages.size(), 1);
        QVERIFY2(
            prompts_.messages[0].startsWith("The settings could not be saved:\n" + ini() + ": "),
            qPrintable(prompts_.messages[0]));
        QVERIFY(QDir().rmdir(ini()));
    }

    void largeLoadShowsProgressWithoutTicksAndCancelKeepsRows() {
        const std::vector<std::uint8_t> bytes = sim_->generate(20'000'000);  // several blocks
        QVERIFY(bytes.size() > 3 * ReceiveBuffer::kSize);
        prompts_.nextPath = dir_->filePath(QStringLiteral("big.dump"));
        QVERIFY(write(prompts_.nextPath, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                    qsizetype(bytes.size()))));
        dialog_->fileActions().setProgressThreshold(ReceiveBuffer::kSize);
        prompts_.loadGuarded = [this] { return dialog_->controller().paused(); };
        click("loadTraceButton");
        // No tick touches the loader's receive buffer.
        QVERIFY(prompts_.progressShown == 1 && !prompts_.unguardedLoad && dialog_->timerActive());
        const std::uint32_t wholeFile = model()->indexCount();

        prompts_.cancelLoad = true;  // cancelled at the first block: those rows stay
        click("loadTraceButton");
        const std::uint32_t cancelled = model()->indexCount();
        QVERIFY(cancelled > 0 && cancelled < wholeFile && prompts_.messages.isEmpty());
        QCOMPARE(programWide_->receiveBuffer.carryOver, 0);
    }

    // Keys never close the window; the keyboard and a right-click beside the controls open
    // its menu, F1 and the menu the About box. It grows from its smallest size, the list and
    // the search group taking the room. The shut-down writes the profile, the place included,
    // and releases the port; the next window opens where this one was, unless that is off
    // every screen.
    void keysNeverCloseAndShutDownWritesTheProfileAndReleasesThePort() {
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog_));
        QTest::keyClick(dialog_, Qt::Key_Escape);
        QTest::keyClick(list(), Qt::Key_Escape);
        QTest::keyClick(button("startButton"), Qt::Key_Return);
        QTest::keyClick(rateBox()->lineEdit(), Qt::Key_Return);
        QVERIFY(dialog_->isVisible() && dialog_->controller().state() == TraceState::Idle);
        // Return adds nothing to the list.
        QCOMPARE(QString::number(rateBox()->count()) + '|' + rateBox()->currentText(), "5|19200");
        QCOMPARE(status(), QStringLiteral("Com2, 115200 Baud, 8 Bit, 1 Stop, no Parity"));
        const QString menu =
            "|Copy|export...|ID summary...|Plot...|LDF...|no LDF|record folder...||Inf&o about "
            "Daridez...";
        const QString about = "Info about Daridez||Daridez - LIN-bus tracer front end|Version " +
                              QStringLiteral(DARIDEZ_VERSION) +
                              "|(COM settings: 115K, 8N1)|Daridez developers";
        list()->setFocus();
        QCOMPARE(shownBy([&] { QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier); },
                         {Qt::Key_O, Qt::Key_Return}),
                 (QStringList{menu, about}));
        QCOMPARE(shownBy([&] {
                     QTest::mouseClick(dialog_->windowHandle(), Qt::RightButton, {}, QPoint(3, 3));
                 }),
                 QStringList{menu});
        // The empty list: below its rows is no row to toggle a mode in.
        QCOMPARE(shownBy([&] {
                     QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, QPoint(30, 30));
                 }),
                 QStringList{menu});
        QCOMPARE(shownBy([&] { QTest::keyClick(list(), Qt::Key_F1); }, {Qt::Key_Return}),
                 QStringList{about});

        const QSize first = dialog_->size();
        dialog_->resize(dialog_->minimumSize());
        const QSize base = dialog_->size();
        const QStringList ids{"configButton",     "loadTraceButton", "linRateBox", "traceList",
                              "traceSearchGroup", "statusLine1",     "statusLine2"};
        auto place = [&] {
            QList<QRect> r;
            for (const QString& id : ids) r << dialog_->findChild<QWidget*>(id)->geometry();
            return r;
        };
        const QList<QRect> at = place();
        dialog_->resize(base - QSize(40, 30));
        QCOMPARE(dialog_->size(), base);
        const int dx = 70, dy = 50;
        dialog_->resize(base + QSize(dx, dy));
        dialog_->move(20, 30);
        QTRY_COMPARE(place(), (QList<QRect>{at[0], at[1], at[2], at[3].adjusted(0, 0, dx, dy),
                                            at[4].adjusted(0, 0, dx, 0), at[5].translated(0, dy),
                                            at[6].translated(dx, dy)}));
        const QRect normal = dialog_->geometry();
        dialog_->showMaximized();
        QTRY_VERIFY(dialog_->size() != normal.size());

        QVERIFY(QFile::remove(ini()));  // so that only the shut-down can write it
        dialog_->close();               // the caption's close button
        QVERIFY(!dialog_->isVisible() && !dialog_->timerActive() && !dialog_->port().isConnected());
        holdPort();  // another program gets the released port at once
        const QString text = QString::fromLatin1(read(ini()));
        for (const char* key : {"[SIO_CFG]", "ComPort=2", "[PORTS]",
                                "Com2=", "[WINDOW]\nX=20\nY=30\n", "Maximized=1"})
            QVERIFY2(text.contains(QString::fromLatin1(key)), key);
        holder_.reset();
        makeDialog();
        dialog_->show();
        QVERIFY(dialog_->isMaximized());
        dialog_->showNormal();
        QTRY_COMPARE(dialog_->geometry(), normal);
        app_.reset();
        QVERIFY(write(ini(), read(ini()).replace("X=20\n", "X=-9000\n")));
        makeDialog();
        QVERIFY(dialog_->size() == first && dialog_->x() != -9000);
    }

    // The recording and a trace saved through the handler load as the rows shown; failed
    // and cancelled choices leave them alone.
    void recordedTraceCutByALostDeviceLoadsAsTheRowsShown() {
        const QString saved = dir_->filePath(QStringLiteral("trace.dump"));
        prompts_.nextPath = saved;
        click("saveTraceButton");  // an empty trace: nothing to ask
        QVERIFY(prompts_.chooserCalls.isEmpty());
        auto* record = button("recordBox");
        auto* label = dialog_->findChild<QLabel*>("recordLabel");
        record->click();  // no folder yet, and the user cancels the chooser
        QVERIFY(!record->isChecked() && prompts_.folderChoices == 1);
        const QString folder = dir_->filePath(QStringLiteral("records"));
        QVERIFY(QDir().mkpath(folder));
        prompts_.nextFolder = folder;
        record->click();
        QVERIFY(record->isChecked() && prompts_.folderChoices == 2);

        click("startButton");
        QTRY_VERIFY_WITH_TIMEOUT(model()->indexCount() >= 30, kDeviceWaitMs);
        QTRY_VERIFY(label->text().endsWith(QStringLiteral("B")));
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        // The name gives way in its middle: its start and its end stay, then the size.
        QVERIFY2(files[0].startsWith(QStringLiteral("trace-")) &&
                     label->text().startsWith(files[0].left(8)) &&
                     label->text().contains(files[0].right(7) + QLatin1Char(' ')),
                 qPrintable(files[0] + ' ' + label->text()));
        const QString path = QDir(folder).filePath(files[0]);
        QCOMPARE(label->toolTip(), "record folder: " + folder + "\nfile: " + path);
        // Every tick syncs: the bytes so far are in the file while the trace runs.
        const TraceRecorder& recorder = dialog_->fileActions().recorder();
        QTRY_VERIFY(recorder.size() > 100 && QFileInfo(path).size() == qint64(recorder.size()));
        sim_->closeDevice();  // pulled mid-trace
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("device disconnected"), kDeviceWaitMs);
        QVERIFY(!recorder.recording() && !dialog_->port().isConnected());
        const QStringList shown = snapshot();
        QCOMPARE(QFileInfo(path).size(), qint64(recorder.size()));

        // A folder that is not there, then cancelled choices.
        for (const QString& next : {dir_->filePath("no/such/folder/x.dump"), QString()}) {
            prompts_.nextPath = next;
            click("saveTraceButton");
            click("loadTraceButton");
            QCOMPARE(snapshot(), shown);
        }
        QCOMPARE(prompts_.messages, (QStringList{"save error", "load error"}));
        prompts_.nextPath = saved;
        click("saveTraceButton");
        QCOMPARE(prompts_.chooserCalls.last(), QStringLiteral("save|save file") + kDescriptions);
        QCOMPARE(status(), "saved trace.dump: " + GroupedNumber(shown.size()) + " rows");
        QCOMPARE(dialog_->findChild<QLabel*>("statusLine1")->toolTip(), status());
        for (const QString& file : {path, saved}) {
            prompts_.nextPath = file;
            click("clearButton");
            click("loadTraceButton");
            QCOMPARE(snapshot(), shown);
        }
        QCOMPARE(prompts_.chooserCalls.last(),
                 QStringLiteral("open|open file|.|LIN traces (*.dump *.asc *.pcapng *.pcap)|all "
                                "files (*.*)"));
        // The loaded trace from its first row, and what was loaded in the status line.
        QCOMPARE(status(), QString("loaded trace.dump: %1 rows").arg(shown.size()));
        QCOMPARE(list()->verticalScrollBar()->value(), 0);
        // No new message; a small file loads without a progress dialog.
        QVERIFY(prompts_.messages.size() == 2 && prompts_.progressShown == 0 && !model()->isLive());
        // The window menu's "record folder..." moves the next recording elsewhere.
        const QString other = dir_->filePath(QStringLiteral("other"));
        QVERIFY(QDir().mkpath(other));
        prompts_.nextFolder = other;
        QTimer::singleShot(50, this, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* action : menu ? menu->actions() : QList<QAction*>{})
                if (action->text() == QStringLiteral("record folder..."))
                    action->trigger(), menu->close();
        });
        MainControls::showMenu(*dialog_, dialog_->mapToGlobal(QPoint(3, 3)));
        QCOMPARE(prompts_.folderChoices, 3);
        QVERIFY(label->toolTip().startsWith("record folder: " + other + "\n"));
        app_.reset();  // the folder is remembered for the next session
        QVERIFY(read(ini()).contains("[RECORD]\nFolder=" + other.toUtf8()));
    }

    // A query the parser rejects is refused with its own message, the box tinted as the
    // search's field is; a good one takes its place and clears both.
    void triggerBoxRefusesABadQueryWithItsMessage() {
        auto* box = dialog_->findChild<QLineEdit*>("triggerBox");
        auto* label = dialog_->findChild<QLabel*>("recordLabel");
        const QColor base = box->palette().color(QPalette::Base);
        const auto type = [box](const char* text) {
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, QString::fromLatin1(text));
            QTest::keyClick(box, Qt::Key_Return);
        };
        type("id=40");
        QCOMPARE(label->toolTip(),
                 QString("record folder: not chosen yet\n\"id=40\": identifiers are 00..3F"));
        QCOMPARE(box->palette().color(QPalette::Base),
                 SearchGroup::rejectedBase(dialog_->palette()));
        type("id=3C bad");
        QCOMPARE(label->toolTip(), QString("record folder: not chosen yet\ntrigger: id=3C bad "
                                           "(1000 ms before, 1000 ms after)"));
        QCOMPARE(box->palette().color(QPalette::Base), base);
    }

    // With no time around a trigger, the recording holds the start row and the rows the
    // trigger picked, as many as status line 2 counts.
    void triggerRecordsOnlyItsRowsAndTheStatusLineCountsThem() {
        start(playingExample());
        const QString folder = dir_->filePath(QStringLiteral("records"));
        QVERIFY(QDir().mkpath(folder));
        app_.reset();
        QVERIFY(write(ini(),
                      "[RECORD]\nFolder=" + folder.toUtf8() + "\nTriggerPreMs=0\nTriggerPostMs=0\n",
                      QIODevice::Append));
        makeDialog();
        auto* box = dialog_->findChild<QLineEdit*>("triggerBox");
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("id=3C"));
        QTest::keyClick(box, Qt::Key_Return);
        button("recordBox")->click();
        click("startButton");
        auto* line = dialog_->findChild<QLabel*>("statusLine2");
        const QRegularExpression counted(QStringLiteral("\tTRGs: ([0-9]+)$"));
        QTRY_VERIFY_WITH_TIMEOUT(counted.match(line->text()).captured(1).toInt() >= 2,
                                 kDeviceWaitMs);
        QCOMPARE(line->toolTip(), line->text());  // the whole line, where it is cut off
        click("stopButton");
        QTRY_COMPARE(dialog_->controller().state(), TraceState::Idle);
        const int triggers = counted.match(line->text()).captured(1).toInt();
        button("recordBox")->click();  // off: the file is closed
        QTRY_VERIFY(!line->text().contains(QStringLiteral("TRGs")));
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        prompts_.nextPath = QDir(folder).filePath(files[0]);
        click("loadTraceButton");
        QStringList rows;
        for (int row = 0; row < model()->rowCount(); ++row)
            rows << cell(row, 2) + ' ' + cell(row, 4);
        QCOMPARE(rows, QStringList(QStringLiteral("START (1) ")) +
                           QStringList(triggers, QStringLiteral("Break [3C]")));
    }

    // A record folder in the profile: nothing to ask; a full disk stops the recording, not
    // the trace. Stopped, the rows export as CSV or pcapng (only the matching ones if the
    // user says so); a failed export keeps the old file.
    void recordFailureKeepsTheTraceAndExportWritesCsvAndPcapngAndAFailureKeepsTheOldFile() {
        prompts_.nextPath = dir_->filePath(QStringLiteral("t.csv"));
        click("exportButton");  // an empty trace: nothing to ask
        QVERIFY(prompts_.chooserCalls.isEmpty());
        const QString folder = dir_->filePath(QStringLiteral("records"));
        QVERIFY(QDir().mkpath(folder));
        app_.reset();  // the next window finds the record folder in the profile
        QVERIFY(write(ini(), "[RECORD]\nFolder=" + folder.toUtf8() + "\n", QIODevice::Append));
        makeDialog();
        button("recordBox")->click();
        QCOMPARE(prompts_.folderChoices, 0);
        click("startButton");
        const TraceRecorder& recorder = dialog_->fileActions().recorder();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.size() > 0, kDeviceWaitMs);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        auto limitFileSize = [saved](rlim_t bytes) {
            const rlimit limit{bytes, saved.rlim_max};
            return setrlimit(RLIMIT_FSIZE, &limit) == 0;
        };
        QVERIFY(limitFileSize(recorder.size()));  // the disk is full from here on
        // Told in a box that does not wait, and in red beside the check box.
        QTRY_COMPARE_WITH_TIMEOUT(prompts_.notices.size(), 1, kDeviceWaitMs);
        QVERIFY(limitFileSize(saved.rlim_cur));
        QVERIFY2(prompts_.notices[0].startsWith("record error\ncannot write ") &&
                     prompts_.messages.isEmpty(),
                 qPrintable(prompts_.notices[0]));
        QVERIFY(!button("recordBox")->isChecked() && !recorder.recording());
        const auto* label = dialog_->findChild<QLabel*>("recordLabel");
        QVERIFY2(label->text().startsWith("record error: cannot write ") &&
                     label->palette().color(QPalette::WindowText) !=
                         dialog_->palette().color(QPalette::WindowText),
                 qPrintable(label->text()));
        const std::uint32_t before = model()->indexCount();
        QTRY_VERIFY_WITH_TIMEOUT(model()->indexCount() > before + 20, kDeviceWaitMs);
        QCOMPARE(dialog_->controller().state(), TraceState::Tracing);
        click("stopButton");
        const auto rows = qsizetype(model()->indexCount());

        click("exportButton");
        QCOMPARE(prompts_.chooserCalls.last(),
                 "save|export file|.|pcapng (*.pcapng)|CSV (*.csv)|ASC log (*.asc)");
        QCOMPARE(read(prompts_.nextPath).count("\r\n"), rows + 1);
        QCOMPARE(status(), "exported t.csv: " + GroupedNumber(rows) + " rows");
        prompts_.nextPath = dir_->filePath(QStringLiteral("t.pcapng"));
        click("exportButton");
        QVERIFY(read(prompts_.nextPath).startsWith(QByteArray::fromHex("0a0d0d0a")));

        // "Show only matches" on: the user is asked, and may keep only the matching rows.
        std::string error;
        const std::optional<Query> query = Query::parse("break", error);
        dialog_->fileActions().matchingRows = [&query] { return &*query; };
        qsizetype matching = 0;
        for (std::uint32_t i = 0; i < model()->indexCount(); ++i)
            matching += query->matches(*model()->entryAt(i), model()->textForm());
        QVERIFY(matching > 0 && matching < rows);
        prompts_.nextPath = dir_->filePath(QStringLiteral("t.csv"));
        const qsizetype chooserCalls = prompts_.chooserCalls.size();
        for (const int cancelled : {-1, 2}) {  // closed without an answer, Cancel: nothing happens
            prompts_.nextChoice = cancelled;
            click("exportButton");
        }
        QCOMPARE(prompts_.chooserCalls.size(), chooserCalls);
        prompts_.nextChoice = 0;
        click("exportButton");
        QCOMPARE(prompts_.questions.last(),
                 "Export only the rows matching \"break\", or all rows?|Matching rows|All "
                 "rows|Cancel");
        const QByteArray matches = read(prompts_.nextPath);
        QCOMPARE(matches.count("\r\n"), matching + 1);

        // Failures: a missing folder, and a write cut short (a file size limit).
        prompts_.nextPath = dir_->filePath(QStringLiteral("no/such/t.csv"));
        click("exportButton");
        prompts_.nextChoice = 1;
        prompts_.nextPath = dir_->filePath(QStringLiteral("t.csv"));
        QVERIFY(limitFileSize(256));
        click("exportButton");
        QVERIFY(limitFileSize(saved.rlim_cur));
        QCOMPARE(prompts_.messages, (QStringList{"export error", "export error"}));
        QCOMPARE(read(prompts_.nextPath), matches);
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 3);  // no temporary left
    }

    // Finds in display order with a word when it wraps, F3 and Shift+F3 anywhere; only
    // matches shown while rows arrive, sorted and shown in full again with the selection
    // kept; a rejected query leaves the list alone; clearing the trace keeps the query.
    void searchStepsThroughMatchesAndShowsOnlyThemWhileTracing() {
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog_));
        SearchGroup& search = *dialog_->searchGroup();
        auto* field = dialog_->findChild<QLineEdit*>(QStringLiteral("searchQuery"));
        auto* onlyMatches = dialog_->findChild<QCheckBox*>(QStringLiteral("showOnlyMatches"));
        const auto tabFrom = [](QWidget* from) {
            from->setFocus();
            QTest::keyClick(from, Qt::Key_Tab);
            return QApplication::focusWidget();
        };
        QVERIFY(tabFrom(button("setLinSpeedButton")) == button("findRateButton") &&
                tabFrom(button("findRateButton")) == field && tabFrom(onlyMatches) == list());

        click("startButton");
        QTRY_VERIFY_WITH_TIMEOUT(model()->indexCount() >= 40, kDeviceWaitMs);
        click("stopButton");
        auto isDiagnostic = [](const TraceEntry* entry) {
            const LinFrame frame = ReadLinFrame(*entry);
            return frame.isLinFrame && frame.hasId && frame.id() == 0x3C;
        };
        QList<int> matches;
        for (int row = 0; row < model()->rowCount(); ++row)
            if (isDiagnostic(model()->rowEntry(row)))
                matches << row;
        QVERIFY(matches.size() >= 3);
        const int total = model()->rowCount();

        QTest::keyClicks(field, QStringLiteral("id=3C"));
        QTest::keyClick(field, Qt::Key_Return);
        // The current row and the search's message after each key; the count names the match.
        auto at = [&] { return QString::number(list()->currentIndex().row()) + search.message(); };
        QCOMPARE(at(), QString::number(matches[0]));
        QTest::keyClick(field, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(at(), QString::number(matches.last()) + "wrapped to the bottom");
        QTest::keyClick(button("startButton"), Qt::Key_F3);
        QCOMPARE(at(), QString::number(matches[0]) + "wrapped to the top");
        QTest::keyClick(list(), Qt::Key_F3);
        QCOMPARE(at(), QString::number(matches[1]));
        QCOMPARE(search.countText(), QString("match 2 of %1").arg(matches.size()));
        QTest::keyClick(list(), Qt::Key_Up);  // the user's own move: the totals again
        QCOMPARE(search.countText(), QString("%1 of %2 rows").arg(matches.size()).arg(total));

        // Only matches, while the trace runs: each batch brings its matching rows.
        click("startButton");
        QTest::mouseClick(onlyMatches, Qt::LeftButton, {}, boxOf(*onlyMatches));
        const int before = model()->rowCount();
        QVERIFY(search.showingOnlyMatches() && before == matches.size());
        QTRY_VERIFY_WITH_TIMEOUT(model()->rowCount() >= before + 3, kDeviceWaitMs);
        click("stopButton");
        for (int row = 0; row < model()->rowCount(); ++row)
            QVERIFY2(isDiagnostic(model()->rowEntry(row)), qPrintable(QString::number(row)));
        QCOMPARE(list()->verticalHeader()->count(), model()->rowCount());

        // Sorted by the absolute time (rising then falling): the selection follows its row.
        const int shown = model()->rowCount();
        rightClick(1);
        list()->selectRow(1);
        const TraceEntry* selected = model()->rowEntry(1);
        for (int clicks = 0; clicks < 2; ++clicks) rightClick(1, true, Qt::LeftButton);
        QCOMPARE(model()->rowCount(), shown);
        QCOMPARE(model()->rowEntry(list()->currentIndex().row()), selected);
        QVERIFY(cell(0, 1) > cell(shown - 1, 1));
        std::string line;  // the copied row is the selected one, not its place in the trace
        AppendRowLine(line, *selected, model()->textForm(), true);
        QTest::keyClick(list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString::fromStdString(line));

        // A query the parser rejects: its message, the field marked, the list as it was.
        const QColor plain = field->palette().color(QPalette::Base);
        field->setText(QStringLiteral("id=3C !dat=7F"));
        QTest::keyClick(field, Qt::Key_Return);
        std::string error;
        QVERIFY(!Query::parse("id=3C !dat=7F", error));
        QCOMPARE(search.message(), QString::fromStdString(error));
        QVERIFY(search.queryRejected() && field->palette().color(QPalette::Base) != plain);
        QVERIFY(model()->rowCount() == shown && search.activeQuery()->text() == "id=3C");
        QCOMPARE(model()->rowEntry(list()->currentIndex().row()), selected);

        // Every row back, still sorted, the selection kept and in view.
        field->setText(QStringLiteral("id=3C"));
        QTest::mouseClick(onlyMatches, Qt::LeftButton, {}, boxOf(*onlyMatches));
        QVERIFY(!search.queryRejected() && !search.showingOnlyMatches());
        QCOMPARE(std::uint32_t(model()->rowCount()), model()->indexCount());
        QCOMPARE(model()->rowEntry(list()->currentIndex().row()), selected);
        QCOMPARE(list()->selectionModel()->selectedRows().size(), 1);
        QVERIFY(list()->viewport()->rect().contains(list()->visualRect(list()->currentIndex())));

        click("clearButton");
        QCOMPARE(QString::number(model()->rowCount()) + '|' + field->text(), "0|id=3C");
        QTRY_COMPARE(search.countText(), "0 of 0 rows");
        QVERIFY(search.activeQuery() != nullptr);
    }

    // "LDF..." chooses an LDF, the label names it, the profile keeps it for the next
    // start; a file that cannot be used is told and leaves the LDF in place, its
    // diagnostics at hand; "no LDF" forgets it. A LIN speed other than the box's is told.
    void ldfIsChosenRememberedAndABadOneKeepsThePrevious() {
        QCOMPARE(ldfLabel(), "");
        rateBox()->setEditText("9600");
        prompts_.nextPath = kExampleLdf;
        click("ldfButton");
        QCOMPARE(prompts_.chooserCalls.last(),
                 "open|open LDF|.|LIN descriptions (*.ldf)|all files (*.*)");
        QCOMPARE(ldf().summaryText(), "body-cluster.ldf: 2.2, 19.2 kbps, 8 frames");
        QCOMPARE(status(), "LDF speed 19.2 kbps differs from the LIN-Baudrate 9600");
        rateBox()->setEditText("19200");  // an LDF that agrees takes the mismatch away
        QVERIFY(ldf().load(kExampleLdf.toStdString()));
        QCOMPARE(status(), "");
        prompts_.nextPath = dir_->filePath("bad.ldf");
        QVERIFY(write(prompts_.nextPath, "LIN_description_file;\nNodes {\n  Master: M, 5 ms"));
        click("ldfButton");
        QCOMPARE(prompts_.messages.size(), 1);
        QVERIFY2(prompts_.messages[0].startsWith("The LDF " + prompts_.nextPath +
                                                 " cannot be used:\n" + prompts_.nextPath + ":"),
                 qPrintable(prompts_.messages[0]));
        QVERIFY(prompts_.messages[0].endsWith("\nThe LDF body-cluster.ldf stays."));
        QCOMPARE(ldf().summaryText(), "body-cluster.ldf: 2.2, 19.2 kbps, 8 frames");
        QVERIFY(!ldf().diagnostics().isEmpty() && ldf().diagnostics()[0].contains("bad.ldf:"));
        QVERIFY(ldfLabel().contains("bad.ldf not used</a>"));

        app_.reset();  // the profile is written as the window closes
        QVERIFY(read(ini()).contains("[LDF]\nFile=" + kExampleLdf.toUtf8() + "\n"));
        makeDialog();
        QCOMPARE(ldf().summaryText(), "body-cluster.ldf: 2.2, 19.2 kbps, 8 frames");
        QVERIFY(!ldf().load(prompts_.nextPath.toStdString(), false));  // "no LDF" forgets it too
        ldf().forget();
        QCOMPARE(ldf().summaryText() + ldfLabel(), "");
        app_.reset();
        QVERIFY(read(ini()).contains("[LDF]\nFile=\n"));
    }

    // The ID summary's counts group their thousands.
    void idSummaryCountsGroupTheirThousands() {
        loadGenerated({{playingExample(), 12'000'000}});  // over a thousand frames
        IdSummaryWindow* window = dialog_->idSummaryWindow();
        window->showInFront();
        window->refresh();
        const QString counts = window->findChild<QLabel*>("idSummaryCounts")->text();
        QVERIFY(window->summary().linFrames() >= 1000);
        QCOMPARE(counts.section(", ", 1).section(' ', 0, 0),
                 GroupedNumber(window->summary().linFrames()));
    }

    // A click on a column's title sorts by it, rising then falling, with ties in MsgNr order,
    // and its arrow shows it.
    void titleClickSortsWithTiesInMsgNrOrder() {
        loadGenerated({{playingExample(), 3'000'000}});
        const int db0 = int(Column::Db0);
        const QHeaderView* header = list()->horizontalHeader();
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            rightClick(db0, true, Qt::LeftButton);
            QVERIFY(header->isSortIndicatorShown() && header->sortIndicatorSection() == db0);
            QCOMPARE(header->sortIndicatorOrder(), order);
            for (int row = 1; row < model()->rowCount(); ++row)
                QVERIFY2(cell(row - 1, db0) != cell(row, db0) ||
                             model()->rowEntry(row - 1)->number < model()->rowEntry(row)->number,
                         qPrintable(QString::number(row)));
        }
    }

    // Copy takes the Check and Frame columns as the list shows them.
    void copyTakesCheckAndFrameAsListed() {
        QVERIFY(ldf().load(kExampleLdf.toStdString()));
        loadGenerated({{playingExample(), 3'000'000}});
        int row = 0;  // a frame the LDF names
        while (cell(row, kFrame).isEmpty()) QVERIFY(++row < model()->rowCount());
        list()->selectRow(row);
        QTest::keyClick(list(), Qt::Key_C, Qt::ControlModifier);
        const QStringList fields = QApplication::clipboard()->text().chopped(1).split('\t');
        QCOMPARE(fields.size(), 17);
        QCOMPARE(fields.mid(15), (QStringList{cell(row, kCheck), cell(row, kFrame)}));
    }

    // The LDF's diagnostics name the file once, above lines that start with line:column.
    void ldfDiagnosticsNameTheFileOnce() {
        const QString path = dir_->filePath("warned.ldf");
        QByteArray text = read(kExampleLdf);
        for (int n = 0; n < 6; ++n) text += "\nUnknown_section_" + QByteArray::number(n) + " { }";
        QVERIFY(write(path, text));
        QVERIFY(ldf().load(path.toStdString()));
        QStringList seen;  // the file, then each line
        QTimer::singleShot(0, this, [&] {
            QWidget* shows = QApplication::activeModalWidget();
            QTRY_VERIFY(shows = QApplication::activeModalWidget());
            if (const auto* file = shows->findChild<QLabel*>("ldfDiagnosticsPath"))
                seen << file->text();
            if (const auto* lines = shows->findChild<QListWidget*>("ldfDiagnosticsList"))
                for (int i = 0; i < lines->count(); ++i) seen << lines->item(i)->text();
            QTest::keyClick(shows, Qt::Key_Escape);
        });
        ldf().showDiagnostics();
        QCOMPARE(seen.size(), 7);
        QCOMPARE(seen[0], path);
        for (const QString& line : seen.mid(1))
            QVERIFY2(QRegularExpression("^\\d+:\\d+: ").match(line).hasMatch(), qPrintable(line));
    }

    // The plot's lanes are kept per LDF: loading one brings its lanes, forgetting it those
    // without one, and at the next start the LDF comes back with its lanes.
    void plotLanesAreKeptPerLdf() {
        PlotWindow* plot = dialog_->plotWindow();
        QVERIFY(plot->addLane("3C byte 0"));
        QVERIFY(ldf().load(kExampleLdf.toStdString()));
        QCOMPARE(plot->laneTexts(), QStringList());
        QVERIFY(plot->addLane("RLS_Status.AmbientLight"));
        ldf().forget();
        QCOMPARE(plot->laneTexts(), QStringList{"3C byte 0"});
        QVERIFY(ldf().load(kExampleLdf.toStdString()));
        QCOMPARE(plot->laneTexts(), QStringList{"RLS_Status.AmbientLight"});
        QVERIFY(plot->addLane("bus load"));
        app_.reset();  // the profile is written as the window closes
        makeDialog();
        QCOMPARE(dialog_->plotWindow()->laneTexts(),
                 QStringList({"RLS_Status.AmbientLight", "bus load"}));
    }

    // The LDF names what the list, the pane and the summary show, read again at once when
    // it is loaded: frames by name (the event-triggered one by its answering frame),
    // nothing for an identifier the LDF does not know; the pane decodes the row clicked,
    // marking what changed since the frame before of its identifier.
    void ldfNamesFramesInTheListAndThePane() {
        loadGenerated({{playingExample(), 2'000'000}, {{}, 200'000}});
        QVERIFY(model()->rowCount() > 200);
        // Without an LDF only the diagnostic frames have titles, the transport decode's (its
        // own test checks each).
        const QStringList diagnostics = textsById(kFrame).filter(QRegularExpression(":.+"));
        QCOMPARE(diagnostics.size(), 2);
        QCOMPARE(diagnostics[0].section('|', 0, 0), "3C:MasterReq NAD 21 ReadByIdentifier");
        QVERIFY(ldf().load(kExampleLdf.toStdString()));
        QCOMPARE(
            textsById(kFrame).mid(1),
            QStringList({"05:", "10:BCM_Command", "20:DoorFL_Status", "21:DoorFR_Status",
                         "22:", "28:", "30:RLS_Status", "31:Wiper_Status",
                         "3A:DoorEvent|DoorEvent -> DoorFL_Status|DoorEvent -> DoorFR_Status"}) +
                diagnostics);

        SignalPane* pane = dialog_->signalPane();
        QStringList shown;
        for (int row = 0, seen = 0; row < model()->rowCount() && seen < 2; ++row) {
            if (cell(row, kFrame) != "RLS_Status")
                continue;
            list()->selectionModel()->setCurrentIndex(model()->index(row, 0),
                                                      QItemSelectionModel::ClearAndSelect);
            QString line = pane->headerText();
            for (int r = 0; r < pane->table()->rowCount(); ++r) {
                const QTableWidgetItem* value = pane->table()->item(r, SignalPane::ValueColumn);
                line += ' ' + pane->table()->item(r, SignalPane::SignalColumn)->text() +
                        (value->font().bold() ? "*" : "");
            }
            shown << line;
            ++seen;
        }
        QCOMPARE(shown, (QStringList{"RLS_Status, published by RLS, enhanced checksum "
                                     "RainIntensity LightRequest TunnelDetected RLS_RespError "
                                     "AmbientLight SolarLoad",
                                     "RLS_Status, published by RLS, enhanced checksum "
                                     "RainIntensity* LightRequest* TunnelDetected* RLS_RespError "
                                     "AmbientLight* SolarLoad*"}));
        QVERIFY(pane->table()->item(4, SignalPane::ValueColumn)->text().endsWith(" lux"));

        // The search takes the LDF's terms: rain intensity 11 to 14 is the low nibble of the
        // first of RLS_Status's four bytes.
        std::uint32_t rainy = 0;
        for (std::uint32_t i = 0; i < model()->indexCount(); ++i) {
            const LinFrame f = ReadLinFrame(*model()->entryAt(i));
            rainy += f.hasId && f.id() == 0x30 && f.dataLength() == 4 && (f.response[0] & 15) > 10;
        }
        SearchGroup& search = *dialog_->searchGroup();
        search.setQuery("signal:RainIntensity>10");
        QVERIFY(rainy > 0 && rainy < 1000);  // no thousands to group
        QCOMPARE(search.countText(), "match 1 of " + QString::number(rainy));  // the first selected
        // The field completes the word typed with the names that hold it.
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog_));
        auto* field = dialog_->findChild<QLineEdit*>(QStringLiteral("searchQuery"));
        field->clear();
        field->setFocus();
        QCompleter* completer = search.completer().completer();
        QTest::keyClicks(field, "diag !wiperp");
        QCOMPARE(completer->completionCount(), 1);
        QTRY_VERIFY(completer->popup()->isVisible());
        QTest::keyClick(completer->popup(), Qt::Key_Down);
        QTest::keyClick(completer->popup(), Qt::Key_Return);
        QCOMPARE(field->text(), "diag !signal:WiperParked");
        QTest::keyClicks(field, " wiper");
        QCOMPARE(completer->completionCount(), 6);  // the frame and its five signals
    }

    // On a diagnostic row the pane adds what the rows before it make of it: the message it
    // completes, its node named by the LDF, or why its transport data is invalid.
    void signalPaneShowsTheMessageARowCompletes() {
        QVERIFY(ldf().load(kExampleLdf.toStdString()));
        prompts_.nextPath = dir_->filePath(QStringLiteral("diagnostic.dump"));
        QVERIFY(write(prompts_.nextPath, test::linFrame(1, 0x7D, "21100B62F1900102") +
                                             test::linFrame(2, 0x20, "0102") +
                                             test::linFrame(3, 0x7D, "2121030405060708") +
                                             test::linFrame(4, 0x7D, "2121030405060708")));
        click("loadTraceButton");
        QTRY_COMPARE_WITH_TIMEOUT(model()->rowCount(), 5, kDeviceWaitMs);  // START first
        const SignalPane* pane = dialog_->signalPane();
        QStringList added;
        for (const int row : {1, 3, 4}) {
            list()->selectionModel()->setCurrentIndex(model()->index(row, 0),
                                                      QItemSelectionModel::ClearAndSelect);
            const int last = pane->table()->rowCount() - 1;
            added << pane->table()->item(last, SignalPane::SignalColumn)->text() + '=' +
                         pane->table()->item(last, SignalPane::ValueColumn)->text();
        }
        QCOMPARE(added, (QStringList{
                            "data=F1 90 01 02",
                            "message=SlaveResp NAD 21 (DoorFL) message (2 frames, 11 bytes): 62 F1 "
                            "90 01 02 03 04 05 06 07 08 (positive response to 22 "
                            "ReadDataByIdentifier, identifier F190)",
                            "invalid=SlaveResp NAD 21 (DoorFL) invalid: consecutive frame 1 "
                            "without a first frame"}));
    }

    // While a trace comes in, the pane follows the newest complete frame of the identifier
    // clicked; "Plot" on a signal line opens the plot with that signal's lane.
    void signalPaneFollowsTheNewestFrameOfItsIdentifier() {
        start(playingExample());
        QVERIFY(ldf().load(kExampleLdf.toStdString()));
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_));
        click("startButton");
        QTRY_VERIFY_WITH_TIMEOUT(model()->indexCount() >= 30, kDeviceWaitMs);
        int row = 0;
        while (cell(row, kFrame) != "Wiper_Status") ++row;
        list()->selectionModel()->setCurrentIndex(model()->index(row, 0),
                                                  QItemSelectionModel::ClearAndSelect);
        SignalPane* pane = dialog_->signalPane();
        const TraceEntry* clicked = pane->shownEntry();
        QCOMPARE(pane->headerText(), "Wiper_Status, published by Wiper, enhanced checksum");
        pane->setFollowing(true);
        QTRY_VERIFY_WITH_TIMEOUT(pane->shownEntry()->number > clicked->number + 20, kDeviceWaitMs);
        QCOMPARE(ReadLinFrame(*pane->shownEntry()).id(), 0x31);
        QVERIFY(pane->shownEntry() != model()->entryAt(model()->indexCount() - 1));

        QSignalSpy plot(pane, &SignalPane::plotRequested);
        const QWidget* cells = pane->table()->viewport();
        const QPoint at = cells->mapTo(
            dialog_, pane->table()->visualItemRect(pane->table()->item(0, 0)).center());
        const QStringList menus =
            shownBy([&] { QTest::mouseClick(dialog_->windowHandle(), Qt::RightButton, {}, at); },
                    {Qt::Key_Down, Qt::Key_Return});
        QCOMPARE(menus.join('#'), "|Plot|Copy#|Plot|Copy");  // "Plot" taken, then chosen
        QCOMPARE(plot, QList<QVariantList>{{"Wiper_Status.WiperAngle"}});
        QCOMPARE(dialog_->plotWindow()->laneTexts(), QStringList{"Wiper_Status.WiperAngle"});
        QVERIFY(dialog_->plotWindow()->isVisible());
        click("stopButton");
    }

    // With an LDF the summary names each identifier's frame and publisher, the LDF's length
    // and the nominal period of the table chosen above it, with rows for the planned frames
    // that never came and marks on them and on late ones.
    void idSummaryWithAnLdfShowsPlannedMissingAndForeignFrames() {
        loadGenerated({{{}, 1'000'000}});
        QVERIFY(ldf().load(kExampleLdf.toStdString()));
        dialog_->idSummaryWindow()->showInFront();
        IdSummaryWindow* window = dialog_->idSummaryWindow();
        const QAbstractItemModel* table = window->table()->model();
        auto lines = [&] {
            QStringList texts;
            for (int row = 0; row < table->rowCount(); ++row) {
                auto at = [&](int column) { return table->index(row, column).data().toString(); };
                constexpr int base = int(IdColumn::Count);
                texts << at(0) + ' ' + at(base + int(LdfIdColumn::Frame)) + ' ' +
                             at(base + int(LdfIdColumn::PeriodNominal)) + ' ' +
                             at(base + int(LdfIdColumn::Note)) +
                             (table->index(row, 0).data(IdSummaryModel::MarkedRowRole).toBool()
                                  ? " marked"
                                  : "");
            }
            return texts;
        };
        // Each kind of row once (the summary's own test checks every column of each).
        QTRY_COMPARE(
            lines().filter(QRegularExpression("^(05|10|20|31) ")),
            (QStringList{"05 - - not in LDF", "10 BCM_Command 60.000 late marked",
                         "20 DoorFL_Status 100.000 0 frames marked", "31 Wiper_Status 100.000 -"}));
        QVERIFY(window->scheduleBox()->isVisible());
        window->chooseSchedule("DoorCollision");
        QCOMPARE(lines().filter(QRegularExpression("^(10|20) ")),
                 (QStringList{"10 BCM_Command - -", "20 DoorFL_Status 20.000 0 frames marked"}));
    }

    // "Plot" on an identifier's period in the summary opens the plot with that lane; it
    // follows the live trace until a drag pans it, Home follows again, and a click on a
    // point selects its row in the list.
    void plotFollowsALiveTraceUntilPannedAndHomeFollowsAgain() {
        auto* summary = dialog_->idSummaryWindow();
        auto* plot = dialog_->plotWindow();
        QCOMPARE(dialog_->findChild<QPushButton*>("plotButton")->text(), "Plot...");
        click("startButton");
        summary->showInFront();
        QTableView* table = summary->table();
        QTRY_VERIFY_WITH_TIMEOUT(table->model()->rowCount() >= 1, kDeviceWaitMs);
        const QModelIndex period = table->model()->index(0, int(IdColumn::PeriodAvg));
        const QPoint at = table->visualRect(period).center();
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, table->viewport()->mapToGlobal(at));
        QCOMPARE(shownBy([&] { QApplication::sendEvent(table->viewport(), &request); },
                         {Qt::Key_Down, Qt::Key_Return}),
                 QStringList({"|Plot", "|Plot"}));
        const QString id = table->model()->index(0, int(IdColumn::Id)).data().toString();
        QCOMPARE(plot->laneTexts(), QStringList{id + " period"});
        QVERIFY(plot->isVisible() && plot->following());
        double to = plot->timeTo();
        QTRY_VERIFY_WITH_TIMEOUT(plot->timeTo() > to, kDeviceWaitMs);

        QCustomPlot* area = plot->plot();
        const QPoint middle = area->axisRect(0)->rect().center();
        QTest::mousePress(area, Qt::LeftButton, {}, middle);
        QTest::mouseMove(area, middle + QPoint(80, 0));
        QTest::mouseRelease(area, Qt::LeftButton, {}, middle + QPoint(80, 0));
        QVERIFY(!plot->following());
        to = plot->timeTo();
        QTest::mouseClick(plot->findChild<QPushButton*>("plotHome"), Qt::LeftButton);
        QVERIFY(plot->following());
        QVERIFY(plot->timeTo() > to);

        emit plot->rowClicked(4);
        QCOMPARE(list()->currentIndex().row(), 4);
        click("stopButton");
    }

    void idSummaryCountsLiveSortsNamesTheIdentifierAndEmptiesOnClear() {
        auto* open = dialog_->findChild<QPushButton*>(QStringLiteral("idSummaryButton"));
        QCOMPARE(open ? open->text() : QString(), QStringLiteral("ID summary..."));
        auto* window = dialog_->findChild<IdSummaryWindow*>();
        QVERIFY(window != nullptr && !window->isVisible());
        click("startButton");
        QTest::mouseClick(open, Qt::LeftButton);
        QVERIFY(window->isVisible() && window->isWindow() && window->windowTitle() == "ID summary");
        const QAbstractItemModel* table = window->table()->model();
        auto text = [&](int row, IdColumn c) {
            return table->index(row, int(c)).data().toString();
        };
        auto framesOf = [&](const QString& id) {
            const QModelIndex start = table->index(0, int(IdColumn::Id));
            const auto at = table->match(start, Qt::DisplayRole, id, 1, Qt::MatchExactly);
            return at.value(0).siblingAtColumn(int(IdColumn::Frames)).data().toInt();
        };
        QSignalSpy resets(table, &QAbstractItemModel::modelReset);  // ticks only add and change
        QTRY_VERIFY_WITH_TIMEOUT(table->rowCount() >= 3, kDeviceWaitMs);
        const QString id = text(0, IdColumn::Id);
        const int frames = framesOf(id);
        QTRY_VERIFY_WITH_TIMEOUT(framesOf(id) > frames, kDeviceWaitMs);  // counting up live

        click("stopButton");
        QCOMPARE(resets.size(), 0);
        // A loaded trace replaces the summary. A click on "frames" sorts by the count as a
        // number (9 before 10) either way.
        QByteArray headers;  // break, sync and identifier: 2 x 01, 10 x 02, 9 x 03
        for (int n = 0; n < 21; ++n) {
            const QByteArray stamp = QByteArray::number(0x1000 + n * 0x400, 16);
            const char* pid = n < 2 ? "C1" : n < 12 ? "42" : "03";
            headers += "0490" + stamp + "00 0591" + stamp + "5500 0592" + stamp + pid + "00 ";
        }
        headers += "03F00000";  // a buffer overflow: the last header is not cut by the end
        prompts_.nextPath = dir_->filePath(QStringLiteral("ids.dump"));
        QVERIFY(write(prompts_.nextPath, QByteArray::fromHex(headers)));
        click("loadTraceButton");
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 3, kDeviceWaitMs);
        const QHeaderView* header = window->table()->horizontalHeader();
        const QPoint framesTitle(header->sectionViewportPosition(int(IdColumn::Frames)) + 10, 5);
        QStringList order;
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, framesTitle);
            QCOMPARE(header->sortIndicatorSection(), int(IdColumn::Frames));
            QString line = header->sortIndicatorOrder() == Qt::AscendingOrder ? "up" : "down";
            for (int row = 0; row < table->rowCount(); ++row)
                line += ' ' + text(row, IdColumn::Id) + ':' + text(row, IdColumn::Frames);
            order << line;
        }
        order.sort();
        QCOMPARE(order, (QStringList{"down 02:10 03:9 01:2", "up 01:2 03:9 02:10"}));

        QSignalSpy activated(window, &IdSummaryWindow::identifierActivated);
        const QRect cell = window->table()->visualRect(table->index(1, int(IdColumn::Frames)));
        QTest::mouseClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(activated, QList<QVariantList>{{3}});
        // ... and the search looks for it.
        QCOMPARE(dialog_->findChild<QLineEdit*>(QStringLiteral("searchQuery"))->text(), "id=03");

        // Headers in words and units; 34 bits every 1.024 ms cannot be at 19200 baud: marked.
        QCOMPARE(table->headerData(int(IdColumn::PeriodMin), Qt::Horizontal).toString(),
                 "min period (ms)");
        const auto* load = window->findChild<QLabel*>(QStringLiteral("idSummaryBusLoad"));
        QCOMPARE(load->text(), "bus load: 181.6 % at 19200 baud");
        QCOMPARE(load->toolTip(), "more bits than the rate allows: the rate is not the bus's rate");
        QVERIFY(load->palette().color(QPalette::WindowText) !=
                window->palette().color(QPalette::WindowText));
        // The bus load assumes the rate the tracer last confirmed.
        QVERIFY(window->busLoadText().endsWith(QStringLiteral(" % at 19200 baud")));
        rateBox()->setCurrentIndex(3);  // "9600"
        click("setLinSpeedButton");
        QTRY_VERIFY_WITH_TIMEOUT(window->busLoadText().endsWith(" % at 9600 baud"), kDeviceWaitMs);

        click("clearButton");
        QCOMPARE(QString::number(table->rowCount()) + '|' + window->busLoadText(),
                 "0|bus load: 0.0 % at 9600 baud");
        QCOMPARE(load->toolTip(),
                 "9600 baud: the rate the tracer last took with \"Set LIN Speed\"");
        app_.reset();  // the rate set lasts a restart, and the bus load counts at it
        makeDialog();
        QCOMPARE(rateBox()->currentText() + '|' + dialog_->idSummaryWindow()->busLoadText(),
                 "9600|bus load: 0.0 % at 9600 baud");
    }
};

QTEST_MAIN(TestMainDialog)
#include "tst_maindialog.moc"
