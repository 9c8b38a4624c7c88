// The trace controller with the real serial port on a pseudo-terminal, driven by the
// simulated tracer device in-process: answers, time-outs, live rows and an unplug.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "DecoderFixture.h"
#include "RecordingWindow.h"
#include "protocol/TraceController.h"
#include "serial/PortPaths.h"
#include "serial/SerialPort.h"
#include "sim/TracerSimulator.h"

using namespace daridez;
using namespace daridez::sim;
using namespace daridez::test;
using Lines = std::vector<std::string>;

namespace {

// The program's port, keeping a copy of every byte it delivered.
class LoggedPort : public SerialPort {
  public:
    using SerialPort::SerialPort;
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) override {
        const std::uint32_t n = SerialPort::Read(buffer, max);
        delivered.append(reinterpret_cast<const char*>(buffer), n);
        return n;
    }
    QByteArray delivered;
};

// The simulator, the port opened on its device, and the controller as the main window
// wires it. Ticks are 50 ms apart so that the device's bytes can arrive; tests count
// ticks, never time.
struct SimRig : DecoderFixture {
    explicit SimRig(const TracerSimulatorOptions& options) : sim(options) {
        SerialSettings settings{};
        InitSerialSettings(settings);
        settings.ComPort = 1;
        settings.BaudRate = 115200;
        settings.ByteSize = 8;
        if (sim.open()) {
            paths.setPath(1, sim.devicePath());
            opened = *port.Open(settings) == '\0';
            sim.startThread();
        }
    }
    // Ticks until done holds, at most maxTicks times; without done, maxTicks times.
    bool tickUntil(const std::function<bool()>& done, int maxTicks) {
        for (int i = 0; i < maxTicks; ++i) {
            controller.onTimerTick();
            QTest::qWait(50);
            if (done && done()) {
                return true;
            }
        }
        return !done;
    }
    bool tickUntilIdle() {
        return tickUntil([this] { return state == TraceState::Idle; }, 20);
    }

    TracerSimulator sim;
    PortPaths paths;
    LoggedPort port{paths};
    bool opened = false;
    RecordingWindow window{[this] { port.markNotConnected(); }};
    SetBaudrateFrame baudrateFrame;
    TraceController controller{port, window, decoder, list, buffer, baudrateFrame, state};
};

// What the rows show, to compare two traces row by row.
QStringList rowTexts(const DecoderFixture& fixture) {
    QStringList texts;
    for (const TraceEntry* e : fixture.listRows()) {
        QStringList cells{e->numberText, e->timeText, e->infoText, e->syncText, e->idText};
        for (const auto& byte : e->byteTexts) cells << byte;
        texts << cells.join('|') + QString::number(e->textColour);
    }
    return texts;
}

}  // namespace

class TestControllerSim : public QObject {
    Q_OBJECT

  private slots:
    void answersAreShownWithinTwentyTicks();
    void silentSimulatorTimesOutOnTwentyFirstTick();
    void startShowsGreenLinRowsUntilStop();
    void unplugMidTraceDisconnectsWithoutLosingRows();
};

void TestControllerSim::answersAreShownWithinTwentyTicks() {
    TracerSimulatorOptions options;
    options.version = {3, 1, 4};
    options.baudResult = 3;
    SimRig rig(options);
    QVERIFY(rig.opened);
    rig.controller.onGetFwVersion();
    QVERIFY(rig.tickUntilIdle());
    QCOMPARE(rig.window.lastLine1(), "returned FW-Version: 3.1.4");
    rig.window.boxText = "9600";
    rig.controller.onSetLinSpeed();
    QVERIFY(rig.tickUntilIdle());
    QCOMPARE(rig.window.lastLine1(), "returned LIN Baudrate: 9600, result:3");
}

void TestControllerSim::silentSimulatorTimesOutOnTwentyFirstTick() {
    TracerSimulatorOptions options;
    options.silent = true;
    SimRig rig(options);
    QVERIFY(rig.opened);
    rig.controller.onGetFwVersion();
    QVERIFY(!rig.tickUntilIdle());
    rig.tickUntil({}, 1);
    QCOMPARE(rig.window.line1, (Lines{"start read version ...", "timeout read version!!!"}));
}

void TestControllerSim::startShowsGreenLinRowsUntilStop() {
    SimRig rig({});
    QVERIFY(rig.opened);
    rig.controller.onStart();
    QVERIFY(rig.tickUntil([&] { return rig.decoder.frameCount() >= 10; }, 200));
    QCOMPARE(rig.window.line1, (Lines{"start trace ...", "start trace detected ..."}));
    const auto rows = rig.listRows();
    QVERIFY(QString(rows.front()->infoText).startsWith("START ("));
    int green = 0;
    for (const TraceEntry* row : rows) {
        QVERIFY2(!QString(row->infoText).startsWith("#err"), row->infoText);
        const bool lin = QString(row->infoText) == "Break" && row->idText[0] != '\0';
        green += lin && row->textColour == kGreen && QString(row->syncText) == "55" ? 1 : 0;
    }
    QVERIFY(green >= 10);

    rig.controller.onStop();
    // What the device sent before it took the stop is dropped in Idle.
    rig.tickUntil({}, 5);
    QVERIFY(rig.listRows().size() == rows.size() && !rig.window.live && !rig.sim.tracing());
}

void TestControllerSim::unplugMidTraceDisconnectsWithoutLosingRows() {
    QTemporaryDir dir;
    TracerSimulatorOptions options;
    options.recordPath = dir.filePath("sent.dump").toStdString();
    SimRig rig(options);
    QVERIFY(rig.opened);
    rig.controller.onStart();
    QVERIFY(rig.tickUntil([&] { return rig.decoder.frameCount() >= 5; }, 200));
    rig.sim.closeDevice();
    QVERIFY(rig.tickUntil([&] { return rig.window.portsForgotten == 1; }, 50));
    rig.tickUntil({}, 3);
    QVERIFY(rig.state == TraceState::Idle && !rig.window.busy && !rig.port.isConnected());
    QCOMPARE(rig.window.portsForgotten, 1);
    QCOMPARE(rig.window.lastLine1(), "device disconnected");

    // Every byte the port delivered, the last ones included, is in the trace: decoding
    // them as a dump file gives the same rows. And they are what the device sent.
    DecoderFixture reference;
    reference.feed(rig.port.delivered);
    QCOMPARE(rowTexts(rig), rowTexts(reference));
    QCOMPARE(rig.decoder.frameCount(), reference.decoder.frameCount());
    QCOMPARE(rig.decoder.errorCount(), reference.decoder.errorCount());
    QFile sent(dir.filePath("sent.dump"));
    QVERIFY(sent.open(QIODevice::ReadOnly) && sent.readAll().startsWith(rig.port.delivered));
}

QTEST_GUILESS_MAIN(TestControllerSim)
#include "tst_controllersim.moc"
