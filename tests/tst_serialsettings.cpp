// The serial settings record, its profile section and its description text.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "serial/PortPaths.h"
#include "serial/Profile.h"
#include "serial/SerialSettings.h"

using namespace daridez;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "<unreadable>";
    }
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), text.size());
}

SerialSettings loadedFrom(const Profile& profile) {
    SerialSettings settings{};
    InitSerialSettings(settings);
    LoadSerialSettings(&profile, settings);
    return settings;
}

}  // namespace

class TestSerialSettings : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void initSetsTheFixedFieldsOnly();
    void noProfileFileGivesTheDefaults();
    void nullProfileLoadsAndSavesNothing();
    void eightBitFieldsKeepTheLowEightBits();
    void endCharAbove127IsSavedAsNegative();
    void newFileHoldsTheSixKeysInOrderThenThePorts();
    void savingKeepsPortsTheUserChanged();
    void savedSettingsLoadBack();
    void description_data();
    void description();
    void portPathsReadFromTheProfile();

  private:
    QTemporaryDir dir_;
    QString path_;
};

void TestSerialSettings::init() {
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath("daridez.ini");
    QFile::remove(path_);
}

void TestSerialSettings::initSetsTheFixedFieldsOnly() {
    SerialSettings settings;
    std::memset(&settings, 0xA5, sizeof settings);
    InitSerialSettings(settings);
    QCOMPARE(settings.DCBlength, 28u);
    QCOMPARE(settings.fBinary, 1u);
    QCOMPARE(settings.fParity, 0u);
    QCOMPARE(settings.fOutxCtsFlow, 0u);
    QCOMPARE(settings.fOutxDsrFlow, 0u);
    QCOMPARE(settings.fDtrControl, 0u);
    QCOMPARE(settings.fRtsControl, 0u);
    QCOMPARE(settings.fOutX, 0u);
    QCOMPARE(settings.fInX, 0u);
    QCOMPARE(settings.fAbortOnError, 0u);
    QCOMPARE(settings.XonLim, std::uint16_t(1000));
    QCOMPARE(settings.XoffLim, std::uint16_t(1000));
    QCOMPARE(settings.XonChar, char(0x11));
    QCOMPARE(settings.XoffChar, char(0x13));
    // The user's values are not the initialiser's business.
    QCOMPARE(settings.BaudRate, 0xA5A5A5A5u);
    QCOMPARE(settings.ComPort, std::int32_t(0xA5A5A5A5));
}

void TestSerialSettings::noProfileFileGivesTheDefaults() {
    Profile profile(path_.toStdString());
    SerialSettings settings = loadedFrom(profile);
    QCOMPARE(settings.BaudRate, 115200u);
    QCOMPARE(settings.ByteSize, std::uint8_t(8));
    QCOMPARE(settings.Parity, kNoParity);
    QCOMPARE(settings.StopBits, kOneStopBit);
    QCOMPARE(settings.ComPort, 2);
    QCOMPARE(settings.EndChar, std::int8_t(13));
    QCOMPARE(QString(DescribeSerialSettings(settings)),
             QString("Com2, 115200 Baud, 8 Bit, 1 Stop, no Parity"));
    QVERIFY(!QFile::exists(path_));
}

void TestSerialSettings::nullProfileLoadsAndSavesNothing() {
    SerialSettings settings{};
    InitSerialSettings(settings);
    settings.BaudRate = 9600;
    LoadSerialSettings(nullptr, settings);
    QCOMPARE(settings.BaudRate, 9600u);
    QCOMPARE(settings.ComPort, 0);
    SaveSerialSettings(nullptr, settings);
}

void TestSerialSettings::eightBitFieldsKeepTheLowEightBits() {
    writeAll(path_,
             "[SIO_CFG]\nByteSize=264\nStopBits=258\nParity=-255\nEndChar=200\n"
             "BaudRate=-1\nComPort=65537\n");
    Profile profile(path_.toStdString());
    SerialSettings settings = loadedFrom(profile);
    QCOMPARE(settings.ByteSize, std::uint8_t(8));
    QCOMPARE(settings.StopBits, std::uint8_t(2));
    QCOMPARE(settings.Parity, std::uint8_t(1));
    QCOMPARE(settings.EndChar, std::int8_t(-56));
    // The two 32-bit fields keep every bit.
    QCOMPARE(settings.BaudRate, 0xFFFFFFFFu);
    QCOMPARE(settings.ComPort, 65537);
}

void TestSerialSettings::endCharAbove127IsSavedAsNegative() {
    writeAll(path_, "[SIO_CFG]\nEndChar=200\n");
    Profile profile(path_.toStdString());
    SerialSettings settings = loadedFrom(profile);
    SaveSerialSettings(&profile, settings);
    QVERIFY(readAll(path_).contains("\nEndChar=-56\n"));
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "EndChar", 0), -56);
}

void TestSerialSettings::newFileHoldsTheSixKeysInOrderThenThePorts() {
    Profile profile(path_.toStdString());
    SaveSerialSettings(&profile, loadedFrom(profile));
    QCOMPARE(readAll(path_), QByteArray("[SIO_CFG]\n"
                                        "StopBits=0\n"
                                        "Parity=0\n"
                                        "BaudRate=115200\n"
                                        "ByteSize=8\n"
                                        "ComPort=2\n"
                                        "EndChar=13\n"
                                        "\n"
                                        "[PORTS]\n"
                                        "Com1=/dev/ttyS0\n"
                                        "Com2=/dev/ttyUSB0\n"
                                        "Com3=/dev/ttyUSB1\n"
                                        "Com4=/dev/ttyACM0\n"));
}

void TestSerialSettings::savingKeepsPortsTheUserChanged() {
    const QByteArray userFile =
        "[PORTS]\nCom2=/tmp/ttyLIN0\n\n[SIO_CFG]\nComPort=2\nBaudRate=57600\n";
    writeAll(path_, userFile);
    Profile profile(path_.toStdString());
    SerialSettings settings = loadedFrom(profile);
    settings.Parity = kEvenParity;
    SaveSerialSettings(&profile, settings);
    QCOMPARE(readAll(path_), QByteArray("[PORTS]\nCom2=/tmp/ttyLIN0\n\n[SIO_CFG]\n"
                                        "ComPort=2\nBaudRate=57600\nStopBits=0\nParity=2\n"
                                        "ByteSize=8\nEndChar=13\n"));
}

void TestSerialSettings::savedSettingsLoadBack() {
    Profile profile(path_.toStdString());
    SerialSettings settings = loadedFrom(profile);
    settings.BaudRate = 19200;
    settings.ByteSize = 7;
    settings.Parity = kOddParity;
    settings.StopBits = kTwoStopBits;
    settings.ComPort = 4;
    settings.EndChar = 10;
    SaveSerialSettings(&profile, settings);
    SerialSettings again = loadedFrom(profile);
    QCOMPARE(again.BaudRate, 19200u);
    QCOMPARE(again.ByteSize, std::uint8_t(7));
    QCOMPARE(again.Parity, kOddParity);
    QCOMPARE(again.StopBits, kTwoStopBits);
    QCOMPARE(again.ComPort, 4);
    QCOMPARE(again.EndChar, std::int8_t(10));
    QCOMPARE(QString(DescribeSerialSettings(again)),
             QString("Com4, 19200 Baud, 7 Bit, 2 Stop, odd Parity"));
}

void TestSerialSettings::description_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<uint>("baud");
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<QString>("text");
    auto row = [](const char* name, int port, uint baud, int size, int stop, int parity,
                  const char* text) {
        QTest::newRow(name) << port << baud << size << stop << parity << QString(text);
    };
    row("Com1", 1, 115200, 8, 0, 0, "Com1, 115200 Baud, 8 Bit, 1 Stop, no Parity");
    row("Com3", 3, 115200, 8, 0, 0, "Com3, 115200 Baud, 8 Bit, 1 Stop, no Parity");
    row("port 0", 0, 115200, 8, 0, 0, "Com?, 115200 Baud, 8 Bit, 1 Stop, no Parity");
    row("port 7", 7, 115200, 8, 0, 0, "Com?, 115200 Baud, 8 Bit, 1 Stop, no Parity");
    row("9600", 2, 9600, 8, 0, 0, "Com2, 9600 Baud, 8 Bit, 1 Stop, no Parity");
    row("38400", 2, 38400, 8, 0, 0, "Com2, 38400 Baud, 8 Bit, 1 Stop, no Parity");
    row("56000", 2, 56000, 8, 0, 0, "Com2, 56000 Baud, 8 Bit, 1 Stop, no Parity");
    row("57600", 2, 57600, 8, 0, 0, "Com2, 57600 Baud, 8 Bit, 1 Stop, no Parity");
    row("128000", 2, 128000, 8, 0, 0, "Com2, ? Baud, 8 Bit, 1 Stop, no Parity");
    row("110", 2, 110, 8, 0, 0, "Com2, ? Baud, 8 Bit, 1 Stop, no Parity");
    row("7 bits", 2, 115200, 7, 0, 0, "Com2, 115200 Baud, 7 Bit, 1 Stop, no Parity");
    row("6 bits", 2, 115200, 6, 0, 0, "Com2, 115200 Baud, ? Bit, 1 Stop, no Parity");
    row("two stop bits", 2, 115200, 8, 2, 0, "Com2, 115200 Baud, 8 Bit, 2 Stop, no Parity");
    row("one and a half", 2, 115200, 8, 1, 0, "Com2, 115200 Baud, 8 Bit, ? Stop, no Parity");
    row("even", 2, 115200, 8, 0, 2, "Com2, 115200 Baud, 8 Bit, 1 Stop, even Parity");
    row("parity 3", 2, 115200, 8, 0, 3, "Com2, 115200 Baud, 8 Bit, 1 Stop, ? Parity");
    row("every piece unknown", -1, 0, 0, 9, 9, "Com?, ? Baud, ? Bit, ? Stop, ? Parity");
    row("longest", 4, 115200, 8, 0, 2, "Com4, 115200 Baud, 8 Bit, 1 Stop, even Parity");
}

void TestSerialSettings::description() {
    QFETCH(int, port);
    QFETCH(uint, baud);
    QFETCH(int, byteSize);
    QFETCH(int, stopBits);
    QFETCH(int, parity);
    QFETCH(QString, text);
    SerialSettings settings{};
    InitSerialSettings(settings);
    settings.ComPort = port;
    settings.BaudRate = baud;
    settings.ByteSize = static_cast<std::uint8_t>(byteSize);
    settings.StopBits = static_cast<std::uint8_t>(stopBits);
    settings.Parity = static_cast<std::uint8_t>(parity);
    const char* described = DescribeSerialSettings(settings);
    QCOMPARE(QString(described), text);
    QVERIFY(std::strlen(described) <= 45);
}

void TestSerialSettings::portPathsReadFromTheProfile() {
    writeAll(path_, "[PORTS]\nCom2=/tmp/ttyLIN0\nCom3=\n");
    Profile profile(path_.toStdString());
    PortPaths paths;
    paths.load(profile);
    QCOMPARE(paths.path(1), std::string("/dev/ttyS0"));
    QCOMPARE(paths.path(2), std::string("/tmp/ttyLIN0"));
    QCOMPARE(paths.path(3), std::string("/dev/ttyUSB1"));  // an empty value keeps the default
    QCOMPARE(paths.path(4), std::string("/dev/ttyACM0"));
    QCOMPARE(paths.path(0), std::string());
    QCOMPARE(paths.path(5), std::string());
}

QTEST_GUILESS_MAIN(TestSerialSettings)
#include "tst_serialsettings.moc"
