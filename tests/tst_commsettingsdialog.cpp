#include "app/DialogUnits.h"
#include "serial/CommSettingsDialog.h"
#include "serial/PortPaths.h"
#include "serial/Profile.h"
#include "serial/SerialSettings.h"

#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using daridez::CommSettingsDialog;
using daridez::DialogUnits;
using daridez::SerialSettings;

namespace {

SerialSettings defaultRecord() {
    SerialSettings settings;
    std::memset(&settings, 0, sizeof settings);
    daridez::InitSerialSettings(settings);
    settings.BaudRate = 115200;
    settings.ByteSize = 8;
    settings.Parity = daridez::kNoParity;
    settings.StopBits = daridez::kOneStopBit;
    settings.ComPort = 2;
    settings.EndChar = -56;
    return settings;
}

// The record fields the data tables name by number.
enum Field { Baud, Port, Parity, Stop, Bits };

void setField(SerialSettings& settings, int field, int value) {
    switch (field) {
        case Baud:
            settings.BaudRate = static_cast<std::uint32_t>(value);
            break;
        case Port:
            settings.ComPort = value;
            break;
        case Parity:
            settings.Parity = static_cast<std::uint8_t>(value);
            break;
        case Stop:
            settings.StopBits = static_cast<std::uint8_t>(value);
            break;
        case Bits:
            settings.ByteSize = static_cast<std::uint8_t>(value);
            break;
    }
}

QAbstractButton* control(const QDialog& dialog, int id) {
    return dialog.findChild<QAbstractButton*>(QString::number(id));
}

// The captions of the selected radio buttons whose template ids lie in [first, last].
QStringList checkedIn(const QDialog& dialog, int first, int last) {
    QStringList captions;
    for (const QRadioButton* radio : dialog.findChildren<QRadioButton*>()) {
        const int id = radio->property("templateId").toInt();
        if (id >= first && id <= last && radio->isChecked()) {
            captions << radio->text();
        }
    }
    return captions;
}

QString readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLatin1(file.readAll());
}

// The fields the dialog must never touch.
void compareUntouchedFields(const SerialSettings& after, const SerialSettings& before) {
    QCOMPARE(after.DCBlength, before.DCBlength);
    QCOMPARE(after.fBinary, before.fBinary);
    QCOMPARE(after.XonLim, before.XonLim);
    QCOMPARE(after.XoffLim, before.XoffLim);
    QCOMPARE(after.XonChar, before.XonChar);
    QCOMPARE(after.XoffChar, before.XoffChar);
    QCOMPARE(after.EndChar, before.EndChar);
}

}  // namespace

class TestCommSettingsDialog : public QObject {
    Q_OBJECT

  private slots:
    void init();

    void defaultsOpenWithTheirButtonsSelected();
    void recordValueSelectsItsButton_data();
    void recordValueSelectsItsButton();
    void valueWithoutButtonLeavesGroupClear_data();
    void valueWithoutButtonLeavesGroupClear();
    void okWithNothingChosenStoresTheFallback_data();
    void okWithNothingChosenStoresTheFallback();
    void okStoresTheClickedChoices();
    void groupsAreIndependentOfEachOther();
    void okSavesTheProfileBeforeTheDialogCloses();
    void returnKeyActsAsOk();
    void cancelChangesNeitherRecordNorProfile_data();
    void cancelChangesNeitherRecordNorProfile();

    void hasItsCaptionAndFixedTemplateSize();
    void controlsSitAtTheirTemplatePositions_data();
    void controlsSitAtTheirTemplatePositions();
    void groupBoxesLetClicksThroughToTheirButtons();
    void tabOrderFollowsTheTemplate();
    void portButtonsShowTheirDevicePaths();

  private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString profilePath_;
};

void TestCommSettingsDialog::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    profilePath_ = dir_->filePath(QStringLiteral("daridez.ini"));
}

void TestCommSettingsDialog::defaultsOpenWithTheirButtonsSelected() {
    SerialSettings settings = defaultRecord();
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    QCOMPARE(checkedIn(dialog, 101, 115), QStringList{"115.2K"});
    QCOMPARE(checkedIn(dialog, 201, 202), QStringList{"8 bit"});
    QCOMPARE(checkedIn(dialog, 301, 303), QStringList{"none"});
    QCOMPARE(checkedIn(dialog, 401, 402), QStringList{"1 bit"});
    QCOMPARE(checkedIn(dialog, 601, 604), QStringList{"Com2"});
}

void TestCommSettingsDialog::recordValueSelectsItsButton_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expectedId");
    QTest::addColumn<QString>("expectedCaption");
    for (const auto& choice : CommSettingsDialog::kBaudTable) {
        QTest::addRow("baud %u", choice.rate)
            << int(Baud) << int(choice.rate) << choice.id << QString::fromLatin1(choice.caption);
    }
    QTest::newRow("port 1") << int(Port) << 1 << 601 << "Com1";
    QTest::newRow("port 3") << int(Port) << 3 << 603 << "Com3";
    QTest::newRow("port 4") << int(Port) << 4 << 604 << "Com4";
    QTest::newRow("even parity") << int(Parity) << 2 << 301 << "even";
    QTest::newRow("odd parity") << int(Parity) << 1 << 302 << "odd";
    QTest::newRow("two stop bits") << int(Stop) << 2 << 402 << "2 bit";
    QTest::newRow("seven data bits") << int(Bits) << 7 << 201 << "7 bit";
}

void TestCommSettingsDialog::recordValueSelectsItsButton() {
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(int, expectedId);
    QFETCH(QString, expectedCaption);
    SerialSettings settings = defaultRecord();
    setField(settings, field, value);
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    QAbstractButton* button = control(dialog, expectedId);
    QVERIFY(button != nullptr);
    QCOMPARE(button->text(), expectedCaption);
    QVERIFY(button->isChecked());
    const int groupFirst = expectedId / 100 * 100 + 1;
    QCOMPARE(checkedIn(dialog, groupFirst, groupFirst + 14).size(), 1);
}

void TestCommSettingsDialog::valueWithoutButtonLeavesGroupClear_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("firstId");
    QTest::addColumn<int>("lastId");
    QTest::newRow("one and a half stop bits") << int(Stop) << 1 << 401 << 402;
    QTest::newRow("parity 3") << int(Parity) << 3 << 301 << 303;
    QTest::newRow("6 data bits") << int(Bits) << 6 << 201 << 202;
    QTest::newRow("baud 12345") << int(Baud) << 12345 << 101 << 115;
    QTest::newRow("port 0") << int(Port) << 0 << 601 << 604;
    QTest::newRow("port 7") << int(Port) << 7 << 601 << 604;
}

void TestCommSettingsDialog::valueWithoutButtonLeavesGroupClear() {
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(int, firstId);
    QFETCH(int, lastId);
    SerialSettings settings = defaultRecord();
    setField(settings, field, value);
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    QCOMPARE(checkedIn(dialog, firstId, lastId), QStringList{});
    // The other groups still show the record.
    QCOMPARE(checkedIn(dialog, 101, 604).size(), 4);
}

void TestCommSettingsDialog::okWithNothingChosenStoresTheFallback_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");
    QTest::newRow("stop bits 1 -> one stop bit") << int(Stop) << 1 << 0;
    QTest::newRow("stop bits 7 -> one stop bit") << int(Stop) << 7 << 0;
    QTest::newRow("parity 3 -> none") << int(Parity) << 3 << 0;
    QTest::newRow("baud 12345 -> 9600") << int(Baud) << 12345 << 9600;
    QTest::newRow("port 7 -> port 2") << int(Port) << 7 << 2;
    QTest::newRow("port -1 -> port 2") << int(Port) << -1 << 2;
    QTest::newRow("6 data bits -> 8") << int(Bits) << 6 << 8;
}

void TestCommSettingsDialog::okWithNothingChosenStoresTheFallback() {
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(int, stored);
    SerialSettings settings = defaultRecord();
    settings.BaudRate = 38400;  // not the fallback of any group
    settings.ComPort = 3;
    setField(settings, field, value);
    SerialSettings expected = settings;
    setField(expected, field, stored);
    daridez::Profile profile(profilePath_.toStdString());
    CommSettingsDialog dialog(settings, &profile, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(control(dialog, 1), Qt::LeftButton);

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings.BaudRate, expected.BaudRate);
    QCOMPARE(settings.ComPort, expected.ComPort);
    QCOMPARE(settings.Parity, expected.Parity);
    QCOMPARE(settings.StopBits, expected.StopBits);
    QCOMPARE(settings.ByteSize, expected.ByteSize);
    compareUntouchedFields(settings, expected);
}

void TestCommSettingsDialog::okStoresTheClickedChoices() {
    SerialSettings settings = defaultRecord();
    const SerialSettings before = settings;
    daridez::Profile profile(profilePath_.toStdString());
    CommSettingsDialog dialog(settings, &profile, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (int id : {106, 201, 301, 402, 604}) {  // 38.4K, 7 bit, even, 2 bit, Com4
        QTest::mouseClick(control(dialog, id), Qt::LeftButton);
    }
    QTest::mouseClick(control(dialog, 1), Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(settings.BaudRate, 38400u);
    QCOMPARE(settings.ByteSize, 7);
    QCOMPARE(settings.Parity, daridez::kEvenParity);
    QCOMPARE(settings.StopBits, daridez::kTwoStopBits);
    QCOMPARE(settings.ComPort, 4);
    compareUntouchedFields(settings, before);
}

void TestCommSettingsDialog::groupsAreIndependentOfEachOther() {
    SerialSettings settings = defaultRecord();
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(control(dialog, 107), Qt::LeftButton);  // 110 baud
    QTest::mouseClick(control(dialog, 601), Qt::LeftButton);  // Com1
    QTest::mouseClick(control(dialog, 601), Qt::LeftButton);  // a second click keeps it
    QCOMPARE(checkedIn(dialog, 101, 115), QStringList{"110"});
    QCOMPARE(checkedIn(dialog, 601, 604), QStringList{"Com1"});
    QCOMPARE(checkedIn(dialog, 201, 202), QStringList{"8 bit"});
    QCOMPARE(checkedIn(dialog, 301, 303), QStringList{"none"});
    QCOMPARE(checkedIn(dialog, 401, 402), QStringList{"1 bit"});
}

void TestCommSettingsDialog::okSavesTheProfileBeforeTheDialogCloses() {
    SerialSettings settings = defaultRecord();
    daridez::Profile profile(profilePath_.toStdString());
    CommSettingsDialog dialog(settings, &profile, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // What the profile holds at the moment the dialog hides.
    QString atClose;
    bool closed = false;
    struct HideWatcher : QObject {
        std::function<void()> onHide;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Hide) {
                onHide();
            }
            return false;
        }
    } watcher;
    watcher.onHide = [&] {
        closed = true;
        atClose = readFile(profilePath_);
    };
    dialog.installEventFilter(&watcher);

    QTest::mouseClick(control(dialog, 604), Qt::LeftButton);
    QTest::mouseClick(control(dialog, 1), Qt::LeftButton);

    QVERIFY(closed);
    QVERIFY2(atClose.contains(QStringLiteral("[SIO_CFG]")), qPrintable(atClose));
    QVERIFY(atClose.contains(QStringLiteral("ComPort=4")));
    QVERIFY(atClose.contains(QStringLiteral("BaudRate=115200")));
    QVERIFY(atClose.contains(QStringLiteral("EndChar=-56")));
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "ComPort", 0), 4);
}

void TestCommSettingsDialog::returnKeyActsAsOk() {
    SerialSettings settings = defaultRecord();
    daridez::Profile profile(profilePath_.toStdString());
    CommSettingsDialog dialog(settings, &profile, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(control(dialog, 603), Qt::LeftButton);
    QTest::keyClick(control(dialog, 603), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings.ComPort, 3);
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "ComPort", 0), 3);
}

void TestCommSettingsDialog::cancelChangesNeitherRecordNorProfile_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "button";
    QTest::newRow("Escape key") << "escape";
    QTest::newRow("close box") << "close";
}

void TestCommSettingsDialog::cancelChangesNeitherRecordNorProfile() {
    QFETCH(QString, how);
    const QByteArray oldProfile = "; mine\n[SIO_CFG]\nComPort=1\n";
    {
        QFile file(profilePath_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(oldProfile);
    }
    SerialSettings settings = defaultRecord();
    settings.StopBits = 1;  // no button: must survive a cancel unchanged
    const SerialSettings before = settings;
    daridez::Profile profile(profilePath_.toStdString());
    CommSettingsDialog dialog(settings, &profile, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (int id : {111, 202, 302, 401, 604}) {
        QTest::mouseClick(control(dialog, id), Qt::LeftButton);
    }
    if (how == QLatin1String("button")) {
        QTest::mouseClick(control(dialog, 2), Qt::LeftButton);
    } else if (how == QLatin1String("escape")) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
    } else {
        dialog.close();
    }

    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(settings.BaudRate, before.BaudRate);
    QCOMPARE(settings.ByteSize, before.ByteSize);
    QCOMPARE(settings.Parity, before.Parity);
    QCOMPARE(settings.StopBits, before.StopBits);
    QCOMPARE(settings.ComPort, before.ComPort);
    compareUntouchedFields(settings, before);
    QCOMPARE(readFile(profilePath_).toLatin1(), oldProfile);
}

void TestCommSettingsDialog::hasItsCaptionAndFixedTemplateSize() {
    SerialSettings settings = defaultRecord();
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Communications Settings"));
    const DialogUnits units(dialog.font());
    QCOMPARE(dialog.minimumSize(), units.size(152, 181));
    QCOMPARE(dialog.maximumSize(), units.size(152, 181));
    QCOMPARE(units.averageCharWidth(),
             DialogUnits(DialogUnits::templateFont("MS Sans Serif", 8)).averageCharWidth());
}

void TestCommSettingsDialog::controlsSitAtTheirTemplatePositions_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("units");
    QTest::newRow("110") << 107 << "110" << QRect(10, 15, 35, 12);
    QTest::newRow("4800") << 109 << "4800" << QRect(100, 25, 40, 12);
    QTest::newRow("256") << 111 << "256" << QRect(100, 55, 40, 12);
    QTest::newRow("odd") << 302 << "odd" << QRect(57, 88, 28, 12);
    QTest::newRow("2 bit") << 402 << "2 bit" << QRect(41, 117, 28, 12);
    QTest::newRow("7 bit") << 201 << "7 bit" << QRect(87, 117, 28, 12);
    QTest::newRow("Com1") << 601 << "Com1" << QRect(10, 150, 32, 12);
    QTest::newRow("Com4") << 604 << "Com4" << QRect(112, 150, 30, 12);
    QTest::newRow("Cancel") << int(Parity) << "Cancel" << QRect(80, 170, 30, 10);
    QTest::newRow("Ok") << int(Port) << "Ok" << QRect(115, 170, 30, 10);
    QTest::newRow("Baud rate") << 100 << "Baud rate" << QRect(5, 5, 140, 65);
    QTest::newRow("Data bits") << 200 << "Data bits" << QRect(81, 107, 65, 25);
    QTest::newRow("Parity") << 300 << "Parity" << QRect(5, 75, 141, 28);
    QTest::newRow("Stop bits") << 400 << "Stop bits" << QRect(7, 107, 65, 25);
    QTest::newRow("Port") << 600 << "Port" << QRect(7, 136, 140, 28);
}

void TestCommSettingsDialog::controlsSitAtTheirTemplatePositions() {
    QFETCH(int, id);
    QFETCH(QString, caption);
    QFETCH(QRect, units);
    SerialSettings settings = defaultRecord();
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    auto* widget = dialog.findChild<QWidget*>(QString::number(id));
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->property("templateId").toInt(), id);
    const auto* box = qobject_cast<QGroupBox*>(widget);
    const auto* button = qobject_cast<QAbstractButton*>(widget);
    QCOMPARE(box != nullptr ? box->title() : button->text(), caption);
    const DialogUnits du(dialog.font());
    QCOMPARE(widget->geometry(), du.rect(units.x(), units.y(), units.width(), units.height()));
}

void TestCommSettingsDialog::groupBoxesLetClicksThroughToTheirButtons() {
    SerialSettings settings = defaultRecord();
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (QRadioButton* radio : dialog.findChildren<QRadioButton*>()) {
        QCOMPARE(dialog.childAt(radio->geometry().center()), radio);
    }
    auto* ok = qobject_cast<QPushButton*>(control(dialog, 1));
    QVERIFY(ok->isDefault());
}

void TestCommSettingsDialog::tabOrderFollowsTheTemplate() {
    SerialSettings settings = defaultRecord();
    CommSettingsDialog dialog(settings, nullptr, nullptr);
    const QList<int> expected{107, 114, 115, 108, 113, 109, 104, 112, 105, 106, 101, 102, 103, 110,
                              111, 301, 302, 303, 401, 402, 201, 202, 601, 602, 603, 604, 2,   1};
    QWidget* first = dialog.findChild<QWidget*>(QStringLiteral("107"));
    QList<int> order;
    QWidget* widget = first;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order << widget->property("templateId").toInt();
        }
        widget = widget->nextInFocusChain();
    } while (widget != first && order.size() <= expected.size());
    QCOMPARE(order, expected);
}

void TestCommSettingsDialog::portButtonsShowTheirDevicePaths() {
#ifdef Q_OS_WIN
    QSKIP("Port numbers are COM ports on Windows");
#else
    SerialSettings settings = defaultRecord();
    daridez::PortPaths paths;
    paths.setPath(2, "/tmp/ttyLIN0");
    CommSettingsDialog dialog(settings, nullptr, &paths);
    QCOMPARE(control(dialog, 601)->toolTip(), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(control(dialog, 602)->toolTip(), QStringLiteral("/tmp/ttyLIN0"));
    QCOMPARE(control(dialog, 603)->toolTip(), QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(control(dialog, 604)->toolTip(), QStringLiteral("/dev/ttyACM0"));
#endif
}

QTEST_MAIN(TestCommSettingsDialog)
#include "tst_commsettingsdialog.moc"
