// The trace controller with the real serial port on a pseudo-terminal, driven by the
// simulated tracer device in-process: answers, time-outs, live rows and an unplug.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DecoderFixture.h"
#include "RecordingWindow.h"
#include "protocol/TraceController.h"
#include "serial/PortPaths.h"
#include "serial/SerialPort.h"
#include "serial/SerialSettings.h"
#include "sim/TracerSimulator.h"

using namespace daridez;
using daridez::sim::TracerSimulator;
using daridez::sim::TracerSimulatorOptions;
using daridez::test::DecoderFixture;
using daridez::test::RecordingWindow;
using daridez::test::RowCollector;

namespace {

// Time between two ticks, so that the device's bytes can reach the port. Tests count
// ticks, never time.
constexpr int kTickMs = 50;

// Passes everything on to the real port and keeps a copy of every byte it delivered.
class DeliveryLog : public PortChannel {
  public:
    explicit DeliveryLog(PortChannel& port) : port_(port) {}

    bool isConnected() const override { return port_.isConnected(); }
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) override {
        const std::uint32_t n = port_.Read(buffer, max);
        delivered.append(reinterpret_cast<const char*>(buffer), n);
        return n;
    }
    std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count) override {
        return port_.Write(bytes, count);
    }
    std::uint32_t PurgeInput() override { return port_.PurgeInput(); }
    std::uint32_t PurgeOutput() override { return port_.PurgeOutput(); }
    bool deviceVanished() const override { return port_.deviceVanished(); }

    QByteArray delivered;

  private:
    PortChannel& port_;
};

// The simulator, the port opened on its device, and the controller as the main
// window wires it.
struct SimRig {
    explicit SimRig(const TracerSimulatorOptions& options)
        : sim(std::make_unique<TracerSimulator>(options)) {}

    // Opens the device and the port, and starts the device's thread.
    bool connect() {
        if (!sim->open()) {
            qWarning("%s", sim->errorText().c_str());
            return false;
        }
        paths.setPath(1, sim->devicePath());
        SerialSettings settings{};
        InitSerialSettings(settings);
        settings.ComPort = 1;
        settings.BaudRate = 115200;
        settings.ByteSize = 8;
        settings.Parity = kNoParity;
        settings.StopBits = kOneStopBit;
        const char* error = port.Open(settings);
        if (error == nullptr || *error != '\0') {
            qWarning("port: %s", error == nullptr ? "no port" : error);
            return false;
        }
        sim->startThread();
        controller.reset();
        controller.setBusy(false);
        return true;
    }

    void tick() {
        controller.onTimerTick();
        QTest::qWait(kTickMs);
    }
    // Ticks until done holds, at most maxTicks times; true when it held.
    bool tickUntil(const std::function<bool()>& done, int maxTicks) {
        for (int i = 0; i < maxTicks; ++i) {
            tick();
            if (done()) {
                return true;
            }
        }
        return false;
    }

    std::vector<TraceEntry*> rows() const {
        std::vector<TraceEntry*> out;
        for (TraceEntry* e = list.TraceListHead(); e != nullptr; e = e->next) {
            out.push_back(e);
        }
        return out;
    }

    std::unique_ptr<TracerSimulator> sim;
    PortPaths paths;
    SerialPort port{paths};
    DeliveryLog log{port};
    RecordingWindow window{[this] { port.markNotConnected(); }};
    TraceList list;
    RowCollector sink;
    DisplayModes modes;
    TraceState state = TraceState::Idle;
    StreamDecoder decoder{list, sink, modes, state};
    ReceiveBuffer buffer;
    SetBaudrateFrame baudrateFrame;
    TraceController controller{log, window, decoder, list, buffer, baudrateFrame, state};
};

// What a row shows, as one text, to compare two traces row by row.
std::vector<std::string> rowTexts(const std::vector<TraceEntry*>& rows) {
    std::vector<std::string> texts;
    for (const TraceEntry* e : rows) {
        std::string text = std::string(e->numberText) + "|" + e->timeText + "|" + e->infoText +
                           "|" + e->syncText + "|" + e->idText;
        for (const auto& byte : e->byteTexts) {
            text += "|" + std::string(byte);
        }
        texts.push_back(text + "|" + std::to_string(e->textColour));
    }
    return texts;
}

const std::string kStartTimeout =
    "response timeout detected for 'start trace' (use STOP button)!!!";

}  // namespace

class TestControllerSim : public QObject {
    Q_OBJECT

  private slots:
    void versionAnswerIsShownWithinTwentyTicks();
    void baudrateAnswerSetsTheBoxText();
    void startShowsGreenLinRowsUntilStop();
    void silentSimulatorTimesOutOnTwentyFirstTick();
    void unplugMidTraceDisconnectsWithoutLosingRows();
};

void TestControllerSim::versionAnswerIsShownWithinTwentyTicks() {
    TracerSimulatorOptions options;
    options.version = {3, 1, 4};
    SimRig rig(options);
    QVERIFY(rig.connect());

    rig.controller.onGetFwVersion();
    QVERIFY(rig.tickUntil([&] { return rig.state == TraceState::Idle; }, 20));
    QCOMPARE(rig.window.lastLine1(), std::string("returned FW-Version: 3.1.4"));
    QCOMPARE(rig.buffer.carryOver, 0);
}

void TestControllerSim::baudrateAnswerSetsTheBoxText() {
    TracerSimulatorOptions options;
    options.baudResult = 3;
    SimRig rig(options);
    QVERIFY(rig.connect());

    rig.window.boxText = "9600";
    rig.controller.onSetLinSpeed();
    QVERIFY(rig.tickUntil([&] { return rig.state == TraceState::Idle; }, 20));
    QCOMPARE(rig.window.lastLine1(), std::string("returned LIN Baudrate: 9600, result:3"));
    QCOMPARE(rig.window.boxText, std::string("9600"));
}

void TestControllerSim::startShowsGreenLinRowsUntilStop() {
    SimRig rig(TracerSimulatorOptions{});
    QVERIFY(rig.connect());

    rig.controller.onStart();
    QVERIFY(rig.window.live);
    QVERIFY(rig.tickUntil([&] { return rig.state == TraceState::Tracing; }, 20));
    QVERIFY(rig.tickUntil([&] { return rig.decoder.frameCount() >= 10; }, 200));
    QCOMPARE(rig.window.line1Count("start trace detected ..."), 1);
    QCOMPARE(rig.window.line1Count(kStartTimeout), 0);

    const auto rows = rig.rows();
    QVERIFY(std::string(rows.front()->infoText).starts_with("START ("));
    int green = 0;
    for (const TraceEntry* row : rows) {
        QVERIFY2(!std::string(row->infoText).starts_with("#err"), row->infoText);
        if (std::string(row->infoText) == "Break" && row->idText[0] != '\0') {
            QCOMPARE(row->textColour, kGreen);
            QCOMPARE(row->syncText, "55");
            ++green;
        }
    }
    QVERIFY(green >= 10);

    rig.controller.onStop();
    QCOMPARE(rig.state, TraceState::Idle);
    QVERIFY(!rig.window.live);
    // What the device sent before it took the stop is dropped in Idle.
    const std::size_t stopped = rig.rows().size();
    for (int i = 0; i < 5; ++i) {
        rig.tick();
    }
    QCOMPARE(rig.rows().size(), stopped);
    QVERIFY(!rig.sim->tracing());
}

void TestControllerSim::silentSimulatorTimesOutOnTwentyFirstTick() {
    TracerSimulatorOptions options;
    options.silent = true;
    SimRig rig(options);
    QVERIFY(rig.connect());

    rig.controller.onGetFwVersion();
    for (int i = 0; i < 20; ++i) {
        rig.tick();
    }
    QCOMPARE(rig.state, TraceState::ReadingVersion);
    rig.tick();
    QCOMPARE(rig.state, TraceState::Idle);
    QCOMPARE(rig.window.lastLine1(), std::string("timeout read version!!!"));

    rig.controller.onStart();
    for (int i = 0; i < 20; ++i) {
        rig.tick();
    }
    QCOMPARE(rig.window.line1Count(kStartTimeout), 0);
    for (int i = 0; i < 3; ++i) {
        rig.tick();
    }
    QCOMPARE(rig.window.line1Count(kStartTimeout), 3);
    QCOMPARE(rig.state, TraceState::StartRequested);
    QVERIFY(!rig.window.enabled.at(ControlId::Start));
    QVERIFY(rig.window.enabled.at(ControlId::Stop));

    rig.controller.onStop();
    QCOMPARE(rig.state, TraceState::Idle);
    QVERIFY(rig.window.enabled.at(ControlId::Start));
}

void TestControllerSim::unplugMidTraceDisconnectsWithoutLosingRows() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TracerSimulatorOptions options;
    options.recordPath = dir.filePath("sent.dump").toStdString();
    SimRig rig(options);
    QVERIFY(rig.connect());

    rig.controller.onStart();
    QVERIFY(rig.tickUntil([&] { return rig.decoder.frameCount() >= 5; }, 200));
    rig.sim->closeDevice();
    QVERIFY(rig.tickUntil([&] { return rig.window.lastLine1() == "device disconnected"; }, 50));

    QCOMPARE(rig.state, TraceState::Idle);
    QVERIFY(!rig.window.busy);
    QVERIFY(!rig.window.live);
    QCOMPARE(rig.window.portsForgotten, 1);
    QVERIFY(!rig.port.isConnected());
    const std::size_t rowCount = rig.rows().size();
    for (int i = 0; i < 3; ++i) {
        rig.tick();
    }
    QCOMPARE(rig.rows().size(), rowCount);

    // Every byte the port delivered, the last ones included, is in the trace: decoding
    // them as a dump file gives the same rows.
    DecoderFixture reference;
    reference.feed(rig.log.delivered);
    QCOMPARE(rowTexts(rig.rows()), rowTexts(reference.listRows()));
    QCOMPARE(rig.decoder.frameCount(), reference.decoder.frameCount());
    QCOMPARE(rig.decoder.errorCount(), reference.decoder.errorCount());

    // And the port delivered what the device sent, in order.
    rig.sim.reset();
    QFile sent(dir.filePath("sent.dump"));
    QVERIFY(sent.open(QIODevice::ReadOnly));
    QVERIFY(sent.readAll().startsWith(rig.log.delivered));
}

QTEST_GUILESS_MAIN(TestControllerSim)
#include "tst_controllersim.moc"
