// The simulated tracer device: its answers on a real pseudo-terminal, and the stream
// it sends, checked byte by byte and through the program's own decoder.
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cstddef>
#include <cstring>
#include <map>
#include <set>

#include "DecoderFixture.h"
#include "ldf/LdfParser.h"
#include "lin/FrameCheck.h"
#include "lin/LinDescription.h"
#include "lin/RateSearch.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/StreamDecoder.h"
#include "sim/LdfSchedule.h"
#include "sim/TracerSimulator.h"
#include "sim/WrongRateReceiver.h"
#include "trace/RowFrames.h"

using namespace daridez;
using namespace daridez::sim;

namespace {

// The host's end of the simulator's terminal, opened as a program opens a serial port
// (the simulator has made the terminal raw).
struct Host {
    explicit Host(const std::string& path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~Host() { ::close(fd); }
    void send(const char* hex) const {
        const QByteArray bytes = QByteArray::fromHex(hex);
        QCOMPARE(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // Lets the simulator work and reads what arrives, until `count` bytes have (bounded).
    QByteArray collect(TracerSimulator& sim, qsizetype count = 0) const {
        QByteArray got;
        char chunk[4096];
        for (int round = 0; round < 200 && (round == 0 || got.size() < count); ++round) {
            QTest::qWait(round == 0 ? 0 : 2);
            sim.poll();
            for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) got.append(chunk, n);
        }
        return got;
    }
    const int fd;
};

// The program's view of a stream: the rows its decoder makes.
struct DecodedTrace : test::DecoderFixture {
    // Feeds a live stream in reads of `chunk` bytes, as the timer tick does.
    template <typename Bytes>
    void feedLive(const Bytes& stream, std::size_t chunk) {
        state = TraceState::StartRequested;
        std::int32_t carried = 0;
        for (std::size_t at = 0; at < std::size_t(stream.size()); at += chunk) {
            const std::size_t n = std::min(chunk, std::size_t(stream.size()) - at);
            std::copy_n(stream.begin() + at, n, buffer.bytes.begin() + carried);
            carried = decoder.SplitFrames(buffer.bytes.data(), carried + std::int32_t(n), false)
                          .carryOver;
        }
    }
    // Each row's Info text, with "+" when the row is a whole LIN frame (sync 55, an
    // identifier, two data bytes at least), and "backwards" wherever a row is earlier
    // than the one before it (a timer wrap out of its place).
    QStringList infos() const {
        QStringList texts;
        std::int64_t before = INT64_MIN;
        for (const TraceEntry* row : listRows()) {
            const bool whole = text(row, Column::Sync) == "55" &&
                               text(row, Column::Id).startsWith('[') &&
                               !text(row, Column::Db2).isEmpty();
            if (OpenerTime(*row) < before)
                texts << "backwards";
            before = OpenerTime(*row);
            texts << text(row, Column::Info) + QString(whole ? "+" : "");
        }
        return texts;
    }
    // The whole LIN frames, each with the time since the one before (0 for the first).
    std::vector<std::pair<LinFrame, std::int64_t>> frames() const {
        std::vector<std::pair<LinFrame, std::int64_t>> found;
        for (const TraceEntry& row : list) {
            const LinFrame frame = ReadLinFrame(row);
            if (frame.isLinFrame)
                found.emplace_back(frame, found.empty() ? 0 : frame.time - found.back().first.time);
        }
        return found;
    }
    // Each identifier's verdicts, "10 enhanced" or "3C checksum|classic".
    QStringList verdicts() const {
        std::map<int, QStringList> byId;
        for (const TraceEntry& row : list) {
            const LinFrame frame = ReadLinFrame(row);
            if (frame.hasId)
                byId[frame.id()] << QString::fromStdString(CheckFrame(frame).text());
        }
        QStringList texts;
        for (auto& [id, words] : byId) {
            words.removeDuplicates(), words.sort();
            texts << QString::asprintf("%02X ", id) + words.join('|');
        }
        return texts;
    }
};

// One LIN frame on a bus at `rate`, as a device listening at that rate reports it: the
// break ends 13 bits in, a bit of delimiter follows, then the bytes back to back, each
// stamped at the end of its 10 bits.
std::vector<DeviceFrame> sentAt(int rate, const QByteArray& bytes) {
    const double bit = 1e6 / rate;
    double t = 1000 + 13 * bit;
    auto at = [&t] { return std::uint64_t(std::llround(t)); };
    std::vector<DeviceFrame> frames{
        DeviceFrame::make(at(), {0x04, kBreak, highByte(at()), lowByte(at())}, true)};
    t += bit;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        t += 10 * bit;
        const auto kind = std::uint8_t(i == 0   ? kSync
                                       : i == 1 ? kIdentifier
                                                : kResponseByte1 + i - 2);
        frames.push_back(DeviceFrame::make(
            at(), {0x05, kind, highByte(at()), lowByte(at()), std::uint8_t(bytes[i])}));
    }
    return frames;
}

// "90 91:55 92:C1 ..." (kind, and the value of stamped fields).
QString kindsOf(const std::vector<DeviceFrame>& frames) {
    QStringList texts;
    for (const DeviceFrame& f : frames)
        texts << (f.size == 6 ? QString::asprintf("%02X:%02X", f.bytes[1], f.bytes[4])
                              : QString::asprintf("%02X", f.bytes[1]));
    return texts.join(' ');
}

}  // namespace

class TestTracerSim : public QObject {
    Q_OBJECT

  private slots:
    // Rows: "the device's version, its SetBaudrate result and whether it sends a start
    // marker | the host's bytes | the device's first bytes". Only 1000 to 20000 baud are
    // taken, any other rate is refused with result 1; commands with a wrong check byte are
    // ignored, and the next one is answered.
    void commandsAreAnsweredByteForByte_data() {
        QTest::addColumn<QString>("row");
        for (const char* row :
             {"2.0.17 0 1 | 02 00 02 | 05 80 02 00 11 98",
              "1.4.2 0 1 | 04 01 01 f4 fa | 05 81 01 f4 01 7c",
              "1.4.2 0 1 | 04 01 03 e8 f0 | 05 81 03 e8 00 71",
              "1.4.2 0 1 | 04 01 4e 20 73 | 05 81 4e 20 00 f4",
              "1.4.2 0 1 | 04 01 4e 21 74 | 05 81 4e 21 01 f6",
              "1.4.2 7 1 | 04 01 25 80 aa | 05 81 25 80 07 32",
              "1.4.2 0 1 | 02 02 04 | 05 82 00 01 00 88", "1.4.2 0 0 | 02 02 04 | 04 90",
              "1.4.2 0 1 | 02 00 03 04 01 25 80 ab 02 02 05 02 00 02 | 05 80 01 04 02 8c"})
            QTest::newRow(row) << QString(row);
    }

    void commandsAreAnsweredByteForByte() {
        QFETCH(QString, row);
        const QStringList f = row.split(" | ");  // device, command, answer
        TracerSimulatorOptions options;
        int marker = 1;
        std::sscanf(qPrintable(f[0]), "%hhu.%hhu.%hhu %hhu %d", &options.version[0],
                    &options.version[1], &options.version[2], &options.baudResult, &marker);
        options.startMarker = marker != 0;
        TracerSimulator sim(options);
        QVERIFY2(sim.open(), sim.errorText().c_str());
        Host host(sim.devicePath());
        host.send(qPrintable(f[1])), sim.poll();
        sim.advance(20000);  // lets a started trace send its first fields
        QCOMPARE(host.collect(sim, 6).left((f[2].size() + 1) / 3).toHex(' '), f[2].toLatin1());
    }

    // What a stop leaves and the rows of a live trace: tst_maindialog. The record holds
    // what the program's recording does: the trace from its start marker on, not the
    // answer to the set-baud-rate before it. A record the disk refuses stops with the
    // reason, and the trace goes on.
    void startStreamsThroughTheLinkUntilStopAndTheRecordHoldsTheTrace_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("recordError");
        QTest::newRow("a file") << "recorded.dump"
                                << "";
        QTest::newRow("a full disk") << "/dev/full"
                                     << "cannot write /dev/full: No space left on device";
    }
    void startStreamsThroughTheLinkUntilStopAndTheRecordHoldsTheTrace() {
        QFETCH(QString, record);
        QFETCH(QString, recordError);
        QTemporaryDir dir;
        TracerSimulatorOptions options;
        options.recordPath = QDir(dir.path()).filePath(record).toStdString();
        options.linkPath = dir.filePath("ttyLIN").toStdString();
        QByteArray received;
        {
            TracerSimulator sim(options);
            QVERIFY2(sim.open(), sim.errorText().c_str());
            QCOMPARE(QFileInfo(dir.filePath("ttyLIN")).symLinkTarget(),
                     QString::fromStdString(sim.devicePath()));
            Host host(options.linkPath);
            host.send("04 01 25 80 aa");
            QCOMPARE(host.collect(sim, 6).toHex(' '), "05 81 25 80 00 2b");
            host.send("02 02 04");
            // One second of bus traffic in 100 polls.
            for (int i = 0; i < 100; ++i) sim.advance(10000), received += host.collect(sim, 1);
            host.send("02 03 05"), received += host.collect(sim);
            QVERIFY(!sim.tracing());
            QCOMPARE(sim.bytesSent(), std::uint64_t(received.size()) + 6);
            QCOMPARE(QString::fromStdString(sim.recordError()), recordError);
        }
        QVERIFY(!QFileInfo(dir.filePath("ttyLIN")).isSymLink());  // the link went with the device
        QVERIFY(received.size() > 2000);  // a second's frames, decoded in the tests below
        QVERIFY(received.startsWith(QByteArray::fromHex("05 82 00 01 00")));
        if (recordError.isEmpty())
            QCOMPARE(test::readFile(QString::fromStdString(options.recordPath)), received);
    }

    // Help that cannot be written (a full disk) ends with the reason and status 1.
    void helpToAFullDiskEndsWithStatusOne() {
        QProcess process;
        process.setStandardOutputFile("/dev/full");
        process.start(QStringLiteral(DARIDEZ_SIM_PATH), {"--help"});
        QVERIFY(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
        QCOMPARE(QString("%1 ").arg(process.exitCode()) + process.readAllStandardError(),
                 "1 tracer-sim: cannot write the help: No space left on device\n");
    }

    // Whole frames, one per 10 ms slot: identifiersAndChecksumsFollowTheLinRules; timer wraps
    // in their place: fullTerminalDropsFramesThenResumesAtABreak (no row backwards).
    void generatedStreamFollowsItsSeedAndBaudRate() {
        TracerSimulatorOptions options;
        options.seed = 7;
        const std::vector<std::uint8_t> stream = TracerSimulator(options).generate(2'000'000);
        QVERIFY(TracerSimulator(options).generate(2'000'000) == stream);
        options.seed = 8;
        QVERIFY(TracerSimulator(options).generate(2'000'000) != stream);
        // Marker, break, sync: the sync field ends 11 bit times (11 x 416.7 us) after the break.
        options.linBaudrate = 2400;
        const std::vector<std::uint8_t> slow = TracerSimulator(options).generate(20000);
        QCOMPARE((slow[13] << 8 | slow[14]) - (slow[8] << 8 | slow[9]), 4583);
    }

    // Rows: identifiers sent with the classic checksum, the rates of bad checksums and bad
    // parity; the verdicts of each identifier's frames in 2 s of schedule, the stream
    // through the decoder and the frame checks. The checks share ProtectedId and LinChecksum
    // with the simulator; tst_exporters and tst_idsummary hold them to hand-made frames.
    void identifiersAndChecksumsFollowTheLinRules_data() {
        QTest::addColumn<QString>("classic");
        QTest::addColumn<double>("badChecksums");
        QTest::addColumn<double>("badParity");
        QTest::addColumn<QString>("verdicts");
        // The verdict of every identifier of the schedule, "%m" standing for its checksum model.
        auto row = [](const char* name, const char* classic, double checksums, double parity,
                      const char* verdict) {
            QStringList verdicts;
            for (const QString id : {"05", "10", "22", "28", "31", "3C", "3D"})
                verdicts << id + " " +
                                QString(verdict).replace(
                                    "%m", id >= "3C" || QString(classic).contains(id) ? "classic"
                                                                                      : "enhanced");
            QTest::newRow(name) << QString(classic) << checksums << parity << verdicts.join(", ");
        };
        row("enhanced", "", 0, 0, "%m");
        row("--bad-checksums 0.5 --classic 05,22", "05,22", 0.5, 0, "checksum|%m");
        // The node sends the checksum over the identifier byte it saw, parity bits and all.
        row("--bad-parity 1 --classic 28", "28", 0, 1, "parity,%m");
        row("both 1", "", 1, 1, "parity,checksum");
    }

    void identifiersAndChecksumsFollowTheLinRules() {
        QFETCH(QString, classic);
        QFETCH(double, badChecksums);
        QFETCH(double, badParity);
        TracerSimulatorOptions options;
        for (const QString& id : classic.split(',', Qt::SkipEmptyParts))
            options.classicIds.set(id.toUInt(nullptr, 16));
        options.rates.badChecksums = badChecksums, options.rates.badParity = badParity;
        DecodedTrace trace;
        trace.feedLive(TracerSimulator(options).generate(2'000'000), 4096);  // 200 whole slots
        QCOMPARE(trace.decoder.frameCount(), 200);
        QTEST(trace.verdicts().join(", "), "verdicts");
    }

    // A signal's bits land where the LDF places them, across byte borders; ramps turn at
    // their limits, logical values take turns.
    void signalsMoveAndLandOnTheirBits_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("motion");  // "ramp LOW HIGH", "step A B ...", "hold INIT"
        QTest::addColumn<QString>("bytes");   // of a 4-byte frame, at transmissions 0, 1, 50, 51
        QTest::newRow("12 bits at 12") << 12 << 12 << "hold 2748"
                                       << "FF CF AB FF|FF CF AB FF|"
                                          "FF CF AB FF|FF CF AB FF";
        QTest::newRow("ramp 0..100") << 8 << 8 << "ramp 0 100"
                                     << "FF 00 FF FF|FF 02 FF FF|"
                                        "FF 64 FF FF|FF 62 FF FF";
        QTest::newRow("1 bit steps") << 31 << 1 << "step 0 1"
                                     << "FF FF FF 7F|FF FF FF FF|"
                                        "FF FF FF 7F|FF FF FF FF";
        QTest::newRow("past the frame") << 30 << 4 << "hold 0"
                                        << "FF FF FF 3F|FF FF FF 3F|"
                                           "FF FF FF 3F|FF FF FF 3F";
    }

    void signalsMoveAndLandOnTheirBits() {
        QFETCH(int, offset);
        QFETCH(int, width);
        QFETCH(QString, motion);
        const QStringList words = motion.split(' ');
        SimSignal signal;
        signal.offset = offset, signal.width = width;
        signal.motion = words[0] == "ramp"   ? SimSignal::Motion::Ramp
                        : words[0] == "step" ? SimSignal::Motion::Step
                                             : SimSignal::Motion::Hold;
        signal.init = words[1].toULongLong();
        signal.low = signal.init, signal.high = words.value(2).toULongLong();
        for (const QString& value : words.mid(1)) signal.values.push_back(value.toULongLong());
        QStringList frames;
        for (std::uint32_t n : {0u, 1u, 50u, 51u}) {
            std::uint8_t data[4] = {0xFF, 0xFF, 0xFF, 0xFF};
            PutBits(data, 4, offset, width, SignalValueAt(signal, n));
            frames << test::bytesOf(data, 4).toHex(' ').toUpper();
        }
        QTEST(frames.join('|'), "bytes");
    }

    // A schedule played as the LDF has it: each slot its delay after the one before, the
    // event-triggered slot answered now and then by a door with its protected identifier
    // first, the node's identity read and answered, models as the frames name them.
    void scheduleKeepsItsDelaysAnswersEventsAndDiagnostics() {
        TracerSimulatorOptions options;
        SimSchedule& schedule = options.schedule;
        SimFrame command{0x10, 2, false, {{0, 8, SimSignal::Motion::Ramp, 0, 0, 200, {}}}};
        SimFrame door{0x20, 3, true, {{8, 7, SimSignal::Motion::Step, 0, 0, 0, {5, 6}}}};
        schedule.nodes = {{0x21, 0x1E5A, 0x0D01, 1}};
        auto slot = [](SimSlot::Kind kind, std::uint64_t delay, SimFrame frame,
                       std::vector<SimFrame> associated = {}) {
            SimSlot made;
            made.kind = kind, made.delayMicros = delay, made.frame = std::move(frame);
            made.associated = std::move(associated);
            return made;
        };
        schedule.entries = {
            slot(SimSlot::Kind::Frame, 10000, command),
            slot(SimSlot::Kind::EventTriggered, 20000, {0x3A, 3, false, {}}, {door}),
            slot(SimSlot::Kind::MasterRequest, 10000, {0x3C, 8, true, {}}),
            slot(SimSlot::Kind::SlaveResponse, 15000, {0x3D, 8, true, {}})};
        DecodedTrace trace;
        trace.feedLive(TracerSimulator(options).generate(5'500'000), 4096);
        QMap<QString, QStringList> seen;  // identifier -> distinct data
        QList<std::int64_t> gaps;
        for (const auto& [frame, gap] : trace.frames()) {
            gaps << gap;
            const QString data = test::bytesOf(frame.response, frame.dataLength()).toHex(' ');
            QStringList& list = seen[QString::asprintf("%02X", frame.id())];
            if (!list.contains(data))
                list << data;
        }
        QCOMPARE(gaps.mid(1, 4), (QList<std::int64_t>{10000, 20000, 10000, 15000}));
        QCOMPARE(seen["10"].size(), 51);  // a ramp of step 4 over 0..200 and back
        seen["3A"].sort();                // 20: the door's protected identifier; bit 15 unused
        QCOMPARE(seen["3A"], (QStringList{"", "20 85 ff", "20 86 ff"}));
        QCOMPARE(seen["3C"], QStringList{"21 06 b2 00 5a 1e 01 0d"});
        QCOMPARE(seen["3D"], QStringList{"21 06 f2 5a 1e 01 0d 01"});
        QCOMPARE(trace.verdicts().join(", "),
                 "10 enhanced, 3A classic|no-response, 3C classic, 3D classic");
    }

    // The example LDF's tables as tracer-sim --ldf plays them: the frames in the table's
    // order and delays, configuration commands as the master requests they stand for;
    // with collisions, a garbled event slot ("3A!": its checksum fails) and the
    // collision-resolving table DoorCollision after it.
    void ldfTablesPlayAsWritten_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<double>("collisions");
        QTest::addColumn<QString>("round");  // identifiers (data of 3C/3D) of the first round
        QTest::addColumn<std::int64_t>("delay");
        QTest::addColumn<QString>("error");
        QTest::newRow("first") << "" << 0.0
                               << "10 30 31 3A 10 20 21 3A 3C[21 06 b2 00 5a 1e 01 0d] "
                                  "3D[21 06 f2 5a 1e 01 0d 01]"
                               << std::int64_t(10000) << "";
        QTest::newRow("collisions resolved") << "Normal" << 1.0
                                             << "10 30 31 3A! 20 21 10 20 21 3A! 20 21 "
                                                "3C[21 06 b2 00 5a 1e 01 0d]"
                                             << std::int64_t(10000) << "";
        QTest::newRow("commands") << "Configuration" << 0.0
                                  << "3C[21 06 b7 00 20 ba ff ff] 3C[22 06 b7 00 61 ba ff ff] "
                                     "3C[21 01 b6 ff ff ff ff ff] 3C[22 01 b6 ff ff ff ff ff] "
                                     "3C[7f 06 b2 00 ff 7f ff ff]"
                                  << std::int64_t(20000) << "";
        QTest::newRow("missing") << "Sleep" << 0.0 << "" << std::int64_t(0)
                                 << "no schedule table Sleep (the LDF has: Normal, DoorCollision, "
                                    "Configuration)";
    }
    void ldfTablesPlayAsWritten() {
        QFETCH(QString, table);
        QFETCH(QString, round);
        const LinDescription ldf = LinDescription::read(DARIDEZ_EXAMPLE_LDF);
        QVERIFY(ldf.usable() && ldf.diagnostics().empty());
        TracerSimulatorOptions options;
        std::string error;
        const bool played =
            ScheduleFromLdf(*ldf.model(), table.toStdString(), options.schedule, error);
        QTEST(QString::fromStdString(error), "error");
        if (!played)
            return;
        QFETCH(double, collisions);
        options.schedule.collisionRate = collisions;
        DecodedTrace trace;
        trace.feedLive(TracerSimulator(options).generate(2'000'000), 4096);
        QStringList seen;
        std::set<std::int64_t> delays;
        for (const auto& [frame, gap] : trace.frames()) {
            if (!seen.isEmpty())
                delays.insert(gap);
            QString text = QString::asprintf("%02X", frame.id());
            if (frame.id() == 0x3A && frame.dataLength() > 0 &&
                frame.checksum() != LinChecksum(frame.pid, frame.response, frame.dataLength()))
                text += '!';
            if (frame.id() >= 0x3C)
                text += '[' + test::bytesOf(frame.response, frame.dataLength()).toHex(' ') + ']';
            seen << text;
        }
        QCOMPARE(seen.join(' ').left(round.size() + 1), round + ' ');
        QFETCH(std::int64_t, delay);
        QCOMPARE(delays, std::set<std::int64_t>{delay});
    }

    // Event-triggered, sporadic and sleep slots as the master plays them, slot by slot:
    // "ID" a frame, "ID-" a header nobody answered, "ID!" a garbled answer, "_" an empty
    // slot, "sleep" the go-to-sleep command (1 s before the next slot). Frames: 10 and
    // the doors 20 and 21; 3A the doors' event frame, 3B a sporadic slot of 22 and 23.
    void eventAndSporadicSlotsPlayAsTheirPublishersHaveNews_data() {
        QTest::addColumn<QString>("table");  // slot kinds: F frame, E event, S sporadic
        QTest::addColumn<bool>("resolving");
        QTest::addColumn<double>("collisions");
        QTest::addColumn<int>("sleepAfterMs");
        QTest::addColumn<QString>("played");  // the first 9 slots; "..." none checked
        QTest::addColumn<QString>("seen");    // the kinds of slot among the first 300
        QTest::newRow("every event slot a collision, resolved by the table")
            << "FE" << true << 1.0 << 0 << "10 3A! 20 21 10 3A! 20 21 10"
            << "10 20 21 3A!";
        QTest::newRow("collisions without a resolving table")
            << "FE" << false << 1.0 << 0 << "10 3A! 10 3A! 10 3A! 10 3A! 10"
            << "10 3A!";
        QTest::newRow("no collisions: answered or silent") << "FE" << true << 0.0 << 0 << "..."
                                                           << "10 3A 3A-";
        QTest::newRow("sporadic: a frame with news, else nothing")
            << "FS" << false << 0.0 << 0 << "..."
            << "10 22 23 _";
        QTest::newRow("sleep after 30 ms awake")
            << "F" << false << 0.0 << 30 << "10 10 10 sleep 10 10 10 sleep 10"
            << "10 sleep";
    }
    void eventAndSporadicSlotsPlayAsTheirPublishersHaveNews() {
        QFETCH(QString, table);
        QFETCH(bool, resolving);
        QFETCH(double, collisions);
        QFETCH(int, sleepAfterMs);
        const auto frame = [](std::uint8_t id) {
            return SimFrame{id, 2, false, {{8, 8, SimSignal::Motion::Ramp, 0, 0, 200, {}}}};
        };
        SimSchedule schedule;
        schedule.collisionRate = collisions;
        schedule.sleepAfterMicros = static_cast<std::uint64_t>(sleepAfterMs) * 1000;
        for (const QChar kind : table) {
            SimSlot slot;
            slot.frame = frame(0x10);
            if (kind == 'E') {
                slot.kind = SimSlot::Kind::EventTriggered;
                slot.frame = frame(0x3A);
                slot.associated = {frame(0x20), frame(0x21)};
                if (resolving)
                    slot.resolving = {SimSlot{}, SimSlot{}};
                for (std::size_t i = 0; i < slot.resolving.size(); ++i)
                    slot.resolving[i].frame = slot.associated[i];
            } else if (kind == 'S') {
                slot.kind = SimSlot::Kind::Sporadic;
                slot.frame = frame(0x3B);
                slot.associated = {frame(0x22), frame(0x23)};
            }
            schedule.entries.push_back(slot);
        }
        SchedulePlayer player(schedule, 7);
        QStringList playedSlots;
        std::set<QString> seen;
        std::map<int, std::uint8_t> lastSent;  // identifier -> its moving byte
        for (int i = 0; i < 300; ++i) {
            const PlayedSlot slot = player.next();
            QString text = QString::asprintf("%02X", slot.id);
            if (!slot.header)
                text = "_";
            else if (slot.id == 0x3C && slot.data[0] == 0x00)
                text = "sleep";
            else if (slot.collided)
                text += '!';
            else if (!slot.responds)
                text += '-';
            if (text == "sleep")
                QCOMPARE(slot.delayMicros, SchedulePlayer::kSleepMicros);
            if (slot.header && slot.responds && !slot.collided && slot.id != 0x3C) {
                // An answer in the event slot names its frame by its protected identifier.
                if (slot.id == 0x3A)
                    QVERIFY(slot.data[0] == ProtectedId(0x20) || slot.data[0] == ProtectedId(0x21));
                const int sent = slot.id == 0x3A ? (slot.data[0] & 0x3F) : slot.id;
                // Sporadic frames go only with news: their signal moved since they last went.
                if (table.contains('S') && lastSent.count(sent) != 0)
                    QVERIFY(lastSent[sent] != slot.data[1]);
                lastSent[sent] = slot.data[1];
            }
            playedSlots << text;
            seen.insert(text);
        }
        QFETCH(QString, played);
        if (played != "...")
            QCOMPARE(playedSlots.mid(0, 9).join(' '), played);
        QTEST(QStringList(seen.begin(), seen.end()).join(' '), "seen");
    }

    // A sporadic frame of an LDF plays as a slot of its frames, the first first.
    void ldfSporadicFramePlaysItsFrames() {
        const LdfModel model =
            LdfParser::parse(
                "LIN_protocol_version = \"2.1\"; Nodes { Master: M, 5 ms, 0.1 ms; Slaves: S; }"
                "Signals { A: 8, 0, M, S; B: 8, 0, M, S; }"
                "Frames { FA: 0x12, M, 1 { A, 0; } FB: 0x13, M, 1 { B, 0; } }"
                "Sporadic_frames { News: FB, FA; }"
                "Schedule_tables { T { News delay 10 ms; } }")
                .model;
        SimSchedule schedule;
        std::string error;
        QVERIFY(ScheduleFromLdf(model, "", schedule, error));
        QCOMPARE(schedule.entries.size(), std::size_t{1});
        const SimSlot& slot = schedule.entries.front();
        QVERIFY(slot.kind == SimSlot::Kind::Sporadic);
        QCOMPARE(slot.associated.size(), std::size_t{2});
        QCOMPARE(int(slot.associated[0].id) << 8 | slot.associated[1].id, 0x1312);
    }

    // A bus at one rate, the device's receiver at another: two frames as a device at the
    // bus's rate reports them (sync 55, identifier C1, data 11 11, checksum 1C) -> what this
    // one reports. A UART reads within about 5 % of its rate; 8.5 % or twice as fast, it sees
    // the break and then a stop bit low in the sync (9C: device error 02, framing), and reports
    // no field until the next break, only further framing errors; half as fast, it never sees
    // a break.
    void busAtAnotherRateIsMisread_data() {
        QTest::addColumn<int>("bus");
        QTest::addColumn<int>("device");
        QTest::addColumn<QString>("seen");  // a pattern
        const QString whole = "90 91:55 92:C1 93:11 94:11 95:1C";
        QTest::newRow("same rate") << 19200 << 19200 << whole;
        QTest::newRow("4 % fast") << 19200 << 20000 << whole;
        QTest::newRow("4 % slow") << 20000 << 19200 << whole;
        QTest::newRow("twice as fast") << 9600 << 19200 << "90( 9C:02)+";
        QTest::newRow("8.5 % fast") << 9600 << 10417 << "90( 9C:02)+";
        QTest::newRow("half as fast") << 19200 << 9600 << "9C:02( 9C:02)*";
    }
    void busAtAnotherRateIsMisread() {
        QFETCH(int, bus);
        QFETCH(int, device);
        const std::vector<DeviceFrame> sent = sentAt(bus, test::hex("55C111111C"));
        const std::vector<DeviceFrame> received =
            WrongRateReceiver(std::uint16_t(bus), std::uint16_t(device)).receive(sent);
        QFETCH(QString, seen);
        const QString pattern = QRegularExpression::anchoredPattern(seen);
        QVERIFY2(QRegularExpression(pattern).match(kindsOf(received)).hasMatch(),
                 qPrintable(kindsOf(received)));
        if (bus == device)  // the stamps too
            QVERIFY(std::equal(received.begin(), received.end(), sent.begin(), sent.end(),
                               [](auto& a, auto& b) { return a.bytes == b.bytes; }));
    }

    // 300 ms of the schedule on a bus at 9600 (15 slots of 20 ms), through the decoder, score
    // as the rate search scores a trial: every frame good at 9600 (the last one left out);
    // twice as fast, every break and some zero data bytes become breaks without a sync; half
    // as fast, not one frame.
    void scheduleAtTheWrongRateHasNoGoodFrame_data() {
        QTest::addColumn<int>("device");
        QTest::addColumn<QString>("score");  // frames/good/bad/valid sync; "+": at least
        QTest::newRow("same rate") << 9600 << "14/14/0/14";
        QTest::newRow("twice as fast") << 19200 << "15+/0/30+/0";
        QTest::newRow("half as fast") << 4800 << "0/0/15+/0";
    }
    void scheduleAtTheWrongRateHasNoGoodFrame() {
        QFETCH(int, device);
        QFETCH(QString, score);
        TracerSimulatorOptions options;
        options.busBaudrate = 9600, options.linBaudrate = std::uint16_t(device);
        DecodedTrace trace;
        trace.feedLive(TracerSimulator(options).generate(300'000), 4096);
        const TrialScore s = ScoreTrial(trace.list);
        const int counts[] = {s.frames, s.good, s.bad, s.validSync};
        const QStringList wanted = score.split('/');
        for (int i = 0; i < 4; ++i)
            QVERIFY2(
                wanted[i].endsWith('+') ? counts[i] >= wanted[i].chopped(1).toInt()
                                        : counts[i] == wanted[i].toInt(),
                qPrintable(
                    QString("%1/%2/%3/%4").arg(s.frames).arg(s.good).arg(s.bad).arg(s.validSync)));
    }

    // The host reads nothing while 30 s of traffic come due, far more than the terminal
    // holds, then reads all; ten times over. The simulator must neither block nor lose the
    // framing: behind each overflow report it resumes with a whole LIN frame. Where in a LIN
    // frame the terminal drains depends on real time, so a resumption at any other frame
    // shows in one round of ten at least (it does in two of three).
    void fullTerminalDropsFramesThenResumesAtABreak() {
        TracerSimulator sim;
        QVERIFY(sim.open());
        Host host(sim.devicePath());
        host.send("02 02 04");
        QByteArray stream;
        for (int round = 0; round < 10; ++round) {
            for (int i = 0; i < 300; ++i, sim.poll()) sim.advance(100000);
            for (int i = 0; i < 20; ++i) sim.advance(20000), stream += host.collect(sim);
        }
        QVERIFY(sim.framesDropped() > 0);
        DecodedTrace trace;
        trace.feedLive(stream, 512);
        const QStringList infos = trace.infos();
        QVERIFY(infos.count("#BufOvfl") >= 10 && !infos.contains("backwards"));
        QCOMPARE(infos.filter("#").size(), infos.count("#BufOvfl"));
        for (qsizetype at = 0; (at = infos.indexOf("#BufOvfl", at) + 1) > 0;)
            QCOMPARE(infos.value(at), "Break+");
    }

    // A live flood of trouble against a list that takes 50 rows: the decoder says it ran out
    // once, and the rows it made are byte for byte the first rows of an unlimited list, but
    // that the last one ends its trace there (its frame broken off).
    void floodUnderARowBudgetEndsAsOutOfMemoryWithTheRowsMadeIntact() {
        TracerSimulatorOptions options;
        options.rates = {0.1, 0.1, 0.05};
        const std::vector<std::uint8_t> stream = TracerSimulator(options).generate(3'000'000);
        DecodedTrace whole, budgeted;
        budgeted.list.setRowBudget(50);
        for (DecodedTrace* trace : {&whole, &budgeted}) trace->feedLive(stream, 512);
        QVERIFY(budgeted.decoder.takeOutOfMemory() && !budgeted.decoder.takeOutOfMemory());
        QVERIFY(!whole.decoder.takeOutOfMemory() && whole.list.rowCount() > 200);
        // Trouble becomes device error, overflow and bad frame rows; the decoder finds its way
        // back at the next break.
        const QStringList infos = whole.infos();
        QCOMPARE(whole.decoder.errorCount(), infos.filter("#0").size());
        QVERIFY(whole.decoder.errorCount() > 0 && infos.contains("#BufOvfl") &&
                !infos.filter("#err [").isEmpty());
        QVERIFY(infos.count("Break+") > whole.decoder.frameCount() / 2 &&
                !infos.contains("backwards"));
        QCOMPARE(budgeted.list.rowCount(), 50u);
        const auto rows = whole.listRows(), made = budgeted.listRows();
        for (std::size_t i = 0; i < made.size(); ++i) {
            TraceEntry row;
            std::memcpy(&row, rows[i], sizeof row);
            if (i + 1 == made.size())
                row.flags &= std::uint8_t(~RowFlag::kContinued);
            QCOMPARE(std::memcmp(made[i], &row, sizeof row), 0);
        }
        QVERIFY(rows[made.size() - 1]->flags & RowFlag::kContinued);
    }
};

QTEST_GUILESS_MAIN(TestTracerSim)
#include "tst_tracersim.moc"
