// Dump files: the bytes a trace is saved as, loading through the decoder in blocks,
// and saves that fail without harming the file already there.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <thread>

#include "DecoderFixture.h"
#include "files/DumpWriter.h"
#include "files/TraceLoad.h"

using namespace daridez;
using namespace daridez::test;

namespace {

QByteArray serialized(const TraceList& list) {
    std::vector<std::uint8_t> bytes;
    DumpWriter::serialize(list.TraceListHead(), bytes);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

LoadResult load(DecoderFixture& f, const std::string& path) {
    return LoadTrace(f.session, path);
}

}  // namespace

class TestDumpFiles : public QObject {
    Q_OBJECT

  private slots:
    void savesTraceByteForByte_data();
    void savesTraceByteForByte();
    void roundTripGivesTheSameRows();
    void loadsWholeFramesOnly_data();
    void loadsWholeFramesOnly();
    void failedLoadsAreReportedAndOpenErrorKeepsTrace();
    void saveReplacesFileOnlyWhenWhollyWritten();
    void saveWritesIntoAPipeInPlace();
    void saveKeepsPermissionsAndLinks();

  private:
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    bool write(const char* name, const QByteArray& bytes) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    QByteArray read(const char* name) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

void TestDumpFiles::savesTraceByteForByte_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("the 29-byte example")
        << hex("02A0A2 04901234EE 0591124055EE 05921250C1EE 02A0A2 0593001005EE")
        << hex("02A0A2 0490123400 059112405500 05921250C100 02A0A2 059300100500");
    QTest::newRow("bad frames: the byte past a full slot and the check byte are 0")
        << hex("089001020304050607 0190 02A0A2") << hex("089001020304050600 0100 02A0A2");
}

void TestDumpFiles::savesTraceByteForByte() {
    QFETCH(QByteArray, stream);
    DecoderFixture f;
    f.feed(stream);
    QTEST(serialized(f.list), "file");
}

void TestDumpFiles::roundTripGivesTheSameRows() {
    // Every kind of row: start marker, LIN frames of 1, 3 and 9 response bytes, wraps in
    // many places, zero filler, a device error, an overflow and bad frames.
    const QByteArray stream =
        hex("02A0A2 058212340000 0490100000 02A0A2 059110105500 05921020C100 059310301100 00"
            "0490200000 059120105500 059220203C00 02A0A2 059320300100 059420400200 02A0A2"
            "05952050FE00 0000 0490300000 059130105500 059230208000 059330300900 059430400800"
            "059530500700 059630600600 059730700500 059830800400 059930900300 059A30A00200"
            "059B30B0A500 02A0A2 059CF0002100 02A0A2 03F00000 0490A00000 0591A0105500 0591A0205500"
            "0592A0303C00 058001020300 02A0A2 05770010557F");
    DecoderFixture live, loaded;
    live.feed(stream);
    QVERIFY(DumpWriter::save(live.list.TraceListHead(), path("trip.dump")));
    loaded.feed(hex("0490001000"));  // replaced by the load
    QCOMPARE(load(loaded, path("trip.dump")), LoadResult::Ok);
    QCOMPARE(loaded.decoder.traceClock(), live.decoder.traceClock());
    QCOMPARE(loaded.decoder.frameCount(), 3);
    QCOMPARE(loaded.decoder.errorCount(), 1);
    QCOMPARE(serialized(loaded.list), read("trip.dump"));
    // The same rows, but for two things a file cannot keep: the check byte of a bad frame
    // comes back as 00, and the wrap before the start marker comes behind it, so the
    // START row's time becomes 0.
    const auto a = live.listRows();
    const auto b = loaded.listRows();
    QCOMPARE(b.size(), a.size());
    QCOMPARE(QByteArray(b.back()->infoText), QByteArray("#err [05,77,00,10,55,00]"));
    std::memcpy(b.back()->infoText, a.back()->infoText, sizeof a.back()->infoText);
    QCOMPARE(b[0]->slotTimes[0], 0);
    b[0]->slotTimes[0] = a[0]->slotTimes[0];
    for (std::size_t i = 0; i < a.size(); ++i) {
        QCOMPARE(std::memcmp(a[i], b[i], offsetof(TraceEntry, next)), 0);
    }
}

void TestDumpFiles::loadsWholeFramesOnly_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QByteArray>("saved");  // the loaded trace saved again
    const QByteArray lin = hex("0490010000 059101105500 059201202A00 059301309900");
    for (int start = ReceiveBuffer::kSize - 6; start <= ReceiveBuffer::kSize; ++start) {
        QTest::addRow("sync field at %d, across the block boundary", start)
            << lin.left(5) + QByteArray(start - 5, 0) + lin.mid(5) << 2 << lin;
    }
    QTest::newRow("empty file") << QByteArray() << 0 << QByteArray();
    const QByteArray wraps = hex(QByteArray("02A0A2").repeated(20000));  // two blocks
    QTest::newRow("wraps alone: one START row") << wraps << 1 << wraps;
    QTest::newRow("last frame cut short") << lin + hex("05910210") << 2 << lin;
}

void TestDumpFiles::loadsWholeFramesOnly() {
    QFETCH(QByteArray, file);
    QVERIFY(write("load.dump", file));
    DecoderFixture f;
    f.feed(hex("0490001000 059100205500 059200301000"));
    QCOMPARE(load(f, path("load.dump")), LoadResult::Ok);
    QTEST(int(f.listRows().size()), "rows");
    QTEST(serialized(f.list), "saved");
    QCOMPARE(f.buffer.carryOver, 0);
}

void TestDumpFiles::failedLoadsAreReportedAndOpenErrorKeepsTrace() {
    DecoderFixture f;
    f.feed(hex("0490001000"));
    QCOMPARE(load(f, path("missing.dump")), LoadResult::OpenError);
    QVERIFY(QDir(dir.path()).mkdir("folder.dump"));  // fopen takes a folder on Linux
    QCOMPARE(load(f, path("folder.dump")), LoadResult::OpenError);
    QCOMPARE(f.listRows().size(), std::size_t{2});  // the trace stays
    // This file opens, but its first read fails (EIO): a read error, not the end.
    QCOMPARE(load(f, "/proc/self/mem"), LoadResult::ReadError);
}

void TestDumpFiles::saveReplacesFileOnlyWhenWhollyWritten() {
    DecoderFixture f;
    f.feed(hex("0490001000"));
    QVERIFY(write("old.dump", QByteArray(1000, 'x')));
    QVERIFY(DumpWriter::save(f.list.TraceListHead(), path("old.dump")));
    QCOMPARE(read("old.dump"), hex("0490001000"));
    QVERIFY(!DumpWriter::save(f.list.TraceListHead(), path("missing/x.dump")));
    QVERIFY(QDir(dir.path()).mkpath("folder.dump/inner"));
    QVERIFY(!DumpWriter::save(f.list.TraceListHead(), path("folder.dump")));
    QVERIFY(QFileInfo::exists(dir.filePath("folder.dump/inner")));
    // A write-protected file is refused and kept (root may write anything: skip there).
    QVERIFY(write("locked.dump", "old"));
    QVERIFY(QFile::setPermissions(dir.filePath("locked.dump"), QFile::ReadOwner));
    if (geteuid() != 0) {
        QVERIFY(!DumpWriter::save(f.list.TraceListHead(), path("locked.dump")));
        QCOMPARE(read("locked.dump"), QByteArray("old"));
    }
    // Files may not grow past 4 KB in this process for a moment: the writes fail (EFBIG)
    // as on a full disk.
    f.feed(hex(QByteArray("0490010000 059101105500 059201201000").repeated(1000)));
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit small{4096, saved.rlim_max};
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool savedOk = DumpWriter::save(f.list.TraceListHead(), path("old.dump"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(!savedOk);
    QCOMPARE(read("old.dump"), hex("0490001000"));
    QVERIFY(QDir(dir.path()).entryList({"*.saving*"}).isEmpty());  // no temporary file left
}

void TestDumpFiles::saveWritesIntoAPipeInPlace() {
    DecoderFixture f;
    f.feed(hex("0490001000"));
    QVERIFY(mkfifo(path("pipe").c_str(), 0600) == 0);
    QByteArray received;
    std::thread reader([&] { received = read("pipe"); });
    const bool saved = DumpWriter::save(f.list.TraceListHead(), path("pipe"));
    reader.join();
    QVERIFY(saved);
    QCOMPARE(received, hex("0490001000"));
    QVERIFY(QFileInfo(dir.filePath("pipe")).exists() && !QFileInfo(dir.filePath("pipe")).isFile());
}

void TestDumpFiles::saveKeepsPermissionsAndLinks() {
    DecoderFixture f;
    f.feed(hex("0490001000"));
    QVERIFY(write("shared.dump", "old"));
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup;
    QVERIFY(QFile::setPermissions(dir.filePath("shared.dump"), mode));
    QVERIFY(QFile::link(dir.filePath("shared.dump"), dir.filePath("link.dump")));
    QVERIFY(DumpWriter::save(f.list.TraceListHead(), path("link.dump")));
    QVERIFY(QFileInfo(dir.filePath("link.dump")).isSymLink());  // the link stays a link
    QCOMPARE(read("shared.dump"), hex("0490001000"));
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    QCOMPARE(QFile::permissions(dir.filePath("shared.dump")) & others,
             QFile::ReadGroup | QFile::WriteGroup);  // a new file would not be group-writable
}

QTEST_GUILESS_MAIN(TestDumpFiles)
#include "tst_dumpfiles.moc"
