// Other tools' traces: ASC logs and pcapng/pcap captures read into rows (each event kind,
// both number bases, odd spacing, missing fields, channels, bad input), ASC written, and
// round trips dump -> ASC -> rows and dump -> pcapng -> rows that keep every LIN frame.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "DecoderFixture.h"
#include "files/AscWriter.h"
#include "files/PcapngWriter.h"
#include "files/TraceLoad.h"
#include "files/TraceTranslator.h"
#include "lin/FrameCheck.h"
#include "lin/LinFrame.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// Bytes written to the output, kept in memory.
struct MemoryOutput : ByteOutput {
    bool write(const void* data, std::size_t size) override {
        bytes.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
        return true;
    }
    QByteArray bytes;
};

// A loaded file: its rows (the START row left out) as "time sync id data cs check" (a
// row that is no LIN frame as "time info"), the time counted from the row before, as
// the TimeStamp column shows it by default; its LIN frames as "pid data... cs | verdict"
// (those cut left out), for comparing round trips; and what the load said.
struct Loaded {
    QStringList rows, frames;
    QString note, failure;
};

QString summary(const TraceEntry& entry, const TextForm& form) {
    std::string line;
    AppendRowLine(line, entry, form, true);
    const QStringList fields = QString::fromStdString(line).trimmed().split('\t');
    if (!ReadLinFrame(entry).isLinFrame)  // a device event: red only for a fault
        return fields.value(1) + ' ' + fields.value(2) + (fields.value(14) == "red" ? " red" : "");
    QStringList kept;
    for (int i : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15}) kept << fields.value(i);
    kept.removeAll(QString());
    return kept.join(' ');
}

QString frameText(const LinFrame& frame, const FrameVerdict& verdict) {
    QString text = frame.hasId ? QString::number(frame.pid, 16) : QString("-");
    for (int i = 0; i < frame.responseCount; ++i)
        text += ' ' + QString::number(frame.response[i], 16);
    return text + " | " + QString::fromStdString(verdict.text());
}

Loaded loadBytes(const QByteArray& bytes) {
    QTemporaryDir folder;
    const QString path = folder.filePath("trace");
    Loaded loaded;
    if (!writeFile(path, bytes)) {
        loaded.failure = "<not written>";
        return loaded;
    }
    DecoderFixture trace;
    LoadHooks hooks;
    hooks.failed = [&](const std::string& why) { loaded.failure = QString::fromStdString(why); };
    hooks.note = [&](const std::string& note) { loaded.note = QString::fromStdString(note); };
    LoadTrace(trace.session, path.toStdString(), hooks);
    for (const TraceEntry* row : trace.sink.rows) {
        const LinFrame frame = ReadLinFrame(*row);
        const FrameVerdict verdict = CheckFrame(*row, frame);
        if (frame.isLinFrame && !verdict.has(CheckWord::Cut))
            loaded.frames << frameText(frame, verdict);
        const QString text = summary(*row, trace.list.textForm());
        if ((frame.isLinFrame || (row->flags & RowFlag::kOpened) != 0) && !text.endsWith("START") &&
            !text.contains("START ("))
            loaded.rows << text;
    }
    return loaded;
}

QStringList framesOf(const QByteArray& bytes) {
    return loadBytes(bytes).frames;
}

// The rows of a trace written by a Writer made with these extra arguments.
template <typename Writer, typename... Extra>
QByteArray written(const DecoderFixture& trace, Extra... extra) {
    MemoryOutput out;
    Writer writer(out, extra...);
    for (const TraceEntry* row : trace.sink.rows) writer.writeRow(*row);
    writer.finish();
    return out.bytes;
}

template <typename Writer, typename... Extra>
QByteArray exported(const QByteArray& dump, Extra... extra) {
    DecoderFixture trace;
    trace.feed(dump);
    return written<Writer>(trace, extra...);
}

// Device frames of a varied trace: good frames of both models, every fault the checks
// know, device events, and a last frame that is whole.
const char* const kVariedTrace =
    "058200010000 "
    "0490010000 059101105500 059201205000 059301300100 059401400200 05950150FC00 "
    "0490020000 059102105500 059202209200 05930230A500 05940240C700 "
    "0490030000 059103105500 059203203C00 059303300100 059403400200 059503500300 059603600400 "
    "059703700500 059803800600 059903900700 059A03A00800 059B03B0DB00 "
    "0490040000 "
    "0490050000 059105105500 "
    "0490060000 059106105500 059206200500 059306300700 05940640F800 "
    "0490070000 059107105500 059207209200 "
    "0490080000 059108105500 059208209200 05930830A500 "
    "0490090000 059109105500 059209206100 059309301100 059409402200 "
    "059C0A000200 03F00500 "
    "04900B0000 05910B105500 05920B205000 05930B300100 05940B400200 05950B50FC00 "
    "04900C0000 05910C105500 05920C205000";

}  // namespace

class TraceFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void detectsTheKindByContent_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("kind");
        const int dump = int(TraceFileKind::Dump), asc = int(TraceFileKind::Asc);
        QTest::newRow("pcapng") << hex("0A0D0D0A1C000000") << int(TraceFileKind::Pcapng);
        QTest::newRow("pcap, little-endian") << hex("D4C3B2A102000400") << int(TraceFileKind::Pcap);
        QTest::newRow("pcap, big-endian ns") << hex("A1B23C4D00020004") << int(TraceFileKind::Pcap);
        QTest::newRow("asc header") << QByteArray("date Mon Dec 07 2026\nbase hex\n") << asc;
        QTest::newRow("asc comment first") << QByteArray("// log\n1.0 Li 10 Rx 0\n") << asc;
        QTest::newRow("asc event first, blank line before")
            << QByteArray("\n   0.5 L2 10 Rx 0\n") << asc;
        QTest::newRow("dump") << hex("0582000100000490010000") << dump;
        QTest::newRow("empty") << QByteArray() << dump;
        QTest::newRow("text of another kind") << QByteArray("hello world\n") << dump;
        QTest::newRow("asc words, then binary") << QByteArray("date x\n\x01\x02", 9) << dump;
        QTest::newRow("a number, not a LIN channel") << QByteArray("1.0 1 100 Tx d 8\n") << dump;
    }
    void detectsTheKindByContent() {
        QFETCH(QByteArray, head);
        QFETCH(int, kind);
        const std::vector<std::uint8_t> bytes(head.begin(), head.end());
        QCOMPARE(int(DetectTraceFileKind(bytes)), kind);
    }

    // A file read: its rows (" / " between them), what the load noted, or why it read
    // nothing.
    void readsTraceFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("failure");
        const auto row = [](const char* name, const QByteArray& file, const QString& rows,
                            const char* note = "", const char* failure = "") {
            QTest::newRow(name) << file << rows.split(" / ", Qt::SkipEmptyParts) << QString(note)
                                << QString(failure);
        };
        // A log of a header's lines, then the lines given.
        const auto logged = [&row](const char* name, const QByteArray& lines, const QString& rows,
                                   const char* note = "") {
            row(name,
                "date Mon Dec 07 05:00:00.000 pm 2026\nbase hex  timestamps absolute\n"
                "internal events logged\n// version 1\n" +
                    lines,
                rows, note);
        };
        logged("frame with every field",
               "   1.000100 L1 10 Rx 2 01 02 checksum = ac SOF = 1.000000 EOH = "
               "1.000050 EOB = 1.000070 1.000100 EOF = 1.000100 CSM = enhanced\n",
               "+ 00:00:01,000000 55 [50] 01h 02h ACh enhanced");
        logged("missing optional fields: checksum made, times counted back",
               "1.000100 L1 10 Rx 2 01 02\n", "+ 00:00:00,996768 55 [50] 01h 02h ACh enhanced");
        logged("classic checksum made when missing: 3C, and where CSM says so",
               "2.000000 Li 3c Tx 1 01\n2.1 Li 10 Rx 2 01 02 CSM = classic SOF = 2.05\n",
               "+ 00:00:01,997189 55 [3C] 01h FEh classic / "
               "+ 00:00:00,052811 55 [50] 01h 02h FCh classic");
        row("decimal base, tabs, runs of blanks and CRLF",
            QByteArray("base dec  timestamps absolute\r\n\t2.0\tL2   16 Tx\t2  1   2 "
                       "checksum = 172 SOF = 1.9\r\n"),
            "+ 00:00:01,900000 55 [50] 01h 02h ACh enhanced");
        logged("checksum error", "0.5 Li 10 CSErr Tx 2 01 02 checksum = 77 SOF = 0.4\n",
               "+ 00:00:00,400000 55 [50] 01h 02h 77h checksum");
        logged("no response",
               "0.5 Li 10 TransmErr header time = 40, full time = 166 SOF = 0.4 "
               "EOH = 0.402\n",
               "+ 00:00:00,400000 55 [50] no-response");
        logged("event-triggered slot nobody answered",
               "0.5 Li 10 EvTrigFrmInfo DoorEvent No response\n",
               "+ 00:00:00,498230 55 [50] no-response");
        logged("event-triggered answer: a row that says so",
               "0.5 Li 10 EvTrigFrmInfo DoorEvent DoorFL\n", "+ 00:00:00,500000 Event-triggered");
        logged("checksum model of the log beside a verdict of the other",
               "1.0001 L1 10 Rx 2 01 02 checksum = ac SOF = 1.0 CSM = classic\n"
               "1.1 L1 3c Rx 1 01 checksum = fe SOF = 1.09 CSM = enhanced\n",
               "+ 00:00:01,000000 55 [50] 01h 02h ACh enhanced (log: classic) / "
               "+ 00:00:00,090000 55 [3C] 01h FEh classic (log: enhanced)");
        logged("response broken off after one byte",
               "0.5 Li 10 1 RcvError: timeout while waiting for checksum field "
               "StateReason = 0c HasDatabytes = 1 a5 SOF = 0.4\n",
               "+ 00:00:00,400000 55 [50] A5h short");
        logged("sync error", "0.5 L2 SyncError 208 0 0 0 SOF = 0.49\n",
               "+ 00:00:00,490000 no-sync,no-id");
        logged("response of nine bytes, slow",
               "1.0 Li 1 8 ShortOrSlowResponse: NumRespBytes = 9 11 12 13 14 15 16 17 "
               "18 99 SlowResponse = 1 SOF = 0.9\n",
               "+ 00:00:00,900000 55 [C1] 11h 12h 13h 14h 15h 16h 17h 18h 99 enhanced");
        row("relative time stamps",
            QByteArray("base hex  timestamps relative\n0.5 L1 10 Rx 2 01 02 SOF = 0.4\n"
                       "0.5 L1 10 Rx 2 01 02 SOF = 0.4\n"),
            "+ 00:00:00,400000 55 [50] 01h 02h ACh enhanced / "
            "+ 00:00:00,500000 55 [50] 01h 02h ACh enhanced");
        logged("two channels: the first one logged",
               "0.5 L2 10 Rx 2 01 02 SOF = 0.4\n0.6 L1 10 Rx 2 01 02 SOF = 0.55\n"
               "0.7 Li 10 TransmErr SOF = 0.65\n",
               "+ 00:00:00,400000 55 [50] 01h 02h ACh enhanced / "
               "+ 00:00:00,250000 55 [50] no-response",
               "channel 2 read, 1 event of other channels left out");
        logged("other buses, trigger blocks and bus events",
               "Begin Triggerblock Mon Dec 07 05:00:00.000 pm 2026\n"
               "   0.1 1  100 Tx d 8 1 2 3 4 5 6 7 8 Length = 0\n"
               "   0.2 Li WakeupFrame Tx 00 SOF = 0.19\n"
               "   0.3 Li SleepModeEvent 0 entering sleep mode\n"
               "   0.3 Li Spike Rx 56 microseconds\n"
               "   0.4 L1 10 Rx 2 01 02 SOF = 0.35\nEnd TriggerBlock\n",
               "+ 00:00:00,200000 Wake-up / + 00:00:00,100000 Sleep / + 00:00:00,000000 Spike / "
               "+ 00:00:00,050000 55 [50] 01h 02h ACh enhanced");
        logged("lines not understood are counted",
               "garbage\n0.4 L1 10 Rx 2 01 02 SOF = 0.35\n0.5 L1 77 Rx 0\n"
               "0.6 L1 10 Rx 3 01 02\n0.7 L1 Zap\n0.1234567891 L1 10 Rx 2 01 02\n"
               "0.9 L1 10 Rx 2 01 100\n",
               "+ 00:00:00,350000 55 [50] 01h 02h ACh enhanced", "6 lines not understood");
        logged("a 64 KB line is skipped",
               "0.3 L1 " + QByteArray(65536, 'x') + "\n0.4 L1 10 Rx 2 01 02 SOF = 0.35\n",
               "+ 00:00:00,350000 55 [50] 01h 02h ACh enhanced", "1 line not understood");
        // Times past four days of trace (a broken or hostile log) are taken as four days:
        // the stream never grows by a timer wrap for every 65 ms of a far-off time.
        logged("a time far off",
               "0.4 L1 10 Rx 2 01 02 SOF = 0.35\n999999999999.5 L1 10 Rx 2 01 02 "
               "SOF = 999999999999.4\n",
               "+ 00:00:00,350000 55 [50] 01h 02h ACh enhanced / "
               "+ 95:59:59,650000 55 [50] 01h 02h ACh enhanced");
        logged("a frame on a timer wrap", "0.065536 L1 10 Rx 2 01 02 SOF = 0.065536\n",
               "+ 00:00:00,065536 55 [50] 01h 02h ACh enhanced");
        // Captures read alike: stamps in nanoseconds (pcap's magic, pcapng's time resolution
        // behind a padded option), a trace clock kept, the device's own events.
        row("pcap in nanoseconds: a frame, an overflow, a header alone",
            hex("4D3CB2A1 02000400 00000000 00000000 FFFF0000 D4000000"
                "00000000 0065CD1D 0A000000 0A000000 01000000 2050AC00 0102"
                "00000000 0027B929 08000000 08000000 01000000 00000020"
                "00000000 00CA9A3B 08000000 08000000 01000000 00500000"),
            "+ 00:00:00,500000 55 [50] 01h 02h ACh enhanced / "
            "+ 00:00:00,155360 #BufOvfl / + 00:00:00,344640 55 [50] no-response");
        row("pcapng in nanoseconds behind a padded option",
            hex("0A0D0D0A 1C000000 4D3C2B1A 01000000 FFFFFFFFFFFFFFFF 1C000000"
                "01000000 28000000 D4000000 00000000 01000100 78000000 09000100 09000000"
                "00000000 28000000 06000000 2C000000 00000000 00000000 0065CD1D 0A000000"
                "0A000000 01000000 2050AC00 0102 0000 2C000000"),
            "+ 00:00:00,500000 55 [50] 01h 02h ACh enhanced");
        logged("last line without a line end", "0.4 L1 10 Rx 2 01 02 SOF = 0.35",
               "+ 00:00:00,350000 55 [50] 01h 02h ACh enhanced");
        row("asc of only garbage", "date today\nbase hex\nnonsense\n1.0 L1 what\n", "", "",
            "no LIN events: 2 lines not understood");
        row("asc of another bus", "date x\n1.0 1 100 Tx d 1 00\n", "", "", "no LIN events");
        row("pcapng cut inside its header", hex("0A0D0D0A1C0000004D3C2B1A0100"), "", "",
            "no LIN frames: the capture ends inside a block");
        row("pcapng block of a bad length",
            hex("0A0D0D0A1C0000004D3C2B1A01000000FFFFFFFFFFFFFFFF1C000000 010000000D000000"), "",
            "", "no LIN frames: a block of length 13");
        row("pcap of Ethernet packets",
            hex("D4C3B2A1020004000000000000000000FFFF000001000000"
                "00000000000000000200000002000000AAAA"),
            "", "", "no LIN frames: 1 packet of other link types left out");
        row("pcap with a huge record",
            hex("D4C3B2A10200040000000000000000000000010000D40000"
                "0000000000000000FFFFFF00FFFFFF00"),
            "", "", "no LIN frames: a packet of 16777215 bytes");
    }
    void readsTraceFiles() {
        QFETCH(QByteArray, file);
        const Loaded loaded = loadBytes(file);
        QTEST(loaded.rows, "rows");
        QTEST(loaded.note, "note");
        QTEST(loaded.failure, "failure");
    }

    // The public sample lines of the format, where the shared folder is beside the
    // checkout: every file is read, each LIN event as its row.
    void readsThePublicSamples_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("checks");
        QTest::newRow("message") << "lin-message.asc" << QStringList{"enhanced"};
        QTest::newRow("checksum error") << "lin-checksum-error.asc" << QStringList{"checksum"};
        QTest::newRow("receive error") << "lin-receive-error.asc" << QStringList{"checksum"};
        QTest::newRow("transmission error")
            << "lin-transmission-error.asc" << QStringList{"no-response"};
        QTest::newRow("sync error") << "lin-sync-error.asc" << QStringList{"no-sync,no-id"};
        QTest::newRow("event slot") << "lin-event-triggered-info.asc" << QStringList{"no-response"};
        QTest::newRow("long response")
            << "lin-short-or-slow-response.asc" << QStringList{"enhanced"};
        QTest::newRow("header, trigger block, decimal, channel 4")
            << "header-and-mixed.asc"
            << QStringList{"change", "Sleep", "Statistics", "enhanced", "Wake-up"};
        QTest::newRow("sleep") << "lin-sleep-mode.asc" << QStringList{"Sleep"};
        QTest::newRow("wake-up") << "lin-wakeup-frame.asc" << QStringList{"Wake-up"};
        QTest::newRow("spike") << "lin-spike.asc" << QStringList{"Spike"};
        QTest::newRow("slave timeout") << "lin-slave-timeout.asc" << QStringList{"timeout"};
    }
    void readsThePublicSamples() {
        QFETCH(QString, file);
        QFETCH(QStringList, checks);
        const QString path = QStringLiteral(DARIDEZ_SHARED_ASC_FIXTURES) + "/" + file;
        if (!QFile::exists(path)) {
            QSKIP("the shared ASC samples are not beside the checkout");
        }
        const Loaded loaded = loadBytes(readFile(path));
        QCOMPARE(loaded.failure, QString());
        QStringList seen;
        for (const QString& row : loaded.rows) {
            seen << row.section(' ', -1);
        }
        QCOMPARE(seen, checks);
        QVERIFY(!loaded.note.contains("not understood"));
    }

    // The header's date at the wall-clock time of trace time 0, in UTC.
    void writesAscLines_data() {
        QTest::addColumn<qint64>("epoch");
        QTest::addColumn<QByteArray>("date");
        QTest::newRow("afternoon")
            << qint64{1765126800} << QByteArray("Sun Dec 07 05:00:00.000 pm 2025");
        QTest::newRow("midnight") << qint64{1765065600}
                                  << QByteArray("Sun Dec 07 12:00:00.000 am 2025");
        QTest::newRow("noon") << qint64{1765108800}
                              << QByteArray("Sun Dec 07 12:00:00.000 pm 2025");
    }
    void writesAscLines() {
        QFETCH(qint64, epoch);
        QFETCH(QByteArray, date);
        const QByteArray asc =
            exported<AscWriter>(hex(kVariedTrace), std::int64_t{epoch} * 1'000'000);
        const QList<QByteArray> lines = asc.split('\n');
        QCOMPARE(lines.value(0), "date " + date);
        QCOMPARE(lines.value(1), QByteArray("base hex  timestamps absolute"));
        QCOMPARE(lines.value(3), "Begin Triggerblock " + date);
        QCOMPARE(lines.value(4), QByteArray("   0.000336 L1 10 Rx 2 01 02 checksum = fc SOF = "
                                            "0.000256 EOH = 0.000288 EOB = 0.000304 0.000320 "
                                            "0.000336 EOF = 0.000336 CSM = classic"));
        for (const char* line :
             {" L1 SyncError SOF = 0.001024\n",
              " L1 05 Rx 1 07 checksum = f8 ",  // parity: the frame is kept
              " L1 12 TransmErr SOF = 0.001792 EOH = 0.001824\n",
              " L1 12 1 RcvError: timeout while waiting for checksum field HasDatabytes = 1 a5 "
              "SOF = 0.002048",
              " L1 21 CSErr Rx 1 11 checksum = 22 ", "// 0.002560 device error 02\n",
              "// 0.002560 buffer overflow\n"})
            QVERIFY2(asc.contains(line), line);
        QVERIFY(!asc.contains(" L1 10 TransmErr SOF = 0.003072"));  // the cut last frame
        QVERIFY(asc.endsWith("End TriggerBlock\n"));
    }

    // A log's bus events are written back as its lines, at their times; of a log with
    // relative times only the keyword (the times inside its line count from the line
    // before). Frames carry the model their verdict names.
    void writesLogEventsBack_data() {
        QTest::addColumn<QByteArray>("asc");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::newRow("wake-up with its fields")
            << QByteArray(
                   "base hex  timestamps absolute\n"
                   " 2.318672 Li WakeupFrame  Tx 00  SOF = 2.317671 BR = 19230\n")
            << QByteArrayList{"   2.318672 L1 WakeupFrame  Tx 00  SOF = 2.317671 BR = 19230"};
        QTest::newRow("two events at one time, then a frame")
            << QByteArray(
                   "base hex  timestamps absolute\n0.5 L2 Spike Rx 56 microseconds\n"
                   "0.5 L2 SleepModeEvent 0 entering sleep mode\n"
                   "0.6 L2 10 Rx 2 01 02 checksum = ac SOF = 0.59 CSM = classic\n")
            << QByteArrayList{
                   "   0.500000 L1 Spike Rx 56 microseconds",
                   "   0.500000 L1 SleepModeEvent 0 entering sleep mode",
                   "   0.600000 L1 10 Rx 2 01 02 checksum = ac SOF = 0.590000 EOH = "
                   "0.598438 EOB = 0.598958 0.599479 0.600000 EOF = 0.600000 CSM = enhanced"};
        QTest::newRow("relative times: the keyword alone")
            << QByteArray(
                   "base hex  timestamps relative\n0.5 Li WakeupFrame Tx 00 SOF = 0.4\n"
                   "0.25 Li SlaveTimeout slave-id = 0\n")
            << QByteArrayList{"   0.500000 L1 WakeupFrame", "   0.750000 L1 SlaveTimeout"};
    }
    void writesLogEventsBack() {
        QFETCH(QByteArray, asc);
        QFETCH(QByteArrayList, lines);
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath("log.asc"), asc));
        DecoderFixture trace;
        QCOMPARE(LoadTrace(trace.session, folder.filePath("log.asc").toStdString()),
                 LoadResult::Ok);
        // The lines after the header, before End TriggerBlock and the empty text behind it.
        const QByteArrayList asWritten =
            written<AscWriter>(trace, 0, nullptr, &trace.list.notes()).split('\n');
        QCOMPARE(asWritten.mid(4, asWritten.size() - 6), lines);
    }

    // Every LIN frame comes back with its identifier, data, checksum and verdict, but
    // for what the format cannot hold: ASC has no field for the sync byte, so a header
    // without identifier comes back as one without sync, nor for the identifier's parity
    // bits, so a parity fault comes back as the frame with its right identifier byte.
    void roundTripsKeepEveryFrame() {
        const QByteArray dump = hex(kVariedTrace);
        const QStringList frames = framesOf(dump);
        QCOMPARE(frames.size(), 10);
        QCOMPARE(framesOf(exported<PcapngWriter>(dump, std::int64_t{0})), frames);
        QStringList fromAsc = frames;
        fromAsc.replace(4, "- | no-sync,no-id");  // break and sync without identifier
        fromAsc.replace(5, "85 7 f8 | classic");  // identifier 05 sent with wrong parity
        QCOMPARE(framesOf(exported<AscWriter>(dump, std::int64_t{0})), fromAsc);
    }

    // A capture Wireshark's own tools wrote: pcapng rewritten, and classic pcap.
    void readsCapturesWiresharkWrote_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("pcapng") << "pcapng";
        QTest::newRow("pcap") << "pcap";
        QTest::newRow("pcap, nanoseconds") << "nsecpcap";
    }
    void readsCapturesWiresharkWrote() {
        QFETCH(QString, format);
        const QString editcap = QStandardPaths::findExecutable("editcap");
        if (editcap.isEmpty()) {
            QSKIP("editcap is not installed");
        }
        QTemporaryDir folder;
        const QByteArray dump = hex(kVariedTrace);
        const QByteArray ours = exported<PcapngWriter>(dump, std::int64_t{1765126800} * 1'000'000);
        QVERIFY(writeFile(folder.filePath("ours.pcapng"), ours));
        QCOMPARE(QProcess::execute(editcap, {"-F", format, folder.filePath("ours.pcapng"),
                                             folder.filePath("theirs")}),
                 0);
        QCOMPARE(framesOf(readFile(folder.filePath("theirs"))), framesOf(dump));
    }
};

QTEST_GUILESS_MAIN(TraceFilesTest)
#include "tst_tracefiles.moc"
