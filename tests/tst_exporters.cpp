// The exporters: LIN frame rows as a pcapng capture (each packet decoded here), every row as
// CSV, the capture read back by tshark too where installed, both stopping when the output fails.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cstring>
#include <functional>

#include "DecoderFixture.h"
#include "files/CsvWriter.h"
#include "files/PcapngWriter.h"
#include "files/TraceExport.h"
#include "ldf/LdfParser.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// One row of the fixture: the device frames that make it, its CSV record (without the
// CRLF) and the packet it exports to ("t" microseconds after the epoch, the identifier
// byte, the data length, the checksum model, the checksum byte, the error bits, the
// data bytes).
// An empty packet: no packet (not a LIN frame, or one cut by the end of its recording).
struct FixtureRow {
    const char *name, *frames, *csv, *packet;
};

const FixtureRow kFixture[] = {
    {"start marker", "058200010000", R"(0,"+ 00:00:00,000000",START (1),,,,,,,,,,,,plain,)", ""},
    {"classic", "0490010000 059101105500 059201205000 059301300100 059401400200 05950150FC00",
     R"(1,"+ 00:00:00,000256",Break,55,[50],01h,02h,FCh,,,,,,,green,classic)",
     "t 256 pid 50 len 2 model 1 cs FC err 00 data 0102"},
    {"enhanced, padded", "0490020000 059102105500 059202209200 05930230A500 05940240C700",
     R"(2,"+ 00:00:00,000256",Break,55,[92],A5h,C7h,,,,,,,,green,enhanced)",
     "t 512 pid 92 len 1 model 2 cs C7 err 00 data A5"},
    {"eight data bytes, classic only",
     "0490030000 059103105500 059203203C00 059303300100 059403400200 059503500300 059603600400 "
     "059703700500 059803800600 059903900700 059A03A00800 059B03B0DB00",
     R"(3,"+ 00:00:00,000256",Break,55,[3C],01h,02h,03h,04h,05h,06h,07h,08h,DB,green,classic)",
     "t 768 pid 3C len 8 model 1 cs DB err 00 data 0102030405060708"},
    {"no sync", "0490040000", R"(4,"+ 00:00:00,000256",Break,,,,,,,,,,,,plain,"no-sync,no-id")",
     "t 1024 pid 00 len 0 model 0 cs 00 err 12 data "},
    {"wrong sync", "0490050000 059105105400 059205205000 059305308000 059405407F00",
     R"(5,"+ 00:00:00,000256",Break,#54,[50],80h,7Fh,,,,,,,,green,"sync,classic")",
     "t 1280 pid 50 len 1 model 1 cs 7F err 02 data 80"},
    {"parity", "0490060000 059106105500 059206200500 059306300700 05940640F800",
     R"(6,"+ 00:00:00,000256",Break,55,[05],07h,F8h,,,,,,,,green,"parity,classic")",
     "t 1536 pid 05 len 1 model 1 cs F8 err 04 data 07"},
    {"no response", "0490070000 059107105500 059207209200",
     R"(7,"+ 00:00:00,000256",Break,55,[92],,,,,,,,,,green,no-response)",
     "t 1792 pid 92 len 0 model 0 cs 00 err 01 data "},
    {"short", "0490080000 059108105500 059208209200 05930830A500",
     R"(8,"+ 00:00:00,000256",Break,55,[92],A5h,,,,,,,,,green,short)",
     "t 2048 pid 92 len 0 model 0 cs A5 err 08 data "},
    {"checksum",
     "0490090000 059109105500 059209206100 059309301100 059409402200 059509503300 "
     "059609604400 059709701200",
     R"(9,"+ 00:00:00,000256",Break,55,[61],11h,22h,33h,44h,12h,,,,,green,checksum)",
     "t 2304 pid 61 len 4 model 0 cs 12 err 08 data 11223344"},
    {"device error", "059C0A004200", R"(10,"+ 00:00:00,000256",#42,,,,,,,,,,,,red,)", ""},
    {"buffer overflow", "03F00000", R"(11,"+ 00:00:00,000000",#BufOvfl,,,,,,,,,,,,plain,)", ""},
    {"bad frame", "0142", R"(12,"+ 00:00:00,000000","#err [01,42]",,,,,,,,,,,,plain,)", ""},
    {"after a timer wrap, three failures",
     "02A0A2 0490001000 059100200000 059200300500 059300400700 059400500000",
     R"(13,"+ 00:00:00,062992",Break,#00,[05],07h,00h,,,,,,,,green,"sync,parity,checksum")",
     "t 65552 pid 05 len 1 model 0 cs 00 err 0E data 07"},
    {"cut by a start marker", "0490011000 059101205500 059201305000 059301400100",
     R"(14,"+ 00:00:00,000256",Break,55,[50],01h,,,,,,,,,green,cut)", ""},
    {"start marker again", "058200020000", R"(15,"+ 00:00:00,000048",START (2),,,,,,,,,,,,plain,)",
     ""},
    {"cut by the end of the trace", "0490021000 059102205500",
     R"(16,"+ 00:00:00,000256",Break,55,,,,,,,,,,,plain,cut)", ""},
};

const QByteArray kCsvHeader =
    "MsgNr,TimeStamp,Info,Sync,ID,DB0,DB1,DB2,DB3,DB4,DB5,DB6,DB7,CS,Colour,Check";

// 2023-11-14 22:13:20.123456 UTC: a stamp whose high 32 bits are not 0.
constexpr std::int64_t kEpochMicros = 1'700'000'000'123'456;

// Keeps what it is given, and refuses the write numbered refuseAt (from 1; 0: never)
// and every one after it.
struct MemoryOutput : ByteOutput {
    explicit MemoryOutput(int refuseAt = 0) : refuseAt(refuseAt) {}
    bool write(const void* data, std::size_t size) override {
        return (++calls < refuseAt || refuseAt == 0) &&
               (bytes.append(static_cast<const char*>(data), qsizetype(size)), true);
    }
    QByteArray bytes;
    int calls = 0, refuseAt;
};

enum class Format { Pcapng, Csv };

// Exports rows in the format, telling onRow what each writeRow returned; what finish()
// returned.
bool exportRows(
    Format format, const std::vector<TraceEntry*>& rows, ByteOutput& out,
    const std::function<void(bool)>& onRow = [](bool) {}) {
    const auto all = [&](auto&& writer) {
        for (const TraceEntry* row : rows) onRow(writer.writeRow(*row));
        return writer.finish();
    };
    const TextForm form;
    return format == Format::Pcapng ? all(PcapngWriter(out, kEpochMicros))
                                    : all(CsvWriter(out, form));
}

quint32 u32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// The packets of a capture as the fixture writes them, after checking the section header,
// the one LIN interface, and in each block the lengths and the zero padding. The LIN
// pseudo-header is read as its link type defines it: revision 1 and three reserved bytes,
// then the payload length (high nibble), the message type (bits 3..2, 0: a frame) and the
// checksum type (bits 1..0), the protected identifier, the checksum and the error bits;
// the payload follows. tsharkReadsTheCapture reads the same where tshark is installed.
QStringList packetsIn(const QByteArray& file) {
    QStringList packets;
    [&] {
        QCOMPARE(file.left(48), hex("0A0D0D0A 1C000000 4D3C2B1A 0100 0000 FFFFFFFFFFFFFFFF 1C000000"
                                    "01000000 14000000 D400 0000 00000000 14000000"));
        for (qsizetype at = 48; at < file.size();) {
            QVERIFY(file.size() - at >= 40);
            const quint32 length = u32(file, at + 4), captured = u32(file, at + 20);
            QCOMPARE(u32(file, at), 6u);      // an enhanced packet block
            QCOMPARE(u32(file, at + 8), 0u);  // of the one interface
            QCOMPARE(length, 32 + (captured + 3) / 4 * 4);
            QVERIFY(at + length <= file.size() && u32(file, at + length - 4) == length);
            QVERIFY(u32(file, at + 24) == captured && captured >= 8);
            QCOMPARE(file.mid(at + 28 + captured, length - 32 - captured).count('\0'),
                     length - 32 - captured);  // zero padding, which no reader shows
            const QByteArray header = file.mid(at + 28, 8);
            const auto byte = [&header](int i) { return quint8(header[i]); };
            QCOMPARE(header.left(4), hex("01000000"));
            QCOMPARE(byte(4) >> 2 & 3, 0);  // a frame, no event
            const int payload = byte(4) >> 4;
            QCOMPARE(quint32(8 + payload), captured);
            const quint64 stamp = quint64(u32(file, at + 12)) << 32 | u32(file, at + 16);
            packets << QString("t %1 pid %2 len %3 model %4 cs %5 err %6 data %7")
                           .arg(qint64(stamp) - kEpochMicros)
                           .arg(QString::asprintf("%02X", byte(5)))
                           .arg(payload)
                           .arg(byte(4) & 3)
                           .arg(QString::asprintf("%02X", byte(6)))
                           .arg(QString::asprintf("%02X", byte(7)))
                           .arg(QString(file.mid(at + 36, payload).toHex().toUpper()));
            at += length;
        }
    }();
    return packets;
}

// Cmd (10) from the master, the event-triggered Doors (3A, protected BA) that Left (20)
// and Right (21, protected 61) answer, and the sporadic Spor (11).
LdfModel eventLdf() {
    return LdfParser::parse(
               "LIN_protocol_version = \"2.1\"; Nodes { Master: M, 5 ms, 0.1 ms; Slaves: L, R; }"
               "Signals { A: 8, 0, M, L; PL: 8, 0, L, M; PR: 8, 0, R, M; S: 8, 0, M, L; }"
               "Frames { Cmd: 0x10, M, 2 { A, 0; } Left: 0x20, L, 2 { PL, 0; }"
               " Right: 0x21, R, 2 { PR, 0; } Spor: 0x11, M, 1 { S, 0; } }"
               "Sporadic_frames { SporSlot: Spor; }"
               "Event_triggered_frames { Doors: 0x3A, Left, Right; }")
        .model;
}

}  // namespace

class TestExporters : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QByteArray frames;
        for (const FixtureRow& row : kFixture) frames += row.frames, packets << QString(row.packet);
        packets.removeAll(QString());  // the rows that are no LIN frame
        fixture.feed(hex(frames));
        rows = fixture.listRows();
        QCOMPARE(rows.size(), std::size(kFixture));
    }

    void pcapngHoldsOnePacketPerLinFrame() {
        MemoryOutput out;
        QVERIFY(exportRows(Format::Pcapng, rows, out));
        QCOMPARE(packetsIn(out.bytes), packets);
    }

    // Rows: a fixture row; the record. Texts with a comma are quoted.
    void csvHoldsOneRecordPerRowQuotedOnlyWhereNeeded_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("record");
        for (std::size_t i = 0; i < std::size(kFixture); ++i)
            QTest::newRow(kFixture[i].name) << int(i) << QByteArray(kFixture[i].csv);
    }

    void csvHoldsOneRecordPerRowQuotedOnlyWhereNeeded() {
        QFETCH(int, row);
        QFETCH(QByteArray, record);
        MemoryOutput out;
        CsvWriter csv(out, fixture.list.textForm());
        QVERIFY(csv.writeRow(*rows[row]) && csv.finish());
        QCOMPARE(out.bytes, kCsvHeader + "\r\n" + record + "\r\n");
    }

    // The window's export goes through the same pipeline as daridez-dump: the rows it is
    // asked for, and with the window's LDF the columns daridez-dump --ldf writes.
    void windowExportWritesTheSelectedRowsWithTheLdf() {
        const LdfModel ldf = LdfParser::parse(
                                 "LIN_protocol_version = \"1.3\"; Nodes { Master: M, 5 ms, 0.1 ms; "
                                 "Slaves: S; } Signals { A: 8, 0, S, M; B: 8, 0, S, M; } "
                                 "Frames { Lamp: 0x10, S, 2 { A, 0; B, 8; } }")
                                 .model;
        const auto classic = [this](const TraceEntry& entry) { return &entry == rows[1]; };
        MemoryOutput csv, pcapng;
        QVERIFY(ExportTrace(fixture.list, ExportFormat::Csv, 0, &ldf, classic, csv));
        QCOMPARE(csv.bytes,
                 kCsvHeader + ",Frame,Signals\r\n" + kFixture[1].csv + ",Lamp,A=1; B=2\r\n");
        QVERIFY(ExportTrace(fixture.list, ExportFormat::Pcapng, kEpochMicros, nullptr, classic,
                            pcapng));
        QCOMPARE(packetsIn(pcapng.bytes).size(), 1);
    }

    // With an LDF pcapng judges as the list and the CSV do: an event-triggered slot that is
    // silent or collided carries no error bits. Frames: identifier byte, response bytes.
    void pcapngJudgesWithTheLdf_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("withLdf");
        QTest::addColumn<QString>("without");
        QTest::newRow("event slot silent") << hex("BA") << "pid BA len 0 model 0 cs 00 err 00 data "
                                           << "pid BA len 0 model 0 cs 00 err 01 data ";
        QTest::newRow("event slot answered")
            << hex("BA20071E") << "pid BA len 2 model 2 cs 1E err 00 data 2007"
            << "pid BA len 2 model 2 cs 1E err 00 data 2007";
        QTest::newRow("answered by a frame not associated")
            << hex("BA5007ED") << "pid BA len 2 model 0 cs ED err 00 data 5007"
            << "pid BA len 2 model 2 cs ED err 00 data 5007";
        QTest::newRow("collision")
            << hex("BA200700") << "pid BA len 2 model 0 cs 00 err 00 data 2007"
            << "pid BA len 2 model 0 cs 00 err 08 data 2007";
        QTest::newRow("sporadic frame")
            << hex("1105E9") << "pid 11 len 1 model 2 cs E9 err 00 data 05"
            << "pid 11 len 1 model 2 cs E9 err 00 data 05";
        QTest::newRow("go-to-sleep") << hex("3C00FFFFFFFFFFFFFF00")
                                     << "pid 3C len 8 model 1 cs 00 err 00 data 00FFFFFFFFFFFFFF"
                                     << "pid 3C len 8 model 1 cs 00 err 00 data 00FFFFFFFFFFFFFF";
    }

    void pcapngJudgesWithTheLdf() {
        QFETCH(QByteArray, frame);
        QFETCH(QString, withLdf);
        QFETCH(QString, without);
        DecoderFixture f;
        // A break behind: the frame is not the last.
        f.feed(deviceFramesOf(0x55, quint8(frame[0]), frame.mid(1)) + hex("0490FF0000"));
        const LdfModel ldf = eventLdf();
        for (const LdfModel* model : {&ldf, static_cast<const LdfModel*>(nullptr)}) {
            MemoryOutput out;
            QVERIFY(ExportTrace(
                f.list, ExportFormat::Pcapng, kEpochMicros, model,
                [&f](const TraceEntry& e) { return &e == f.listRows()[1]; }, out));
            QCOMPARE(packetsIn(out.bytes).join('\n').section(' ', 2),
                     model != nullptr ? withLdf : without);
        }
    }

    void refusedOutputStopsTheExport_data() {
        QTest::addColumn<Format>("format");
        QTest::addColumn<int>("copies");    // of the fixture's rows
        QTest::addColumn<int>("refuseAt");  // the write refused, from 1; 0: none
        QTest::addColumn<bool>("rowsFail");
        for (const Format format : {Format::Pcapng, Format::Csv}) {
            const char* name = format == Format::Pcapng ? "pcapng" : "csv";
            QTest::addRow("%s: all accepted", name) << format << 2000 << 0 << false;
            QTest::addRow("%s: the final write refused", name) << format << 1 << 1 << false;
            QTest::addRow("%s: the second block refused", name) << format << 2000 << 2 << true;
        }
    }

    void refusedOutputStopsTheExport() {
        QFETCH(Format, format);
        QFETCH(int, copies);
        QFETCH(int, refuseAt);
        std::vector<TraceEntry*> many;
        for (int i = 0; i < copies; ++i) many.insert(many.end(), rows.begin(), rows.end());
        MemoryOutput whole;
        QVERIFY(exportRows(format, many, whole));
        QVERIFY(whole.calls > 2 || copies == 1);  // large enough to need several blocks
        MemoryOutput out(refuseAt);
        bool refused = false;
        const bool finished = exportRows(format, many, out, [&refused](bool ok) {
            QVERIFY2(!(ok && refused), "a row was accepted after the output refused bytes");
            refused = refused || !ok;
        });
        QTEST(refused, "rowsFail");
        QCOMPARE(finished, refuseAt == 0);
        QCOMPARE(out.calls, refuseAt == 0 ? whole.calls : refuseAt);  // none after a refusal
        QVERIFY(whole.bytes.startsWith(out.bytes));
    }

    // Diagnostic frames (0x3C) would go on to a transport dissector that eats their first
    // bytes; the data bytes are compared as they are.
    void tsharkReadsTheCapture() {
        if (QStandardPaths::findExecutable("tshark").isEmpty())
            QSKIP("tshark is not installed (tools/install-deps.sh installs it)");
        QTemporaryDir dir;
        const QString file = dir.filePath("fixture.pcapng");
        MemoryOutput out;
        QVERIFY(exportRows(Format::Pcapng, rows, out) && writeFile(file, out.bytes));
        QProcess tshark;
        tshark.start("tshark", QStringList{"-r", file} +
                                   QString("--disable-protocol iso15765 -T fields -E separator=| "
                                           "-e frame.time_epoch -e lin.protected_id -e lin.length "
                                           "-e lin.checksum_type -e lin.checksum -e lin.errors "
                                           "-e data.data")
                                       .split(' '));
        QVERIFY(tshark.waitForFinished(60000) && tshark.exitCode() == 0);
        const auto byte = [](QString t) { return QString::asprintf("%02X", t.toUInt(nullptr, 0)); };
        QStringList read;
        for (const QString& line :
             QString(tshark.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split('|');
            QCOMPARE(f.size(), 7);
            // The seconds' digits as they are, exact unlike a double.
            read << QString("t %1 pid %2 len %3 model %4 cs %5 err %6 data %7")
                        .arg((f[0].section('.', 0, 0) + f[0].section('.', 1).left(6)).toLongLong() -
                             kEpochMicros)
                        .arg(byte(f[1]), f[2], f[3], byte(f[4]), byte(f[5]), f[6].toUpper());
        }
        QCOMPARE(read, packets);
    }

  private:
    DecoderFixture fixture;
    std::vector<TraceEntry*> rows;
    QStringList packets;  // of the fixture, in order
};

QTEST_APPLESS_MAIN(TestExporters)
#include "tst_exporters.moc"
