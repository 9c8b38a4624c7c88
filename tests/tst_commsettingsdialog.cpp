#include "app/CommSettingsDialog.h"
#include "serial/PortPaths.h"
#include "serial/Profile.h"
#include "serial/SerialSettings.h"

#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>
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

QAbstractButton* control(const QDialog& dialog, int id) {
    return dialog.findChild<QAbstractButton*>(QString::number(id));
}

// The captions of the selected radio buttons in creation order (baud rate, parity, stop
// bits, data bits, port), joined by '|'.
QString checkedCaptions(const QDialog& dialog) {
    QStringList captions;
    for (const QRadioButton* radio : dialog.findChildren<QRadioButton*>()) {
        captions << (radio->isChecked() ? radio->text() : QString());
    }
    captions.removeAll(QString());
    return captions.join('|');
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
};

// Rows: the record (as record() reads it), then the selected captions.
void TestCommSettingsDialog::recordShowsAsSelectedButtons_data() {
    QTest::addColumn<QString>("checked");
    QTest::newRow("19200 8 0 3 0") << "19.2K|none|1 bit|8 bit|Com3";
    QTest::newRow("256000 8 0 3 0") << "256|none|1 bit|8 bit|Com3";
    QTest::newRow("300 7 1 4 2") << "300|odd|2 bit|7 bit|Com4";
    QTest::newRow("600 8 2 1 0") << "600|even|1 bit|8 bit|Com1";
    // A value no button stands for clears its own group only.
    QTest::newRow("12345 8 3 2 0") << "1 bit|8 bit|Com2";
    QTest::newRow("9600 6 0 0 1") << "9600|none";
    QTest::newRow("9600 8 0 5 0") << "9600|none|1 bit|8 bit";
}

void TestCommSettingsDialog::recordShowsAsSelectedButtons() {
    QFETCH(QString, checked);
    SerialSettings settings = record(QTest::currentDataTag());
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    QCOMPARE(checkedCaptions(dialog), checked);
}

// Rows: the record, what the user does (button ids to click, "focus2" to tab to Cancel,
// then "Return", "Escape" or "close" if no button closes the dialog), the record
// afterwards.
void TestCommSettingsDialog::okStoresAndSavesBeforeClosingCancelChangesNothing_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("after");
    auto row = [](const char* name, const char* before, const char* actions, const char* after) {
        QTest::newRow(name) << QString(before) << QString(actions) << QString(after);
    };
    row("Ok, no changes", "115200 8 0 2 0", "1", "115200 8 0 2 0");
    row("Ok, clicked choices", "115200 8 0 2 0", "106 201 301 402 604 1", "38400 7 2 4 2");
    row("Ok, a second click keeps it", "115200 8 0 2 0", "107 601 601 1", "110 8 0 1 0");
    row("Return key", "115200 8 0 2 0", "603 Return", "115200 8 0 3 0");
    row("Ok, every group falls back", "12345 6 3 7 1", "1", "9600 8 0 2 0");
    row("Ok, cleared groups fall back", "38400 8 3 3 7", "1", "38400 8 0 3 0");
    row("Cancel", "115200 8 0 2 1", "111 202 302 401 604 2", "115200 8 0 2 1");
    row("Escape", "115200 8 0 2 1", "111 202 302 401 604 Escape", "115200 8 0 2 1");
    row("Return on Cancel", "115200 8 0 2 1", "604 focus2 Return", "115200 8 0 2 1");
    row("close box", "115200 8 0 2 1", "111 202 302 401 604 close", "115200 8 0 2 1");
}

void TestCommSettingsDialog::okStoresAndSavesBeforeClosingCancelChangesNothing() {
    QFETCH(QString, before);
    QFETCH(QString, actions);
    QFETCH(QString, after);
    SerialSettings settings = record(before);
    QTemporaryDir dir;
    Profile profile(dir.filePath("daridez.ini").toStdString());
    CommSettingsDialog dialog(settings, &profile, nullptr);
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
    QCOMPARE(QFile::exists(profile.path().c_str()), ok);  // a cancel writes no profile
    QVERIFY(!ok || fields(atHide) == fields(settings));   // Ok saved before the dialog closed
}

// Ok is the default button; each port shows its device path; every radio button takes
// clicks (no group box lies above it); Tab stops at one button per group, in order.
void TestCommSettingsDialog::buttonsTakeClicksAndTabsInOrder() {
    SerialSettings settings = record("115200 8 0 2 0");
    PortPaths paths;
    paths.setPath(2, "/tmp/ttyLIN0");
    CommSettingsDialog dialog(settings, nullptr, &paths);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(control(dialog, 1)->property("default").toBool());
    QVERIFY(control(dialog, 601)->toolTip() == "/dev/ttyS0" &&
            control(dialog, 602)->toolTip() == "/tmp/ttyLIN0");
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

QTEST_MAIN(TestCommSettingsDialog)
#include "tst_commsettingsdialog.moc"
