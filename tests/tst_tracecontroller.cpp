// The trace controller with the real stream decoder, a scripted port and a recording
// window: commands, answers, time-outs, status lines and the enable table.
#include <QTest>
#include <map>
#include <tuple>

#include "DecoderFixture.h"
#include "protocol/TraceController.h"

using namespace daridez;
using namespace daridez::test;
using namespace std::string_literals;
using Frames = QList<QByteArray>;
using Lines = std::vector<std::string>;

namespace {

// A port whose bytes the test queues before each tick. Purging the input throws the
// queued bytes away, as a real port does.
class ScriptedPort : public PortChannel {
  public:
    bool isConnected() const override { return connected; }
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) override {
        lastMax = max;
        const QByteArray head = pending.first(std::min<qsizetype>(max, pending.size()));
        std::copy(head.begin(), head.end(), buffer);
        pending.remove(0, head.size());
        return static_cast<std::uint32_t>(head.size());
    }
    std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count) override {
        writes.append(bytesOf(bytes, count));
        return count;
    }
    std::uint32_t PurgeInput() override {
        pending.clear();
        return purge('I');
    }
    std::uint32_t PurgeOutput() override { return purge('O'); }
    std::uint32_t purge(char which) {
        purges += which;
        return 1;
    }
    bool deviceVanished() const override { return vanished; }

    bool connected = true;
    bool vanished = false;
    QByteArray pending;
    std::uint32_t lastMax = 0;  // the room the last Read was given
    Frames writes;
    std::string purges;  // "O" and "I" in the order they happened
};

// The main window as the controller sees it, recording what it is shown and asked.
class RecordingWindow : public ControllerWindow {
  public:
    explicit RecordingWindow(ScriptedPort& port) : port_(port) {}
    void setStatusLine1(const std::string& text) override { line1.push_back(text); }
    void setStatusLine2(const std::string& text) override { line2.push_back(text); }
    bool hasControl(int) const override { return true; }
    void enableControl(int id, bool enabled) override { this->enabled[id] = enabled; }
    std::string linBaudrateText() const override { return boxText; }
    void setLinBaudrateText(const std::string& text) override { boxText = text; }
    void setListLive(bool flag) override { live = flag; }
    void traceCleared() override { ++clears; }
    void redrawLastPage() override { ++redraws; }
    void markPortNotConnected() override {  // as the main window forgets the port
        ++portsForgotten;
        port_.connected = false;
    }
    void reportOutOfMemory() override { ++outOfMemoryReports; }

    Lines line1, line2;
    std::map<int, bool> enabled;
    bool live = false;
    std::string boxText = "19200";
    int clears = 0, redraws = 0, portsForgotten = 0, outOfMemoryReports = 0;

  private:
    ScriptedPort& port_;
};

const QByteArray kVersionAnswer = hex("05 80 01 02 03 8B");
const QByteArray kStartMarker = hex("05 82 00 07 00 8E");  // recording number 7
const QByteArray kLin = hex("04 90 12 34 00  05 91 12 40 55 00  05 92 12 50 C1 00");
const QByteArray kDeviceError = hex("05 9C 13 00 2A 00");
const QByteArray kStartTrace = hex("02 02 04");
const QByteArray kStopTrace = hex("02 03 05");
const std::string kStartTimeout =
    "response timeout detected for 'start trace' (use STOP button)!!!";
const int kTableIds[] = {1000, 1001, 1005, 1007, 1008, 1009, 1018, 1012};

// Logs what the controller hands a byte sink: "started", the bytes of each call in hex,
// "t" per tick, "ended".
class LoggingSink : public ByteSink {
  public:
    void traceStarted() override { log << "started"; }
    void received(const std::uint8_t* bytes, std::size_t count) override {
        log << bytesOf(bytes, count).toHex(' ');
    }
    void tick() override { log << "t"; }
    void traceEnded() override { log << "ended"; }
    QStringList log;
};

// Everything the controller borrows, wired as the main window wires it.
struct Rig : DecoderFixture {
    void ticks(int count) {
        for (int i = 0; i < count; ++i) controller.onTimerTick();
    }
    void tickWith(const QByteArray& bytes) {
        port.pending += bytes;
        controller.onTimerTick();
    }
    void startTracing() {
        controller.onStart();
        tickWith(kStartMarker);
    }
    QStringList infos() const {
        QStringList out;
        for (const TraceEntry* e : listRows()) out << e->infoText;
        return out;
    }
    // All that a command or a tick could change.
    auto traces() const {
        return std::tuple(port.writes, port.pending, window.line1, window.line2, window.clears,
                          state, buffer.carryOver, infos());
    }
    // Presses start, read version, set baud rate and (withClear) clear: true when
    // none of them changed anything.
    bool othersDoNothing(bool withClear = true) {
        const auto before = traces();
        controller.onStart();
        controller.onGetFwVersion();
        controller.onSetLinSpeed();
        if (withClear) {
            controller.onClearTraceList();
        }
        return traces() == before;
    }

    ScriptedPort port;
    RecordingWindow window{port};
    SetBaudrateFrame baudrateFrame;
    TraceController controller{port, window, session, baudrateFrame};
};

}  // namespace

class TestTraceController : public QObject {
    Q_OBJECT

  private slots:
    void answersWithinTwentyTicksAreShownAndPurged() {
        Rig rig;
        rig.controller.onGetFwVersion();
        // The answer on the first tick; half a frame behind it is thrown away.
        rig.tickWith(kVersionAnswer + hex("04 90"));
        QCOMPARE(rig.window.line1, (Lines{"start read version ...", "returned FW-Version: 1.2.3"}));
        rig.controller.onSetLinSpeed();
        // The answer on the twentieth tick; the frames ahead of it are thrown away.
        rig.ticks(19);
        rig.tickWith(kLin + hex("05 81 25 80 01 00"));
        QCOMPARE(rig.window.line1.back(), "returned LIN Baudrate: 9600, result:1"s);
        QCOMPARE(rig.window.boxText, "9600"s);
        QCOMPARE(rig.port.writes, (Frames{hex("02 00 02"), hex("04 01 4B 00 50")}));
        QCOMPARE(rig.port.purges, "OIOI"s);
        QVERIFY(rig.state == TraceState::Idle && rig.buffer.carryOver == 0);
        // Nothing around the answers becomes a row, now or at the head of the next trace.
        rig.startTracing();
        QCOMPARE(rig.infos(), QStringList{"START (7)"});
    }

    void silentDeviceTimesOutOnTwentyFirstTick_data() {
        QTest::addColumn<bool>("version");
        QTest::newRow("read version") << true;
        QTest::newRow("set baudrate") << false;
    }

    void silentDeviceTimesOutOnTwentyFirstTick() {
        QFETCH(bool, version);
        const std::string what = version ? "read version" : "set baudrate";
        Rig rig;
        version ? rig.controller.onGetFwVersion() : rig.controller.onSetLinSpeed();
        rig.ticks(2);
        rig.controller.onStop();  // an awaited answer is no trace to stop
        QVERIFY(rig.othersDoNothing());
        rig.ticks(18);
        QCOMPARE(rig.window.line1, Lines{"start " + what + " ..."});

        // An answer read in the tick that times out comes too late.
        rig.tickWith(version ? kVersionAnswer : hex("05 81 25 80 00 00"));
        QCOMPARE(rig.window.line1, (Lines{"start " + what + " ...", "timeout " + what + "!!!"}));
        QCOMPARE(rig.port.purges, "OI"s);
        rig.ticks(5);
        QCOMPARE(rig.window.line1.size(), std::size_t(2));
        QVERIFY(rig.state == TraceState::Idle && rig.window.boxText == "19200");
        QVERIFY(rig.port.writes.size() == 1 && rig.window.redraws == 0);
    }

    void startMarkerOnThirdTickIsAnnouncedOnce() {
        Rig rig;
        rig.controller.onStart();
        QCOMPARE(rig.port.writes, Frames{kStartTrace});
        QVERIFY(rig.window.live && rig.controller.busy());
        rig.ticks(2);
        QVERIFY(rig.othersDoNothing());
        rig.tickWith(kStartMarker);
        QCOMPARE(rig.state, TraceState::Tracing);
        rig.ticks(25);
        QVERIFY(rig.othersDoNothing());
        QCOMPARE(rig.window.line1, (Lines{"start trace ...", "start trace detected ..."}));
        QCOMPARE(rig.infos(), QStringList{"START (7)"});
    }

    void startOnSilentDeviceRepeatsTimeoutWithOnlyStopEnabled() {
        Rig rig;
        rig.controller.onStart();
        rig.ticks(21);
        QCOMPARE(rig.window.line1, (Lines{"start trace ...", kStartTimeout}));
        QCOMPARE(rig.window.line2.size(), std::size_t(4));  // refreshed on ticks 1, 7, 13, 19
        rig.ticks(4);
        QCOMPARE(rig.window.line2.size(), std::size_t(5));
        QCOMPARE(rig.port.purges, "OIOIOIOIOI"s);
        QCOMPARE(rig.state, TraceState::StartRequested);
        for (int id : kTableIds) QCOMPARE(rig.window.enabled.at(id), id == ControlId::Stop);

        rig.controller.onStop();
        QCOMPARE(rig.port.writes, (Frames{kStartTrace, kStopTrace}));
        QVERIFY(rig.state == TraceState::Idle && !rig.window.live && !rig.controller.busy());
        QCOMPARE(rig.window.redraws, 1);
        for (int id : kTableIds) QVERIFY(rig.window.enabled.at(id));
        rig.ticks(3);
        QCOMPARE(std::ranges::count(rig.window.line1, kStartTimeout), 5);
    }

    void countsSurviveStopAndRestartUntilClear() {
        Rig rig;
        rig.startTracing();
        // Sixteen wraps put the clock past a second; the device error comes in two reads.
        rig.tickWith(hex("02 A0 A2").repeated(16) + kLin + kDeviceError.left(3));
        rig.tickWith(kDeviceError.mid(3));  // read behind the three, not past the buffer
        QCOMPARE(rig.port.lastMax, std::uint32_t(ReceiveBuffer::kSize - 3));
        rig.ticks(6);
        QCOMPARE(rig.window.line2.back(), "active: 00:00:01  \tFRMs: 1  \tERRs: 1"s);
        // A new recording restarts the clock; the counts go on.
        rig.controller.onStop();
        rig.startTracing();
        rig.tickWith(kLin + kDeviceError.left(2));
        rig.ticks(6);
        QCOMPARE(rig.window.line2.back(), "active: 00:00:00  \tFRMs: 2  \tERRs: 1"s);
        QCOMPARE(rig.infos(), (QStringList{"START (7)", "Break", "#2A", "START (7)", "Break"}));
        // Bytes read in Idle are dropped: no rows, and the frame begun waits as it was.
        rig.controller.onStop();
        rig.tickWith(kLin + kDeviceError);
        QVERIFY(rig.infos().size() == 5 && rig.buffer.carryOver == 2);
        rig.controller.onClearTraceList();
        QCOMPARE(rig.window.line2.back(), ""s);
        QVERIFY(rig.list.TraceListHead() == nullptr && rig.buffer.carryOver == 0);
        QCOMPARE(rig.window.clears, 1);
        QCOMPARE(rig.window.line1.back(), "start trace detected ..."s);
        rig.ticks(6);
        QCOMPARE(rig.window.line2.back(), "active: 00:00:00  \tFRMs: 0  \tERRs: 0"s);
    }

    void pausedOrPortlessControllerDoesNothingButClear() {
        Rig rig;
        rig.port.pending = kVersionAnswer;
        rig.buffer.carryOver = 4;
        const auto before = rig.traces();
        rig.controller.setPaused(true);  // a dump file loads through the receive buffer
        rig.ticks(3);
        rig.controller.onStop();
        QVERIFY(rig.othersDoNothing() && rig.traces() == before);

        rig.controller.setPaused(false);
        rig.port.connected = false;
        rig.ticks(30);
        rig.controller.onStop();
        QVERIFY(rig.othersDoNothing(false) && rig.traces() == before);
        rig.controller.onClearTraceList();
        QCOMPARE(rig.window.line2, Lines{""});
        QVERIFY(rig.window.clears == 1 && rig.buffer.carryOver == 0);

        // Connected again: the refresh counter starts full, so the first tick refreshes.
        rig.port.connected = true;
        rig.ticks(1);
        QCOMPARE(rig.window.line2.size(), std::size_t(2));
        rig.controller.onStop();  // in Idle too: it stops a device left tracing
        QCOMPARE(rig.port.writes, Frames{kStopTrace});
    }

    void deviceVanishingKeepsItsLastFramesAndStops() {
        Rig rig;
        rig.startTracing();
        rig.tickWith(hex("04 90 12 34 00  05 91 12 40 55 00"));
        // The last frames arrived before the adapter was pulled, and half a frame after.
        rig.port.pending = hex("05 92 12 50 C1 00") + kDeviceError + hex("04 90");
        rig.port.vanished = true;
        rig.ticks(6);
        QCOMPARE(rig.infos(), (QStringList{"START (7)", "Break", "#2A"}));
        QCOMPARE(rig.window.line1,
                 (Lines{"start trace ...", "start trace detected ...", "device disconnected"}));
        QCOMPARE(rig.window.line2.back(), "active: 00:00:00  \tFRMs: 1  \tERRs: 1"s);
        QCOMPARE(rig.port.lastMax, std::uint32_t(ReceiveBuffer::kSize - 2));  // drained too
        QCOMPARE(rig.port.writes, Frames{kStartTrace});
        QVERIFY(rig.state == TraceState::Idle && !rig.controller.busy() && !rig.window.live);
        QVERIFY(rig.window.redraws == 1 && rig.buffer.carryOver == 0);
        QCOMPARE(rig.window.portsForgotten, 1);

        // Back again, and gone again while the version answer is awaited.
        rig.port.vanished = false;
        rig.port.connected = true;
        rig.controller.onGetFwVersion();
        rig.ticks(2);
        rig.port.vanished = true;
        rig.ticks(2);
        QVERIFY(rig.state == TraceState::Idle && rig.window.portsForgotten == 2);
    }

    void rowShortageIsReportedOnce() {
        Rig rig;
        rig.startTracing();
        int allowed = 0;
        rig.list.setAllocator(limitedAllocate, &allowed);
        rig.tickWith(kLin + kDeviceError);    // two rows missing in one tick
        rig.tickWith(hex("04 90 14 00 00"));  // and one in the next
        QCOMPARE(rig.window.outOfMemoryReports, 1);
        // Memory is back: rows are made again, and a new shortage is reported anew.
        allowed = -1;
        rig.tickWith(hex("04 90 15 00 00"));
        allowed = 0;
        rig.tickWith(kDeviceError);
        QCOMPARE(rig.window.outOfMemoryReports, 2);
        QCOMPARE(rig.infos(), (QStringList{"START (7)", "Break"}));
    }

    void sinkGetsTheBytesReadWhileATraceRuns_data() {
        QTest::addColumn<QString>("script");  // steps run with the sink attached
        QTest::addColumn<QString>("log");
        QTest::newRow("idle") << "read 05 82 00 07 00 8e; read 04 90 12 34 00"
                              << "t|t";
        QTest::newRow("version answer awaited") << "version; read 04 90 12 34 00 05 80 01 02 03 8b"
                                                << "t";
        QTest::newRow("trace, stop") << "start; read 05 82 00 07 00 8e 04; read 90 12 34 00; "
                                        "stop; read 04 90 12 34 00"
                                     << "started|05 82 00 07 00 8e 04|t|90 12 34 00|t|ended|t";
        QTest::newRow("start request without answer") << "start; read; read 05 82 00"
                                                      << "started|t|05 82 00|t";
        QTest::newRow("attached mid-frame") << "detach; start; read 05 82 00 07 00 8e 04 90; "
                                               "attach; read 12 34 00"
                                            << "started|04 90|12 34 00|t";
        QTest::newRow("detached") << "start; read 05 82 00 07 00 8e; detach; read 04 90 12 34 00"
                                  << "started|05 82 00 07 00 8e|t|ended";
        QTest::newRow("device lost") << "start; read 05 82 00 07 00 8e; vanish 04 90 12 34 00; read"
                                     << "started|05 82 00 07 00 8e|t|04 90 12 34 00|ended";
    }

    void sinkGetsTheBytesReadWhileATraceRuns() {
        QFETCH(QString, script);
        QFETCH(QString, log);
        Rig rig;
        LoggingSink sink;
        rig.controller.setByteSink(&sink);
        for (const QString& step : script.split(QLatin1Char(';'))) {
            const QString verb = step.trimmed().section(QLatin1Char(' '), 0, 0);
            const QByteArray bytes = QByteArray::fromHex(step.trimmed().section(' ', 1).toLatin1());
            if (verb == "read") {
                rig.tickWith(bytes);
            } else if (verb == "vanish") {
                rig.port.pending += bytes;
                rig.port.vanished = true;
            } else if (verb == "start") {
                rig.controller.onStart();
            } else if (verb == "stop") {
                rig.controller.onStop();
            } else if (verb == "version") {
                rig.controller.onGetFwVersion();
            } else {
                rig.controller.setByteSink(verb == "attach" ? &sink : nullptr);
            }
        }
        QCOMPARE(sink.log.join(QLatin1Char('|')), log);
    }
};

QTEST_GUILESS_MAIN(TestTraceController)
#include "tst_tracecontroller.moc"
