// The trace recorder: the file a trace is recorded to, named by its start time, the bytes
// on the disk at every tick, the file closed at the end, and a folder or a disk it cannot
// write to reported instead of thrown. The rotating recorder: a series of such files, cut
// by size or age where a row starts, none of the stream lost.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "DecoderFixture.h"
#include "files/RotatingRecorder.h"
#include "files/TraceRecorder.h"
#include "files/TriggeredRecording.h"

using namespace daridez;
using namespace daridez::test;

namespace {

void give(ByteSink& recorder, const QByteArray& bytes) {
    recorder.received(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::size_t>(bytes.size()));
}

// A recording: the start marker (6 bytes), a frame (35), a timer wrap (3), two frames.
const QByteArray kStart = hex("05 82 00 01 00 00");
const QByteArray kWrap = hex("02 A0 A2");
const QByteArray kA = linFrame(1, 0x3C, "0102"), kB = linFrame(2, 0x7D, "0304"),
                 kC = linFrame(3, 0x3C, "0506");
const QByteArray kRecording = kStart + kA + kWrap + kB + kC;

// The files of a folder in name order, and their bytes.
QList<QByteArray> filesIn(const QTemporaryDir& dir) {
    QList<QByteArray> files;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files, QDir::Name))
        files << readFile(dir.filePath(name));
    return files;
}

// A file loaded on its own: the frames it held, or -1 when a row came out bad (a frame
// cut apart from its break).
int framesLoaded(const QByteArray& file) {
    DecoderFixture loaded;
    loaded.feed(file);
    for (const TraceEntry* row : loaded.sink.rows)
        if (loaded.text(row, Column::Info).startsWith("#err"))
            return -1;
    return loaded.decoder.frameCount();
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
            qputenv("TZ", zone), tzset();
            names << QString::fromStdString(TraceRecorder::FileName(1796565802));
        }
        qputenv("TZ", saved), tzset();
        QCOMPARE(names,
                 QStringList({"trace-2026-12-06_14-03-22.dump", "trace-2026-12-07_00-03-22.dump"}));
    }

    void aRecordingInTheSameSecondGetsItsOwnFile() {
        QTemporaryDir dir;
        const std::time_t now = std::time(nullptr);
        // Every name the next few seconds could give is taken by an older recording.
        for (std::time_t t = now; t < now + 3; ++t)
            QVERIFY(
                writeFile(dir.filePath(QString::fromStdString(TraceRecorder::FileName(t))), "old"));
        TraceRecorder recorder(dir.path().toStdString());
        recorder.traceStarted();
        give(recorder, "new");
        recorder.traceEnded();
        give(recorder, "late");  // after the end: kept nowhere
        QVERIFY(QString::fromStdString(recorder.path()).endsWith("-2.dump"));
        QCOMPARE(readFile(QString::fromStdString(recorder.path())), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 4);
    }

    // The stream's buffer is emptied into the file at every tick; the end of the trace
    // writes the rest and closes the file.
    void eachTickWritesThroughAndTheEndCloses() {
        QTemporaryDir dir;
        TraceRecorder recorder(dir.path().toStdString());
        recorder.traceStarted();
        const QString path = QString::fromStdString(recorder.path());
        QStringList sizes;
        const auto step = [&](const char* what, int bytes, void (TraceRecorder::*then)()) {
            give(recorder, QByteArray(bytes, '\x01'));
            (recorder.*then)();
            sizes << QString("%1 %2 %3")
                         .arg(what)
                         .arg(QFileInfo(path).size())
                         .arg(recorder.recording() ? "open" : "closed");
        };
        step("tick", 100, &TraceRecorder::tick);
        step("tick", 20, &TraceRecorder::tick);
        step("end", 50, &TraceRecorder::traceEnded);
        QCOMPARE(sizes, (QStringList{"tick 100 open", "tick 120 open", "end 170 closed"}));
        QVERIFY(!recorder.failed());
    }

    // A full disk refuses the bytes at the tick's flush: the file is closed, the failure kept.
    void fullDiskFailsAtTheTickAndClosesTheFile() {
        TraceRecorder recorder;
        QVERIFY(recorder.open("/dev/full"));
        give(recorder, QByteArray(100, '\x01'));
        QVERIFY(!recorder.failed() && recorder.recording());  // still in the stream's buffer
        recorder.tick();
        QCOMPARE(QString::fromStdString(recorder.error()),
                 QString("cannot write /dev/full: ") + std::strerror(ENOSPC));
        QVERIFY(!recorder.recording());
    }

    // All in one second: the names of the files still sort in the order they were made.
    void rotationCutsBeforeTheRowPastTheSize_data() {
        QTest::addColumn<QByteArray>("limit");
        QTest::addColumn<int>("chunk");  // bytes handed on at a time
        QTest::addColumn<QList<int>>("sizes");
        // Past the limit the wrap still belongs to the frame before it.
        QTest::newRow("40 B, whole") << QByteArray("40B") << 114 << QList<int>{44, 70};
        QTest::newRow("35 B, whole") << QByteArray("35B") << 114 << QList<int>{44, 35, 35};
        QTest::newRow("35 B, byte by byte") << QByteArray("35B") << 1 << QList<int>{44, 35, 35};
        QTest::newRow("1 B, 5 at a time") << QByteArray("1B") << 5 << QList<int>{6, 38, 35, 35};
        QTest::newRow("1 B, byte by byte") << QByteArray("1B") << 1 << QList<int>{6, 38, 35, 35};
        QTest::newRow("1 kB") << QByteArray("1kB") << 7 << QList<int>{114};
    }
    void rotationCutsBeforeTheRowPastTheSize() {
        QFETCH(QByteArray, limit);
        QFETCH(int, chunk);
        QFETCH(QList<int>, sizes);
        QTemporaryDir dir;
        RotatingRecorder recorder(dir.filePath("rec.dump").toStdString(),
                                  *RotatingRecorder::ParseLimit(limit.toStdString()),
                                  [] { return std::time_t(1796565802); });
        QVERIFY(recorder.start());
        for (qsizetype at = 0; at < kRecording.size(); at += chunk) {
            give(recorder, kRecording.mid(at, chunk));
            recorder.tick();
        }
        QVERIFY(recorder.close());
        const QList<QByteArray> files = filesIn(dir);
        QList<int> fileSizes;
        QByteArray joined;
        int frames = 0;
        for (const QByteArray& file : files) {
            fileSizes << int(file.size());
            joined += file;
            const int loaded = framesLoaded(file);
            QVERIFY2(loaded >= 0, file.toHex(' ').constData());
            frames += loaded;
        }
        QCOMPARE(fileSizes, sizes);
        QCOMPARE(joined, kRecording);
        QCOMPARE(frames, 3);
    }

    // The age counts on the injected clock; each file is named by its start.
    void rotationByAgeNamesEachFileByItsStart() {
        const QByteArray saved = qgetenv("TZ");
        qputenv("TZ", "UTC0"), tzset();
        QTemporaryDir dir;
        std::time_t now = 1796565802;
        RotatingRecorder recorder(dir.filePath("rec.dump").toStdString(),
                                  *RotatingRecorder::ParseLimit("1min"), [&now] { return now; });
        QVERIFY(recorder.start());
        give(recorder, kStart + kA);
        now += 59;
        give(recorder, kWrap + kB);
        now += 1;
        give(recorder, kC);
        QVERIFY(recorder.close());
        qputenv("TZ", saved), tzset();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
                 QStringList({"rec-2026-12-06_14-03-22.dump", "rec-2026-12-06_14-04-22.dump"}));
        QCOMPARE(filesIn(dir), QList<QByteArray>({kStart + kA + kWrap + kB, kC}));
    }

    void rotationLimits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("bytes");  // -1: refused
        QTest::addColumn<qint64>("seconds");
        for (const QString row : {"100MB 100000000 0", "512KiB 524288 0", "2GiB 2147483648 0",
                                  "1h 0 3600", "30min 0 1800", "2d 0 172800", "45s 0 45"})
            QTest::newRow(qPrintable(row.section(' ', 0, 0)))
                << row.section(' ', 0, 0) << row.section(' ', 1, 1).toLongLong()
                << row.section(' ', 2, 2).toLongLong();
        for (const char* bad : {"", "MB", "0MB", "100", "100 MB", "-1h", "1.5h", "100mb", "1hour",
                                "99999999999999999999GB", "4611686018427387904GB"})
            QTest::newRow(bad) << bad << qint64(-1) << qint64(-1);
    }
    void rotationLimits() {
        QFETCH(QString, text);
        QFETCH(qint64, bytes);
        QFETCH(qint64, seconds);
        const auto limit = RotatingRecorder::ParseLimit(text.toStdString());
        QCOMPARE(limit ? qint64(limit->bytes) : -1, bytes);
        QCOMPARE(limit ? qint64(limit->seconds) : -1, seconds);
    }

    // The window's recording through a trigger: the rows of the trace started after it was
    // plugged in, as they complete at the ticks and the last at the end; the rows kept
    // whole, of the others their timer wraps only (the wrap after A belongs to A), the
    // start row always.
    // Rows "ring": the list holds 3 rows and lets the oldest go as the trace is read in one
    // go, before any tick; the recording reads them as they leave.
    void triggeredRecordingKeepsTheStretchesOfItsTrace_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QByteArray>("recorded");
        QTest::addColumn<int>("triggers");
        QTest::addColumn<bool>("ring");
        for (const bool ring : {false, true}) {
            const QByteArray list = ring ? ", ring" : "";
            QTest::newRow("the middle row" + list) << "id=3D" << kStart + kWrap + kB << 1 << ring;
            QTest::newRow("the first and the last" + list)
                << "id=3C" << kStart + kA + kWrap + kC << 2 << ring;
            QTest::newRow("none" + list) << "id=01" << kStart + kWrap << 0 << ring;
        }
    }
    void triggeredRecordingKeepsTheStretchesOfItsTrace() {
        QFETCH(QString, trigger);
        QFETCH(QByteArray, recorded);
        QFETCH(int, triggers);
        QFETCH(bool, ring);
        QTemporaryDir dir;
        DecoderFixture trace;
        trace.feed(linFrame(9, 0x3C, "0A0B") + linFrame(10, 0x3C, "0C0D"));  // an earlier trace
        TraceRecorder recorder(dir.path().toStdString());
        std::string error;
        TriggeredRecording recording(recorder, trace.list,
                                     *Query::parse(trigger.toStdString(), error), 0, 0, 100);
        recording.traceStarted();
        if (ring) {
            trace.list.setRowBudget(3);
            trace.decoder.setRing(true, &recording);
        }
        const QList<QByteArray> reads =
            ring ? QList<QByteArray>{kRecording} : QList<QByteArray>{kStart + kA, kWrap + kB, kC};
        for (const QByteArray& bytes : reads) {
            trace.feed(bytes);
            give(recording, bytes);
            recording.tick();
        }
        QCOMPARE(trace.decoder.takeRowsDropped(), ring);
        QCOMPARE(recording.droppedRowsNote(), "the trigger's stretches are in " + recorder.path());
        recording.traceEnded();
        QCOMPARE(readFile(QString::fromStdString(recorder.path())).toHex(' '), recorded.toHex(' '));
        QCOMPARE(recording.triggers(), triggers);
    }

    void missingFolderIsReportedOnce() {
        TraceRecorder recorder("/nonexistent/folder");
        recorder.traceStarted();
        give(recorder, QByteArray(100, '\x01'));
        recorder.tick();
        QVERIFY(recorder.failed() && !recorder.recording());
        QVERIFY2(recorder.error().starts_with("cannot create /nonexistent/folder/trace-"),
                 recorder.error().c_str());
        recorder.clearError();
        give(recorder, "more");  // nothing open: ignored, no new failure
        recorder.tick();
        QVERIFY(!recorder.failed());
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
