// The simulated tracer device: its answers on a real pseudo-terminal, and the stream
// it sends.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/DumpLoader.h"
#include "protocol/StreamDecoder.h"
#include "sim/LinBusModel.h"
#include "sim/TracerSimulator.h"

using namespace daridez::sim;
using daridez::DisplayModes;
using daridez::ReceiveBuffer;
using daridez::RowSink;
using daridez::StreamDecoder;
using daridez::TraceEntry;
using daridez::TraceList;
using daridez::TraceState;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The host's end: the device side of the simulator's terminal, opened as a program
// opens a serial port.
class Host {
  public:
    explicit Host(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0) {
            termios raw{};
            ::tcgetattr(fd_, &raw);
            ::cfmakeraw(&raw);
            ::tcsetattr(fd_, TCSANOW, &raw);
        }
    }
    ~Host() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool ok() const { return fd_ >= 0; }

    void send(const Bytes& bytes) const {
        QCOMPARE(::write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    ssize_t readOne(std::uint8_t* byte) const { return ::read(fd_, byte, 1); }
    Bytes readAvailable() const {
        Bytes got;
        std::uint8_t chunk[4096];
        ssize_t n;
        while ((n = ::read(fd_, chunk, sizeof chunk)) > 0) {
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }
    // Lets the simulator work until at least `count` bytes have arrived (bounded).
    Bytes collect(TracerSimulator& sim, std::size_t count) const {
        Bytes got;
        for (int round = 0; round < 400 && got.size() < count; ++round) {
            sim.poll();
            Bytes more = readAvailable();
            got.insert(got.end(), more.begin(), more.end());
            if (got.size() < count) {
                QTest::qWait(2);
            }
        }
        return got;
    }

  private:
    int fd_ = -1;
};

QByteArray hex(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))
        .toHex(' ');
}

Bytes fromHex(const char* text) {
    QByteArray raw = QByteArray::fromHex(QByteArray(text).replace(' ', ""));
    return Bytes(raw.begin(), raw.end());
}

struct Frame {
    Bytes bytes;
    std::uint8_t length() const { return bytes[0]; }
    std::uint8_t kind() const { return bytes[1]; }
    std::uint16_t stamp() const { return std::uint16_t(bytes[2] << 8 | bytes[3]); }
    std::uint8_t value() const { return bytes[4]; }
};

// Cuts a stream into frames, checking every length byte and check byte. A frame cut
// off at the very end (the host stopped reading there) is left out.
std::vector<Frame> splitChecked(const Bytes& stream, bool* wellFormed) {
    std::vector<Frame> frames;
    *wellFormed = true;
    std::size_t p = 0;
    while (p < stream.size()) {
        std::uint8_t length = stream[p];
        if (length < 2 || length > 5) {
            *wellFormed = false;
            return frames;
        }
        if (p + length >= stream.size()) {
            return frames;
        }
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i < length; ++i) {
            sum = std::uint8_t(sum + stream[p + i]);
        }
        if (sum != stream[p + length]) {
            *wellFormed = false;
            return frames;
        }
        frames.push_back({Bytes(stream.begin() + p, stream.begin() + p + length + 1)});
        p += length + 1u;
    }
    return frames;
}

bool isStamped(const Frame& frame) {
    return frame.kind() >= 0x90 && frame.kind() <= 0x9C && frame.length() >= 4;
}

// Follows the device clock as a host does (a wrap adds 65,536; a stamp sets the low
// 16 bits) and checks that it never runs backwards: every wrap came in its place.
bool clockRunsForward(const std::vector<Frame>& frames) {
    std::int64_t clock = 0;
    for (const Frame& frame : frames) {
        if (frame.kind() == 0xA0) {
            clock = (clock & ~std::int64_t(0xFFFF)) + 0x10000;
        } else if (isStamped(frame)) {
            std::int64_t next = (clock & ~std::int64_t(0xFFFF)) | frame.stamp();
            if (next < clock) {
                return false;
            }
            clock = next;
        }
    }
    return true;
}

// Checks the LIN grammar of a clean stream: break, sync 55, identifier with right
// parity bits, 2, 4 or 8 data bytes and the right LIN checksum; wraps anywhere.
// Returns what is wrong, or nothing.
QString linGrammarFault(const std::vector<Frame>& frames, int* linFrames) {
    *linFrames = 0;
    std::size_t i = 0;
    auto next = [&]() -> const Frame* {
        while (i < frames.size() && frames[i].kind() == 0xA0) {
            ++i;
        }
        return i < frames.size() ? &frames[i] : nullptr;
    };
    if (next() && frames[i].kind() == 0x82) {
        ++i;
    }
    while (const Frame* brk = next()) {
        if (brk->kind() != 0x90 || brk->length() != 4) {
            return QString("frame %1 is not a break").arg(i);
        }
        ++i;
        const Frame* sync = next();
        if (sync == nullptr) {
            break;
        }
        if (sync->kind() != 0x91 || sync->value() != 0x55) {
            return QString("frame %1 is not a sync field").arg(i);
        }
        ++i;
        const Frame* id = next();
        if (id == nullptr) {
            break;
        }
        const std::uint8_t pid = id->value();
        if (id->kind() != 0x92 || LinBusModel::protectedId(pid & 0x3F) != pid) {
            return QString("frame %1 is not an identifier with parity").arg(i);
        }
        ++i;
        Bytes response;
        const Frame* byte;
        while ((byte = next()) != nullptr && byte->kind() != 0x90) {
            if (byte->kind() != 0x93 + response.size()) {
                return QString("frame %1 is a response byte out of order").arg(i);
            }
            response.push_back(byte->value());
            ++i;
        }
        if (byte == nullptr) {
            break;  // the stream ended inside this LIN frame
        }
        int data = int(response.size()) - 1;
        if (data != 2 && data != 4 && data != 8) {
            return QString("LIN frame with %1 data bytes").arg(data);
        }
        if (LinBusModel::linChecksum(pid, response.data(), data) != response.back()) {
            return QString("wrong LIN checksum before frame %1").arg(i);
        }
        ++*linFrames;
    }
    return {};
}

// The trace core's view of a stream: every row the decoder makes, by its Info text.
class DecodedTrace : public RowSink {
  public:
    DecodedTrace() : decoder(list, *this, modes, state) { decoder.ResetDecoder(); }

    bool AppendRow(TraceEntry*, std::int32_t) override {
        ++rows;
        return true;
    }

    // Feeds a live stream in reads of `chunk` bytes, as the timer tick does.
    void feedLive(const Bytes& stream, std::size_t chunk) {
        state = TraceState::StartRequested;
        std::int32_t carried = 0;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            std::size_t n = std::min(chunk, stream.size() - at);
            std::copy_n(stream.begin() + at, n, buffer.bytes.begin() + carried);
            carried = decoder.SplitFrames(buffer.bytes.data(), carried + std::int32_t(n), false);
        }
    }

    int countInfo(const char* prefix) const {
        int count = 0;
        for (TraceEntry* row = list.TraceListHead(); row != nullptr; row = row->next) {
            count += std::strncmp(row->infoText, prefix, std::strlen(prefix)) == 0;
        }
        return count;
    }
    // Break rows that carry a sync field, an identifier and at least two data bytes.
    int completeLinRows() const {
        int count = 0;
        for (TraceEntry* row = list.TraceListHead(); row != nullptr; row = row->next) {
            count += std::strcmp(row->infoText, "Break") == 0 &&
                     std::strcmp(row->syncText, "55") == 0 && row->idText[0] == '[' &&
                     row->byteTexts[2][0] != '\0';
        }
        return count;
    }

    TraceList list;
    DisplayModes modes;
    TraceState state = TraceState::Idle;
    ReceiveBuffer buffer;
    StreamDecoder decoder;
    int rows = 0;
};

TracerSimulatorOptions quietOptions() {
    TracerSimulatorOptions options;
    options.seed = 7;
    return options;
}

}  // namespace

class TestTracerSim : public QObject {
    Q_OBJECT

  private slots:
    void commandsAreAnsweredByteForByte_data();
    void commandsAreAnsweredByteForByte();
    void badChecksumIsIgnoredAndTheNextCommandAnswered();
    void silentDeviceAnswersNothing();
    void startSendsMarkerThenLinFramesAndStopEndsTheStream();
    void noStartMarkerStartsWithTheFirstBreak();
    void setBaudrateChangesTheBitTimes();
    void protectedIdentifierParity_data();
    void protectedIdentifierParity();
    void generatedStreamIsWellFormedLinWithWrapsInPlace();
    void troubleRatesStillGiveWellFramedChecksummedFrames();
    void sameSeedSameStream();
    void fullTerminalDropsFramesThenReportsAnOverflow();
    void closedDeviceIsSeenByTheHost();
    void threadModeStreamsWhileTheTestWaits();
    void linkPointsAtTheDeviceAndGoesAway();
    void recordedStreamLoadsAsLinRowsWithoutBadFrames();
    void generatedStreamDecodesLiveInAnyReadSizes();
    void troubleBecomesErrorOverflowAndBadFrameRows();
};

void TestTracerSim::commandsAreAnsweredByteForByte_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("baudResult");
    QTest::addColumn<QString>("version");
    QTest::newRow("ReadVersion") << QByteArray("02 00 02") << QByteArray("05 80 01 04 02 8c") << 0
                                 << "";
    QTest::newRow("ReadVersion 2.0.17")
        << QByteArray("02 00 02") << QByteArray("05 80 02 00 11 98") << 0 << "2.0.17";
    QTest::newRow("SetBaudrate 9600")
        << QByteArray("04 01 25 80 aa") << QByteArray("05 81 25 80 00 2b") << 0 << "";
    QTest::newRow("SetBaudrate 19200")
        << QByteArray("04 01 4b 00 50") << QByteArray("05 81 4b 00 00 d1") << 0 << "";
    QTest::newRow("SetBaudrate refused with code 7")
        << QByteArray("04 01 25 80 aa") << QByteArray("05 81 25 80 07 32") << 7 << "";
    QTest::newRow("StartTrace") << QByteArray("02 02 04") << QByteArray("05 82 00 01 00 88") << 0
                                << "";
}

void TestTracerSim::commandsAreAnsweredByteForByte() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    QFETCH(int, baudResult);
    QFETCH(QString, version);
    TracerSimulatorOptions options = quietOptions();
    options.baudResult = std::uint8_t(baudResult);
    if (!version.isEmpty()) {
        QStringList parts = version.split('.');
        options.version = {std::uint8_t(parts[0].toInt()), std::uint8_t(parts[1].toInt()),
                           std::uint8_t(parts[2].toInt())};
    }
    TracerSimulator sim(options);
    QVERIFY2(sim.open(), sim.errorText().c_str());
    Host host(sim.devicePath());
    QVERIFY(host.ok());
    host.send(fromHex(command.constData()));
    Bytes got = host.collect(sim, 6);
    QVERIFY(got.size() >= 6);
    QCOMPARE(hex(Bytes(got.begin(), got.begin() + 6)), answer);
}

void TestTracerSim::badChecksumIsIgnoredAndTheNextCommandAnswered() {
    TracerSimulator sim(quietOptions());
    QVERIFY(sim.open());
    Host host(sim.devicePath());
    QVERIFY(host.ok());
    host.send(fromHex("02 00 03"));        // ReadVersion with a wrong check byte
    host.send(fromHex("04 01 25 80 ab"));  // SetBaudrate with a wrong check byte
    host.send(fromHex("02 02 05"));        // StartTrace with a wrong check byte
    for (int i = 0; i < 5; ++i) {
        sim.poll();
    }
    QVERIFY(host.readAvailable().empty());
    QVERIFY(!sim.tracing());
    host.send(fromHex("02 00 02"));
    QCOMPARE(hex(host.collect(sim, 6)), QByteArray("05 80 01 04 02 8c"));
}

void TestTracerSim::silentDeviceAnswersNothing() {
    TracerSimulatorOptions options = quietOptions();
    options.silent = true;
    TracerSimulator sim(options);
    QVERIFY(sim.open());
    Host host(sim.devicePath());
    host.send(fromHex("02 00 02 04 01 25 80 aa 02 02 04"));
    for (int i = 0; i < 10; ++i) {
        sim.poll();
        QTest::qWait(1);
    }
    QVERIFY(host.readAvailable().empty());
    QVERIFY(!sim.tracing());
}

void TestTracerSim::startSendsMarkerThenLinFramesAndStopEndsTheStream() {
    TracerSimulator sim(quietOptions());
    QVERIFY(sim.open());
    Host host(sim.devicePath());
    host.send(fromHex("02 02 04"));
    sim.poll();
    QVERIFY(sim.tracing());
    sim.advance(50000);  // 50 ms of bus traffic at once
    Bytes stream = host.collect(sim, 300);
    host.send(fromHex("02 03 05"));
    for (int i = 0; i < 3; ++i) {
        sim.poll();
        Bytes more = host.readAvailable();
        stream.insert(stream.end(), more.begin(), more.end());
    }
    QVERIFY(!sim.tracing());
    sim.advance(100000);
    sim.poll();
    QVERIFY(host.readAvailable().empty());

    bool wellFormed = false;
    std::vector<Frame> frames = splitChecked(stream, &wellFormed);
    QVERIFY(wellFormed);
    QCOMPARE(hex(frames.front().bytes), QByteArray("05 82 00 01 00 88"));
    int linFrames = 0;
    QCOMPARE(linGrammarFault(frames, &linFrames), QString());
    QVERIFY(linFrames >= 3);
    QVERIFY(clockRunsForward(frames));
    QCOMPARE(sim.bytesSent(), std::uint64_t(stream.size()));
}

void TestTracerSim::noStartMarkerStartsWithTheFirstBreak() {
    TracerSimulatorOptions options = quietOptions();
    options.startMarker = false;
    TracerSimulator sim(options);
    QVERIFY(sim.open());
    Host host(sim.devicePath());
    host.send(fromHex("02 02 04"));
    sim.poll();
    sim.advance(20000);
    Bytes stream = host.collect(sim, 5);
    QVERIFY(stream.size() >= 5);
    QCOMPARE(stream[0], std::uint8_t(0x04));
    QCOMPARE(stream[1], std::uint8_t(0x90));
}

void TestTracerSim::setBaudrateChangesTheBitTimes() {
    TracerSimulator sim(quietOptions());
    QVERIFY(sim.open());
    Host host(sim.devicePath());
    host.send(fromHex("04 01 09 60 6e"));  // 2400 baud
    QCOMPARE(hex(host.collect(sim, 6)), QByteArray("05 81 09 60 00 ef"));
    host.send(fromHex("02 02 04"));
    sim.poll();
    sim.advance(200000);
    Bytes stream = host.collect(sim, 6 + 5 + 6);
    bool wellFormed = false;
    std::vector<Frame> frames = splitChecked(stream, &wellFormed);
    QVERIFY(frames.size() >= 3);
    // The sync field ends 11 bit times after the break: 11 x 416.7 us at 2400 baud.
    QCOMPARE(frames[1].kind(), std::uint8_t(0x90));
    QCOMPARE(frames[2].kind(), std::uint8_t(0x91));
    int between = (frames[2].stamp() - frames[1].stamp()) & 0xFFFF;
    QVERIFY(between >= 4583 && between <= 4584);
}

void TestTracerSim::protectedIdentifierParity_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("pid");
    // Worked examples of the LIN parity bits P0 (bit 6) and P1 (bit 7).
    QTest::newRow("0x00") << 0x00 << 0x80;
    QTest::newRow("0x01") << 0x01 << 0xC1;
    QTest::newRow("0x10") << 0x10 << 0x50;
    QTest::newRow("0x3C") << 0x3C << 0x3C;
    QTest::newRow("0x3D") << 0x3D << 0x7D;
    QTest::newRow("0x3F") << 0x3F << 0xBF;
}

void TestTracerSim::protectedIdentifierParity() {
    QFETCH(int, id);
    QFETCH(int, pid);
    QCOMPARE(int(LinBusModel::protectedId(std::uint8_t(id))), pid);
}

void TestTracerSim::generatedStreamIsWellFormedLinWithWrapsInPlace() {
    TracerSimulator sim(quietOptions());
    Bytes stream = sim.generate(3'000'000);
    bool wellFormed = false;
    std::vector<Frame> frames = splitChecked(stream, &wellFormed);
    QVERIFY(wellFormed);
    int linFrames = 0;
    QCOMPARE(linGrammarFault(frames, &linFrames), QString());
    QVERIFY(linFrames >= 290);  // one per 10 ms slot at 19200 baud
    QVERIFY(clockRunsForward(frames));
    int wraps = 0;
    for (const Frame& frame : frames) {
        wraps += frame.kind() == 0xA0;
    }
    QCOMPARE(wraps, 3'000'000 / 65536);
}

void TestTracerSim::troubleRatesStillGiveWellFramedChecksummedFrames() {
    TracerSimulatorOptions options = quietOptions();
    options.rates = {0.2, 0.2, 0.1};
    TracerSimulator sim(options);
    Bytes stream = sim.generate(2'000'000);
    bool wellFormed = false;
    std::vector<Frame> frames = splitChecked(stream, &wellFormed);
    QVERIFY(wellFormed);
    QVERIFY(clockRunsForward(frames));
    int errors = 0;
    int overflows = 0;
    int unknownKinds = 0;
    for (const Frame& frame : frames) {
        errors += frame.kind() == 0x9C && frame.length() == 5;
        overflows += frame.kind() == 0xF0 && frame.length() == 3;
        unknownKinds += frame.kind() == 0x9F;
    }
    QVERIFY(errors > 0);
    QVERIFY(overflows > 0);
    QVERIFY(unknownKinds > 0);
    int linFrames = 0;
    QVERIFY(!linGrammarFault(frames, &linFrames).isEmpty());
}

void TestTracerSim::sameSeedSameStream() {
    TracerSimulatorOptions options = quietOptions();
    options.rates = {0.1, 0.1, 0.1};
    Bytes first = TracerSimulator(options).generate(500'000);
    Bytes second = TracerSimulator(options).generate(500'000);
    QVERIFY(first == second);
    options.seed = 8;
    QVERIFY(TracerSimulator(options).generate(500'000) != first);
}

void TestTracerSim::fullTerminalDropsFramesThenReportsAnOverflow() {
    TracerSimulator sim(quietOptions());
    QVERIFY(sim.open());
    Host host(sim.devicePath());
    host.send(fromHex("02 02 04"));
    sim.poll();
    // The host reads nothing while 30 s of traffic come due: far more than the
    // terminal holds. The simulator must neither block nor lose the framing.
    for (int i = 0; i < 300; ++i) {
        sim.advance(100000);
        sim.poll();
    }
    QVERIFY(sim.framesDropped() > 0);
    Bytes stream = host.readAvailable();
    for (int i = 0; i < 100; ++i) {
        sim.advance(20000);
        sim.poll();
        Bytes more = host.readAvailable();
        stream.insert(stream.end(), more.begin(), more.end());
    }
    bool wellFormed = false;
    std::vector<Frame> frames = splitChecked(stream, &wellFormed);
    QVERIFY(wellFormed);
    QVERIFY(clockRunsForward(frames));
    auto overflow = std::find_if(frames.begin(), frames.end(), [](const Frame& frame) {
        return frame.kind() == 0xF0 && frame.length() == 3;
    });
    QVERIFY(overflow != frames.end());
    QVERIFY(overflow->bytes[2] > 0);  // the number of frames lost
    // Sending resumes at a break, right behind the overflow report.
    QVERIFY(overflow + 1 != frames.end());
    QCOMPARE((overflow + 1)->kind(), std::uint8_t(0x90));
}

void TestTracerSim::closedDeviceIsSeenByTheHost() {
    TracerSimulator sim(quietOptions());
    QVERIFY(sim.open());
    Host host(sim.devicePath());
    host.send(fromHex("02 02 04"));
    sim.poll();
    sim.closeDevice();
    QVERIFY(!sim.tracing());
    sim.poll();  // harmless once the device is gone
    // The host's terminal has hung up: end of file or an I/O error, never "try again".
    std::uint8_t byte = 0;
    errno = 0;
    ssize_t n = host.readOne(&byte);
    QVERIFY(n == 0 || (n < 0 && errno == EIO));
}

void TestTracerSim::threadModeStreamsWhileTheTestWaits() {
    TracerSimulator sim(quietOptions());
    QVERIFY(sim.open());
    Host host(sim.devicePath());
    sim.startThread();
    host.send(fromHex("02 00 02"));
    Bytes got;
    for (int round = 0; round < 500 && got.size() < 6; ++round) {
        QTest::qWait(2);
        Bytes more = host.readAvailable();
        got.insert(got.end(), more.begin(), more.end());
    }
    QCOMPARE(hex(got), QByteArray("05 80 01 04 02 8c"));
    host.send(fromHex("02 02 04"));
    QTRY_VERIFY(sim.tracing());
    sim.advance(30000);
    got.clear();
    for (int round = 0; round < 500 && got.size() < 60; ++round) {
        QTest::qWait(2);
        Bytes more = host.readAvailable();
        got.insert(got.end(), more.begin(), more.end());
    }
    sim.stop();
    bool wellFormed = false;
    splitChecked(got, &wellFormed);
    QVERIFY(got.size() >= 60);
    QVERIFY(wellFormed);
}

void TestTracerSim::linkPointsAtTheDeviceAndGoesAway() {
    QString link = QDir::temp().filePath(QString("daridez-tst-link-%1").arg(::getpid()));
    {
        TracerSimulatorOptions options = quietOptions();
        options.linkPath = link.toStdString();
        TracerSimulator sim(options);
        QVERIFY2(sim.open(), sim.errorText().c_str());
        QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromStdString(sim.devicePath()));
        Host host(link.toStdString());
        QVERIFY(host.ok());
        host.send(fromHex("02 00 02"));
        QCOMPARE(host.collect(sim, 6).size(), std::size_t(6));
    }
    QVERIFY(!QFileInfo(link).exists() && !QFileInfo(link).isSymLink());
}

void TestTracerSim::recordedStreamLoadsAsLinRowsWithoutBadFrames() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString record = dir.filePath("recorded.dump");
    Bytes received;
    {
        TracerSimulatorOptions options = quietOptions();
        options.recordPath = record.toStdString();
        TracerSimulator sim(options);
        QVERIFY(sim.open());
        Host host(sim.devicePath());
        host.send(fromHex("02 02 04"));
        for (int i = 0; i < 100; ++i) {
            sim.advance(10000);  // one second of bus traffic in 100 polls
            Bytes more = host.collect(sim, 1);
            received.insert(received.end(), more.begin(), more.end());
        }
        host.send(fromHex("02 03 05"));
        sim.poll();
        Bytes rest = host.readAvailable();
        received.insert(received.end(), rest.begin(), rest.end());
    }
    // The record holds exactly what the host received.
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray recorded = file.readAll();
    QCOMPARE(recorded, QByteArray(reinterpret_cast<const char*>(received.data()),
                                  qsizetype(received.size())));

    DecodedTrace trace;
    daridez::DumpLoader loader(trace.decoder, trace.buffer);
    QVERIFY(loader.open(record.toStdString()));
    QCOMPARE(loader.loadAll(), daridez::LoadResult::Ok);
    QCOMPARE(QString(trace.list.TraceListHead()->infoText), QString("START (1)"));
    QCOMPARE(trace.countInfo("#"), 0);
    QVERIFY(trace.decoder.frameCount() >= 95);
    QCOMPARE(trace.decoder.errorCount(), 0);
    // Every LIN frame but possibly the last, cut off by the stop, is complete.
    QVERIFY(trace.completeLinRows() >= trace.decoder.frameCount() - 1);
    QCOMPARE(trace.rows, 1 + trace.countInfo("Break"));
}

void TestTracerSim::generatedStreamDecodesLiveInAnyReadSizes() {
    const Bytes stream = TracerSimulator(quietOptions()).generate(2'000'000);
    for (std::size_t chunk : {std::size_t(1), std::size_t(7), std::size_t(1000), stream.size()}) {
        DecodedTrace trace;
        trace.feedLive(stream, chunk);
        QCOMPARE(trace.state, TraceState::Tracing);
        QCOMPARE(trace.countInfo("#"), 0);
        QCOMPARE(trace.decoder.frameCount(), trace.countInfo("Break"));
        QVERIFY(trace.decoder.frameCount() >= 195);
        QCOMPARE(trace.completeLinRows(), trace.decoder.frameCount());
        // The clock followed every wrap: the last field came shortly before 2 s.
        QVERIFY(trace.decoder.traceClock() > 1'980'000);
        QVERIFY(trace.decoder.traceClock() <= 2'000'000);
    }
}

void TestTracerSim::troubleBecomesErrorOverflowAndBadFrameRows() {
    TracerSimulatorOptions options = quietOptions();
    options.rates = {0.1, 0.1, 0.05};
    DecodedTrace trace;
    trace.feedLive(TracerSimulator(options).generate(3'000'000), 512);
    QVERIFY(trace.decoder.errorCount() > 0);
    QCOMPARE(trace.decoder.errorCount(), trace.countInfo("#0"));
    QVERIFY(trace.countInfo("#BufOvfl") > 0);
    QVERIFY(trace.countInfo("#err [") > 0);
    // After trouble the decoder finds its way back at the next break.
    QVERIFY(trace.completeLinRows() > trace.decoder.frameCount() / 2);
}

QTEST_GUILESS_MAIN(TestTracerSim)
#include "tst_tracersim.moc"
