// The daridez-dump command, run as a user runs it, on dump files made here.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "DecoderFixture.h"

using namespace daridez::test;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run runDump(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(DARIDEZ_DUMP_PATH), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.status = process.exitCode();
    run.out = QString::fromLatin1(process.readAllStandardOutput());
    run.err = QString::fromLatin1(process.readAllStandardError());
    return run;
}

// One printed row: number, time, info, sync, id, then DB0..CS (empty unless given) and
// the colour word.
QString row(const QString& number, const QString& time, const QString& info,
            const QString& sync = {}, const QString& id = {}, QStringList bytes = {},
            const QString& colour = "plain") {
    while (bytes.size() < 9) {
        bytes << QString();
    }
    return (QStringList{number, time, info, sync, id} + bytes + QStringList{colour}).join('\t') +
           '\n';
}

}  // namespace

class TestDaridezDump : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void printsEveryRowAsFifteenFields();
    void modeOptionsChooseTheTextForms();
    void refreshRendersAsAModeSwitchDoes();
    void summaryShowsClockAndCounts();
    void savesTheLoadedTrace();
    void emptyFilePrintsNothing();
    void unreadableFileIsLoadError();
    void unwritableOutputIsSaveError();
    void badArgumentsGiveUsage_data();
    void badArgumentsGiveUsage();
    void helpExplainsTheOptions();

  private:
    QString write(const QString& name, const QByteArray& bytes);

    QTemporaryDir dir;
    QString trace;  // a LIN frame of two data bytes, a device error, a bad frame
};

QString TestDaridezDump::write(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return QString();
    }
    return path;
}

void TestDaridezDump::initTestCase() {
    QVERIFY(dir.isValid());
    trace = write("trace.dump", linFrame(0x1234, 0xC1, {0x05, 0x10, 0xEA}) +
                                    deviceError(0x2000, 0x42) + frameBytes({0x02, 0x77, 0x00}));
    QVERIFY(!trace.isEmpty());
}

void TestDaridezDump::printsEveryRowAsFifteenFields() {
    const Run run = runDump({trace});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out, row("0", "+ 00:00:00,000000", "START") +
                          row("1", "+ 00:00:00,004660", "Break", "55", "[C1]",
                              {"05h", "10h", "EAh"}, "green") +
                          row("2", "+ 00:00:00,003532", "#42", {}, {}, {}, "red") +
                          row("3", "+ 00:00:00,000000", "#err [02,77,00]"));
}

void TestDaridezDump::modeOptionsChooseTheTextForms() {
    const Run run = runDump({"--time=abs", "--id=id", "--data=dec", trace});
    QCOMPARE(run.status, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[1] + '\n',
             row("1", "00:00:00,004660", "Break", "55", "(01)", {"005", "016", "234"}, "green"));
    QCOMPARE(lines[2].split('\t').size(), 15);
}

void TestDaridezDump::refreshRendersAsAModeSwitchDoes() {
    // A start marker later in the trace: live, the next row is measured from the
    // last break; refreshed, from the marker's row just above it.
    const QString path =
        write("refresh.dump", breakFrame(0x100) + wrapFrame() + startMarker(5) +
                                  linFrame(0x0010, 0x20, {1, 2, 3, 4, 5, 6, 7, 8, 0xA5}));
    const Run plain = runDump({path});
    const Run refreshed = runDump({"--refresh", "--data=dec", path});
    QCOMPARE(plain.status, 0);
    QCOMPARE(refreshed.status, 0);
    const QStringList before = plain.out.split('\n', Qt::SkipEmptyParts);
    const QStringList after = refreshed.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(after.size(), 4);
    QCOMPARE(before[3].section('\t', 1, 1), QString("+ 00:00:00,065296"));
    QCOMPARE(after[3].section('\t', 1, 1), QString("+ 00:00:00,000016"));
    QCOMPARE(before[3].section('\t', 13, 13), QString("A5"));
    QCOMPARE(after[3].section('\t', 12, 13), QString("008\t165"));
}

void TestDaridezDump::summaryShowsClockAndCounts() {
    QByteArray bytes;
    for (int i = 0; i < 60000; ++i) {  // 3,932.16 s
        bytes += wrapFrame();
    }
    bytes += linFrame(0x10, 0x01, {1}) + deviceError(0x20, 1) + deviceError(0x30, 2);
    const Run run = runDump({"--summary", write("summary.dump", bytes)});
    QCOMPARE(run.status, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.last(), QString("active: 01:05:32  \tFRMs: 1  \tERRs: 2"));
}

void TestDaridezDump::savesTheLoadedTrace() {
    const QByteArray cut = syncFrame(0x20).left(3);
    const QString input =
        write("in.dump", QByteArray(4, '\0') + breakFrame(0x10) + wrapFrame() + cut);
    const QString output = dir.filePath("out.dump");
    const Run run = runDump({"-o", output, input});
    QCOMPARE(run.status, 0);
    QFile saved(output);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), breakFrame(0x10) + wrapFrame());
}

void TestDaridezDump::emptyFilePrintsNothing() {
    const Run run = runDump({"--summary", write("empty.dump", {})});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QString("active: 00:00:00  \tFRMs: 0  \tERRs: 0\n"));
}

void TestDaridezDump::unreadableFileIsLoadError() {
    const Run run = runDump({dir.filePath("missing.dump")});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, QString("load error\n"));
    QCOMPARE(run.out, QString());
}

void TestDaridezDump::unwritableOutputIsSaveError() {
    const Run run = runDump({trace, "-o", dir.filePath("no/such/folder.dump")});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, QString("save error\n"));
}

void TestDaridezDump::badArgumentsGiveUsage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no file") << QStringList{};
    QTest::newRow("two files") << QStringList{"a.dump", "b.dump"};
    QTest::newRow("unknown option") << QStringList{"--colour", "a.dump"};
    QTest::newRow("bad time mode") << QStringList{"--time=utc", "a.dump"};
    QTest::newRow("bad id mode") << QStringList{"--id=", "a.dump"};
    QTest::newRow("bad data mode") << QStringList{"--data=oct", "a.dump"};
    QTest::newRow("-o without name") << QStringList{"a.dump", "-o"};
}

void TestDaridezDump::badArgumentsGiveUsage() {
    QFETCH(QStringList, arguments);
    const Run run = runDump(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.startsWith("usage: daridez-dump [--time=rel|abs]"));
    QCOMPARE(run.out, QString());
}

void TestDaridezDump::helpExplainsTheOptions() {
    const Run run = runDump({"--help"});
    QCOMPARE(run.status, 0);
    for (const char* word : {"--time=rel|abs", "--id=pid|id", "--data=hex|dec", "--refresh",
                             "--summary", "-o OUT", "Exit status"}) {
        QVERIFY2(run.out.contains(QLatin1String(word)), word);
    }
}

QTEST_GUILESS_MAIN(TestDaridezDump)
#include "tst_daridezdump.moc"
