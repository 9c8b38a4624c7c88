// The serial port channel against real pseudo-terminals made by the test.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QTest>
#include <array>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "serial/PortPaths.h"
#include "serial/SerialPort.h"
#include "serial/SerialSettings.h"

using namespace daridez;

namespace {

// "baud data-bits parity stop-bits port" (parity 0 none, 1 odd, 2 even, 3 mark, 4 space;
// stop bits 0 one, 1 one and a half, 2 two).
SerialSettings settingsFrom(const QString& text) {
    SerialSettings s{};
    std::sscanf(qPrintable(text), "%u %hhu %hhu %hhu %d", &s.BaudRate, &s.ByteSize, &s.Parity,
                &s.StopBits, &s.ComPort);
    return s;
}

// A pseudo-terminal pair whose slave is port 2, and a channel for it: the test plays the
// device on the master side, which never blocks.
struct Rig {
    int master = -1, slave = -1;
    PortPaths paths;
    SerialPort port{paths};
    std::array<std::uint8_t, 100> bytes{};  // 1, 2, ... 100: what the device sends

    Rig() {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
            paths.setPath(2, name);
        }
        std::iota(bytes.begin(), bytes.end(), std::uint8_t(1));
    }
    ~Rig() { closeMaster(), ::close(slave); }
    bool open() { return master >= 0 && port.Open(settingsFrom("115200 8 0 0 2")) == ""; }
    void send(int n) const { QCOMPARE(::write(master, bytes.data(), n), ssize_t(n)); }
    void closeMaster() { ::close(master), master = -1; }
    // Polls until the channel reports `count` bytes (the pseudo-terminal moves bytes
    // between its sides on its own schedule); bounded, never timed.
    std::uint32_t waitForBytes(std::uint32_t count) {
        std::uint32_t waiting = 0;
        for (int round = 0; round < 400 && (waiting = port.BytesWaiting()) < count; ++round)
            QTest::qWait(5);
        return waiting;
    }
};

// A channel never opened (None) or whose open failed (Invalid): nothing works, all is 0.
bool noOperationWorks(SerialPort& port) {
    std::uint8_t buffer[8] = {1, 2, 3};
    return !port.isConnected() && !port.deviceVanished() &&
           port.Close() + port.BytesWaiting() + port.PurgeInput() + port.PurgeOutput() +
                   port.Write(buffer, 3) + port.Read(buffer, sizeof buffer) ==
               0;
}

}  // namespace

class TestSerialPort : public QObject {
    Q_OBJECT

  private slots:
    // Rows: the settings as settingsFrom() reads them, what Open returns ("null" for a port
    // number outside 1 to 4, which is ignored) and the line as the terminal holds it. A
    // pseudo-terminal runs 8 bits without a parity bit whatever it is told, but keeps odd,
    // mark and two stop bits: those show what the port asked for.
    void openAppliesTheLineSettings_data() {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("line");
        const auto add = [](const char* n, QString r, QString l) { QTest::newRow(n) << r << l; };
        add("19200 8 0 0 2", "", "19200");
        add("9600 8 1 0 2", "", "9600 PARODD");
        add("9600 8 1 2 2", "", "9600 PARODD CSTOPB");
        add("9600 8 3 0 2", "", "9600 PARODD CMSPAR");
        add("9600 8 4 2 2", "", "9600 CMSPAR CSTOPB");
        // Only 5 data bits take 1.5 stop bits. Qt reads the line back and finds that a
        // pseudo-terminal took neither 7 data bits nor even parity (which, unlike odd, it
        // cannot tell from none).
        add("9600 8 0 1 2", "Could not set the comstate", "");
        add("9600 7 0 0 2", "Could not set the comstate", "");
        add("9600 8 2 0 2", "Could not set the comstate", "");
        add("9600 8 0 0 0", "null", "");
        add("9600 8 0 0 5", "null", "");
    }

    void openAppliesTheLineSettings() {
        QFETCH(QString, line);
        Rig rig;
        const std::optional<std::string> result =
            rig.port.Open(settingsFrom(QTest::currentDataTag()));
        QTEST(QString::fromStdString(result.value_or("null")), "result");
        QCOMPARE(rig.port.channel(),
                 result ? SerialPort::Channel::Open : SerialPort::Channel::None);
        QVERIFY(result || noOperationWorks(rig.port));
        if (line.isEmpty())
            return;
        termios applied{};
        QCOMPARE(::tcgetattr(rig.slave, &applied), 0);
        const speed_t speed = ::cfgetospeed(&applied);
        QString held = speed == B9600 ? "9600" : speed == B19200 ? "19200" : "?";
        for (const auto& [flag, name] :
             {std::pair{PARODD, " PARODD"}, {CMSPAR, " CMSPAR"}, {CSTOPB, " CSTOPB"}})
            held += applied.c_cflag & flag ? name : "";
        QCOMPARE(held, line);
        QVERIFY((applied.c_cflag & (CSIZE | CRTSCTS)) == CS8 &&
                ((applied.c_iflag & (IXON | IXOFF)) | (applied.c_lflag & (ICANON | ECHO))) == 0);
        rig.send(1);  // and the port reads
        QCOMPARE(rig.waitForBytes(1), 1u);
    }

    // One program at a time holds a port, from Open until markNotConnected (until Close, and
    // a missing device: tst_maindialog's busy port and shut-down cases).
    void portIsHeldFromOpenUntilMarkNotConnected() {
        Rig rig;
        QVERIFY(rig.open());
        QVERIFY(!rig.port.Open(settingsFrom("9600 8 0 0 5")) && rig.port.isConnected());
        SerialPort second(rig.paths);
        QCOMPARE(QString::fromStdString(second.Open(settingsFrom("9600 8 0 0 2")).value_or("null")),
                 "INVLID_HANDLE_VALUE");
        QCOMPARE(second.channel(), SerialPort::Channel::Invalid);
        QVERIFY(noOperationWorks(second));
        rig.port.markNotConnected();
        QCOMPARE(rig.port.channel(), SerialPort::Channel::None);
        QCOMPARE(QString::fromStdString(second.Open(settingsFrom("9600 8 0 0 2")).value_or("null")),
                 "");
    }

    void readDeliversAtMostMaxAndPurgesDropOnlyWhatWaits() {
        Rig rig;
        QVERIFY(rig.open());
        QCOMPARE(rig.port.PurgeInput(), 0u);  // nothing queued, nothing to purge
        rig.send(100);
        QCOMPARE(rig.waitForBytes(100), 100u);
        std::array<std::uint8_t, 128> buffer{};
        QCOMPARE(rig.port.Read(nullptr, 10), 0u);
        QCOMPARE(rig.port.Read(buffer.data(), 40), 40u);
        QCOMPARE(rig.port.Read(buffer.data() + 40, 20), 20u);
        QVERIFY(std::memcmp(buffer.data(), rig.bytes.data(), 60) == 0);
        QCOMPARE(rig.port.BytesWaiting(), 40u);
        QVERIFY(rig.port.PurgeInput() != 0);
        QCOMPARE(rig.port.BytesWaiting() + rig.port.Read(buffer.data(), buffer.size()), 0u);
        // What arrives after a purge is delivered: tst_maindialog (the answer after a version).
        // An output purge needs an open port (writes reaching the device: tst_maindialog).
        QVERIFY(rig.port.PurgeOutput() != 0);
        QCOMPARE(rig.port.Close(), 1u);
        QCOMPARE(rig.port.PurgeOutput(), 0u);
    }

    // How the loss is first met: by the event loop alone, or by a write that sends nothing
    // (by the reads of a running trace: tst_maindialog's lost device).
    void vanishedDeviceDeliversReceivedBytesThenNothing() {
        for (const bool write : {false, true}) {
            Rig rig;
            SerialPort& port = rig.port;
            QVERIFY(rig.open());
            rig.send(20);
            QCOMPARE(rig.waitForBytes(20), 20u);
            rig.closeMaster();
            std::array<std::uint8_t, 64> buffer{};
            if (write) {
                QCOMPARE(port.Write(rig.bytes.data(), 3), 0u);
                QVERIFY(port.deviceVanished());
            }
            QTRY_VERIFY(port.deviceVanished());
            QCOMPARE(port.Read(buffer.data(), std::uint32_t(buffer.size())), 20u);
            QVERIFY(std::memcmp(buffer.data(), rig.bytes.data(), 20) == 0);
            QCOMPARE(port.BytesWaiting() + port.Read(buffer.data(), 10), 0u);
            QCOMPARE(port.Write(rig.bytes.data(), 3) + port.PurgeInput() + port.PurgeOutput(), 0u);
            QCOMPARE(port.Close(), 1u);
            QCOMPARE(port.Close(), 0u);
        }
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
