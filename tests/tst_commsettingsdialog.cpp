#include "app/CommSettingsDialog.h"
#include "serial/PortList.h"
#include "serial/PortPaths.h"
#include "serial/SerialSettings.h"

#include <fcntl.h>
#include <unistd.h>
#include <QtTest>
#include <QtWidgets>
#include <cstdio>

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
Widget* control(const QDialog& dialog, const QString& name) {
    return dialog.findChild<Widget*>(name);
}

QComboBox* deviceEdit(const QDialog& dialog) {
    return control<QComboBox>(dialog, "deviceEdit");
}

QStringList portsOf(const PortPaths& paths) {
    QStringList list;
    for (int n = 1; n <= 4; ++n) list << QString::fromStdString(paths.path(n));
    return list;
}

// The captions of the selected radio buttons in creation order (baud rate, parity, stop
// bits, data bits, port), then the device editor's text, joined by '|'.
QString checkedCaptions(const QDialog& dialog) {
    QStringList captions;
    for (const QRadioButton* radio : dialog.findChildren<QRadioButton*>())
        captions << (radio->isChecked() ? radio->text() : QString());
    captions.removeAll(QString());
    return (captions << deviceEdit(dialog)->currentText()).join('|');
}

}  // namespace

class TestCommSettingsDialog : public QObject {
    Q_OBJECT

  private slots:

    // Rows: the record (as record() reads it), then the selected captions and the device of
    // the selected port.
    void recordShowsAsSelectedButtons_data() {
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

    void recordShowsAsSelectedButtons() {
        QFETCH(QString, checked);
        SerialSettings settings = record(QTest::currentDataTag());
        CommSettingsDialog dialog(settings, PortPaths());
        QCOMPARE(checkedCaptions(dialog), checked);
    }

    // Rows: the record, what the user does (buttons to click by name, "=path" to type into the
    // device editor, "focusCancel" to focus Cancel, then "Return" if no button closes the dialog),
    // the choices the dialog returns, its port paths ("/dev/tty" left out); Cancel returns
    // nothing, so the caller's stay.
    void okReturnsTheChoicesCancelNone_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("paths");
        auto row = [](const char* name, const char* before, const char* actions, const char* after,
                      const char* paths = "S9 USB0 USB1 ACM0") {
            QTest::newRow(name) << QString(before) << QString(actions) << QString(after) << paths;
        };
        row("Ok, no changes", "115200 8 0 2 0", "okButton", "115200 8 0 2 0");
        row("Ok, clicked choices", "115200 8 0 2 0",
            "baud38400 dataBits7 parityEven stopBits2 com4 okButton", "38400 7 2 4 2");
        row("Ok, a second click keeps it", "115200 8 0 2 0", "baud110 com1 com1 okButton",
            "110 8 0 1 0");
        row("Return key", "115200 8 0 2 0", "com3 Return", "115200 8 0 3 0");
        row("Ok, every group falls back", "12345 6 3 7 1", "okButton", "9600 8 0 2 0");
        row("Ok, cleared groups fall back", "38400 8 3 3 7", "okButton", "38400 8 0 3 0");
        row("Ok, Com3 typed", "9600 8 0 2 0", "com3 =/tmp/ttyLIN3 com1 okButton", "9600 8 0 1 0",
            "S9 USB0 /tmp/ttyLIN3 ACM0");
        row("Return in the editor", "9600 8 0 2 0", "com4 =/tmp/a =/tmp/b Return", "9600 8 0 4 0",
            "S9 USB0 USB1 /tmp/b");
        row("Ok, an emptied editor keeps the path", "9600 8 0 1 0", "= okButton", "9600 8 0 1 0");
        row("Cancel", "115200 8 0 2 1",
            "baud256000 dataBits8 parityOdd stopBits1 com4 =/tmp/ttyLIN4 cancelButton",
            "115200 8 0 2 1");
        row("Return on Cancel", "115200 8 0 2 1", "com4 focusCancel Return", "115200 8 0 2 1");
    }

    void okReturnsTheChoicesCancelNone() {
        QFETCH(QString, before);
        QFETCH(QString, actions);
        QFETCH(QString, after);
        const SerialSettings settings = record(before);
        PortPaths paths;
        paths.setPath(1, "/dev/ttyS9");
        CommSettingsDialog dialog(settings, paths);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const QString& action : actions.split(' ')) {
            QLineEdit* edit = deviceEdit(dialog)->lineEdit();
            if (action == "focusCancel") {
                control(dialog, "cancelButton")->setFocus();
            } else if (action[0] == '=') {
                edit->setFocus();
                edit->selectAll();
                action == "=" ? QTest::keyClick(edit, Qt::Key_Delete)
                              : QTest::keyClicks(edit, action.mid(1));
            } else if (action == "Return") {
                QWidget* focused = QApplication::focusWidget();
                QTest::keyClick(focused ? focused : &dialog, Qt::Key_Return);
            } else {
                QTest::mouseClick(control(dialog, action), Qt::LeftButton);
            }
        }
        QVERIFY(!dialog.isVisible());
        const bool ok = QStringList{"okButton", "Return"}.contains(actions.split(' ').last()) &&
                        !actions.contains("focusCancel");
        QCOMPARE(dialog.result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(fields(ok ? dialog.settings() : settings), fields(record(after)));
        QTEST(portsOf(ok ? dialog.portPaths() : paths).join(' ').remove("/dev/tty"), "paths");
    }

    // Ok is the default button; each port number shows its device path in its line (the
    // selected one in bold, as typed) and its button's tool tip, below the radio groups; every
    // radio button takes clicks (no group box lies above it); Tab stops at one button per group.
    void buttonsTakeClicksAndTabsInOrder() {
        SerialSettings settings = record("115200 8 0 2 0");
        PortPaths paths;
        paths.setPath(2, "/tmp/ttyLIN0");
        CommSettingsDialog dialog(settings, paths);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(control(dialog, "okButton")->property("default").toBool());
        QTest::mouseClick(control(dialog, "com3"), Qt::LeftButton);
        QTest::keyClicks(deviceEdit(dialog)->lineEdit(), "9");  // to the end of Com3's path
        QStringList shown;
        for (int n = 1; n <= 4; ++n) {
            auto* line = control<QLabel>(dialog, QString("com%1Path").arg(n));
            shown << (line->font().bold() ? "*" : "") + line->text();
        }
        QCOMPARE(shown.join(' '), "/dev/ttyS0 /tmp/ttyLIN0 */dev/ttyUSB19 /dev/ttyACM0");
        QCOMPARE(control(dialog, "com3")->toolTip(), "/dev/ttyUSB19");
        QVERIFY(control<QWidget>(dialog, "portDevicesGroup")->y() >
                control(dialog, "okButton")->geometry().bottom());
        for (QRadioButton* radio : dialog.findChildren<QRadioButton*>())
            QCOMPARE(dialog.childAt(radio->geometry().center()), radio);
        QStringList chain;
        for (QWidget* w = control(dialog, "baud110"); chain.size() < 28; w = w->nextInFocusChain())
            chain << w->objectName();
        QCOMPARE(chain.join(' '),
                 "baud110 baud300 baud600 baud1200 baud2400 baud4800 baud9600 baud14400 baud19200 "
                 "baud38400 baud56000 baud57600 baud115200 baud128000 baud256000 parityEven "
                 "parityOdd parityNone stopBits1 stopBits2 dataBits7 dataBits8 com1 com2 com3 com4 "
                 "cancelButton okButton");
    }

    // Devices of a test folder (ttyLIN0 a link to a pseudo-terminal, as tracer-sim makes) and
    // by-id links to them: absolute, relative, dangling, two to one device (the first name
    // wins). Each device gets the link leading to it, in number order; without a folder none.
    void portListNamesDevicesByTheirByIdLinks() {
        QTemporaryDir dir;
        const int pty = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(pty >= 0 && grantpt(pty) == 0 && unlockpt(pty) == 0 &&
                QDir(dir.path()).mkdir("by-id"));
        std::vector<PortList::Entry> devices;
        for (const QString made :
             {"ttyLIN0>%", "ttyUSB10>", "ttyUSB9>", "ttyS1>", "by-id/usb-Acme>%",
              "by-id/platform-A>../ttyS1", "by-id/usb-Z>../ttyS1", "by-id/usb-B>../ttyUSB9",
              "by-id/usb-Gone>../ttyUSB7"}) {
            const QString name = dir.filePath(made.section('>', 0, 0)), to = made.section('>', 1);
            QVERIFY(to.isEmpty() ? QFile(name).open(QIODevice::WriteOnly)
                                 : QFile::link(to == "%" ? ptsname(pty) : to, name));
            if (!made.startsWith("by-id"))
                devices.push_back({name.toStdString(), {}, {}});
        }
        const auto listed = [&](const char* folder) {
            QStringList got;
            for (const auto& e : PortList::complete(devices, dir.filePath(folder).toStdString()))
                got << QString::fromStdString(e.path + '=' + e.byIdPath);
            return got.join(' ').remove(dir.path() + '/');
        };
        QCOMPARE(listed("by-id"),
                 "ttyLIN0=by-id/usb-Acme ttyS1=by-id/platform-A ttyUSB9=by-id/usb-B ttyUSB10=");
        QCOMPARE(listed("none"), "ttyLIN0= ttyS1= ttyUSB9= ttyUSB10=");
        ::close(pty);
    }
};

QTEST_MAIN(TestCommSettingsDialog)
#include "tst_commsettingsdialog.moc"
