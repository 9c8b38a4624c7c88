// daridez-extcap's parts: its command line, its answers to Wireshark, the interfaces it
// lists, the live capture session against a scripted port, and the personal link.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "DecoderFixture.h"
#include "ScriptedPort.h"
#include "ldf/LdfParser.h"
#include "tools/extcap/ExtcapAnswers.h"
#include "tools/extcap/ExtcapInterfaces.h"
#include "tools/extcap/ExtcapOptions.h"
#include "tools/extcap/UserInstall.h"
#include "tools/live/CaptureSession.h"
#include "tools/live/PcapngLiveOutput.h"
#include "tools/live/PollSchedule.h"

using namespace daridez;
using namespace daridez::test;

Q_DECLARE_METATYPE(daridez::UserInstall::Way)

namespace {

// Keeps what the capture writes; refuses it once told to.
struct MemoryOutput : ByteOutput {
    bool write(const void* data, std::size_t size) override {
        return refuse ? false : (bytes += bytesOf(data, size), ++writes, true);
    }
    QByteArray bytes;
    int writes = 0;
    bool refuse = false;
};

// The packets of a pcapng capture as "id checksum errors: data": the LIN pseudo-header's
// identifier byte, checksum and error bits, then the data bytes.
QStringList packetsOf(const QByteArray& capture) {
    QStringList packets;
    qsizetype at = 0;
    const auto u32 = [&](qsizetype pos) {
        return qFromLittleEndian<quint32>(capture.constData() + pos);
    };
    while (at + 12 <= capture.size()) {
        const quint32 type = u32(at), length = u32(at + 4);
        if (type == 6) {
            const QByteArray packet = capture.mid(at + 28, u32(at + 20));
            packets << packet.mid(5, 3).toHex(' ') + ":" + packet.mid(8).toHex(' ');
        }
        at += length;
    }
    return packets;
}

// Device frames: a start marker, and a LIN frame C1 (id 01) with 05 10 and checksum.
const QByteArray kStart = hex("0582000001 00");
QByteArray linFrame(const char* pidAndBytes) {
    const QByteArray bytes = hex(pidAndBytes);
    return deviceFramesOf(0x55, std::uint8_t(bytes[0]), bytes.mid(1));
}
const QByteArray kRateAnswer = hex("05814B0000 00");

struct CaptureRig {
    explicit CaptureRig(CaptureSession::Settings settings = {}, bool checks = true)
        : packets(out, checks),
          session(
              port, packets, std::move(settings),
              [this](const std::string& text) { reports << QString::fromStdString(text); },
              [] { return std::int64_t{1'000'000}; }) {}

    // Queues bytes and polls once, afterMs after the last poll.
    CaptureSession::TickResult poll(const QByteArray& bytes = {}, int afterMs = 100) {
        port.pending += bytes;
        now += std::chrono::milliseconds(afterMs);
        return session.poll(now);
    }
    // Headers, the rate's answer, the start marker: a running trace.
    void start() {
        QVERIFY(session.writeHeaders());
        session.begin();
        poll(kRateAnswer);
        poll(kStart);
        QCOMPARE(session.state(), TraceState::Tracing);
    }

    ScriptedPort port;
    MemoryOutput out;
    PcapngLiveOutput packets;
    QStringList reports;
    CaptureSession session;
    CaptureSession::Clock::time_point now{};
};

std::vector<std::string> strings(const QStringList& list) {
    std::vector<std::string> result;
    for (const QString& text : list) {
        result.push_back(text.toStdString());
    }
    return result;
}

}  // namespace

class TestExtcap : public QObject {
    Q_OBJECT

  private slots:
    // --- the command line ----------------------------------------------------------

    // Rows named by the arguments: the options read (those given), or the error.
    void parsesWiresharksCalls_data() {
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* arguments, const char* expected) {
            QTest::newRow(arguments) << QString(expected);
        };
        row("--extcap-interfaces --extcap-version=4.0", "interfaces");
        row("--extcap-dlts --extcap-interface daridez-ttyUSB0", "dlts if=daridez-ttyUSB0");
        row("--capture --extcap-interface daridez-a --fifo /tmp/f --device /dev/x --lin-rate 9600 "
            "--baud=19200 --data-bits 7 --parity even --stop-bits 2 --checks false "
            "--extcap-capture-filter id=3C --ldf=/tmp/a.ldf",
            "capture if=daridez-a fifo=/tmp/f filter=id=3C device=/dev/x rate=9600 checks=0 "
            "line=19200,7,2,2 ldf=/tmp/a.ldf");
        // A line setting not given falls back to its default (here 9600,7,2,2) on its own.
        row("--capture --extcap-interface a --fifo f --parity odd",
            "capture if=a fifo=f line=9600,7,1,2");
        row("--extcap-capture-filter frame=F --extcap-interface daridez-a --ldf /x.ldf",
            "filtercheck if=daridez-a filter=frame=F ldf=/x.ldf");
        // A filter without --capture is a filter check.
        row("--extcap-capture-filter bad --extcap-interface daridez-a",
            "filtercheck if=daridez-a filter=bad");
        row("--extcap-config --extcap-interface i --extcap-reload-option device",
            "config if=i reload=device");
        row("--install-user", "install");
        row("--device /dev/x",
            "error: nothing to do: give --extcap-interfaces, --capture, --install-user or --help");
        row("--capture --extcap-interface a", "error: --fifo is missing");
        row("--extcap-dlts", "error: --extcap-interface is missing");
        row("--capture --lin-rate 70000",
            "error: --lin-rate 70000: a LIN rate is 1 to 65535 bit/s");
        row("--capture --parity mark", "error: --parity mark: none, odd or even");
        row("--capture --checks maybe", "error: --checks maybe: true or false");
        row("--capture --speed 3", "error: unknown option --speed");
        row("--capture --fifo", "error: option --fifo needs a value");
        row("--capture now", "error: unexpected argument now");
    }
    void parsesWiresharksCalls() {
        QFETCH(QString, expected);
        const std::vector<std::string> args = strings(QString(QTest::currentDataTag()).split(' '));
        std::vector<const char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(arg.c_str());
        }
        std::string error;
        const auto options = ExtcapOptions::parse(int(argv.size()), argv.data(), error);
        QCOMPARE(describe(options, error), expected);
    }

    // --- the answers -----------------------------------------------------------------

    // The link type's answer: tst_extcapcapture's dlts row, through the program.
    void answersInterfaces() {
        QCOMPARE(QString::fromStdString(ExtcapAnswers::interfaces(
                     "1.2.3", "file:///doc/README.md",
                     {{"daridez-ttyUSB0", "/dev/ttyUSB0"}, {"daridez-tty{x}", "/tmp/tty{x}"}})),
                 QString("extcap {version=1.2.3}{help=file:///doc/README.md}\n"
                         "interface {value=daridez-ttyUSB0}{display=Daridez LIN tracer "
                         "/dev/ttyUSB0}\n"
                         "interface {value=daridez-tty(x)}{display=Daridez LIN tracer "
                         "/tmp/tty(x)}\n"));
        QCOMPARE(QString::fromStdString(ExtcapAnswers::interfaces("1", "h", {})),
                 QString("extcap {version=1}{help=h}\n"));
    }

    void answersConfigWithTheDefaultsMarked() {
        ExtcapAnswers::Defaults defaults;
        defaults.device = "/tmp/ttyLIN0";  // not present: listed first
        defaults.linRate = 15000;          // not one of the box's rates: listed first
        defaults.line = {19200, 8, 2, 2};
        defaults.ldf = "/home/u/body{1}.ldf";
        const QString kLdfArg =
            "arg {number=7}{call=--ldf}{display=LDF}{type=fileselect}{tooltip=The LIN "
            "description file: frame= and signal: in the capture filter, and the length that "
            "completes each frame}{mustexist=true}{fileext=LIN description files (*.ldf);;All "
            "files (*)}";
        const QStringList lines =
            QString::fromStdString(
                ExtcapAnswers::config(defaults, {{"/dev/ttyUSB0", "FT232R (FTDI)"}}))
                .split('\n');
        QStringList expected = {
            "arg {number=0}{call=--device}{display=Device}{type=selector}{tooltip=The serial "
            "device the tracer is attached to}{reload=true}{placeholder=Look again}",
            "value {arg=0}{value=/tmp/ttyLIN0}{display=/tmp/ttyLIN0}{default=true}",
            "value {arg=0}{value=/dev/ttyUSB0}{display=/dev/ttyUSB0 (FT232R (FTDI))}"
            "{default=false}",
            "arg {number=1}{call=--lin-rate}{display=LIN-Baudrate}{type=selector}{tooltip=The "
            "bus's bit rate, set on the tracer before the trace starts}",
            "value {arg=1}{value=15000}{display=15000}{default=true}"};
        for (const char* rate : {"1200", "2400", "4800", "9600", "10417", "19200", "20000"}) {
            expected << QString("value {arg=1}{value=%1}{display=%1}{default=false}").arg(rate);
        }
        expected << "arg {number=2}{call=--baud}{display=Baud rate}{type=selector}{tooltip=The "
                    "serial line to the tracer}{group=Serial line}";
        QCOMPARE(lines.mid(0, expected.size()), expected);
        QVERIFY(lines.contains("value {arg=2}{value=19200}{display=19.2K}{default=true}"));
        QVERIFY(lines.contains("value {arg=3}{value=8}{display=8 bit}{default=true}"));
        QVERIFY(lines.contains("value {arg=4}{value=even}{display=even}{default=true}"));
        QVERIFY(lines.contains("value {arg=5}{value=2}{display=2 bit}{default=true}"));
        QCOMPARE(lines.filter("{default=true}").size(), 7);  // six selectors and the box
        QCOMPARE(lines.mid(lines.size() - 3),
                 (QStringList{"arg {number=6}{call=--checks}{display=Frame checks}{type=boolean}"
                              "{tooltip=Mark each packet's faults (no response, sync, parity, "
                              "checksum) in its error bits}{default=true}",
                              kLdfArg + "{default=/home/u/body(1).ldf}", ""}));
        // Without an LDF the window used, the file chooser starts empty.
        defaults.ldf.clear();
        const QStringList plain =
            QString::fromStdString(ExtcapAnswers::config(defaults, {})).split('\n');
        QCOMPARE(plain.at(plain.size() - 2), kLdfArg);
    }

    // --- the interfaces ----------------------------------------------------------------

    void listsPortsThenDevicesPresent_data() {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("expected");  // name=device
        // Paths starting with "gone" lead nowhere; "by-id" leads to /dev/ttyUSB0.
        QTest::newRow("ports that exist, then new devices")
            << QStringList{"gone/ttyS0", "/tmp/ttyLIN0", "", "/dev/ttyACM0"}
            << QStringList{"/dev/ttyACM0", "/dev/ttyUSB1"}
            << QStringList{"daridez-ttyLIN0=/tmp/ttyLIN0", "daridez-ttyACM0=/dev/ttyACM0",
                           "daridez-ttyUSB1=/dev/ttyUSB1"};
        QTest::newRow("a port naming a present device by its link")
            << QStringList{"/dev/serial/by-id/usb-FTDI"} << QStringList{"/dev/ttyUSB0"}
            << QStringList{"daridez-usb-FTDI=/dev/serial/by-id/usb-FTDI"};
        QTest::newRow("one name, two devices: the first")
            << QStringList{"/tmp/ttyUSB0"} << QStringList{"/dev/ttyUSB0"}
            << QStringList{"daridez-ttyUSB0=/tmp/ttyUSB0"};
        QTest::newRow("no devices at all")
            << QStringList{"gone/a", "gone/b"} << QStringList{} << QStringList{};
    }
    void listsPortsThenDevicesPresent() {
        QFETCH(QStringList, ports);
        QFETCH(QStringList, present);
        std::vector<PortList::Entry> devices;
        for (const QString& path : present) {
            devices.push_back({path.toStdString(), {}, {}});
        }
        const auto resolve = [](const std::string& path) -> std::string {
            return path.starts_with("gone")                  ? ""
                   : path.find("by-id") != std::string::npos ? "/dev/ttyUSB0"
                                                             : path;
        };
        QStringList listed;
        for (const auto& entry : ExtcapInterfaces::list(strings(ports), devices, resolve)) {
            listed << QString::fromStdString(entry.name + "=" + entry.device);
        }
        QTEST(listed, "expected");
    }

    void findsTheDeviceOfAnInterface_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a port, present or not") << "daridez-ttyLIN0"
                                                << "/tmp/gone/ttyLIN0";
        QTest::newRow("a device present") << "daridez-ttyUSB3"
                                          << "/dev/serial/ttyUSB3";
        QTest::newRow("neither: the name in /dev") << "daridez-ttyACM7"
                                                   << "/dev/ttyACM7";
    }
    void findsTheDeviceOfAnInterface() {
        QFETCH(QString, name);
        const std::string device =
            ExtcapInterfaces::deviceOf(name.toStdString(), {"/dev/ttyS0", "/tmp/gone/ttyLIN0"},
                                       {{"/dev/serial/ttyUSB3", {}, {}}});
        QTEST(QString::fromStdString(device), "expected");
    }

    // --- the capture session -----------------------------------------------------------

    void setsTheRateThenStartsAndStops() {
        CaptureSession::Settings settings;
        settings.linRate = 9600;
        CaptureRig rig(std::move(settings));
        QVERIFY(rig.session.writeHeaders());
        QCOMPARE(rig.out.bytes.size(), 48);  // section header and interface, at once
        rig.session.begin();
        QCOMPARE(rig.port.writes, QStringList{"04 01 25 80 aa"});
        rig.poll();
        QCOMPARE(rig.port.writes.size(), 1);  // the rate is not answered yet
        rig.poll(hex("0581258000 00"));
        QCOMPARE(rig.port.writes, (QStringList{"04 01 25 80 aa", "02 02 04"}));
        QVERIFY(rig.session.stop());
        QCOMPARE(rig.port.writes.last(), QString("02 03 05"));
        QCOMPARE(rig.reports, QStringList{});
    }

    // When the open frame goes to Wireshark, on a clock the test moves. Each step waits
    // its milliseconds, then the poll reads its device frames: B a break and its sync,
    // W a wrap of the device's clock, hex bytes the next fields (identifier, response).
    // After each step: the packets so far ("-": none). 19200 bit/s: 24 ms of quiet.
    void handsOnAFrameOnlyWhenComplete_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("withLdf");
        QTest::addColumn<QStringList>("expected");
        const QString good = "c1 ea 00:05 10";
        QTest::newRow("complete, then a pause")
            << QStringList{"100 B c1 05 10 ea", "23", "1"} << false << QStringList{"-", "-", good};
        QTest::newRow("half a frame, a pause, the rest")
            << QStringList{"100 B c1 05", "30", "70", "5 10 ea", "24"} << false
            << QStringList{"-", "-", "-", "-", good};
        QTest::newRow("half a frame, then silence: as it is after a second")
            << QStringList{"100 B c1 05", "500", "499", "1"} << false
            << QStringList{"-", "-", "-", "c1 05 08:"};
        QTest::newRow("the device's clock wraps are no field")
            << QStringList{"100 B c1 05", "500 W", "499 W", "1"} << false
            << QStringList{"-", "-", "-", "c1 05 08:"};
        QTest::newRow("a header without response waits too")
            << QStringList{"100 B c1", "999", "1"} << false << QStringList{"-", "-", "c1 00 01:"};
        QTest::newRow("the next break hands it on at once")
            << QStringList{"100 B c1 05 10 ea", "5 B 20 01", "24", "976"} << false
            << QStringList{"-", good, good, good + ", 20 01 08:"};
        QTest::newRow("a wrong checksum is no end without an LDF")
            << QStringList{"100 B 50 01 02 00", "24", "976"} << false
            << QStringList{"-", "-", "50 00 08:01 02"};
        QTest::newRow("the LDF's length is")
            << QStringList{"100 B 50 01 02 00", "24"} << true << QStringList{"-", "50 00 08:01 02"};
        QTest::newRow("short of the LDF's length, though the last byte is a checksum")
            << QStringList{"100 B 50 01 ae", "24", "20 00", "24"} << true
            << QStringList{"-", "-", "-", "50 00 00:01 ae"};
    }
    void handsOnAFrameOnlyWhenComplete() {
        QFETCH(QStringList, steps);
        QFETCH(bool, withLdf);
        const LdfFile ldf = LdfParser::parse(
            "LIN_protocol_version = \"2.1\"; Nodes { Master: M, 5 ms, 0.1 ms; Slaves: S; }"
            "Signals { A: 8, 0, S, M; } Frames { F: 0x10, S, 2 { A, 0; } }");
        CaptureSession::Settings settings;
        settings.ldf = withLdf ? &ldf.model : nullptr;
        CaptureRig rig(std::move(settings));
        rig.start();
        QStringList seen;
        int slot = 0;
        for (const QString& step : steps) {
            QStringList words = step.split(' ');
            const int afterMs = words.takeFirst().toInt();
            QByteArray frames;
            for (const QString& word : words) {
                if (word == "B") {
                    frames += hex("0490001000 059100205500");
                    slot = 0;
                } else if (word == "W") {
                    frames += hex("02A000");
                } else {
                    frames += hex("05" + QByteArray::number(0x92 + slot++, 16) + "0030" +
                                  word.toLatin1() + "00");
                }
            }
            rig.poll(frames, afterMs);
            const QStringList packets = packetsOf(rig.out.bytes);
            seen << (packets.isEmpty() ? "-" : packets.join(", "));
        }
        QTEST(seen, "expected");
        QVERIFY(rig.session.stop());
        QCOMPARE(packetsOf(rig.out.bytes).join(", "), seen.last());  // each once
    }

    void quietTimeFollowsTheLinRate_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("quietMs");
        QTest::newRow("19200: 60 bits in 4 ms") << 19200 << 24;
        QTest::newRow("9600: 60 bits in 7 ms") << 9600 << 27;
        QTest::newRow("1200: 60 bits in 50 ms") << 1200 << 70;
        QTest::newRow("1000: 60 bits in 60 ms") << 1000 << 80;
    }
    void quietTimeFollowsTheLinRate() {
        QFETCH(int, rate);
        CaptureSession::Settings settings;
        settings.linRate = rate;
        CaptureRig rig(std::move(settings));
        rig.session.writeHeaders();
        rig.session.begin();
        rig.poll(hex("0581" + QByteArray::number(rate, 16).rightJustified(4, '0') + "00 00"));
        rig.poll(kStart);
        QTEST(int(rig.session.quietTime().value_or(std::chrono::milliseconds(-1)).count()),
              "quietMs");
    }

    void filtersChecksAndTimesPackets_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("checks");
        QTest::addColumn<QStringList>("expected");
        // A device error (code 42) and a buffer overflow travel as packets with error bits,
        // and only where the filter keeps them.
        const QString error = "00 00 02:42", overflow = "00 00 20:";
        const QString good = "c1 ea 00:05 10", bad = "3c 00 08:01 02";
        QTest::newRow("all, checked") << "" << true << QStringList{error, overflow, good, bad};
        QTest::newRow("id=3C") << "id=3C" << true << QStringList{bad};
        QTest::newRow("!bad") << "!bad" << true << QStringList{error, overflow, good};
        QTest::newRow("err: the device's trouble") << "err" << true << QStringList{error, overflow};
        QTest::newRow("checks off: no error bits in frames")
            << "" << false << QStringList{error, overflow, good, "3c 00 00:01 02"};
    }
    void filtersChecksAndTimesPackets() {
        QFETCH(QString, query);
        QFETCH(bool, checks);
        CaptureSession::Settings settings;
        std::string error;
        if (!query.isEmpty()) {
            settings.query = Query::parse(query.toStdString(), error);
        }
        CaptureRig rig(std::move(settings), checks);
        rig.start();
        // The break that Stop cuts off is left out; the frame before it is whole.
        rig.poll(hex("059C002042 00 03F000 00") + linFrame("c1 05 10 ea") +
                 linFrame("3c 01 02 00") + hex("0490001000"));
        QVERIFY(rig.session.stop());
        QTEST(packetsOf(rig.out.bytes), "expected");
    }

    void packetTimeIsTheDeviceClockFromTheWallClockAtStart() {
        CaptureRig rig;
        rig.start();
        rig.poll(linFrame("c1 05 10 ea"));
        QVERIFY(rig.session.stop());
        // 1 s at Start plus the break's 0x0010 us; stamps count microseconds.
        const QByteArray& bytes = rig.out.bytes;
        const quint64 stamp = quint64(qFromLittleEndian<quint32>(bytes.constData() + 48 + 12))
                                  << 32 |
                              qFromLittleEndian<quint32>(bytes.constData() + 48 + 16);
        QCOMPARE(stamp, quint64(1'000'016));
    }

    void reportsRateAndStartTroubleOnceAndGoesOn() {
        CaptureRig rig;
        QVERIFY(rig.session.writeHeaders());
        rig.session.begin();
        rig.poll(hex("05814B0001 00"));  // refused
        QCOMPARE(rig.reports, QStringList{"returned LIN Baudrate: 19200, result:1"});
        QCOMPARE(rig.port.writes.last(), QString("02 02 04"));
        for (int tick = 0; tick < 2 * TraceController::kResponseTicks; ++tick) {
            rig.poll();
        }
        QCOMPARE(rig.reports.size(), 2);
        QCOMPARE(rig.reports.last(),
                 QString("response timeout detected for 'start trace' (use STOP button)!!!"));
    }

    void endsWhenTheDeviceVanishesOrTheReaderLeaves() {
        CaptureRig rig;
        rig.start();
        rig.port.pending = linFrame("c1 05 10 ea");
        rig.port.unplug();
        QCOMPARE(rig.poll(), CaptureSession::TickResult::DeviceLost);
        QCOMPARE(rig.reports, QStringList{"device disconnected"});
        QCOMPARE(packetsOf(rig.out.bytes), QStringList{"c1 ea 00:05 10"});  // nothing lost

        CaptureRig gone;
        gone.start();
        gone.out.refuse = true;
        QCOMPARE(gone.poll(linFrame("c1 05 10 ea") + linFrame("20 01")),
                 CaptureSession::TickResult::OutputLost);
    }

    void stopsATracerStillAskedForTheRate() {
        CaptureRig rig;
        rig.session.begin();
        QVERIFY(rig.session.stop());
        QCOMPARE(rig.port.writes, (QStringList{"04 01 4b 00 50", "02 03 05"}));
    }

    // --- the poll schedule ----------------------------------------------------------

    void pollsEvery100msAndSoonAfterBytesWhileTracing_data() {
        QTest::addColumn<QString>(
            "events");  // at ms: a(rrival), p(oll read nothing), b(poll read bytes), t(race stops)
        QTest::addColumn<QString>(
            "expected");  // next poll after each event, ms; w: watches arrivals
        QTest::newRow("no trace: 100 ms, arrivals ignored") << "0p 5a 100p 210p"
                                                            << "100 100 200 300";
        QTest::newRow("trace: arrivals bring the poll forward, then the quiet poll")
            << "0q 40a 45a 50b 74q"
            << "100w 50 50 74 100w";
        QTest::newRow("trace: bytes on every poll keep it coming") << "0q 10a 20b 44b 68b"
                                                                   << "100w 20 44 68 92";
        QTest::newRow("a late poll: the next 50 ms on at least") << "0p 180p"
                                                                 << "100 230";
    }
    void pollsEvery100msAndSoonAfterBytesWhileTracing() {
        QFETCH(QString, events);
        PollSchedule::Clock::time_point start{};
        PollSchedule schedule(start);
        QStringList next;
        const auto ms = [&](int n) { return start + std::chrono::milliseconds(n); };
        for (const QString& event : events.split(' ')) {
            const int at = event.chopped(1).toInt();
            const QChar kind = event.back();
            if (kind == 'a') {
                schedule.bytesArrived(ms(at));
            } else {
                const auto quiet =
                    kind == 'p' ? std::nullopt : std::optional(std::chrono::milliseconds(24));
                schedule.polled(ms(at), kind == 'b', quiet);
            }
            const auto nextMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(schedule.next() - start);
            next << QString::number(nextMs.count()) + (schedule.watchesArrivals() ? "w" : "");
        }
        QTEST(next.join(' '), "expected");
    }

    // --- the personal link ---------------------------------------------------------------

    // Where the personal installation goes: first = XDG_CONFIG_HOME or APPDATA, second
    // = HOME; a null column is an unset variable.
    void findsThePersonalFolder_data() {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QString>("expected");
        QTest::newRow("config home")
            << false << QByteArray("/x/cfg") << QByteArray("/home/u") << "/x/cfg/wireshark/extcap";
        QTest::newRow("empty config home") << false << QByteArray("") << QByteArray("/home/u")
                                           << "/home/u/.config/wireshark/extcap";
        QTest::newRow("relative config home")
            << false << QByteArray("relative") << QByteArray("/home/u")
            << "/home/u/.config/wireshark/extcap";
        QTest::newRow("neither") << false << QByteArray() << QByteArray() << "";
        QTest::newRow("appdata") << true << QByteArray("C:\\Users\\u\\AppData\\Roaming")
                                 << QByteArray()
                                 << "C:\\Users\\u\\AppData\\Roaming\\Wireshark\\extcap";
        QTest::newRow("empty appdata") << true << QByteArray("") << QByteArray() << "";
        QTest::newRow("no appdata") << true << QByteArray() << QByteArray() << "";
    }

    void findsThePersonalFolder() {
        QFETCH(bool, windows);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        const char* firstText = first.isNull() ? nullptr : first.constData();
        const char* secondText = second.isNull() ? nullptr : second.constData();
        const std::string folder = windows ? UserInstall::appDataFolder(firstText)
                                           : UserInstall::folder(firstText, secondText);
        QTEST(QString::fromStdString(folder), "expected");
    }

    // A link where links are the user's to make, a copy on Windows: each renewed by a
    // second installation, removed by the uninstallation, and something else of its
    // name (a file where the link goes, a link where the copy goes) left alone.
    void installsRenewsAndRemovesOnlyItsOwn_data() {
        QTest::addColumn<UserInstall::Way>("way");
        QTest::addColumn<QString>("name");
        QTest::newRow("link") << UserInstall::Way::Link << "daridez-extcap";
        QTest::newRow("copy") << UserInstall::Way::Copy << "daridez-extcap.exe";
    }

    void installsRenewsAndRemovesOnlyItsOwn() {
        QFETCH(UserInstall::Way, way);
        QFETCH(QString, name);
        const bool link = way == UserInstall::Way::Link;
        QTemporaryDir dir;
        const std::string folder = (dir.path() + "/a/extcap").toStdString();
        const QString target = QString::fromStdString(folder) + "/" + name;
        const QString old = dir.path() + "/old-daridez-extcap";
        const QString program = dir.path() + "/daridez-extcap";
        QVERIFY(writeFile(old, "the old program"));
        QVERIFY(writeFile(program, "the new program"));
        std::string message;
        QVERIFY(UserInstall::install(folder, old.toStdString(), message, way));
        QVERIFY(UserInstall::install(folder, program.toStdString(), message, way));
        QCOMPARE(QString::fromStdString(message),
                 target + (link ? " -> " : " copied from ") + program);
        QCOMPARE(QFileInfo(target).isSymLink(), link);
        QCOMPARE(link ? QFile::symLinkTarget(target) : QString(), link ? program : QString());
        QCOMPARE(readFile(target), QByteArray("the new program"));
        QVERIFY(UserInstall::uninstall(folder, message, way));
        QCOMPARE(QString::fromStdString(message), "removed " + target);
        QVERIFY(!QFileInfo::exists(target) && !QFileInfo(target).isSymLink());

        const QString own = dir.path() + "/own";
        QVERIFY(writeFile(own, "a program of the user's own"));
        QVERIFY(link ? QFile::copy(own, target) : QFile::link(own, target));
        QVERIFY(!UserInstall::install(folder, program.toStdString(), message, way));
        QVERIFY(!UserInstall::uninstall(folder, message, way));
        QCOMPARE(readFile(target), QByteArray("a program of the user's own"));
        QCOMPARE(QFileInfo(target).isSymLink(), !link);
    }

  private:
    // The mode and each option given, or the error.
    static QString describe(const std::optional<ExtcapOptions>& options, const std::string& error) {
        if (!options) {
            return "error: " + QString::fromStdString(error);
        }
        static const char* const kModes[] = {"interfaces",  "dlts",    "config",    "capture",
                                             "filtercheck", "install", "uninstall", "help"};
        QStringList words{kModes[int(options->mode)]};
        const auto add = [&words](const char* key, const std::optional<std::string>& value) {
            if (value) {
                words << key + QString::fromStdString(*value);
            }
        };
        const auto given = [](const std::string& text) {
            return text.empty() ? std::nullopt : std::optional(text);
        };
        add("if=", given(options->interface));
        add("fifo=", given(options->fifo));
        add("filter=", options->captureFilter);
        add("device=", options->device);
        add("rate=", options->linRate ? given(std::to_string(*options->linRate)) : std::nullopt);
        add("checks=", given(options->checks ? "" : "0"));
        if (options->baudRate || options->byteSize || options->parity || options->stopBits) {
            const LineSettings line = options->lineSettings({9600, 7, 2, 2});
            add("line=", QString("%1,%2,%3,%4")
                             .arg(line.baudRate)
                             .arg(line.byteSize)
                             .arg(line.parity)
                             .arg(line.stopBits)
                             .toStdString());
        }
        add("reload=", given(options->reloadOption));
        add("ldf=", options->ldf);
        return words.join(' ');
    }
};

QTEST_GUILESS_MAIN(TestExtcap)
#include "tst_extcap.moc"
