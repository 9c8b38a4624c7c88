// The daridez-dump command, run as a user runs it, on a dump file made here.
#include <QProcess>
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
// the second frame has one response byte only.
const QString kChecked = QString(kRows)
                             .replace("\n", "|\n")
                             .replace("EAh|||||||green|", "EAh|||||||green|classic")
                             .replace("01h|||||||||green|", "01h|||||||||green|short");
const QString kUsage =
    "usage: daridez-dump [--time=rel|abs] [--id=pid|id] [--data=hex|dec] [--refresh]\n"
    "                    [--summary] [--check] [--filter=QUERY] [--format=text|csv|pcapng]\n"
    "                    [--epoch=SECONDS] [--ids [--baud=N]] [-o OUT] FILE\n";

}  // namespace

class TestDaridezDump : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(daridez::test::writeFile(dir.filePath("trace.dump"), kTrace)); }

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
        QTest::newRow("missing file") << QStringList{"no.dump"} << "status 1\nstderr: load error\n";
        QTest::newRow("unwritable output") << QStringList{"trace.dump", "-o", "no/such.dump"}
                                           << "status 1\n" + kRows + "stderr: save error\n";
        const QString usage = "status 2\nstderr: " + kUsage;
        // A bad data mode, -o without a name, no status line in a capture, no ids in csv.
        for (const QString args : {"--data=oct a.dump", "a.dump -o",
                                   "--summary --format=pcapng a.dump", "--ids --format=csv a.dump"})
            QTest::newRow(qPrintable("usage: " + args)) << args.split(' ') << usage;
        QTest::newRow("checked") << QStringList{"--check", "trace.dump"} << "status 0\n" + kChecked;
        QTest::newRow("filtered, checked, summary of the whole trace")
            << QStringList{"--filter=!err !start bad", "--check", "--summary", "trace.dump"}
            << "status 0\n" + kChecked.section('\n', 4, 4) +
                   "\nactive: 01:05:32  |FRMs: 2  |ERRs: 1\n";
        QTest::newRow("bad query: nothing printed")
            << QStringList{"--filter=id=40", "trace.dump"}
            << "status 2\nstderr: \"id=40\": identifiers are 00..3F\n";
        QTest::newRow("csv, filtered")
            << QStringList{"--format=csv", "--filter=err", "trace.dump"}
            << "status 0\nMsgNr,TimeStamp,Info,Sync,ID,DB0,DB1,DB2,DB3,DB4,DB5,DB6,DB7,CS,Colour,"
               "Check\r\n2,\"+ 00:00:00,003532\",#42,,,,,,,,,,,,red,\r\n";
        QTest::newRow("identifiers")
            << QStringList{"--ids", "--baud=9600", "trace.dump"}
            << "status 0\nID|frames|bad|lengths|model|period_min|period_avg|period_max|last\n"
               "01|1|0|2|classic|-|-|-|05 10\n20|1|1|-|-|-|-|-|-\nbus load: 18.5 % at 9600 baud\n";
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
    // and 60,892 microseconds later).
    void pcapngPacketsAreTimedFromTheEpoch() {
        const QByteArray capture = output({"--format=pcapng", "--epoch=1700000000", "trace.dump"});
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

    // Standard output that refuses the bytes (a full disk) ends the command with status 1,
    // whatever the format; the text is far more than the stream's buffer.
    void refusedOutputEndsWithStatusOne_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("text") << "--format=text";
        QTest::newRow("csv") << "--format=csv";
        QTest::newRow("pcapng") << "--format=pcapng";
    }

    void refusedOutputEndsWithStatusOne() {
        QFETCH(QString, format);
        QVERIFY(daridez::test::writeFile(dir.filePath("big.dump"), kLinFrame.repeated(3000)));
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.setStandardOutputFile("/dev/full");
        process.start(QStringLiteral(DARIDEZ_DUMP_PATH), {format, "big.dump"});
        QVERIFY(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
    }

    void helpExplainsTheOptions() {
        QVERIFY(
            run({"--help"}).startsWith("status 0\n" + kUsage + "Loads the LIN trace dump FILE"));
    }

  private:
    // What the command prints on its standard output, as bytes.
    QByteArray output(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(DARIDEZ_DUMP_PATH), arguments);
        return process.waitForFinished(60000) ? process.readAllStandardOutput() : QByteArray();
    }

    // Runs the command in the test folder: "status N", then what it printed, TABs shown as
    // "|", then "stderr: " and its error output if there is any.
    QString run(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(DARIDEZ_DUMP_PATH), arguments);
        const bool ended = process.waitForFinished(60000) && process.exitStatus() == 0;
        const QString err = QString::fromLatin1(process.readAllStandardError());
        return QString("status %1\n").arg(ended ? process.exitCode() : -1) +
               QString::fromLatin1(process.readAllStandardOutput()).replace('\t', '|') +
               (err.isEmpty() ? "" : "stderr: " + err);
    }

    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(TestDaridezDump)
#include "tst_daridezdump.moc"
