// Dump files: the bytes a trace is saved as, loading through the decoder in blocks,
// and saves that fail without harming the file already there.
#include <sys/resource.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <random>

#include "DecoderFixture.h"
#include "files/DumpLoader.h"
#include "files/DumpWriter.h"

using namespace daridez;
using namespace daridez::test;

namespace {

QByteArray serialized(const TraceList& list) {
    std::vector<std::uint8_t> bytes;
    DumpWriter::serialize(list.TraceListHead(), bytes);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Loads path into the fixture as "load trace" does: a fresh trace, then the file.
LoadResult load(DecoderFixture& f, const QString& path) {
    DumpLoader loader(f.decoder, f.buffer);
    if (!loader.open(path.toStdString())) {
        return LoadResult::OpenError;
    }
    f.list.FreeTraceList();
    f.decoder.ResetDecoder();
    const LoadResult result = loader.loadAll();
    if (result == LoadResult::Ok) {
        [&] { QCOMPARE(loader.bytesRead(), loader.fileSize()); }();
    }
    return result;
}

// Everything a row shows and keeps, apart from its link.
void compareRows(const TraceEntry* a, const TraceEntry* b) {
    QCOMPARE(std::memcmp(a, b, offsetof(TraceEntry, next)), 0);
}

// A trace with every kind of row: a start marker, LIN frames of 1 to 9 response bytes,
// timer wraps in many places, zero filler, device errors, an overflow, bad frames
// (with check byte 0, which is what a file keeps of them).
QByteArray richStream() {
    QByteArray s = startMarker(0x1234) + wrapFrame();
    int stamp = 0x0100;
    for (int n = 1; n <= 9; ++n) {
        std::vector<int> bytes;
        for (int i = 0; i < n; ++i) {
            bytes.push_back((n * 37 + i * 11) & 0xFF);
        }
        s += linFrame(stamp, 0x40 + n, bytes);
        if (n % 3 == 0) {
            s += wrapFrame() + QByteArray(2, '\0');
        }
        stamp += 0x1800;
    }
    s += deviceError(0x9000, 0x21) + wrapFrame() + wrapFrame();
    s += frameBytes({0x03, 0xF0, 0x00, 0x00});
    s += breakFrame(0xA000) + syncFrame(0xA010) + syncFrame(0xA020) + idFrame(0xA030, 0x3C);
    s += frameBytes({0x05, 0x80, 0x01, 0x02, 0x03, 0x00});
    s += linFrame(0xB000, 0xC1, {1, 2}) + wrapFrame();
    return s;
}

}  // namespace

class TestDumpFiles : public QObject {
    Q_OBJECT

  private slots:
    void init() { QVERIFY(dir.isValid()); }
    void savesTheExampleTraceByteForByte();
    void longBadFrameIsWrittenWithoutReadingPastItsSlot();
    void roundTripGivesTheSameRows_data();
    void roundTripGivesTheSameRows();
    void badFrameComesBackWithCheckByteZero();
    void wrapsBeforeStartMarkerComeBackBehindIt();
    void frameStraddlingBlockBoundaryIsDecodedOnce_data();
    void frameStraddlingBlockBoundaryIsDecodedOnce();
    void emptyFileLeavesTraceEmpty();
    void onlyTimerWrapsLoadAsOneStartRow();
    void truncatedLastFrameIsDropped();
    void garbageWithLongLengthBytesLoadsToTheEnd();
    void missingFileIsOpenError();
    void readErrorIsReported();
    void stoppedLoadKeepsRowsAndIsCancelled();
    void saveReplacesExistingFile();
    void saveIntoMissingFolderFails();
    void saveOverFolderFailsAndLeavesNothing();
    void failedWriteLeavesOldFileAsItWas();

  private:
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList leftovers() const { return QDir(dir.path()).entryList({"*.saving*"}); }

    QTemporaryDir dir;
};

void TestDumpFiles::savesTheExampleTraceByteForByte() {
    DecoderFixture f;
    f.feed(wrapFrame() + frameBytes({0x04, 0x90, 0x12, 0x34, 0xEE}) +
           frameBytes({0x05, 0x91, 0x12, 0x40, 0x55, 0xEE}) +
           frameBytes({0x05, 0x92, 0x12, 0x50, 0xC1, 0xEE}) + wrapFrame() +
           frameBytes({0x05, 0x93, 0x00, 0x10, 0x05, 0xEE}));
    const QByteArray expected = QByteArray::fromHex(
        "02A0A2"
        "0490123400"
        "059112405500"
        "05921250C100"
        "02A0A2"
        "059300100500");
    QCOMPARE(expected.size(), 29);
    QCOMPARE(serialized(f.list), expected);
    QVERIFY(DumpWriter::save(f.list.TraceListHead(), path("example.dump").toStdString()));
    QCOMPARE(readFile(path("example.dump")), expected);
    QVERIFY(leftovers().isEmpty());
}

void TestDumpFiles::longBadFrameIsWrittenWithoutReadingPastItsSlot() {
    DecoderFixture f;
    f.feed(QByteArray::fromHex("089001020304050607") + QByteArray::fromHex("0190") + wrapFrame());
    // Slot 0 keeps 8 bytes of the 9: the missing one is written as 0.
    QCOMPARE(serialized(f.list), QByteArray::fromHex("089001020304050600"
                                                     "0100"
                                                     "02A0A2"));
}

void TestDumpFiles::roundTripGivesTheSameRows_data() {
    QTest::addColumn<bool>("relative");
    QTest::addColumn<bool>("protectedId");
    QTest::addColumn<bool>("hex");
    QTest::newRow("start-up modes") << true << true << true;
    QTest::newRow("absolute, (id), decimal") << false << false << false;
}

void TestDumpFiles::roundTripGivesTheSameRows() {
    QFETCH(bool, relative);
    QFETCH(bool, protectedId);
    QFETCH(bool, hex);
    DecoderFixture live;
    live.modes = DisplayModes{relative, protectedId, hex};
    live.feed(richStream());
    QVERIFY(DumpWriter::save(live.list.TraceListHead(), path("trip.dump").toStdString()));

    DecoderFixture loaded;
    loaded.modes = live.modes;
    loaded.feed(linFrame(0x10, 0x10, {1}));  // replaced by the load
    QCOMPARE(load(loaded, path("trip.dump")), LoadResult::Ok);
    const auto a = live.listRows();
    const auto b = loaded.listRows();
    QCOMPARE(b.size(), a.size());
    QCOMPARE(loaded.sink.rows.size(), 2 + a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        compareRows(a[i], b[i]);
    }
    QCOMPARE(loaded.decoder.traceClock(), live.decoder.traceClock());
    QCOMPARE(loaded.decoder.frameCount(), live.decoder.frameCount());
    QCOMPARE(loaded.decoder.errorCount(), 1);
    QCOMPARE(loaded.buffer.carryOver, 0);
    // Saving the loaded trace again gives the same file.
    QCOMPARE(serialized(loaded.list), readFile(path("trip.dump")));
}

void TestDumpFiles::badFrameComesBackWithCheckByteZero() {
    DecoderFixture live;
    live.feed(frameBytes({0x05, 0x91, 0x00, 0x10, 0x55, 0x7F}));
    QCOMPARE(text(live.listRows()[1]->infoText), QString("#err [05,91,00,10,55,7F]"));
    QVERIFY(DumpWriter::save(live.list.TraceListHead(), path("bad.dump").toStdString()));
    DecoderFixture loaded;
    QCOMPARE(load(loaded, path("bad.dump")), LoadResult::Ok);
    QCOMPARE(text(loaded.listRows()[1]->infoText), QString("#err [05,91,00,10,55,00]"));
}

void TestDumpFiles::wrapsBeforeStartMarkerComeBackBehindIt() {
    DecoderFixture live;
    live.feed(wrapFrame() + startMarker(9) + breakFrame(0x20));
    QCOMPARE(live.listRows()[0]->slotTimes[0], 0x10000);
    QVERIFY(DumpWriter::save(live.list.TraceListHead(), path("marker.dump").toStdString()));
    QCOMPARE(readFile(path("marker.dump")), QByteArray::fromHex("058200090000"
                                                                "02A0A2"
                                                                "0490002000"));
    DecoderFixture loaded;
    QCOMPARE(load(loaded, path("marker.dump")), LoadResult::Ok);
    const auto rows = loaded.listRows();
    QCOMPARE(text(rows[0]->infoText), QString("START (9)"));
    QCOMPARE(rows[0]->slotTimes[0], 0);
    QCOMPARE(rows[1]->slotTimes[0], 0x10020);
}

void TestDumpFiles::frameStraddlingBlockBoundaryIsDecodedOnce_data() {
    QTest::addColumn<int>("syncStart");
    for (int start = ReceiveBuffer::kSize - 6; start <= ReceiveBuffer::kSize; ++start) {
        QTest::addRow("sync at %d", start) << start;
    }
}

void TestDumpFiles::frameStraddlingBlockBoundaryIsDecodedOnce() {
    QFETCH(int, syncStart);
    QByteArray bytes = breakFrame(0x100);
    bytes += QByteArray(syncStart - bytes.size(), '\0');
    bytes += syncFrame(0x110) + idFrame(0x120, 0x2A) + byteFrame(1, 0x130, 0x99);
    QVERIFY(writeFile(path("straddle.dump"), bytes));
    DecoderFixture f;
    QCOMPARE(load(f, path("straddle.dump")), LoadResult::Ok);
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{2});
    QCOMPARE(text(rows[1]->syncText), QString("55"));
    QCOMPARE(text(rows[1]->idText), QString("[2A]"));
    QCOMPARE(text(rows[1]->byteTexts[0]), QString("99h"));
    QCOMPARE(f.decoder.frameCount(), 1);
}

void TestDumpFiles::emptyFileLeavesTraceEmpty() {
    QVERIFY(writeFile(path("empty.dump"), QByteArray()));
    DecoderFixture f;
    f.feed(linFrame(0x10, 0x10, {1}));
    QCOMPARE(load(f, path("empty.dump")), LoadResult::Ok);
    QCOMPARE(f.list.TraceListHead(), nullptr);
    QCOMPARE(f.decoder.frameCount(), 0);
}

void TestDumpFiles::onlyTimerWrapsLoadAsOneStartRow() {
    QByteArray bytes;
    for (int i = 0; i < 20000; ++i) {  // 60,000 bytes: two blocks
        bytes += wrapFrame();
    }
    QVERIFY(writeFile(path("wraps.dump"), bytes));
    DecoderFixture f;
    QCOMPARE(load(f, path("wraps.dump")), LoadResult::Ok);
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{1});
    QCOMPARE(text(rows[0]->infoText), QString("START"));
    QCOMPARE(rows[0]->wrapCounts[0], 20000u);
    QCOMPARE(f.decoder.traceClock(), std::int64_t{20000} * 65536);
    QCOMPARE(serialized(f.list), bytes);
}

void TestDumpFiles::truncatedLastFrameIsDropped() {
    const QByteArray whole = linFrame(0x100, 0x11, {1, 2}) + breakFrame(0x200);
    QVERIFY(writeFile(path("cut.dump"), whole + syncFrame(0x210).left(4)));
    DecoderFixture f;
    QCOMPARE(load(f, path("cut.dump")), LoadResult::Ok);
    QCOMPARE(f.buffer.carryOver, 0);
    const auto rows = f.listRows();
    QCOMPARE(rows.size(), std::size_t{3});
    QCOMPARE(text(rows[2]->infoText), QString("Break"));
    QCOMPARE(text(rows[2]->syncText), QString());
    QCOMPARE(serialized(f.list), whole);
}

void TestDumpFiles::garbageWithLongLengthBytesLoadsToTheEnd() {
    std::mt19937 random(2024);
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i) {
        bytes += static_cast<char>(random() & 0xFF);
    }
    // Any frame begun in the garbage ends within these zeros; the rest are skipped.
    bytes += QByteArray(256, '\0') + breakFrame(0x4242);
    QVERIFY(writeFile(path("garbage.dump"), bytes));
    DecoderFixture f;
    QCOMPARE(load(f, path("garbage.dump")), LoadResult::Ok);
    const auto rows = f.listRows();
    QVERIFY(rows.size() > 100);
    QCOMPARE(text(rows.back()->infoText), QString("Break"));
    QCOMPARE(rows.back()->slotTimes[0] & 0xFFFF, 0x4242);
    for (const TraceEntry* row : rows) {
        QVERIFY(std::memchr(row->infoText, '\0', sizeof row->infoText) != nullptr);
    }
}

void TestDumpFiles::missingFileIsOpenError() {
    DecoderFixture f;
    f.feed(linFrame(0x10, 0x10, {1}));
    QCOMPARE(load(f, path("no such file.dump")), LoadResult::OpenError);
    QCOMPARE(f.listRows().size(), std::size_t{2});
}

void TestDumpFiles::readErrorIsReported() {
    // A folder opens for reading on this system, but reading it fails.
    QVERIFY(QDir(dir.path()).mkdir("folder.dump"));
    DecoderFixture f;
    QCOMPARE(load(f, path("folder.dump")), LoadResult::ReadError);
    QCOMPARE(f.buffer.carryOver, 0);
}

void TestDumpFiles::stoppedLoadKeepsRowsAndIsCancelled() {
    QByteArray bytes;
    while (bytes.size() < 3 * ReceiveBuffer::kSize) {
        bytes += linFrame(0x100, 0x22, {1, 2, 3, 4});
    }
    QVERIFY(writeFile(path("long.dump"), bytes));
    DecoderFixture f;
    DumpLoader loader(f.decoder, f.buffer);
    QVERIFY(loader.open(path("long.dump").toStdString()));
    QCOMPARE(loader.fileSize(), std::uint64_t(bytes.size()));
    QVERIFY(loader.step());
    QCOMPARE(loader.bytesRead(), std::uint64_t(ReceiveBuffer::kSize));
    // The first block holds every break that ends within it; a cut sync field waits.
    const int linSize = static_cast<int>(linFrame(0x100, 0x22, {1, 2, 3, 4}).size());
    const int breaks = (ReceiveBuffer::kSize - 5) / linSize + 1;
    QVERIFY(f.buffer.carryOver > 0);
    const std::size_t rows = f.listRows().size();
    QCOMPARE(rows, std::size_t(1 + breaks));
    QCOMPARE(loader.finish(), LoadResult::Cancelled);
    QCOMPARE(f.buffer.carryOver, 0);
    QCOMPARE(f.listRows().size(), rows);
    QVERIFY(!loader.step());
}

void TestDumpFiles::saveReplacesExistingFile() {
    QVERIFY(writeFile(path("old.dump"), QByteArray(1000, 'x')));
    DecoderFixture f;
    f.feed(breakFrame(0x10));
    QVERIFY(DumpWriter::save(f.list.TraceListHead(), path("old.dump").toStdString()));
    QCOMPARE(readFile(path("old.dump")), QByteArray::fromHex("0490001000"));
    QVERIFY(leftovers().isEmpty());
}

void TestDumpFiles::saveIntoMissingFolderFails() {
    DecoderFixture f;
    f.feed(breakFrame(0x10));
    QVERIFY(!DumpWriter::save(f.list.TraceListHead(), path("missing/x.dump").toStdString()));
    QVERIFY(!QFile::exists(path("missing")));
}

void TestDumpFiles::saveOverFolderFailsAndLeavesNothing() {
    QVERIFY(QDir(dir.path()).mkpath("target.dump/inner"));
    DecoderFixture f;
    f.feed(breakFrame(0x10));
    QVERIFY(!DumpWriter::save(f.list.TraceListHead(), path("target.dump").toStdString()));
    QVERIFY(QFileInfo(path("target.dump/inner")).isDir());
    QVERIFY(leftovers().isEmpty());
}

void TestDumpFiles::failedWriteLeavesOldFileAsItWas() {
    const QByteArray old(500, 'o');
    QVERIFY(writeFile(path("kept.dump"), old));
    DecoderFixture f;
    QByteArray stream;
    for (int i = 0; i < 2000; ++i) {
        stream += linFrame(0x100, 0x10, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    }
    f.feed(stream);
    // Files may not grow past 4 KB in this process for a moment: the writes fail
    // (EFBIG) as on a full disk.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = DumpWriter::save(f.list.TraceListHead(), path("kept.dump").toStdString());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(!saved_ok);
    QCOMPARE(readFile(path("kept.dump")), old);
    QVERIFY(leftovers().isEmpty());
}

QTEST_GUILESS_MAIN(TestDumpFiles)
#include "tst_dumpfiles.moc"
