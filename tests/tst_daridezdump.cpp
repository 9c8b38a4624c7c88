// The daridez-dump command, run as a user runs it, on a dump file made here.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "DecoderFixture.h"

namespace {

// An hour of timer wraps, a LIN frame, a device error, a wrap, a start marker and a LIN
// frame that live decoding times from the error's row.
const QByteArray kTrace = QByteArray::fromHex(
    QByteArray("02A0A2").repeated(60000) +
    "0490123400 059112445500 05921254C100 059312640500 059412741000 05951284EA00 059C20004200"
    "02A0A2 058200050000 0490001000 059100205500 059200302000 059300400100");

// One LIN frame with a one-byte response, 55 bytes of text.
const QByteArray kLinFrame = QByteArray::fromHex("0490001000059100205500059200302000059300400100");

// The rows as printed, TABs shown as "|": 14 texts and the colour word.
const QString kRows =
    "0|+ 00:00:00,000000|START||||||||||||plain\n"
    "1|+ 01:05:32,164660|Break|55|[C1]|05h|10h|EAh|||||||green\n"
    "2|+ 00:00:00,003532|#42||||||||||||red\n"
    "3|+ 00:00:00,057344|START (5)||||||||||||plain\n"
    "4|+ 00:00:00,057360|Break|55|[20]|01h|||||||||green\n";
// The same rows with the verdict as a 16th field: EA is the classic checksum of 05 10;
// the second frame, one response byte only, is the last of the trace: cut.
const QString kChecked = QString(kRows)
                             .replace("\n", "|\n")
                             .replace("EAh|||||||green|", "EAh|||||||green|classic")
                             .replace("01h|||||||||green|", "01h|||||||||green|cut");
// Frames for tests/ldf/constructs.ldf: LampStatus (21), SeatStatus (11), DoorEvent (3A)
// answered by DoorErr (12), a request and a negative response (3C, 3D), DoorStatus (10)
// with 3 of its 5 bytes, an identifier the LDF lacks (30), and GatewayCmd (20) with the
// classic checksum where the LDF names the enhanced one; a break alone ends it (cut).
const QByteArray kLinTrace = QByteArray::fromHex(
    "0490010000 059101105500 059201206100 05930130FE00 059401400100 0490030000 059103105500"
    "059203201100 059303306400 05940340C800 059503500100 059603600400 059703700200 059803804100"
    "059903904200 059A03A00100 059B03B03600 0490050000 059105105500 05920520BA00 059305309200"
    "059405400100 05950550B100 0490070000 059107105500 059207203C00 059307302100 059407400600"
    "05950750B200 059607600000 05970770FF00 059807807F00 05990790FF00 059A07A0FF00 059B07B0A600"
    "0490090000 059109105500 059209207D00 059309302100 059409400300 059509507F00 05960960B200"
    "059709701200 05980980FF00 05990990FF00 059A09A0FF00 059B09B09700 04900B0000 05910B105500"
    "05920B205000 05930B30C100 05940B403500 05950B50AB00 05960B600D00 04900D0000 05910D105500"
    "05920D20F000 05930D300100 05940D400200 05950D500C00 04900F0000 05910F105500 05920F202000"
    "05930F300200 05940F40E800 05950F50FD00 05960F601700 0490110000");
// A frame 05 with one digit and a text of '"', '\' and 'A' for tests/ldf/narrow.ldf, then a
// break that keeps the frame from being the trace's last.
const QByteArray kTextFrame = QByteArray::fromHex(
    "0490001000 059100205500 059200308500 059300400700 059400502200 059500605C00 059600704100"
    "05970080B300 0490009000");
// A frame broken off after one response byte by a new start: the recording it belonged to
// ended there.
const QByteArray kShortBeforeStart =
    QByteArray::fromHex("0490001000 059100205500 059200302000 059300400100 058200050000");
const QString kLdfDir = QStringLiteral(DARIDEZ_LDF_FIXTURES);
const QRegularExpression kTriggerOption("^--(trigger|pre|post|filter)=");
const QString kFullDisk =
    "stderr: daridez-dump: cannot write the output: No space left on device\n";
const QString kConstructs = kLdfDir + "/constructs.ldf";
const QString kWarning =
    "stderr: " + kConstructs + ":199:3: warning: encoding type Unused has no values\n";
// The CSV's first line: the columns, then ",Frame,Signals" with an LDF.
const QString kCsv =
    "status 0\nMsgNr,TimeStamp,Info,Sync,ID,DB0,DB1,DB2,DB3,DB4,DB5,DB6,DB7,CS,Colour,Check";
const QString kLdfCsv = kCsv + ",Frame,Signals\r\n";

// A response read whole over two frames, a single frame above its length and a
// consecutive frame without its first, each after a frame of another identifier.
using daridez::test::linFrame;
const QByteArray kDiagnosticTrace =
    linFrame(1, 0x7D, "21100B62F1900102") + linFrame(2, 0x20, "0102") +
    linFrame(3, 0x7D, "2121030405060708") + linFrame(4, 0x3C, "2107B200FF7FFFFF") +
    linFrame(5, 0x3C, "2122AABBCCDDEEFF");

const QString kUsage =
    "usage: daridez-dump [--time=rel|abs] [--id=pid|id] [--data=hex|dec] [--refresh]\n"
    "                    [--summary] [--check] [--filter=QUERY] [--format=text|csv|pcapng|asc]\n"
    "                    [--epoch=SECONDS] [--ids [--baud=N]] [-o OUT]\n"
    "                    [--trigger=QUERY [--pre=SECONDS] [--post=SECONDS]] FILE\n"
    "       daridez-dump --ldf=LDF [--signals] [the options above] FILE\n"
    "       daridez-dump --port[=DEVICE] [--lin-rate=N] [--duration=SECONDS]\n"
    "                    [--record=FILE [--rotate=SIZE|TIME]] [--ldf=LDF [--signals]]\n"
    "                    [the options above but -o, --refresh]\n"
    "       daridez-dump --ldf-check [--describe] LDF\n";

}  // namespace

class TestDaridezDump : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(daridez::test::writeFile(dir.filePath("trace.dump"), kTrace));
        QVERIFY(QDir(dir.path()).mkdir("folder.dump"));
        QVERIFY(daridez::test::writeFile(dir.filePath("lin.dump"), kLinTrace));
        QVERIFY(daridez::test::writeFile(dir.filePath("diag.dump"), kDiagnosticTrace));
        QVERIFY(daridez::test::writeFile(dir.filePath("text.dump"), kTextFrame));
        QVERIFY(daridez::test::writeFile(dir.filePath("restart.dump"), kShortBeforeStart));
        QVERIFY(daridez::test::writeFile(dir.filePath("big.dump"), kLinFrame.repeated(3000)));
        QVERIFY(daridez::test::writeFile(dir.filePath("noframes.ldf"),
                                         "LIN_description_file;\nLIN_protocol_version = \"2.1\";\n"
                                         "Nodes { Master: M, 5 ms, 0 ms; }\n"));
        QVERIFY(
            daridez::test::writeFile(dir.filePath("bench.asc"),
                                     "base hex  timestamps absolute\n0.2 Li SleepModeEvent\n"
                                     "zap\n0.5 L1 10 CSErr Rx 2 01 02 checksum = 77 SOF = 0.4\n"));
    }

    void printsRowsAndStatus_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("rows, summary, saved as it was read")
            << QStringList{"--summary", "-o", "out.dump", "trace.dump"}
            << "status 0\n" + kRows + "active: 01:05:32  |FRMs: 2  |ERRs: 1\n";
        // Refreshed in other modes: the regression check of the output (../shared/regress).
        QTest::newRow("refreshed: a row is timed from the row above it")
            << QStringList{"--refresh", "trace.dump"}
            << "status 0\n" + QString(kRows).replace("057360|Break", "000016|Break");
        QTest::newRow("missing file")
            << QStringList{"no.dump"} << "status 1\nstderr: load error: no.dump: no such file\n";
        QTest::newRow("a folder") << QStringList{"folder.dump"}
                                  << "status 1\nstderr: load error: folder.dump: is a directory\n";
        QTest::newRow("standard input") << QStringList{"--check", "-"} << "status 0\n" + kChecked;
        QTest::newRow("unwritable output")
            << QStringList{"trace.dump", "-o", "no/such.dump"}
            << "status 1\n" + kRows +
                   "stderr: save error: no/such.dump: No such file or directory\n";
        QTest::newRow("a short frame before a start is cut")
            << QStringList{"--check", "restart.dump"}
            << "status 0\n0|+ 00:00:00,000000|START||||||||||||plain|\n"
               "1|+ 00:00:00,000016|Break|55|[20]|01h|||||||||green|cut\n"
               "2|+ 00:00:00,000048|START (5)||||||||||||plain|\n";
        // "arguments -> what is wrong", then the usage.
        for (const QString row :
             {"--data=oct a.dump -> bad value in \"--data=oct\"",
              "--epoch=-1 a.dump -> bad value in \"--epoch=-1\"",
              "--fast a.dump -> unknown option \"--fast\"",
              "a.dump -o -> \"-o\" needs a file name",
              "-o x -o y a.dump -> \"-o\" given twice",
              "a.dump b.dump -> one FILE only: \"b.dump\"",
              "--check -> no FILE given",
              "--summary --format=pcapng a.dump -> \"--summary\" does not go with --format=csv or "
              "pcapng",
              "--summary --format=asc a.dump -> \"--summary\" does not go with --format=asc",
              "--ids --format=csv a.dump -> \"--ids\" does not go with --format",
              "--describe a.dump -> \"--describe\" needs --ldf-check",
              "--signals --format=pcapng a.dump -> \"--signals\" does not go with "
              "--format=pcapng, asc or --ids",
              "--signals --ids a.dump -> \"--signals\" does not go with --format=pcapng, asc or "
              "--ids",
              "--epoch=9223372036855 a.dump -> bad value in \"--epoch=9223372036855\"",
              "--ldf-check --ldf=a.ldf b.ldf -> \"--ldf-check\" does not go with --ldf",
              "--port a.dump -> \"--port\" traces the tracer, not a FILE: \"a.dump\"",
              "--port=/dev/x --refresh -> \"--port\" does not go with --ldf-check, --refresh or -o",
              "--duration=5 a.dump -> \"--lin-rate\", \"--duration\" and \"--record\" need "
              "--port",
              "--port --lin-rate=70000 -> bad value in \"--lin-rate=70000\"",
              "--port --duration=0 -> bad value in \"--duration=0\"",
              "--port --record=r.dump --rotate=100 -> bad value in \"--rotate=100\"",
              "--port --record=r.dump --rotate=0h -> bad value in \"--rotate=0h\"",
              "--port --rotate=1h -> \"--rotate\" needs --record",
              "--pre=1 a.dump -> \"--pre\" and \"--post\" need --trigger",
              "--trigger=err --post=-1 a.dump -> bad value in \"--post=-1\"",
              "--trigger=err --pre=x a.dump -> bad value in \"--pre=x\"",
              "--trigger=err --refresh a.dump -> \"--trigger\" does not go with --refresh or -o"})
            QTest::newRow(qPrintable("usage: " + row))
                << row.section(" -> ", 0, 0).split(' ')
                << "status 2\nstderr: daridez-dump: " + row.section(" -> ", 1) + "\n" + kUsage;
        QTest::newRow("checked") << QStringList{"--check", "trace.dump"} << "status 0\n" + kChecked;
        QTest::newRow("filtered, checked, summary of the whole trace")
            << QStringList{"--filter=!err !start check=cut", "--check", "--summary", "trace.dump"}
            << "status 0\n" + kChecked.section('\n', 4, 4) +
                   "\nactive: 01:05:32  |FRMs: 2  |ERRs: 1\n";
        QTest::newRow("a cut frame is not bad")
            << QStringList{"--filter=bad", "trace.dump"} << "status 0\n";
        for (const QString option : {"--trigger", "--filter"})
            QTest::newRow(qPrintable("bad query in " + option + ": nothing printed"))
                << QStringList{option + "=id=40", "trace.dump"}
                << "status 2\nstderr: \"id=40\": identifiers are 00..3F\n";
        QTest::newRow("csv, filtered")
            << QStringList{"--format=csv", "--filter=err", "trace.dump"}
            << kCsv + "\r\n2,\"+ 00:00:00,003532\",#42,,,,,,,,,,,,red,\r\n";
        QTest::newRow("an ASC log: a bus event its row, what it left out on standard error")
            << QStringList{"--check", "bench.asc"}
            << "status 0\n0|+ 00:00:00,000000|START||||||||||||plain|\n"
               "1|+ 00:00:00,200000|Sleep||||||||||||plain|\n"
               "2|+ 00:00:00,200000|Break|55|[50]|01h|02h|77h|||||||green|checksum\n"
               "stderr: bench.asc: 1 line not understood\n";
        QTest::newRow("identifiers")
            << QStringList{"--ids", "--baud=9600", "trace.dump"}
            << "status 0\nID|frames|bad|lengths|model|period_min|period_avg|period_max|last\n"
               "01|1|0|2|classic|-|-|-|05 10\nbus load: 0.0 % at 9600 baud\n";
        // Standard output that refuses the bytes (a full disk) ends the command with status 1
        // and the reason, whatever the output; the rows are far more than the stream's
        // buffer, the LDF check and the help far less.
        for (const QString& row :
             QStringList{"--format=text big.dump", "--check big.dump", "--format=csv big.dump",
                         "--format=pcapng big.dump", "--ids big.dump", "--help",
                         "--ldf-check " + kConstructs})
            QTest::newRow(qPrintable("full disk: " + row))
                << (row.split(' ') << "> /dev/full") << "status 1\n" + kFullDisk;
        QTest::newRow("full disk: signals")
            << QStringList{"--ldf=" + kConstructs, "--signals", "big.dump", "> /dev/full"}
            << "status 1\n" + kWarning + kFullDisk.mid(8);
        addLdfRows();
    }

    void printsRowsAndStatus() {
        QFETCH(QStringList, arguments);
        QTEST(run(arguments), "expected");
        // Saving writes back, byte for byte, the file that was read.
        const QString saved = dir.filePath("out.dump");
        QCOMPARE(daridez::test::readFile(saved),
                 arguments.contains("out.dump") ? kTrace : "<none>");
        QFile::remove(saved);
    }

    // Each packet's time: the epoch's seconds plus the trace time of its frame (01:05:32,164660
    // and 60,892 microseconds later). A frame follows them so that the second is not the
    // trace's last row, which, being short, would be judged cut and left out.
    // The rows of a trigger's stretches are those printed without it, in every format; a
    // note begins each stretch where the format has room for one. The numbers stand for
    // the lines of the output without the trigger (-1: the last).
    void triggerKeepsItsStretchesInEachFormat_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected");
        const QStringList around{"--trigger=id=3C", "--pre=0.0006", "--post=0.0006"};
        QTest::newRow("text") << around
                              << QStringList{"# trigger at 00:00:00,001792: id=3C", "3", "4", "5"};
        QTest::newRow("text, absolute times, checked, two stretches")
            << QStringList{"--trigger=id=11,3D", "--time=abs", "--check"}
            << QStringList{"# trigger at 00:00:00,000768: id=11,3D", "2",
                           "# trigger at 00:00:00,002304: id=11,3D", "5"};
        QTest::newRow("text, filtered among the stretch's rows")
            << QStringList{"--trigger=id=3C", "--pre=0.0006", "--post=0.0006", "--filter=!diag"}
            << QStringList{"# trigger at 00:00:00,001792: id=3C", "3"};
        QTest::newRow("text, none") << QStringList{"--trigger=id=3F"} << QStringList{};
        QTest::newRow("csv: the rows only")
            << (QStringList(around) << "--format=csv") << QStringList{"0", "4", "5", "6"};
        QTest::newRow("asc: the note a comment")
            << (QStringList(around) << "--format=asc")
            << QStringList{"0", "1", "2", "3", "// trigger at 00:00:00,001792: id=3C",
                           "6", "7", "8", "-1"};
    }
    void triggerKeepsItsStretchesInEachFormat() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        QStringList untriggered = arguments;
        untriggered.removeIf([](const QString& a) { return a.contains(kTriggerOption); });
        const QStringList all = QString::fromUtf8(output(untriggered << "lin.dump"))
                                    .remove('\r')
                                    .split('\n', Qt::SkipEmptyParts);
        QStringList lines;
        for (const QString& item : expected) {
            bool number = false;
            const int line = item.toInt(&number);
            lines << (number ? all.value(line < 0 ? all.size() + line : line) : item);
        }
        QCOMPARE(QString::fromUtf8(output(arguments << "lin.dump")).remove('\r'),
                 lines.isEmpty() ? QString() : lines.join('\n') + '\n');
    }

    void pcapngPacketsAreTimedFromTheEpoch() {
        QVERIFY(daridez::test::writeFile(dir.filePath("epoch.dump"), kTrace + kLinFrame));
        const QByteArray capture = output({"--format=pcapng", "--epoch=1700000000", "epoch.dump"});
        QList<quint64> times;
        for (qsizetype at = 0; at + 20 <= capture.size();) {
            const auto word = [&](int offset) {
                return qFromLittleEndian<quint32>(capture.constData() + at + offset);
            };
            if (word(0) == 6)  // an enhanced packet block: interface, time high, time low
                times << (quint64(word(12)) << 32 | word(16));
            at += qMax<quint32>(word(4), 4);
        }
        QCOMPARE(times, (QList<quint64>{1700003932164660, 1700003932225552}));
    }

    void helpExplainsTheOptions() {
        QVERIFY(
            run({"--help"}).startsWith("status 0\n" + kUsage + "Loads the LIN trace dump FILE"));
    }

  private:
    // With an LDF: the signals under the rows, the verdicts against it, the CSV columns.
    void addLdfRows() {
        const QString ldf = "--ldf=" + kConstructs;
        QTest::newRow("signals, checked")
            << QStringList{ldf, "--signals", "--check", "--filter=!start", "lin.dump"}
            << "status 0\n"
               "1|+ 00:00:00,000256|Break|55|[61]|FEh|01h||||||||green|classic\n"
               "|LampStatus.Lamp = 354 lux (raw 254)\n"
               "2|+ "
               "00:00:00,000512|Break|55|[11]|64h|C8h|01h|04h|02h|41h|42h|01h|36|green|enhanced\n"
               "|SeatStatus.Temp = 10 °C (raw 100)\n"
               "|SeatStatus.Level = -14 % (raw 456)\n"
               "|SeatStatus.Code = 42 (raw 04 02)\n"
               "|SeatStatus.Name = \"AB\\x01\" (raw 41 42 01)\n"
               "3|+ 00:00:00,000512|Break|55|[BA]|92h|01h|B1h|||||||green|enhanced\n"
               "|DoorEvent -> DoorErr\n"
               "|DoorErr.DoorError = 1 (raw 1)\n"
               "4|+ "
               "00:00:00,000512|Break|55|[3C]|21h|06h|B2h|00h|FFh|7Fh|FFh|FFh|A6|green|classic\n"
               "|MasterReq NAD 21 (Door), SF length 6: SID B2 ReadByIdentifier, data 00 FF 7F FF "
               "FF\n"
               "5|+ "
               "00:00:00,000512|Break|55|[7D]|21h|03h|7Fh|B2h|12h|FFh|FFh|FFh|97|green|classic\n"
               "|SlaveResp NAD 21 (Door), SF length 3: negative response to B2 ReadByIdentifier, "
               "error 12 subfunction not supported\n"
               "6|+ 00:00:00,000512|Break|55|[50]|C1h|35h|ABh|0Dh||||||green|length,enhanced\n"
               "|DoorStatus: 3 of 5 bytes, not decoded\n"
               "7|+ 00:00:00,000512|Break|55|[F0]|01h|02h|0Ch|||||||green|unknown-id,enhanced\n"
               "8|+ 00:00:00,000512|Break|55|[20]|02h|E8h|FDh|17h||||||green|model,classic\n"
               "|GatewayCmd.Mode = \"error\" (raw 2) (frame failed: model)\n"
               "|GatewayCmd.Speed = 36.9106 km/h (raw 65000) (frame failed: model)\n"
               "9|+ 00:00:00,000512|Break||||||||||||plain|cut\n" +
                   kWarning;
        // Without an LDF the transport layer is decoded all the same.
        QTest::newRow("signals: diagnostic messages read whole")
            << QStringList{"--signals", "--filter=diag", "diag.dump"}
            << "status 0\n"
               "1|+ 00:00:00,000256|Break|55|[7D]|21h|10h|0Bh|62h|F1h|90h|01h|02h|DB|green\n"
               "|SlaveResp NAD 21, FF length 11: RSID 62 positive response to 22 "
               "ReadDataByIdentifier, data F1 90 01 02\n"
               "3|+ 00:00:00,000256|Break|55|[7D]|21h|21h|03h|04h|05h|06h|07h|08h|9C|green\n"
               "|SlaveResp NAD 21, CF 1: data 03 04 05 06 07 08\n"
               "|SlaveResp NAD 21 message (2 frames, 11 bytes): 62 F1 90 01 02 03 04 05 06 07 08 "
               "(positive response to 22 ReadDataByIdentifier, identifier F190)\n"
               "4|+ 00:00:00,000256|Break|55|[3C]|21h|07h|B2h|00h|FFh|7Fh|FFh|FFh|A5|green\n"
               "|MasterReq NAD 21, SF length 7: invalid: single frame length 7 (1 to 6)\n"
               "5|+ 00:00:00,000256|Break|55|[3C]|21h|22h|AAh|BBh|CCh|DDh|EEh|FFh|BC|green\n"
               "|MasterReq NAD 21, CF 2: data AA BB CC DD EE FF\n"
               "|MasterReq NAD 21 invalid: consecutive frame 2 without a first frame\n";
        QTest::newRow("sid= matches the completing row")
            << QStringList{"--filter=sid=22", "diag.dump"}
            << "status 0\n"
               "1|+ 00:00:00,000256|Break|55|[7D]|21h|10h|0Bh|62h|F1h|90h|01h|02h|DB|green\n"
               "3|+ 00:00:00,000256|Break|55|[7D]|21h|21h|03h|04h|05h|06h|07h|08h|9C|green\n";
        QTest::newRow("csv: the message on its completing row, the rows before filtered out")
            << QStringList{ldf, "--format=csv", "--filter=data=2121", "diag.dump"}
            << kLdfCsv +
                   "3,\"+ 00:00:00,000256\",Break,55,[7D],21h,21h,03h,04h,05h,06h,07h,08h,9C,"
                   "green,classic,SlaveResp,\"SlaveResp NAD 21 (Door), CF 1: data 03 04 05 06 07 "
                   "08; SlaveResp NAD 21 (Door) message (2 frames, 11 bytes): 62 F1 90 01 02 03 "
                   "04 05 06 07 08 (positive response to 22 ReadDataByIdentifier, identifier "
                   "F190)\"\r\n" +
                   kWarning;
        QTest::newRow("csv with the frame and its signals")
            << QStringList{ldf, "--format=csv", "--filter=signal:Temp>0 frame=SeatStatus",
                           "lin.dump"}
            << kLdfCsv +
                   "2,\"+ 00:00:00,000512\",Break,55,[11],64h,C8h,01h,04h,02h,41h,42h,01h,36,green,"
                   "enhanced,SeatStatus,\"Temp=10 °C; Level=-14 %; Code=42; "
                   "Name=\"\"AB\\x01\"\"\"\r\n" +
                   kWarning;
        QTest::newRow("csv: the signals of a failed frame name the failure")
            << QStringList{ldf, "--format=csv", "--filter=frame=GatewayCmd", "lin.dump"}
            << kLdfCsv +
                   "8,\"+ 00:00:00,000512\",Break,55,[20],02h,E8h,FDh,17h,,,,,,green,"
                   "\"model,classic\",GatewayCmd,\"Mode=\"\"error\"\"; Speed=36.9106 km/h (frame "
                   "failed: model)\"\r\n" +
                   kWarning;
        // Nominal periods: the longest delay between a frame's slots around the first
        // table holding it (Normal: 55.5 ms for a frame in one slot; Configuration: the
        // requests and commands 20 ms apart at most, the response once in 110 ms).
        QTest::newRow("ids with the LDF's columns")
            << QStringList{ldf, "--ids", "lin.dump"}
            << "status 0\n"
               "ID|frames|bad|lengths|model|period_min|period_avg|period_max|last|"
               "frame|publisher|ldf_length|period_nominal|ldf|collisions\n"
               "10|1|1|3|enhanced|-|-|-|C1 35 AB|DoorStatus|Door|5|55.500|-|-\n"
               "11|1|0|8|enhanced|-|-|-|64 C8 01 04 02 41 42 01|SeatStatus|Seat|8|"
               "55.500|-|-\n"
               "12|1|0|2|enhanced|-|-|-|92 01|DoorErr|Door|2|20.000|-|-\n"
               "13|0|0|-|-|-|-|-|-|SeatErr|Seat|2|20.000|0 frames|-\n"
               "20|1|1|3|classic|-|-|-|02 E8 FD|GatewayCmd|Gateway|3|55.500|-|-\n"
               "21|1|0|1|classic|-|-|-|FE|LampStatus|OldLamp|1|-|-|-\n"
               "22|0|0|-|-|-|-|-|-|SerialFrame|Seat|4|-|0 frames|-\n"
               "23|0|0|-|-|-|-|-|-|LampCmd|Gateway|1|-|0 frames|-\n"
               "30|1|1|2|enhanced|-|-|-|01 02|-|-|-|-|not in LDF|-\n"
               "3A|1|0|2|enhanced|-|-|-|92 01|DoorEvent|Door|2|55.500|-|0\n"
               "3C|1|0|8|classic|-|-|-|21 06 B2 00 FF 7F FF FF|MasterReq|Gateway|8|"
               "20.000|-|-\n"
               "3D|1|0|8|classic|-|-|-|21 03 7F B2 12 FF FF FF|SlaveResp|-|8|"
               "110.000|-|-\n"
               "bus load: 1020.2 % at 19200 baud\n" +
                   kWarning;
        QTest::newRow("LDF with nothing to decode")
            << QStringList{"--ldf=none.ldf", "lin.dump"}
            << "status 2\nstderr: none.ldf: error: cannot open the file: No such file or "
               "directory\nnone.ldf: no frames to decode with\n";
        QTest::newRow("LDF without frames")
            << QStringList{"--ldf=noframes.ldf", "lin.dump"}
            << "status 2\nstderr: noframes.ldf: no frames to decode with\n";
        // Texts with '"' and '\' escaped as in C, in the signal lines and in the CSV (where
        // --signals asks for nothing more than --ldf gives).
        const QString narrow = "--ldf=" + kLdfDir + "/narrow.ldf";
        QTest::newRow("text signal escaped")
            << QStringList{narrow, "--signals", "--filter=id=05", "text.dump"}
            << "status 0\n"
               "1|+ 00:00:00,000016|Break|55|[85]|07h|22h|5Ch|41h|B3h|||||green\n"
               "|DisplayText.Digit = 7 (raw 7)\n"
               "|DisplayText.Label = \"\\\"\\\\A\" (raw 22 5C 41)\n";
        for (const QString options : {"--format=csv", "--signals --format=csv"})
            QTest::newRow(qPrintable("csv signal escaped: " + options))
                << (QStringList{narrow} + options.split(' ') << "--filter=id=05"
                                                             << "text.dump")
                << kLdfCsv +
                       "1,\"+ 00:00:00,000016\",Break,55,[85],07h,22h,5Ch,41h,B3h,,,,,green,"
                       "enhanced,DisplayText,\"Digit=7; Label=\"\"\\\"\"\\\\A\"\"\"\r\n";
        QTest::newRow("check an LDF")
            << QStringList{"--ldf-check", kLdfDir + "/structure.ldf"}
            << "status 0\n" + kLdfDir + "/structure.ldf:10:1: error: unbalanced '}'\n" + kLdfDir +
                   "/structure.ldf:11:8: error: expected '{' after Signals, found 'A'\n" + kLdfDir +
                   "/structure.ldf:13:16: warning: missing ';'\n" + kLdfDir +
                   "/structure.ldf:20:1: error: end of file inside Frames (opened at line 15)\n"
                   "LIN 2.1, 19.2 kbps: 2 nodes, 2 signals, 1 frame, 0 schedule tables; 3 errors, "
                   "1 warning\n";
        QTest::newRow("describe an LDF")
            << QStringList{"--ldf-check", "--describe", kLdfDir + "/classic.ldf"}
            << "status 0\nnodes:\n"
               "  Body: master, LIN 1.3, time base 10 ms, jitter 0.5 ms\n"
               "  Mirror: slave, LIN 1.3, NAD 0x10\n"
               "frames:\n"
               "  0x08 MirrorCmd: 2 bytes, published by Body, classic\n"
               "    Fold: offset 0, width 1, init 0, raw\n"
               "  0x20 MirrorPos: 4 bytes, published by Mirror, classic\n"
               "    Pos: offset 0, width 8, init 0, raw\n"
               "  0x30 MirrorFar: 8 bytes, published by Mirror, classic\n"
               "    Far: offset 56, width 8, init 0, raw\n"
               "schedule tables:\n"
               "  Main:\n"
               "    MirrorCmd, 20 ms\n"
               "    MirrorPos, 20 ms\n"
               "    MirrorFar, 20 ms\n"
               "LIN 1.3, 9.6 kbps: 2 nodes, 3 signals, 3 frames, 1 schedule table; 0 errors, 0 "
               "warnings\n";
        QTest::newRow("check a missing LDF")
            << QStringList{"--ldf-check", "none.ldf"}
            << "status 1\nnone.ldf: error: cannot open the file: No such file or directory\n"
               "LIN ?, 0 kbps: 0 nodes, 0 signals, 0 frames, 0 schedule tables; 1 error, 0 "
               "warnings\n";
    }

    // What the command prints on its standard output, run in the test folder by process
    // (one of its own where none is given); "-" has the trace come on standard input, and
    // "> /dev/full" its output go to a device that refuses every byte.
    QByteArray output(QStringList arguments, QProcess* given = nullptr) {
        QProcess own;
        QProcess& process = given != nullptr ? *given : own;
        process.setWorkingDirectory(dir.path());
        if (arguments.removeAll("> /dev/full") > 0)
            process.setStandardOutputFile("/dev/full");
        process.start(QStringLiteral(DARIDEZ_DUMP_PATH), arguments);
        if (arguments.contains("-"))
            process.write(kTrace);
        process.closeWriteChannel();
        return process.waitForFinished(60000) ? process.readAllStandardOutput() : QByteArray();
    }

    // "status N" (-1: it did not end normally), then what the command printed, TABs shown
    // as "|", then "stderr: " and its error output if there is any.
    QString run(const QStringList& arguments) {
        QProcess process;
        const QString out = QString::fromUtf8(output(arguments, &process)).replace('\t', '|');
        const QString err = QString::fromUtf8(process.readAllStandardError());
        const bool ended =
            process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
        return QString("status %1\n").arg(ended ? process.exitCode() : -1) + out +
               (err.isEmpty() ? "" : "stderr: " + err);
    }

    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(TestDaridezDump)
#include "tst_daridezdump.moc"
