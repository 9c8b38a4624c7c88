// The serial settings record, its profile section and its description text; why a port
// could not be opened.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "DecoderFixture.h"
#include "serial/PortPaths.h"
#include "serial/PortProblem.h"
#include "serial/Profile.h"
#include "serial/SerialSettings.h"

using namespace daridez;
using namespace daridez::test;

namespace {

SerialSettings loadedFrom(const QString& path) {
    SerialSettings settings{};
    const Profile profile(path.toStdString());
    LoadSerialSettings(&profile, settings);
    return settings;
}

}  // namespace

class TestSerialSettings : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path_;

  private slots:
    void init() { path_ = dir_.filePath(QTest::currentTestFunction() + QString(".ini")); }

    // Setting the fixed fields leaves the user's choices as they were.
    void initKeepsTheUsersChoices() {
        SerialSettings settings;
        std::memset(&settings, 0xA5, sizeof settings);
        InitSerialSettings(settings);
        QVERIFY(settings.BaudRate == 0xA5A5A5A5u && settings.ComPort == std::int32_t(0xA5A5A5A5));
        QVERIFY(settings.ByteSize == 0xA5 && settings.Parity == 0xA5 && settings.StopBits == 0xA5);
        QCOMPARE(settings.EndChar, std::int8_t(0xA5));
    }

    void newFileHoldsTheSixKeysInOrderThenThePorts() {
        Profile profile(path_.toStdString());
        SerialSettings settings = loadedFrom(path_);
        // No profile: nothing read or written.
        LoadSerialSettings(nullptr, settings), SaveSerialSettings(nullptr, settings);
        SaveSerialSettings(&profile, settings);  // saved only by save(): tst_profile
        QVERIFY(profile.save());
        QCOMPARE(readFile(path_), QByteArray("[SIO_CFG]\nStopBits=0\nParity=0\nBaudRate=115200\n"
                                             "ByteSize=8\nComPort=2\nEndChar=13\n\n[PORTS]\n"
                                             "Com1=/dev/ttyS0\nCom2=/dev/ttyUSB0\n"
                                             "Com3=/dev/ttyUSB1\nCom4=/dev/ttyACM0\n"));
    }

    void userPortsAreReadAndKeptAndEndCharAbove127SavesNegative() {
        const QByteArray head =
            "[PORTS]\nCom2=/tmp/ttyLIN0\nCom3=\n\n[SIO_CFG]\nComPort=3\nEndChar=";
        QVERIFY(writeFile(path_, head + "200\n"));
        Profile profile(path_.toStdString());
        PortPaths paths;
        paths.load(profile);
        // An empty value keeps the default (the others: tst_commsettingsdialog's paths).
        QVERIFY(paths.path(2) == "/tmp/ttyLIN0" && paths.path(3) == "/dev/ttyUSB1");
        QVERIFY(paths.path(0).empty() && paths.path(5).empty());
        SaveSerialSettings(&profile, loadedFrom(path_));
        QVERIFY(profile.save());
        QCOMPARE(readFile(path_),
                 head + "-56\nStopBits=0\nParity=0\nBaudRate=115200\nByteSize=8\n");
    }

    // Rows: the "SIO_CFG" lines (blank-separated), named by the description of what they load
    // as; every piece of the text appears at least once (the defaults: tst_maindialog's start).
    void loadedValuesDescribe_data() {
        QTest::addColumn<QByteArray>("lines");
        auto row = [](const char* k, const char* text) { QTest::newRow(text) << QByteArray(k); };
        row("ComPort=1 BaudRate=9600 ByteSize=7", "Com1, 9600 Baud, 7 Bit, 1 Stop, no Parity");
        row("ComPort=3 BaudRate=19200 Parity=1", "Com3, 19200 Baud, 8 Bit, 1 Stop, odd Parity");
        row("ComPort=4 BaudRate=38400 Parity=2", "Com4, 38400 Baud, 8 Bit, 1 Stop, even Parity");
        row("ComPort=7 BaudRate=56000 Parity=3", "Com?, 56000 Baud, 8 Bit, 1 Stop, ? Parity");
        row("BaudRate=128000 ByteSize=6 StopBits=1", "Com2, ? Baud, ? Bit, ? Stop, no Parity");
        // The 8-bit fields keep the low 8 bits, the port number all 32.
        row("BaudRate=57600 StopBits=258", "Com2, 57600 Baud, 8 Bit, 2 Stop, no Parity");
        row("ComPort=65537 ByteSize=264 Parity=-255",
            "Com?, 115200 Baud, 8 Bit, 1 Stop, odd Parity");
    }

    void loadedValuesDescribe() {
        QFETCH(QByteArray, lines);
        QVERIFY(writeFile(path_, "[SIO_CFG]\n" + lines.replace(' ', '\n') + "\n"));
        QCOMPARE(DescribeSerialSettings(loadedFrom(path_)), QTest::currentDataTag());
    }

    // [LIN] Baudrate as the tracer takes it, 1 to 65535 bit/s; any other gives the fallback 7.
    void linRateLoadsWhenUsable_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("rate");
        QTest::newRow("9600") << QByteArray("Baudrate=9600") << 9600;
        QTest::newRow("the highest") << QByteArray("Baudrate=65535") << 65535;
        QTest::newRow("too high") << QByteArray("Baudrate=65536") << 7;
        QTest::newRow("zero") << QByteArray("Baudrate=0") << 7;
        QTest::newRow("another key") << QByteArray("Baud=9600") << 7;
    }
    void linRateLoadsWhenUsable() {
        QFETCH(QByteArray, line);
        QVERIFY(writeFile(path_, "[LIN]\n" + line + "\n"));
        QTEST(LoadLinRate(Profile(path_.toStdString()), 7), "rate");
    }

    // A device the user may not open: the hint names the group to join only where that
    // group may use the device. Rows: the device's mode, the problem told after its path.
    void permissionProblemNamesTheGroupThatMayUseTheDevice_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("problem");
        QTest::newRow("the group may")
            << 0660 << "permission denied: the user is not in the %1 group";
        QTest::newRow("the owner only") << 0600 << "permission denied";
        QTest::newRow("everyone may") << 0666 << "in use by another program";
    }

    void permissionProblemNamesTheGroupThatMayUseTheDevice() {
        QFETCH(int, mode);
        QFETCH(QString, problem);
        const group* dialout = getgrnam("dialout");
        if (geteuid() != 0 || dialout == nullptr)
            QSKIP("needs root (to be another user) and a dialout group");
        const QString device = dir_.filePath("ttyLIN9");
        const std::string path = device.toStdString();
        QVERIFY(writeFile(device, "") && ::chmod(qPrintable(dir_.path()), 0755) == 0 &&
                ::chown(path.c_str(), 0, dialout->gr_gid) == 0 &&
                ::chmod(path.c_str(), mode_t(mode)) == 0);
        int pipe[2];
        QCOMPARE(::pipe(pipe), 0);
        const pid_t child = ::fork();
        if (child == 0) {  // nobody, in no group but its own
            const std::string text =
                ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0
                    ? DescribePortProblem(path)
                    : "cannot become nobody";
            _exit(::write(pipe[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1);
        }
        ::close(pipe[1]);
        QByteArray told(256, '\0');
        told.resize(qMax<ssize_t>(0, ::read(pipe[0], told.data(), told.size())));
        ::close(pipe[0]);
        int status = 0;
        QVERIFY(child > 0 && ::waitpid(child, &status, 0) == child);
        QCOMPARE(QString::fromLatin1(told), device + ": " + problem.arg(dialout->gr_name));
    }
};

QTEST_GUILESS_MAIN(TestSerialSettings)
#include "tst_serialsettings.moc"
