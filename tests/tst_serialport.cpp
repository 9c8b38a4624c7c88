// The serial port channel against real pseudo-terminals made by the test.
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <array>
#include <cstring>
#include <string>

#include "serial/PortPaths.h"
#include "serial/SerialPort.h"
#include "serial/SerialSettings.h"
#include "sim/TracerSimulator.h"

using namespace daridez;

namespace {

// One pseudo-terminal pair: the test plays the device on the master side; the port
// opens the slave by its path.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        char name[128] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
            path_ = name;
            termios raw{};
            ::tcgetattr(slave_, &raw);
            ::cfmakeraw(&raw);
            ::tcsetattr(slave_, TCSANOW, &raw);
            ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        }
    }
    ~PseudoTerminal() {
        closeMaster();
        if (slave_ >= 0) {
            ::close(slave_);
        }
    }

    bool ok() const { return master_ >= 0; }
    const std::string& path() const { return path_; }
    int slave() const { return slave_; }

    void send(const std::uint8_t* bytes, std::size_t count) const {
        QCOMPARE(::write(master_, bytes, count), ssize_t(count));
    }
    // Reads what the host wrote, waiting a little for it to arrive.
    QByteArray receive(int expected) const {
        QByteArray got;
        for (int round = 0; round < 200 && got.size() < expected; ++round) {
            char chunk[256];
            ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n > 0) {
                got.append(chunk, n);
            } else {
                QTest::qWait(5);
            }
        }
        return got;
    }
    void closeMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

SerialSettings defaults(int comPort = 2) {
    SerialSettings settings{};
    InitSerialSettings(settings);
    settings.BaudRate = 115200;
    settings.ByteSize = 8;
    settings.Parity = kNoParity;
    settings.StopBits = kOneStopBit;
    settings.ComPort = comPort;
    settings.EndChar = 13;
    return settings;
}

// Polls until the channel reports `count` bytes (the pseudo-terminal moves bytes
// between its sides on its own schedule); bounded, never timed.
std::uint32_t waitForBytes(SerialPort& port, std::uint32_t count) {
    std::uint32_t waiting = 0;
    for (int round = 0; round < 400 && waiting < count; ++round) {
        waiting = port.BytesWaiting();
        if (waiting < count) {
            QTest::qWait(5);
        }
    }
    return waiting;
}

std::array<std::uint8_t, 100> hundredBytes() {
    std::array<std::uint8_t, 100> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    return bytes;
}

}  // namespace

class TestSerialPort : public QObject {
    Q_OBJECT

  private slots:
    void everyOperationWithoutPortReturnsZero();
    void portNumberOutsideOneToFourGivesNoTextAndTouchesNothing();
    void openAppliesBaudRateAndRawEightBits();
    void missingDeviceGivesInvalidHandleValue();
    void secondOpenOfTheSamePortGivesInvalidHandleValue();
    void sevenDataBitsAreRejectedAndThePortStaysOpen();
    void closeReleasesThePortOnce();
    void readDeliversAtMostMaxAndKeepsTheRest();
    void readWithNullBufferReturnsZero();
    void writeReachesTheDevice();
    void purgeInputDiscardsQueuedBytesAndSkipsAnEmptyQueue();
    void purgeOutputWorksOnlyOnAnOpenPort();
    void vanishedDeviceDeliversReceivedBytesThenZero();
    void vanishingIsNoticedByTheEventLoopAlone();
    void markNotConnectedForgetsThePort();
    void talksToTheSimulatedTracerUntilItIsUnplugged();
};

void TestSerialPort::everyOperationWithoutPortReturnsZero() {
    PortPaths paths;
    paths.setPath(2, "/nonexistent/daridez-no-such-tty");
    SerialPort port(paths);
    std::uint8_t buffer[8] = {1, 2, 3};
    for (int pass = 0; pass < 2; ++pass) {
        // First with a channel never opened (none), then after a failed open (invalid).
        QCOMPARE(port.channel(),
                 pass == 0 ? SerialPort::Channel::None : SerialPort::Channel::Invalid);
        QVERIFY(!port.isConnected());
        QCOMPARE(port.Close(), 0u);
        QCOMPARE(port.BytesWaiting(), 0u);
        QCOMPARE(port.PurgeInput(), 0u);
        QCOMPARE(port.PurgeOutput(), 0u);
        QCOMPARE(port.Write(buffer, 3), 0u);
        QCOMPARE(port.Read(buffer, sizeof buffer), 0u);
        QVERIFY(!port.deviceVanished());
        QCOMPARE(QString(port.Open(defaults())), QString("INVLID_HANDLE_VALUE"));
    }
}

void TestSerialPort::portNumberOutsideOneToFourGivesNoTextAndTouchesNothing() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QVERIFY(port.Open(defaults(0)) == nullptr);
    QCOMPARE(port.channel(), SerialPort::Channel::None);

    QCOMPARE(QString(port.Open(defaults(2))), QString(""));
    QVERIFY(port.Open(defaults(5)) == nullptr);
    QCOMPARE(port.channel(), SerialPort::Channel::Open);
    const std::uint8_t byte = 0x42;
    pty.send(&byte, 1);
    QCOMPARE(waitForBytes(port, 1), 1u);
}

void TestSerialPort::openAppliesBaudRateAndRawEightBits() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(3, pty.path());
    SerialPort port(paths);
    SerialSettings settings = defaults(3);
    settings.BaudRate = 19200;
    QCOMPARE(QString(port.Open(settings)), QString(""));
    QVERIFY(port.isConnected());

    termios applied{};
    QCOMPARE(::tcgetattr(pty.slave(), &applied), 0);
    QCOMPARE(::cfgetospeed(&applied), speed_t(B19200));
    QCOMPARE(applied.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(applied.c_cflag & CSTOPB, tcflag_t(0));
    QCOMPARE(applied.c_cflag & CRTSCTS, tcflag_t(0));
    QCOMPARE(applied.c_iflag & (IXON | IXOFF), tcflag_t(0));
    QCOMPARE(applied.c_lflag & (ICANON | ECHO), tcflag_t(0));
}

void TestSerialPort::missingDeviceGivesInvalidHandleValue() {
    PortPaths paths;
    paths.setPath(1, "/dev/daridez-missing-device");
    SerialPort port(paths);
    QCOMPARE(QString(port.Open(defaults(1))), QString("INVLID_HANDLE_VALUE"));
    QCOMPARE(port.channel(), SerialPort::Channel::Invalid);
    QCOMPARE(port.Close(), 0u);
}

void TestSerialPort::secondOpenOfTheSamePortGivesInvalidHandleValue() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(4, pty.path());
    SerialPort first(paths);
    SerialPort second(paths);
    QCOMPARE(QString(first.Open(defaults(4))), QString(""));
    QCOMPARE(QString(second.Open(defaults(4))), QString("INVLID_HANDLE_VALUE"));
    QCOMPARE(second.channel(), SerialPort::Channel::Invalid);
    QVERIFY(first.isConnected());

    // Once the first lets go, the port can be had again.
    QCOMPARE(first.Close(), 1u);
    QCOMPARE(QString(second.Open(defaults(4))), QString(""));
}

void TestSerialPort::sevenDataBitsAreRejectedAndThePortStaysOpen() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    SerialSettings settings = defaults();
    settings.ByteSize = 7;
    QCOMPARE(QString(port.Open(settings)), QString("Could not set the comstate"));
    QCOMPARE(port.channel(), SerialPort::Channel::Open);

    // The port is held until Close releases it.
    SerialPort other(paths);
    QCOMPARE(QString(other.Open(defaults())), QString("INVLID_HANDLE_VALUE"));
    QCOMPARE(port.Close(), 1u);
    QCOMPARE(QString(other.Open(defaults())), QString(""));
}

void TestSerialPort::closeReleasesThePortOnce() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QCOMPARE(QString(port.Open(defaults())), QString(""));
    QCOMPARE(port.Close(), 1u);
    QCOMPARE(port.channel(), SerialPort::Channel::Invalid);
    QCOMPARE(port.Close(), 0u);
}

void TestSerialPort::readDeliversAtMostMaxAndKeepsTheRest() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QCOMPARE(QString(port.Open(defaults())), QString(""));

    const auto sent = hundredBytes();
    pty.send(sent.data(), sent.size());
    QCOMPARE(waitForBytes(port, 100), 100u);

    std::array<std::uint8_t, 128> buffer{};
    QCOMPARE(port.Read(buffer.data(), 40), 40u);
    QVERIFY(std::memcmp(buffer.data(), sent.data(), 40) == 0);
    QCOMPARE(port.BytesWaiting(), 60u);
    buffer.fill(0);
    QCOMPARE(port.Read(buffer.data(), buffer.size()), 60u);
    QVERIFY(std::memcmp(buffer.data(), sent.data() + 40, 60) == 0);
    QCOMPARE(port.Read(buffer.data(), buffer.size()), 0u);
}

void TestSerialPort::readWithNullBufferReturnsZero() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QCOMPARE(QString(port.Open(defaults())), QString(""));
    const std::uint8_t bytes[3] = {5, 6, 7};
    pty.send(bytes, 3);
    QCOMPARE(waitForBytes(port, 3), 3u);
    QCOMPARE(port.Read(nullptr, 10), 0u);
    QCOMPARE(port.BytesWaiting(), 3u);
}

void TestSerialPort::writeReachesTheDevice() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QCOMPARE(QString(port.Open(defaults())), QString(""));
    const std::uint8_t frame[5] = {0x04, 0x01, 0x4B, 0x00, 0x50};
    QCOMPARE(port.Write(frame, 5), 5u);
    QCOMPARE(pty.receive(5), QByteArray(reinterpret_cast<const char*>(frame), 5));
}

void TestSerialPort::purgeInputDiscardsQueuedBytesAndSkipsAnEmptyQueue() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QCOMPARE(QString(port.Open(defaults())), QString(""));
    QCOMPARE(port.PurgeInput(), 0u);

    const auto sent = hundredBytes();
    pty.send(sent.data(), 10);
    QCOMPARE(waitForBytes(port, 10), 10u);
    QVERIFY(port.PurgeInput() != 0);
    QCOMPARE(port.BytesWaiting(), 0u);

    // Bytes that arrive after the purge are delivered.
    pty.send(sent.data() + 10, 4);
    QCOMPARE(waitForBytes(port, 4), 4u);
    std::uint8_t buffer[8] = {};
    QCOMPARE(port.Read(buffer, sizeof buffer), 4u);
    QVERIFY(std::memcmp(buffer, sent.data() + 10, 4) == 0);
}

void TestSerialPort::purgeOutputWorksOnlyOnAnOpenPort() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QCOMPARE(port.PurgeOutput(), 0u);
    QCOMPARE(QString(port.Open(defaults())), QString(""));
    QVERIFY(port.PurgeOutput() != 0);
    QCOMPARE(port.Close(), 1u);
    QCOMPARE(port.PurgeOutput(), 0u);
}

void TestSerialPort::vanishedDeviceDeliversReceivedBytesThenZero() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QSignalSpy lost(&port, &SerialPort::deviceLost);
    QCOMPARE(QString(port.Open(defaults())), QString(""));

    const auto sent = hundredBytes();
    pty.send(sent.data(), 20);
    QCOMPARE(waitForBytes(port, 20), 20u);
    pty.closeMaster();

    std::array<std::uint8_t, 64> buffer{};
    std::uint32_t got = 0;
    for (int round = 0; round < 200 && !port.deviceVanished(); ++round) {
        got += port.Read(buffer.data() + got, 5);
        QTest::qWait(2);
    }
    QVERIFY(port.deviceVanished());
    got += port.Read(buffer.data() + got, static_cast<std::uint32_t>(buffer.size() - got));
    QCOMPARE(got, 20u);
    QVERIFY(std::memcmp(buffer.data(), sent.data(), 20) == 0);

    QCOMPARE(port.BytesWaiting(), 0u);
    QCOMPARE(port.Read(buffer.data(), 10), 0u);
    QCOMPARE(port.Write(sent.data(), 3), 0u);
    QCOMPARE(port.PurgeInput(), 0u);
    QCOMPARE(port.PurgeOutput(), 0u);
    QTRY_COMPARE(lost.count(), 1);
    QCOMPARE(port.Close(), 1u);
    QCOMPARE(port.Close(), 0u);
}

void TestSerialPort::vanishingIsNoticedByTheEventLoopAlone() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QSignalSpy lost(&port, &SerialPort::deviceLost);
    QCOMPARE(QString(port.Open(defaults())), QString(""));
    const auto sent = hundredBytes();
    pty.send(sent.data(), 7);
    QTest::qWait(20);
    pty.closeMaster();

    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(port.deviceVanished());
    std::array<std::uint8_t, 16> buffer{};
    QCOMPARE(port.Read(buffer.data(), buffer.size()), 7u);
    QVERIFY(std::memcmp(buffer.data(), sent.data(), 7) == 0);
    QCOMPARE(port.Read(buffer.data(), buffer.size()), 0u);
}

void TestSerialPort::markNotConnectedForgetsThePort() {
    PseudoTerminal pty;
    QVERIFY(pty.ok());
    PortPaths paths;
    paths.setPath(2, pty.path());
    SerialPort port(paths);
    QCOMPARE(QString(port.Open(defaults())), QString(""));
    port.markNotConnected();
    QCOMPARE(port.channel(), SerialPort::Channel::None);
    QCOMPARE(port.Close(), 0u);

    // The port was released with it.
    SerialPort other(paths);
    QCOMPARE(QString(other.Open(defaults())), QString(""));
}

void TestSerialPort::talksToTheSimulatedTracerUntilItIsUnplugged() {
    sim::TracerSimulator tracer;
    QVERIFY(tracer.open());
    PortPaths paths;
    paths.setPath(2, tracer.devicePath());
    SerialPort port(paths);
    QSignalSpy lost(&port, &SerialPort::deviceLost);
    QCOMPARE(QString(port.Open(defaults())), QString(""));
    tracer.startThread();

    const std::uint8_t readVersion[3] = {0x02, 0x00, 0x02};
    QCOMPARE(port.Write(readVersion, 3), 3u);
    QCOMPARE(waitForBytes(port, 6), 6u);
    std::array<std::uint8_t, 6> answer{};
    QCOMPARE(port.Read(answer.data(), 6), 6u);
    QCOMPARE(answer, (std::array<std::uint8_t, 6>{0x05, 0x80, 0x01, 0x04, 0x02, 0x8C}));

    const std::uint8_t startTrace[3] = {0x02, 0x02, 0x04};
    QCOMPARE(port.Write(startTrace, 3), 3u);
    QVERIFY(waitForBytes(port, 6 + 5) >= 6u + 5u);
    tracer.closeDevice();
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(port.deviceVanished());
    std::array<std::uint8_t, 4096> buffer{};
    std::uint32_t got = 0;
    while (std::uint32_t n = port.Read(buffer.data() + got, 512)) {
        got += n;
    }
    QVERIFY(got >= 11u);
    QCOMPARE(buffer[0], std::uint8_t(0x05));  // the start marker first
    QCOMPARE(buffer[1], std::uint8_t(0x82));
    QCOMPARE(port.BytesWaiting(), 0u);
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
