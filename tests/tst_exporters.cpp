// The exporters: LIN frame rows as a pcapng capture, every row as CSV, both read back
// field by field, by tshark when it is installed, and both stopping when the output fails.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <functional>

#include "DecoderFixture.h"
#include "files/CsvWriter.h"
#include "files/PcapngWriter.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// One row of the fixture: the device frames that make it, what the list shows and the
// packet it exports to ("t" microseconds after the epoch, the identifier byte, the data
// length, the checksum model, the checksum byte, the error bits, the data bytes).
struct FixtureRow {
    const char* name;
    const char* frames;
    const char* texts;  // MsgNr..CS, joined by "|"
    const char* colour;
    const char* check;
    const char* packet;  // nullptr: not a LIN frame, no packet
};

const FixtureRow kFixture[] = {
    {"start marker", "058200010000", "0|+ 00:00:00,000000|START (1)|||||||||||", "plain", "",
     nullptr},
    {"classic", "0490010000 059101105500 059201205000 059301300100 059401400200 05950150FC00",
     "1|+ 00:00:00,000256|Break|55|[50]|01h|02h|FCh||||||", "green", "classic",
     "t 256 pid 50 len 2 model 1 cs FC err 00 data 0102"},
    {"enhanced, padded", "0490020000 059102105500 059202209200 05930230A500 05940240C700",
     "2|+ 00:00:00,000256|Break|55|[92]|A5h|C7h|||||||", "green", "enhanced",
     "t 512 pid 92 len 1 model 2 cs C7 err 00 data A5"},
    {"eight data bytes, classic only",
     "0490030000 059103105500 059203203C00 059303300100 059403400200 059503500300 059603600400 "
     "059703700500 059803800600 059903900700 059A03A00800 059B03B0DB00",
     "3|+ 00:00:00,000256|Break|55|[3C]|01h|02h|03h|04h|05h|06h|07h|08h|DB", "green", "classic",
     "t 768 pid 3C len 8 model 1 cs DB err 00 data 0102030405060708"},
    {"no sync", "0490040000", "4|+ 00:00:00,000256|Break|||||||||||", "plain", "no-sync,no-id",
     "t 1024 pid 00 len 0 model 0 cs 00 err 02 data "},
    {"wrong sync", "0490050000 059105105400 059205205000 059305308000 059405407F00",
     "5|+ 00:00:00,000256|Break|#54|[50]|80h|7Fh|||||||", "green", "sync,classic",
     "t 1280 pid 50 len 1 model 1 cs 7F err 02 data 80"},
    {"parity", "0490060000 059106105500 059206200500 059306300700 05940640F800",
     "6|+ 00:00:00,000256|Break|55|[05]|07h|F8h|||||||", "green", "parity,classic",
     "t 1536 pid 05 len 1 model 1 cs F8 err 04 data 07"},
    {"no response", "0490070000 059107105500 059207209200",
     "7|+ 00:00:00,000256|Break|55|[92]|||||||||", "green", "no-response",
     "t 1792 pid 92 len 0 model 0 cs 00 err 01 data "},
    {"short", "0490080000 059108105500 059208209200 05930830A500",
     "8|+ 00:00:00,000256|Break|55|[92]|A5h||||||||", "green", "short",
     "t 2048 pid 92 len 0 model 0 cs A5 err 08 data "},
    {"checksum",
     "0490090000 059109105500 059209206100 059309301100 059409402200 059509503300 "
     "059609604400 059709701200",
     "9|+ 00:00:00,000256|Break|55|[61]|11h|22h|33h|44h|12h||||", "green", "checksum",
     "t 2304 pid 61 len 4 model 0 cs 12 err 08 data 11223344"},
    {"device error", "059C0A004200", "10|+ 00:00:00,000256|#42|||||||||||", "red", "", nullptr},
    {"buffer overflow", "03F00000", "11|+ 00:00:00,000000|#BufOvfl|||||||||||", "plain", "",
     nullptr},
    {"bad frame", "0142", "12|+ 00:00:00,000000|#err [01,42]|||||||||||", "plain", "", nullptr},
    {"after a timer wrap, three failures",
     "02A0A2 0490001000 059100200000 059200300500 059300400700 059400500000",
     "13|+ 00:00:00,062992|Break|#00|[05]|07h|00h|||||||", "green", "sync,parity,checksum",
     "t 65552 pid 05 len 1 model 0 cs 00 err 0E data 07"},
};

// 2023-11-14 22:13:20.123456 UTC: a stamp whose high 32 bits are not 0.
constexpr std::int64_t kEpochMicros = 1'700'000'000'123'456;

// The device frames of the whole fixture.
QByteArray fixtureStream() {
    QByteArray frames;
    for (const FixtureRow& row : kFixture) {
        frames += row.frames;
    }
    return hex(frames);
}

// The packets the fixture exports to, in order.
QStringList fixturePackets() {
    QStringList packets;
    for (const FixtureRow& row : kFixture) {
        if (row.packet != nullptr) {
            packets << row.packet;
        }
    }
    return packets;
}

// Keeps what it is given, and refuses the write numbered refuseAt (from 1; 0: never)
// and every one after it.
class MemoryOutput : public ByteOutput {
  public:
    explicit MemoryOutput(int refuseAt = 0) : refuseAt_(refuseAt) {}
    bool write(const void* data, std::size_t size) override {
        ++calls;
        if (refuseAt_ != 0 && calls >= refuseAt_) {
            return false;
        }
        bytes.append(static_cast<const char*>(data), qsizetype(size));
        return true;
    }
    QByteArray bytes;
    int calls = 0;

  private:
    int refuseAt_;
};

enum class Format { Pcapng, Csv };

template <typename Writer>
bool writeAll(Writer&& writer, const std::vector<TraceEntry*>& rows,
              const std::function<void(bool)>& onRow) {
    for (const TraceEntry* row : rows) {
        onRow(writer.writeRow(*row));
    }
    return writer.finish();
}

// Exports rows in the format, telling onRow what each writeRow returned; what finish()
// returned.
bool exportRows(
    Format format, const std::vector<TraceEntry*>& rows, ByteOutput& out,
    const std::function<void(bool)>& onRow = [](bool) {}) {
    return format == Format::Pcapng ? writeAll(PcapngWriter(out, kEpochMicros), rows, onRow)
                                    : writeAll(CsvWriter(out), rows, onRow);
}

quint32 u32(const QByteArray& bytes, qsizetype at) {
    const auto b = [&](int i) { return quint32(quint8(bytes.at(at + i))); };
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

quint16 u16(const QByteArray& bytes, qsizetype at) {
    return quint16(quint8(bytes.at(at)) | quint8(bytes.at(at + 1)) << 8);
}

struct Packet {
    quint64 stamp;
    QByteArray bytes;
};

// Reads a capture back: a section header, one LIN interface, then enhanced packet
// blocks, each block checked for what the format demands of it.
void readCapture(const QByteArray& file, QList<Packet>& packets) {
    QVERIFY(file.size() >= 48);
    QCOMPARE(u32(file, 0), 0x0A0D0D0Au);
    QCOMPARE(u32(file, 4), 28u);
    QCOMPARE(u32(file, 8), 0x1A2B3C4Du);
    QCOMPARE(u16(file, 12), 1);  // version 1.0
    QCOMPARE(u16(file, 14), 0);
    QCOMPARE(file.mid(16, 8), QByteArray(8, '\xFF'));  // section length not given
    QCOMPARE(u32(file, 24), 28u);
    QCOMPARE(u32(file, 28), 1u);
    QCOMPARE(u32(file, 32), 20u);  // no options: microsecond stamps
    QCOMPARE(u16(file, 36), 212);
    QCOMPARE(u16(file, 38), 0);
    QCOMPARE(u32(file, 40), 0u);
    QCOMPARE(u32(file, 44), 20u);
    for (qsizetype at = 48; at < file.size();) {
        QVERIFY(file.size() - at >= 32);
        QCOMPARE(u32(file, at), 6u);
        const quint32 length = u32(file, at + 4);
        const quint32 captured = u32(file, at + 20);
        QCOMPARE(length % 4, 0u);
        QCOMPARE(length, 32 + (captured + 3) / 4 * 4);
        QVERIFY(at + length <= file.size());
        QCOMPARE(u32(file, at + length - 4), length);
        QCOMPARE(u32(file, at + 8), 0u);  // the interface
        QCOMPARE(u32(file, at + 24), captured);
        QCOMPARE(file.mid(at + 28 + captured, length - 32 - captured),
                 QByteArray(length - 32 - captured, '\0'));
        packets << Packet{quint64(u32(file, at + 12)) << 32 | u32(file, at + 16),
                          file.mid(at + 28, captured)};
        at += length;
    }
}

// A packet in the fixture's words, after checking the fixed parts of its pseudo-header.
QString describe(const Packet& packet) {
    const QByteArray& b = packet.bytes;
    [&] {
        QVERIFY(b.size() >= 8);
        QCOMPARE(b.left(4), hex("01000000"));
        QCOMPARE((quint8(b[4]) >> 2) & 3, 0);  // a frame, not an event
        QCOMPARE(quint8(b[4]) >> 4, b.size() - 8);
    }();
    if (b.size() < 8) {
        return "too short: " + b.toHex();
    }
    return QString("t %1 pid %2 len %3 model %4 cs %5 err %6 data %7")
        .arg(qint64(packet.stamp) - kEpochMicros)
        .arg(b.mid(5, 1).toHex().toUpper(), QString::number(quint8(b[4]) >> 4),
             QString::number(quint8(b[4]) & 3), b.mid(6, 1).toHex().toUpper(),
             b.mid(7, 1).toHex().toUpper(), b.mid(8).toHex().toUpper());
}

// RFC 4180 records: fields separated by commas, quoted ones with "" for a quote, every
// record ended by CRLF. Anything else ends the list with a record saying where.
QList<QStringList> readCsv(const QByteArray& text) {
    QList<QStringList> records;
    QStringList record;
    const auto malformed = [&](qsizetype at) {
        return records << QStringList{QString("malformed at byte %1").arg(at)};
    };
    qsizetype i = 0;
    while (i < text.size()) {
        QByteArray field;
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i == text.size()) {
                    return malformed(i);
                }
                if (text[i] == '"' && text.mid(i + 1, 1) != "\"") {
                    break;
                }
                i += text[i] == '"';  // the first of a doubled quote
                field += text[i];
            }
            ++i;
        } else {
            while (i < text.size() && !QByteArray(",\"\r\n").contains(text[i])) {
                field += text[i++];
            }
        }
        record << QString::fromUtf8(field);
        if (text.mid(i, 1) == ",") {
            ++i;
        } else if (text.mid(i, 2) == "\r\n") {
            records << record;
            record.clear();
            i += 2;
        } else {
            return malformed(i);
        }
    }
    return record.isEmpty() ? records : malformed(i);
}

// Runs tshark on file with arguments; its standard output lines.
QStringList tshark(const QString& file, const QStringList& arguments) {
    QProcess process;
    process.start("tshark", QStringList{"-r", file} + arguments);
    [&] {
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
    }();
    return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace

class TestExporters : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void pcapngHoldsOnePacketPerLinFrame_data();
    void pcapngHoldsOnePacketPerLinFrame();
    void csvHoldsOneRecordPerRow_data();
    void csvHoldsOneRecordPerRow();
    void csvQuotesOnlyWhatNeedsIt_data();
    void csvQuotesOnlyWhatNeedsIt();
    void refusedOutputStopsTheExport_data();
    void refusedOutputStopsTheExport();
    void tsharkReadsTheCapture();

  private:
    DecoderFixture fixture;
    std::vector<TraceEntry*> rows;
};

void TestExporters::initTestCase() {
    fixture.feed(fixtureStream());
    rows = fixture.listRows();
    QCOMPARE(rows.size(), std::size(kFixture));
}

void TestExporters::pcapngHoldsOnePacketPerLinFrame_data() {
    QTest::addColumn<int>("packet");
    QTest::addColumn<QString>("fields");
    int packet = 0;
    for (const FixtureRow& row : kFixture) {
        if (row.packet != nullptr) {
            QTest::newRow(row.name) << packet++ << QString(row.packet);
        }
    }
}

void TestExporters::pcapngHoldsOnePacketPerLinFrame() {
    QFETCH(int, packet);
    QFETCH(QString, fields);
    MemoryOutput out;
    QVERIFY(exportRows(Format::Pcapng, rows, out));
    QList<Packet> packets;
    readCapture(out.bytes, packets);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(packets.size(), fixturePackets().size());
    QCOMPARE(describe(packets[packet]), fields);
}

void TestExporters::csvHoldsOneRecordPerRow_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("fields");
    for (std::size_t i = 0; i < std::size(kFixture); ++i) {
        const FixtureRow& row = kFixture[i];
        QTest::newRow(row.name) << int(i)
                                << QString(row.texts).split('|') +
                                       QStringList{row.colour, row.check};
    }
}

void TestExporters::csvHoldsOneRecordPerRow() {
    QFETCH(int, row);
    QFETCH(QStringList, fields);
    MemoryOutput out;
    QVERIFY(exportRows(Format::Csv, rows, out));
    const QList<QStringList> records = readCsv(out.bytes);
    QCOMPARE(records.size(), qsizetype(std::size(kFixture)) + 1);
    QCOMPARE(records[0].join(','),
             "MsgNr,TimeStamp,Info,Sync,ID,DB0,DB1,DB2,DB3,DB4,DB5,DB6,DB7,CS,Colour,Check");
    QCOMPARE(records[row + 1], fields);
}

void TestExporters::csvQuotesOnlyWhatNeedsIt_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("plain") << QByteArray("Break") << QByteArray("Break");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    QTest::newRow("comma") << QByteArray("#err [01,42]") << QByteArray("\"#err [01,42]\"");
    QTest::newRow("quotes") << QByteArray("say \"hi\"") << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line feed") << QByteArray("two\nlines") << QByteArray("\"two\nlines\"");
    QTest::newRow("carriage return") << QByteArray("cr\r") << QByteArray("\"cr\r\"");
    QTest::newRow("UTF-8 as it is") << QByteArray("5 \xC2\xB5s") << QByteArray("5 \xC2\xB5s");
}

void TestExporters::csvQuotesOnlyWhatNeedsIt() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, field);
    TraceEntry row{};
    std::strcpy(row.infoText, text.constData());
    MemoryOutput out;
    CsvWriter csv(out);
    QVERIFY(csv.writeRow(row) && csv.finish());
    const QByteArray record = out.bytes.mid(out.bytes.indexOf("\r\n") + 2);
    QCOMPARE(record, ",," + field + ",,,,,,,,,,,,plain,\r\n");
    QStringList fields(16);
    fields[2] = QString::fromUtf8(text);
    fields[14] = "plain";
    QCOMPARE(readCsv(record), QList<QStringList>{fields});
}

void TestExporters::refusedOutputStopsTheExport_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<int>("copies");    // of the fixture's rows
    QTest::addColumn<int>("refuseAt");  // the write refused, from 1; 0: none
    QTest::addColumn<bool>("rowsFail");
    for (const Format format : {Format::Pcapng, Format::Csv}) {
        const char* name = format == Format::Pcapng ? "pcapng" : "csv";
        QTest::addRow("%s: all accepted", name) << format << 2000 << 0 << false;
        QTest::addRow("%s: the final write refused", name) << format << 1 << 1 << false;
        QTest::addRow("%s: the first block refused", name) << format << 2000 << 1 << true;
        QTest::addRow("%s: the second block refused", name) << format << 2000 << 2 << true;
    }
}

void TestExporters::refusedOutputStopsTheExport() {
    QFETCH(Format, format);
    QFETCH(int, copies);
    QFETCH(int, refuseAt);
    QFETCH(bool, rowsFail);
    std::vector<TraceEntry*> many;
    for (int i = 0; i < copies; ++i) {
        many.insert(many.end(), rows.begin(), rows.end());
    }
    MemoryOutput whole;
    QVERIFY(exportRows(format, many, whole));
    QVERIFY(whole.calls > 2 || copies == 1);  // large enough to need several blocks

    MemoryOutput out(refuseAt);
    bool refused = false;
    const bool finished = exportRows(format, many, out, [&refused](bool ok) {
        QVERIFY2(!(ok && refused), "a row was accepted after the output refused bytes");
        refused = refused || !ok;
    });
    QCOMPARE(refused, rowsFail);
    QCOMPARE(finished, refuseAt == 0);
    QCOMPARE(out.calls, refuseAt == 0 ? whole.calls : refuseAt);  // none after a refusal
    QVERIFY(whole.bytes.startsWith(out.bytes));
}

void TestExporters::tsharkReadsTheCapture() {
    if (QStandardPaths::findExecutable("tshark").isEmpty()) {
        QSKIP("tshark is not installed (tools/install-deps.sh installs it)");
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("fixture.pcapng");
    MemoryOutput out;
    QVERIFY(exportRows(Format::Pcapng, rows, out));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(out.bytes) == out.bytes.size());
    file.close();

    // Diagnostic frames (0x3C) would go on to a transport dissector that eats their
    // first bytes; the data bytes are compared as they are.
    const QStringList lines = tshark(path, {"--disable-protocol",
                                            "iso15765",
                                            "-T",
                                            "fields",
                                            "-E",
                                            "separator=|",
                                            "-e",
                                            "frame.time_epoch",
                                            "-e",
                                            "lin.protected_id",
                                            "-e",
                                            "lin.length",
                                            "-e",
                                            "lin.checksum_type",
                                            "-e",
                                            "lin.checksum",
                                            "-e",
                                            "lin.errors",
                                            "-e",
                                            "data.data"});
    const auto byte = [](const QString& text) {
        return QString("%1").arg(text.toUInt(nullptr, 0), 2, 16, QChar('0')).toUpper();
    };
    QStringList packets;
    for (const QString& line : lines) {
        const QStringList f = line.split('|');
        QCOMPARE(f.size(), 7);
        const QStringList seconds = f[0].split('.');  // exact, unlike a double
        const qint64 micros = seconds[0].toLongLong() * 1000000 + seconds[1].left(6).toLongLong();
        packets << QString("t %1 pid %2 len %3 model %4 cs %5 err %6 data %7")
                       .arg(micros - kEpochMicros)
                       .arg(byte(f[1]), f[2], f[3], byte(f[4]), byte(f[5]), f[6].toUpper());
    }
    QCOMPARE(packets, fixturePackets());

    // Frame numbers count packets from 1. A short frame has no checksum to be right: it
    // is flagged as a checksum error too.
    QStringList checksumErrors;
    int number = 0;
    for (const FixtureRow& row : kFixture) {
        const QStringList words = QString(row.check).split(',');
        number += row.packet != nullptr;
        if (words.contains("checksum") || words.contains("short")) {
            checksumErrors << QString::number(number);
        }
    }
    QCOMPARE(tshark(path,
                    {"-Y", "lin.errors.checksum_error == 1", "-T", "fields", "-e", "frame.number"}),
             checksumErrors);
}

QTEST_APPLESS_MAIN(TestExporters)
#include "tst_exporters.moc"
