// The trace recorder: the bytes of a trace appended to a dump file named by its start
// time, durable after every tick, and failures reported instead of thrown.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "DecoderFixture.h"
#include "files/TraceRecorder.h"

using namespace daridez;
using namespace daridez::test;

namespace {

QByteArray contents(const std::string& path) {
    return readFile(QString::fromStdString(path));
}

void give(TraceRecorder& recorder, const QByteArray& bytes) {
    recorder.received(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::size_t>(bytes.size()));
}

}  // namespace

class TestRecorder : public QObject {
    Q_OBJECT

  private slots:
    // 2026-12-06 14:03:22 UTC, in UTC and east of it.
    void fileIsNamedByTheStartInLocalTime() {
        const QByteArray saved = qgetenv("TZ");
        QStringList names;
        for (const char* zone : {"UTC0", "XYZ-10"}) {
            qputenv("TZ", zone);
            tzset();
            names << QString::fromStdString(TraceRecorder::FileName(1796565802));
        }
        qputenv("TZ", saved);
        tzset();
        QCOMPARE(names,
                 QStringList({"trace-2026-12-06_14-03-22.dump", "trace-2026-12-07_00-03-22.dump"}));
    }

    void everyTickMakesTheBytesSoFarReadable() {
        QTemporaryDir dir;
        TraceRecorder recorder(dir.path().toStdString());
        recorder.traceStarted();
        QVERIFY(recorder.recording());
        QCOMPARE(QFileInfo(QString::fromStdString(recorder.path())).absolutePath(), dir.path());
        QVERIFY(QString::fromStdString(recorder.path()).endsWith(".dump"));

        const QByteArray first = QByteArray::fromHex("05820007008e0490");
        const QByteArray second = QByteArray::fromHex("12340005911240550000");
        give(recorder, first);
        recorder.tick();
        QCOMPARE(contents(recorder.path()), first);  // read beside the open file
        give(recorder, second.left(3));
        give(recorder, second.mid(3));
        recorder.tick();
        QCOMPARE(contents(recorder.path()), first + second);
        QCOMPARE(recorder.size(), std::uint64_t(first.size() + second.size()));
        recorder.traceEnded();
        QVERIFY(!recorder.recording() && !recorder.failed());
        give(recorder, first);  // after the end: kept nowhere
        QCOMPARE(contents(recorder.path()), first + second);
    }

    void aRecordingInTheSameSecondGetsItsOwnFile() {
        QTemporaryDir dir;
        const std::time_t now = std::time(nullptr);
        // Every name the next few seconds could give is taken by an older recording.
        for (std::time_t t = now; t < now + 3; ++t) {
            QVERIFY(
                writeFile(dir.filePath(QString::fromStdString(TraceRecorder::FileName(t))), "old"));
        }
        TraceRecorder recorder(dir.path().toStdString());
        recorder.traceStarted();
        give(recorder, "new");
        recorder.traceEnded();
        QVERIFY(QString::fromStdString(recorder.path()).endsWith("-2.dump"));
        QCOMPARE(contents(recorder.path()), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 4);
    }

    void failuresAreReportedAndCloseTheFile_data() {
        QTest::addColumn<bool>("inFolder");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("error");
        QTest::newRow("full disk") << false << "/dev/full"
                                   << "cannot write /dev/full: No space";
        QTest::newRow("missing folder") << true << "/nonexistent/folder"
                                        << "cannot create /nonexistent/folder/trace-";
    }

    void failuresAreReportedAndCloseTheFile() {
        QFETCH(bool, inFolder);
        QFETCH(QString, where);
        QFETCH(QString, error);
        TraceRecorder recorder(where.toStdString());
        if (inFolder) {
            recorder.traceStarted();
        } else {
            QVERIFY(recorder.open(where.toStdString()));
        }
        give(recorder, QByteArray(100, '\x01'));
        recorder.tick();
        QVERIFY(recorder.failed() && !recorder.recording());
        QVERIFY2(QString::fromStdString(recorder.error()).startsWith(error),
                 recorder.error().c_str());
        recorder.clearError();
        give(recorder, "more");  // nothing open: ignored, no new failure
        recorder.tick();
        QVERIFY(!recorder.failed());
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
