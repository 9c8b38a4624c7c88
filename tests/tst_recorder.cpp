// The trace recorder: the file a trace is recorded to, named by its start time, the bytes
// on the disk at every tick, the file closed at the end, and a folder or a disk it cannot
// write to reported instead of thrown.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "DecoderFixture.h"
#include "files/TraceRecorder.h"

using namespace daridez;
using namespace daridez::test;

namespace {

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
