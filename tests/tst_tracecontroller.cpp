// The trace controller with the real stream decoder, a scripted port and a
// recording window: commands, answers, time-outs, status lines and the enable table.
#include <QTest>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "protocol/ControllerWindow.h"
#include "protocol/PortChannel.h"
#include "protocol/StreamDecoder.h"
#include "protocol/TraceController.h"
#include "RecordingWindow.h"

using namespace daridez;
using daridez::test::RecordingWindow;

using Bytes = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(TraceState)

namespace {

// A port whose bytes the test queues before each tick. Purging the input throws the
// queued bytes away, as a real port does.
class ScriptedPort : public PortChannel {
  public:
    bool isConnected() const override { return connected; }

    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) override {
        ++reads;
        if (!connected && !vanished) {
            return 0;
        }
        const std::size_t n = std::min<std::size_t>(max, pending.size());
        std::copy_n(pending.begin(), n, buffer);
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<std::uint32_t>(n);
    }
    std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count) override {
        if (!connected) {
            return 0;
        }
        writes.emplace_back(bytes, bytes + count);
        return count;
    }
    std::uint32_t PurgeInput() override {
        purges += "I";
        pending.clear();
        return 1;
    }
    std::uint32_t PurgeOutput() override {
        purges += "O";
        return 1;
    }
    bool deviceVanished() const override { return vanished; }

    void queue(const Bytes& bytes) { pending.insert(pending.end(), bytes.begin(), bytes.end()); }

    bool connected = true;
    bool vanished = false;
    Bytes pending;
    std::vector<Bytes> writes;
    std::string purges;  // "O" and "I" in the order they happened
    int reads = 0;
};

class RowCollector : public RowSink {
  public:
    bool AppendRow(TraceEntry* entry, std::int32_t) override {
        rows.push_back(entry);
        return true;
    }
    std::vector<TraceEntry*> rows;
};

// Everything the controller borrows, wired as the main window wires it.
struct Rig {
    Rig() {
        controller.reset();
        controller.setBusy(false);
    }

    void ticks(int count) {
        for (int i = 0; i < count; ++i) {
            controller.onTimerTick();
        }
    }
    void tickWith(const Bytes& bytes) {
        port.queue(bytes);
        controller.onTimerTick();
    }
    // Start, and let the device's start marker (number 7) arrive on the first tick.
    void startTracing() {
        controller.onStart();
        tickWith({0x05, 0x82, 0x00, 0x07, 0x00, 0x8E});
    }
    std::vector<std::string> rowInfos() const {
        std::vector<std::string> infos;
        for (const TraceEntry* e = list.TraceListHead(); e != nullptr; e = e->next) {
            infos.emplace_back(e->infoText);
        }
        return infos;
    }

    ScriptedPort port;
    RecordingWindow window{[this] { port.connected = false; }};
    TraceList list;
    RowCollector sink;
    DisplayModes modes;
    TraceState state = TraceState::Idle;
    StreamDecoder decoder{list, sink, modes, state};
    ReceiveBuffer buffer;
    SetBaudrateFrame baudrateFrame;
    TraceController controller{port, window, decoder, list, buffer, baudrateFrame, state};
};

const Bytes kVersionAnswer{0x05, 0x80, 0x01, 0x02, 0x03, 0x8B};
const Bytes kBreak{0x04, 0x90, 0x12, 0x34, 0x00};
const Bytes kSync{0x05, 0x91, 0x12, 0x40, 0x55, 0x00};
const Bytes kIdentifier{0x05, 0x92, 0x12, 0x50, 0xC1, 0x00};
const Bytes kDeviceError{0x05, 0x9C, 0x13, 0x00, 0x2A, 0x00};
const Bytes kStartTrace{0x02, 0x02, 0x04};
const Bytes kStopTrace{0x02, 0x03, 0x05};
const Bytes kReadVersion{0x02, 0x00, 0x02};
const std::string kStartTimeout =
    "response timeout detected for 'start trace' (use STOP button)!!!";

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Presses the command that leads to the wanted pending state.
void enterState(Rig& rig, TraceState wanted) {
    switch (wanted) {
        case TraceState::ReadingVersion:
            rig.controller.onGetFwVersion();
            break;
        case TraceState::SettingBaudrate:
            rig.controller.onSetLinSpeed();
            break;
        case TraceState::StartRequested:
            rig.controller.onStart();
            break;
        case TraceState::Tracing:
            rig.startTracing();
            break;
        case TraceState::Idle:
            break;
    }
    QCOMPARE(rig.state, wanted);
}

const int kTableIds[] = {1000, 1001, 1005, 1007, 1008, 1009, 1018, 1012};

}  // namespace

class TestTraceController : public QObject {
    Q_OBJECT

  private slots:
    void versionAnswerWithinTwentyTicksIsShown_data();
    void versionAnswerWithinTwentyTicksIsShown();
    void framesAheadOfAnAnswerAreSkippedAndNotKeptForTheNextTrace();
    void silentDeviceTimesOutOnTwentyFirstTick_data();
    void silentDeviceTimesOutOnTwentyFirstTick();
    void answerReadInTheTimeoutTickIsDropped();
    void baudrateAnswerSetsTheBoxText_data();
    void baudrateAnswerSetsTheBoxText();
    void setLinSpeedNeedsTheBaudrateBox();
    void startMarkerOnThirdTickIsAnnouncedOnce();
    void startOnSilentDeviceRepeatsTimeoutUntilStop();
    void stopWhileAnAnswerIsAwaitedSendsNothing_data();
    void stopWhileAnAnswerIsAwaitedSendsNothing();
    void stopInIdleSendsTheStopFrame();
    void commandsWhileAnotherIsPendingDoNothing_data();
    void commandsWhileAnotherIsPendingDoNothing();
    void clearResetsCountsAndStatusLine2();
    void countsSurviveStopAndANewStart();
    void frameSplitAcrossTwoTicksIsDecodedWhole();
    void statusLine2RefreshesOnFirstTickThenEverySixth();
    void withoutPortTickAndCommandsDoNothingButClearWorks();
    void deviceVanishingMidTraceKeepsItsLastFramesAndStops();
    void deviceVanishingWhileAnAnswerIsAwaitedReturnsToIdle();
    void pausedControllerLeavesBufferAndTraceAlone();
    void rowShortageIsReportedOnce();
};

void TestTraceController::versionAnswerWithinTwentyTicksIsShown_data() {
    QTest::addColumn<int>("silentTicks");
    QTest::newRow("first tick") << 0;
    QTest::newRow("twentieth tick") << 19;
}

void TestTraceController::versionAnswerWithinTwentyTicksIsShown() {
    QFETCH(int, silentTicks);
    Rig rig;
    rig.controller.onGetFwVersion();
    QCOMPARE(rig.window.lastLine1(), std::string("start read version ..."));
    QCOMPARE(rig.port.writes, std::vector<Bytes>{kReadVersion});
    QCOMPARE(rig.state, TraceState::ReadingVersion);
    QVERIFY(!rig.window.busy);

    rig.ticks(silentTicks);
    rig.tickWith(kVersionAnswer + Bytes{0x04, 0x90});

    QCOMPARE(rig.window.lastLine1(), std::string("returned FW-Version: 1.2.3"));
    QCOMPARE(rig.state, TraceState::Idle);
    QCOMPARE(rig.port.purges, std::string("OI"));
    QCOMPARE(rig.buffer.carryOver, 0);
    QVERIFY(rig.port.pending.empty());
    QVERIFY(rig.list.TraceListHead() == nullptr);
}

void TestTraceController::framesAheadOfAnAnswerAreSkippedAndNotKeptForTheNextTrace() {
    Rig rig;
    rig.controller.onGetFwVersion();
    rig.tickWith(kBreak + kSync + kVersionAnswer);
    QCOMPARE(rig.window.lastLine1(), std::string("returned FW-Version: 1.2.3"));
    QCOMPARE(rig.buffer.carryOver, 0);

    rig.startTracing();
    const std::vector<std::string> onlyTheStart{"START (7)"};
    QCOMPARE(rig.rowInfos(), onlyTheStart);
}

void TestTraceController::silentDeviceTimesOutOnTwentyFirstTick_data() {
    QTest::addColumn<bool>("baudrate");
    QTest::addColumn<std::string>("pendingText");
    QTest::addColumn<std::string>("timeoutText");
    QTest::newRow("read version") << false << std::string("start read version ...")
                                  << std::string("timeout read version!!!");
    QTest::newRow("set baudrate") << true << std::string("start set baudrate ...")
                                  << std::string("timeout set baudrate!!!");
}

void TestTraceController::silentDeviceTimesOutOnTwentyFirstTick() {
    QFETCH(bool, baudrate);
    QFETCH(std::string, pendingText);
    QFETCH(std::string, timeoutText);
    Rig rig;
    const TraceState pending = baudrate ? TraceState::SettingBaudrate : TraceState::ReadingVersion;
    enterState(rig, pending);
    QCOMPARE(rig.controller.responseCountdown(), TraceController::kResponseTicks);

    rig.ticks(20);
    QCOMPARE(rig.state, pending);
    QCOMPARE(rig.controller.responseCountdown(), std::uint8_t(0));
    QCOMPARE(rig.window.lastLine1(), pendingText);
    QVERIFY(rig.port.purges.empty());

    rig.ticks(1);
    QCOMPARE(rig.state, TraceState::Idle);
    QCOMPARE(rig.window.lastLine1(), timeoutText);
    QCOMPARE(rig.port.purges, std::string("OI"));

    rig.ticks(5);
    QCOMPARE(rig.window.line1Count(timeoutText), 1);
}

void TestTraceController::answerReadInTheTimeoutTickIsDropped() {
    Rig rig;
    rig.controller.onGetFwVersion();
    rig.ticks(20);
    rig.tickWith(kVersionAnswer);
    QCOMPARE(rig.window.lastLine1(), std::string("timeout read version!!!"));
    QCOMPARE(rig.window.line1Count("returned FW-Version: 1.2.3"), 0);
    QCOMPARE(rig.state, TraceState::Idle);
}

void TestTraceController::baudrateAnswerSetsTheBoxText_data() {
    QTest::addColumn<Bytes>("answer");
    QTest::addColumn<std::string>("line1");
    QTest::addColumn<std::string>("box");
    QTest::newRow("9600 confirmed")
        << Bytes{0x05, 0x81, 0x25, 0x80, 0x00, 0x00}
        << std::string("returned LIN Baudrate: 9600, result:0") << std::string("9600");
    QTest::newRow("19200 returned")
        << Bytes{0x05, 0x81, 0x4B, 0x00, 0x01, 0x00}
        << std::string("returned LIN Baudrate: 19200, result:1") << std::string("19200");
}

void TestTraceController::baudrateAnswerSetsTheBoxText() {
    QFETCH(Bytes, answer);
    QFETCH(std::string, line1);
    QFETCH(std::string, box);
    Rig rig;
    rig.window.boxText = "9600";
    rig.controller.onSetLinSpeed();
    QCOMPARE(rig.window.lastLine1(), std::string("start set baudrate ..."));
    QCOMPARE(rig.port.writes, (std::vector<Bytes>{{0x04, 0x01, 0x25, 0x80, 0xAA}}));
    QCOMPARE(rig.state, TraceState::SettingBaudrate);

    rig.ticks(3);
    rig.tickWith(answer);

    QCOMPARE(rig.window.lastLine1(), line1);
    QCOMPARE(rig.window.boxText, box);
    QCOMPARE(rig.state, TraceState::Idle);
    QCOMPARE(rig.port.purges, std::string("OI"));
    QCOMPARE(rig.buffer.carryOver, 0);
}

void TestTraceController::setLinSpeedNeedsTheBaudrateBox() {
    Rig rig;
    std::erase(rig.window.controls, 1018);
    rig.controller.onSetLinSpeed();
    QVERIFY(rig.port.writes.empty());
    QCOMPARE(rig.state, TraceState::Idle);
    QVERIFY(rig.window.line1.empty());
}

void TestTraceController::startMarkerOnThirdTickIsAnnouncedOnce() {
    Rig rig;
    rig.controller.onStart();
    QCOMPARE(rig.window.lastLine1(), std::string("start trace ..."));
    QCOMPARE(rig.port.writes, std::vector<Bytes>{kStartTrace});
    QCOMPARE(rig.state, TraceState::StartRequested);
    QVERIFY(rig.window.live);
    QVERIFY(rig.window.busy);
    QVERIFY(rig.controller.busy());

    rig.ticks(2);
    rig.tickWith({0x05, 0x82, 0x00, 0x07, 0x00, 0x8E});
    QCOMPARE(rig.state, TraceState::Tracing);
    rig.ticks(10);

    QCOMPARE(rig.window.line1Count("start trace detected ..."), 1);
    QCOMPARE(rig.window.lastLine1(), std::string("start trace detected ..."));
    QCOMPARE(rig.window.line1Count(kStartTimeout), 0);
    QCOMPARE(rig.controller.responseCountdown(), std::uint8_t(0));
    QCOMPARE(rig.rowInfos(), std::vector<std::string>{"START (7)"});
}

void TestTraceController::startOnSilentDeviceRepeatsTimeoutUntilStop() {
    Rig rig;
    rig.controller.onStart();
    rig.ticks(20);
    QCOMPARE(rig.window.line1Count(kStartTimeout), 0);

    rig.ticks(1);
    QCOMPARE(rig.window.lastLine1(), kStartTimeout);
    QCOMPARE(rig.port.purges, std::string("OI"));
    rig.ticks(4);
    QCOMPARE(rig.window.line1Count(kStartTimeout), 5);
    QCOMPARE(rig.port.purges, std::string("OIOIOIOIOI"));
    QCOMPARE(rig.state, TraceState::StartRequested);

    for (int id : kTableIds) {
        QCOMPARE(rig.window.enabled.at(id), id == 1008);
    }

    rig.controller.onStop();
    QCOMPARE(rig.port.writes, (std::vector<Bytes>{kStartTrace, kStopTrace}));
    QCOMPARE(rig.state, TraceState::Idle);
    QVERIFY(!rig.window.live);
    QVERIFY(!rig.window.busy);
    QCOMPARE(rig.window.redraws, 1);
    for (int id : kTableIds) {
        QVERIFY(rig.window.enabled.at(id));
    }
    rig.ticks(3);
    QCOMPARE(rig.window.line1Count(kStartTimeout), 5);
}

void TestTraceController::stopWhileAnAnswerIsAwaitedSendsNothing_data() {
    QTest::addColumn<TraceState>("pending");
    QTest::newRow("reading version") << TraceState::ReadingVersion;
    QTest::newRow("setting baudrate") << TraceState::SettingBaudrate;
}

void TestTraceController::stopWhileAnAnswerIsAwaitedSendsNothing() {
    QFETCH(TraceState, pending);
    Rig rig;
    enterState(rig, pending);
    rig.ticks(2);
    rig.controller.onStop();
    QCOMPARE(rig.port.writes.size(), std::size_t(1));
    QCOMPARE(rig.state, pending);
    QCOMPARE(rig.controller.responseCountdown(), std::uint8_t(18));
    QCOMPARE(rig.window.redraws, 0);
}

void TestTraceController::stopInIdleSendsTheStopFrame() {
    Rig rig;
    rig.controller.onStop();
    QCOMPARE(rig.port.writes, std::vector<Bytes>{kStopTrace});
    QCOMPARE(rig.state, TraceState::Idle);
    QCOMPARE(rig.window.redraws, 1);
}

void TestTraceController::commandsWhileAnotherIsPendingDoNothing_data() {
    QTest::addColumn<TraceState>("pending");
    QTest::newRow("reading version") << TraceState::ReadingVersion;
    QTest::newRow("setting baudrate") << TraceState::SettingBaudrate;
    QTest::newRow("start requested") << TraceState::StartRequested;
    QTest::newRow("tracing") << TraceState::Tracing;
}

void TestTraceController::commandsWhileAnotherIsPendingDoNothing() {
    QFETCH(TraceState, pending);
    Rig rig;
    enterState(rig, pending);
    const auto writes = rig.port.writes;
    const auto line1 = rig.window.line1;
    const auto line2 = rig.window.line2;
    const auto countdown = rig.controller.responseCountdown();
    const auto rows = rig.rowInfos();

    rig.controller.onStart();
    rig.controller.onGetFwVersion();
    rig.controller.onSetLinSpeed();
    rig.controller.onClearTraceList();

    QCOMPARE(rig.port.writes, writes);
    QCOMPARE(rig.window.line1, line1);
    QCOMPARE(rig.window.line2, line2);
    QCOMPARE(rig.state, pending);
    QCOMPARE(rig.controller.responseCountdown(), countdown);
    QCOMPARE(rig.window.clears, 0);
    QCOMPARE(rig.rowInfos(), rows);
}

void TestTraceController::clearResetsCountsAndStatusLine2() {
    Rig rig;
    rig.startTracing();
    rig.tickWith(kBreak + kSync + kIdentifier + kDeviceError);
    rig.ticks(6);
    QCOMPARE(rig.window.lastLine2(), std::string("active: 00:00:00  \tFRMs: 1  \tERRs: 1"));
    rig.controller.onStop();
    rig.buffer.carryOver = 2;

    rig.controller.onClearTraceList();

    QCOMPARE(rig.window.lastLine2(), std::string());
    QCOMPARE(rig.window.clears, 1);
    QVERIFY(rig.list.TraceListHead() == nullptr);
    QCOMPARE(rig.decoder.frameCount(), 0);
    QCOMPARE(rig.decoder.errorCount(), 0);
    QCOMPARE(rig.buffer.carryOver, 0);
    QCOMPARE(rig.window.lastLine1(), std::string("start trace detected ..."));

    rig.ticks(6);
    QCOMPARE(rig.window.lastLine2(), std::string("active: 00:00:00  \tFRMs: 0  \tERRs: 0"));
}

void TestTraceController::countsSurviveStopAndANewStart() {
    Rig rig;
    rig.startTracing();
    rig.tickWith(kBreak + kSync + kIdentifier + kDeviceError);
    rig.controller.onStop();
    rig.startTracing();
    rig.tickWith(kBreak + kSync + kIdentifier);
    rig.ticks(6);
    QCOMPARE(rig.window.lastLine2(), std::string("active: 00:00:00  \tFRMs: 2  \tERRs: 1"));
    const std::vector<std::string> both{"START (7)", "Break", "#2A", "START (7)", "Break"};
    QCOMPARE(rig.rowInfos(), both);
}

void TestTraceController::frameSplitAcrossTwoTicksIsDecodedWhole() {
    Rig rig;
    rig.startTracing();
    rig.tickWith({0x04, 0x90, 0x12});
    QCOMPARE(rig.buffer.carryOver, 3);
    QCOMPARE(rig.rowInfos().size(), std::size_t(1));

    rig.tickWith({0x34, 0x00});
    QCOMPARE(rig.buffer.carryOver, 0);
    QCOMPARE(rig.rowInfos(), (std::vector<std::string>{"START (7)", "Break"}));
    QCOMPARE(rig.list.TraceListHead()->next->slotTimes[0], std::int64_t(0x1234));
}

void TestTraceController::statusLine2RefreshesOnFirstTickThenEverySixth() {
    Rig rig;
    std::vector<int> refreshedOn;
    for (int tick = 1; tick <= 19; ++tick) {
        const std::size_t before = rig.window.line2.size();
        rig.ticks(1);
        if (rig.window.line2.size() != before) {
            refreshedOn.push_back(tick);
        }
    }
    QCOMPARE(refreshedOn, (std::vector<int>{1, 7, 13, 19}));
    QCOMPARE(rig.window.lastLine2(), std::string("active: 00:00:00  \tFRMs: 0  \tERRs: 0"));

    rig.startTracing();
    Bytes wraps;
    for (int i = 0; i < 16; ++i) {
        wraps = wraps + Bytes{0x02, 0xA0, 0xA2};
    }
    rig.tickWith(wraps + kBreak + kSync + kIdentifier);
    rig.ticks(6);
    // Sixteen wraps and the stamp 0x1250: 1,053,264 us; the line keeps hours to seconds.
    QCOMPARE(rig.decoder.traceClock(), std::int64_t(16 * 65536 + 0x1250));
    QCOMPARE(rig.window.lastLine2(), std::string("active: 00:00:01  \tFRMs: 1  \tERRs: 0"));
}

void TestTraceController::withoutPortTickAndCommandsDoNothingButClearWorks() {
    Rig rig;
    rig.port.connected = false;
    rig.port.queue(kVersionAnswer);
    rig.ticks(30);
    rig.controller.onStart();
    rig.controller.onGetFwVersion();
    rig.controller.onSetLinSpeed();
    rig.controller.onStop();
    QCOMPARE(rig.port.reads, 0);
    QVERIFY(rig.window.line1.empty());
    QVERIFY(rig.window.line2.empty());
    QVERIFY(rig.port.writes.empty());
    QCOMPARE(rig.state, TraceState::Idle);

    rig.controller.onClearTraceList();
    QCOMPARE(rig.window.clears, 1);
    QCOMPARE(rig.window.lastLine2(), std::string());

    // Connected again with the counter still at 5: the first tick refreshes at once.
    rig.port.connected = true;
    rig.ticks(1);
    QCOMPARE(rig.window.lastLine2(), std::string("active: 00:00:00  \tFRMs: 0  \tERRs: 0"));
}

void TestTraceController::deviceVanishingMidTraceKeepsItsLastFramesAndStops() {
    Rig rig;
    rig.startTracing();
    rig.tickWith(kBreak + kSync);
    const std::size_t writes = rig.port.writes.size();

    // The last frames arrived before the adapter was pulled, and half a frame after.
    rig.port.queue(kIdentifier + kDeviceError + Bytes{0x04, 0x90});
    rig.port.vanished = true;
    rig.ticks(1);

    const std::vector<std::string> rows{"START (7)", "Break", "#2A"};
    QCOMPARE(rig.rowInfos(), rows);
    QCOMPARE(rig.decoder.frameCount(), 1);
    QCOMPARE(rig.state, TraceState::Idle);
    QCOMPARE(rig.port.writes.size(), writes);
    QVERIFY(!rig.window.busy);
    QVERIFY(!rig.window.live);
    QCOMPARE(rig.window.redraws, 1);
    QCOMPARE(rig.window.portsForgotten, 1);
    QCOMPARE(rig.window.lastLine1(), std::string("device disconnected"));
    QCOMPARE(rig.window.lastLine2(), std::string("active: 00:00:00  \tFRMs: 1  \tERRs: 1"));
    QCOMPARE(rig.buffer.carryOver, 0);
    for (int id : kTableIds) {
        QVERIFY(rig.window.enabled.at(id));
    }

    const std::size_t line1 = rig.window.line1.size();
    rig.ticks(5);
    QCOMPARE(rig.window.portsForgotten, 1);
    QCOMPARE(rig.window.line1.size(), line1);

    // The device is back and the port connected again: ticks run as before.
    rig.port.vanished = false;
    rig.port.connected = true;
    rig.ticks(6);
    QCOMPARE(rig.window.lastLine2(), std::string("active: 00:00:00  \tFRMs: 1  \tERRs: 1"));
    rig.controller.onStart();
    QCOMPARE(rig.state, TraceState::StartRequested);
}

void TestTraceController::deviceVanishingWhileAnAnswerIsAwaitedReturnsToIdle() {
    Rig rig;
    rig.controller.onGetFwVersion();
    rig.ticks(2);
    rig.port.vanished = true;
    rig.ticks(1);
    QCOMPARE(rig.state, TraceState::Idle);
    QCOMPARE(rig.window.lastLine1(), std::string("device disconnected"));
    QCOMPARE(rig.port.writes.size(), std::size_t(1));
}

void TestTraceController::pausedControllerLeavesBufferAndTraceAlone() {
    Rig rig;
    rig.buffer.carryOver = 4;
    rig.controller.setPaused(true);
    rig.port.queue(kBreak);
    rig.ticks(3);
    rig.controller.onStart();
    rig.controller.onGetFwVersion();
    rig.controller.onClearTraceList();
    QCOMPARE(rig.port.reads, 0);
    QVERIFY(rig.port.writes.empty());
    QCOMPARE(rig.buffer.carryOver, 4);
    QCOMPARE(rig.window.clears, 0);

    rig.controller.setPaused(false);
    rig.ticks(1);
    QCOMPARE(rig.port.reads, 1);
}

void TestTraceController::rowShortageIsReportedOnce() {
    Rig rig;
    rig.startTracing();
    bool exhausted = true;
    rig.list.setAllocator(
        [](std::size_t size, void* context) -> void* {
            return *static_cast<bool*>(context) ? nullptr : std::calloc(1, size);
        },
        &exhausted);
    rig.tickWith(kBreak + kSync + kIdentifier + kBreak + kDeviceError);
    rig.tickWith(kBreak);
    QCOMPARE(rig.window.outOfMemoryReports, 1);
    QCOMPARE(rig.rowInfos(), std::vector<std::string>{"START (7)"});

    // Memory is back: rows are made again, and a new shortage is reported anew.
    exhausted = false;
    rig.tickWith(kBreak);
    QCOMPARE(rig.rowInfos(), (std::vector<std::string>{"START (7)", "Break"}));
    exhausted = true;
    rig.tickWith(kDeviceError);
    QCOMPARE(rig.window.outOfMemoryReports, 2);
}

QTEST_GUILESS_MAIN(TestTraceController)
#include "tst_tracecontroller.moc"
