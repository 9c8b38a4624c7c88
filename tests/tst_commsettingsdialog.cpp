#include "app/CommSettingsDialog.h"
#include "serial/PortList.h"
#include "serial/PortPaths.h"
#include "serial/Profile.h"
#include "serial/SerialSettings.h"

#include <fcntl.h>
#include <unistd.h>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace daridez;

namespace {

// "baud data-bits parity port stop-bits" in the record's own values, with the fixed
// fields set and an end character that the dialog must not touch.
SerialSettings record(const QString& text) {
    SerialSettings s{};
    InitSerialSettings(s);
    std::sscanf(qPrintable(text + " -56"), "%u %hhu %hhu %d %hhu %hhd", &s.BaudRate, &s.ByteSize,
                &s.Parity, &s.ComPort, &s.StopBits, &s.EndChar);
    return s;
}

// Every field, the fixed ones included, for one comparison.
auto fields(const SerialSettings& s) {
    return std::tuple(s.BaudRate, int(s.ByteSize), int(s.Parity), s.ComPort, int(s.StopBits),
                      int(s.EndChar), s.DCBlength, unsigned(s.fBinary), s.XonLim, s.XoffLim,
                      int(s.XonChar), int(s.XoffChar));
}

template <typename Widget = QAbstractButton>
Widget* control(const QDialog& dialog, int id) {
    return dialog.findChild<Widget*>(QString::number(id));
}

QComboBox* deviceEdit(const QDialog& dialog) {
    return control<QComboBox>(dialog, CommSettingsDialog::kDeviceEditId);
}

// The captions of the selected radio buttons in creation order (baud rate, parity, stop
// bits, data bits, port), then the device editor's text, joined by '|'.
QString checkedCaptions(const QDialog& dialog) {
    QStringList captions;
    for (const QRadioButton* radio : dialog.findChildren<QRadioButton*>()) {
        captions << (radio->isChecked() ? radio->text() : QString());
    }
    captions.removeAll(QString());
    return (captions << deviceEdit(dialog)->currentText()).join('|');
}

}  // namespace

class TestCommSettingsDialog : public QObject {
    Q_OBJECT

  private slots:
    void recordShowsAsSelectedButtons_data();
    void recordShowsAsSelectedButtons();
    void okStoresAndSavesBeforeClosingCancelChangesNothing_data();
    void okStoresAndSavesBeforeClosingCancelChangesNothing();
    void buttonsTakeClicksAndTabsInOrder();
    void portListNamesDevicesByTheirByIdLinks_data();
    void portListNamesDevicesByTheirByIdLinks();
};

// Rows: the record (as record() reads it), then the selected captions and the device of
// the selected port.
void TestCommSettingsDialog::recordShowsAsSelectedButtons_data() {
    QTest::addColumn<QString>("checked");
    QTest::newRow("19200 8 0 3 0") << "19.2K|none|1 bit|8 bit|Com3|/dev/ttyUSB1";
    QTest::newRow("256000 8 0 3 0") << "256|none|1 bit|8 bit|Com3|/dev/ttyUSB1";
    QTest::newRow("300 7 1 4 2") << "300|odd|2 bit|7 bit|Com4|/dev/ttyACM0";
    QTest::newRow("600 8 2 1 0") << "600|even|1 bit|8 bit|Com1|/dev/ttyS0";
    // A value no button stands for clears its own group only.
    QTest::newRow("12345 8 3 2 0") << "1 bit|8 bit|Com2|/dev/ttyUSB0";
    QTest::newRow("9600 6 0 0 1") << "9600|none|";
    QTest::newRow("9600 8 0 5 0") << "9600|none|1 bit|8 bit|";
}

void TestCommSettingsDialog::recordShowsAsSelectedButtons() {
    QFETCH(QString, checked);
    SerialSettings settings = record(QTest::currentDataTag());
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    QCOMPARE(checkedCaptions(dialog), checked);
}

// Rows: the record, what the user does (button ids to click, "=path" to type into the
// device editor, "focus2" to tab to Cancel, then "Return", "Escape" or "close" if no
// button closes the dialog), the record afterwards, the port paths changed by Ok.
void TestCommSettingsDialog::okStoresAndSavesBeforeClosingCancelChangesNothing_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("paths");
    auto row = [](const char* name, const char* before, const char* actions, const char* after,
                  const char* paths = "") {
        QTest::newRow(name) << QString(before) << QString(actions) << QString(after)
                            << QString(paths);
    };
    row("Ok, no changes", "115200 8 0 2 0", "1", "115200 8 0 2 0");
    row("Ok, clicked choices", "115200 8 0 2 0", "106 201 301 402 604 1", "38400 7 2 4 2");
    row("Ok, a second click keeps it", "115200 8 0 2 0", "107 601 601 1", "110 8 0 1 0");
    row("Return key", "115200 8 0 2 0", "603 Return", "115200 8 0 3 0");
    row("Ok, every group falls back", "12345 6 3 7 1", "1", "9600 8 0 2 0");
    row("Ok, cleared groups fall back", "38400 8 3 3 7", "1", "38400 8 0 3 0");
    row("Ok, Com3 typed", "115200 8 0 2 0", "603 =/tmp/ttyLIN3 1", "115200 8 0 3 0",
        "3=/tmp/ttyLIN3");
    row("Return in the editor", "115200 8 0 2 0", "604 =/tmp/a =/tmp/ttyLIN4 Return",
        "115200 8 0 4 0", "4=/tmp/ttyLIN4");
    row("Ok, typed then Com1", "115200 8 0 2 0", "603 =/tmp/ttyLIN3 601 1", "115200 8 0 1 0",
        "3=/tmp/ttyLIN3");
    row("Ok, an emptied editor keeps the device", "115200 8 0 1 0", "= 1", "115200 8 0 1 0");
    row("Cancel", "115200 8 0 2 1", "111 202 302 401 604 =/tmp/ttyLIN4 2", "115200 8 0 2 1");
    row("Escape", "115200 8 0 2 1", "111 202 302 401 604 Escape", "115200 8 0 2 1");
    row("Escape in the editor", "115200 8 0 2 1", "=/tmp/ttyLIN2 Escape", "115200 8 0 2 1");
    row("Return on Cancel", "115200 8 0 2 1", "604 focus2 Return", "115200 8 0 2 1");
    row("close box", "115200 8 0 2 1", "111 202 302 401 604 close", "115200 8 0 2 1");
}

void TestCommSettingsDialog::okStoresAndSavesBeforeClosingCancelChangesNothing() {
    QFETCH(QString, before);
    QFETCH(QString, actions);
    QFETCH(QString, after);
    QFETCH(QString, paths);
    SerialSettings settings = record(before);
    QTemporaryDir dir;
    const QByteArray text = "; mine\r\n[PORTS]\r\nCom1=/dev/ttyS9\r\n";
    QFile file(dir.filePath("daridez.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    Profile profile(file.fileName().toStdString());
    PortPaths portPaths;
    portPaths.load(profile);
    CommSettingsDialog dialog(settings, &profile, &portPaths);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    SerialSettings atHide = record("0 0 0 0 0");  // what the profile holds as the dialog hides
    connect(dialog.windowHandle(), &QWindow::visibleChanged,
            [&](bool visible) { visible ? void() : LoadSerialSettings(&profile, atHide); });
    for (const QString& action : actions.split(' ')) {
        if (action == "close") {
            dialog.close();
        } else if (action == "focus2") {
            control(dialog, 2)->setFocus();
        } else if (action[0] == '=') {
            QLineEdit* edit = deviceEdit(dialog)->lineEdit();
            edit->setFocus();
            edit->selectAll();
            action == "=" ? QTest::keyClick(edit, Qt::Key_Delete)
                          : QTest::keyClicks(edit, action.mid(1));
        } else if (action[0].isLetter()) {
            QWidget* focused = QApplication::focusWidget();
            QTest::keyClick(focused ? focused : &dialog,
                            action == "Return" ? Qt::Key_Return : Qt::Key_Escape);
        } else {
            QTest::mouseClick(control(dialog, action.toInt()), Qt::LeftButton);
        }
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(fields(settings), fields(record(after)));
    const bool ok = QStringList{"1", "Return"}.contains(actions.split(' ').last()) &&
                    !actions.contains("focus2");
    QCOMPARE(dialog.result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
    QVERIFY(!ok || fields(atHide) == fields(settings));  // Ok saved before the dialog closed
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(ok || file.readAll() == text);  // a cancel writes nothing
    PortPaths saved;
    saved.load(Profile(file.fileName().toStdString()));
    QStringList expected{"/dev/ttyS9", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0"};
    for (const QString& changed : paths.split(' ', Qt::SkipEmptyParts)) {
        expected[changed.section('=', 0, 0).toInt() - 1] = changed.section('=', 1);
    }
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(QString::fromStdString(portPaths.path(n)), expected[n - 1]);
        QCOMPARE(QString::fromStdString(saved.path(n)), expected[n - 1]);
    }
}

// Ok is the default button; each port number shows its device path in its line (the
// selected one in bold, as typed) and its tool tip, below the template; every radio
// button takes clicks (no group box lies above it); Tab stops at one button per group.
void TestCommSettingsDialog::buttonsTakeClicksAndTabsInOrder() {
    SerialSettings settings = record("115200 8 0 2 0");
    PortPaths paths;
    paths.setPath(2, "/tmp/ttyLIN0");
    CommSettingsDialog dialog(settings, nullptr, &paths);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(control(dialog, 1)->property("default").toBool());
    QTest::mouseClick(control(dialog, 603), Qt::LeftButton);
    QCOMPARE(deviceEdit(dialog)->currentText(), "/dev/ttyUSB1");
    QTest::keyClicks(deviceEdit(dialog)->lineEdit(), "9");
    QStringList shown;
    for (int n = 1; n <= 4; ++n) {
        auto* line = control<QLabel>(dialog, CommSettingsDialog::kPathLabelIds[n - 1]);
        QCOMPARE(line->toolTip(), line->text());
        QCOMPARE(control(dialog, 600 + n)->toolTip(), line->text());
        shown << (line->font().bold() ? "*" : "") + line->text();
    }
    QCOMPARE(shown, (QStringList{"/dev/ttyS0", "/tmp/ttyLIN0", "*/dev/ttyUSB19", "/dev/ttyACM0"}));
    QVERIFY(control<QWidget>(dialog, CommSettingsDialog::kDevicesGroupId)->y() >
            control(dialog, 1)->geometry().bottom());
    for (QRadioButton* radio : dialog.findChildren<QRadioButton*>()) {
        QCOMPARE(dialog.childAt(radio->geometry().center()), radio);
    }
    QList<int> chain;
    for (QWidget* w = control(dialog, 107); chain.size() < 28; w = w->nextInFocusChain()) {
        chain << w->property("templateId").toInt();
    }
    QCOMPARE(chain,
             (QList<int>{107, 114, 115, 108, 113, 109, 104, 112, 105, 106, 101, 102, 103, 110,
                         111, 301, 302, 303, 401, 402, 201, 202, 601, 602, 603, 604, 2,   1}));
}

// Rows: links in the by-id folder ("name>target"; "-": no folder; "%": the pseudo-terminal
// itself), the devices (in the test folder; ttyLIN0 is a link to the pseudo-terminal), then
// "device=by-id name" as the list gives them back.
void TestCommSettingsDialog::portListNamesDevicesByTheirByIdLinks_data() {
    QTest::addColumn<QString>("links");
    QTest::addColumn<QString>("devices");
    QTest::addColumn<QString>("listed");
    auto row = [](const char* name, const char* links, const char* devices, const char* listed) {
        QTest::newRow(name) << QString(links) << QString(devices) << QString(listed);
    };
    row("no folder, numbers in order", "-", "ttyUSB10 ttyUSB9 ttyS1", "ttyS1= ttyUSB9= ttyUSB10=");
    row("a pseudo-terminal", "usb-Acme_Tracer-if00>%", "ttyS1 ttyLIN0",
        "ttyLIN0=usb-Acme_Tracer-if00 ttyS1=");
    row("relative, one dangling", "usb-B>../ttyUSB9 usb-Gone>../ttyUSB7", "ttyUSB9 ttyUSB10",
        "ttyUSB9=usb-B ttyUSB10=");
    row("two links to one device", "platform-A>../ttyS1 usb-Z>../ttyS1", "ttyS1",
        "ttyS1=platform-A");
}

void TestCommSettingsDialog::portListNamesDevicesByTheirByIdLinks() {
    QFETCH(QString, links);
    QFETCH(QString, devices);
    QFETCH(QString, listed);
    QTemporaryDir dir;
    const int pty = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(pty >= 0 && grantpt(pty) == 0 && unlockpt(pty) == 0);
    const std::filesystem::path folder = dir.filePath("by-id").toStdString();
    std::filesystem::create_symlink(ptsname(pty), dir.filePath("ttyLIN0").toStdString());
    for (const char* name : {"ttyS1", "ttyUSB9", "ttyUSB10"}) {
        QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
    }
    if (links != "-") {
        std::filesystem::create_directory(folder);
    }
    for (const QString& link : links.split(' ', Qt::SkipEmptyParts).filter(">")) {
        const QString target = link.section('>', 1);
        std::filesystem::create_symlink(target == "%" ? ptsname(pty) : target.toStdString(),
                                        folder / link.section('>', 0, 0).toStdString());
    }
    std::vector<PortList::Entry> given;
    for (const QString& name : devices.split(' ')) {
        given.push_back({dir.filePath(name).toStdString(), {}, {}});
    }
    QStringList got;
    for (const PortList::Entry& entry : PortList::complete(given, folder.string())) {
        got << QString::fromStdString(entry.path).remove(dir.path() + '/') + '=' +
                   QString::fromStdString(entry.byIdPath).remove(dir.path() + "/by-id/");
    }
    ::close(pty);
    QCOMPARE(got.join(' '), listed);
}

QTEST_MAIN(TestCommSettingsDialog)
#include "tst_commsettingsdialog.moc"
