// The trace model: rows in blocks, time texts, the row budget. The texts of each row kind
// in each display mode: tst_columns.
#include <sys/resource.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DecoderFixture.h"
#include "trace/RowBudget.h"
#include "trace/RowFrames.h"
#include "trace/TimeFormat.h"
#include "trace/TraceList.h"

using namespace daridez;
using namespace daridez::test;

#if defined(__SANITIZE_ADDRESS__)
#define DARIDEZ_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DARIDEZ_ASAN
#endif
#endif

namespace {

constexpr quint64 kMiB = 1024 * 1024;
const QByteArray kHostileFrame = hex("0142");  // a two-byte bad frame: one row each

}  // namespace

class TestTraceList : public QObject {
    Q_OBJECT

  private slots:
    // The seconds are counted in 32 bits; the microseconds keep the sign.
    void timeText_data() {
        QTest::addColumn<qint64>("time");
        QTest::addColumn<QString>("text");
        for (const QString row :
             {"3723000001 01:02:03,000001", "59999999 00:00:59,999999",
              "3599999999 00:59:59,999999", "360000000000 100:00:00,000000",
              "4294967296 01:11:34,967296", "4294967295999999 1193046:28:15,999999",
              "4294967296000000 00:00:00,000000", "9223372036854775807 577014:32:22,775807",
              "-1 00:00:00,-000001", "-1500000 1193046:28:15,-500000",
              "-9223372036854775807 616031:55:54,-775807"})
            QTest::newRow(qPrintable(row))
                << row.section(' ', 0, 0).toLongLong() << row.section(' ', 1);
    }

    // The absolute text of a time, and the same after "+ " as the difference of two times.
    void timeText() {
        QFETCH(qint64, time);
        QFETCH(QString, text);
        char buffer[kTimeTextSize];
        FormatAbsoluteTime(buffer, time);
        QCOMPARE(QString::fromLatin1(buffer), text);
        const qint64 previous = time < 0 ? 5 : -5;
        FormatRelativeTime(buffer, previous, previous + time);
        QCOMPARE(QString::fromLatin1(buffer), "+ " + text);
    }

    // Rows fill block after block and never move; they come back in creation order,
    // with their numbers and colours, and freeing from the head returns whole blocks.
    // Slots past the last are ignored. What a slot keeps of a frame shows in
    // tst_dumpfiles, rows not made without memory in tst_tracecontroller.
    void rowsStayInPlaceInCreationOrder() {
        TraceList list;
        const RowColours colours{0x123456, 0x654321};
        const auto rows = static_cast<std::int32_t>(TraceList::kBlockRows) * 2 + 3;
        std::vector<TraceEntry*> made;
        for (std::int32_t n = 0; n < rows; ++n)
            made.push_back(list.CreateEntry(n == 0 ? INT32_MIN : n, n * 10, 0, colours));
        std::int32_t n = 0;
        for (const TraceEntry& row : list) {
            QVERIFY(&row == made[n] && row.time == n * 10 && row.backColour == 0x123456 &&
                    row.textColour == 0x654321);
            QCOMPARE(row.previousTime, n == 0 ? 0 : (n - 1) * 10);
            ++n;
        }
        QVERIFY(n == rows && list.lastRow() == made.back() && made[0]->number == INT32_MIN);
        const TraceEntry before = *made[5];
        CountWrap(made[5], kSlotCount);
        QCOMPARE(std::memcmp(&before, made[5], sizeof before), 0);
        // A log's notes of the rows freed from the head go with them.
        const std::int64_t headTime = (TraceList::kBlockRows + 1) * 10;
        for (std::int64_t time : {std::int64_t{10}, headTime - 10, headTime, headTime + 10})
            list.notes().add(RowNotes::Note{time, RowNotes::Kind::BusEvent, 0, "Wake-up", ""});
        list.FreeRowsBefore(made[TraceList::kBlockRows + 1]);
        QVERIFY(list.TraceListHead() == made[TraceList::kBlockRows + 1] &&
                list.rowCount() == TraceList::kBlockRows + 2 &&
                list.headSerial() == TraceList::kBlockRows + 1);
        QCOMPARE(list.notes().size(), 2u);
        QCOMPARE(list.headBlockRows(), TraceList::kBlockRows - 1);
        list.dropOldestBlock();
        QVERIFY(list.TraceListHead() == made[2 * TraceList::kBlockRows] && list.rowCount() == 3);
        // Rows made after the head was freed follow the last row, into a new block.
        for (std::int32_t k = 0; k < static_cast<std::int32_t>(TraceList::kBlockRows); ++k)
            made.push_back(list.CreateEntry(rows + k, (rows + k) * 10, 0, colours));
        n = 2 * static_cast<std::int32_t>(TraceList::kBlockRows);
        for (const TraceEntry& row : list) {
            QVERIFY(&row == made[n] && row.time == n * 10);
            QCOMPARE(row.previousTime, (n - 1) * 10);
            ++n;
        }
        QCOMPARE(n, static_cast<std::int32_t>(made.size()));
        QCOMPARE(list.notes().size(), 0u);  // all before the head
        list.notes().add(RowNotes::Note{headTime, RowNotes::Kind::BusEvent, 0, "Sleep", ""});
        list.FreeTraceList();
        QVERIFY(list.notes().empty());
    }

    // A row starts blank whatever its memory held before: no frame, wrap or flag of an
    // earlier row shows through.
    void newRowsAreBlankInUsedMemory() {
        TraceList list;
        list.setAllocator(
            [](std::size_t size, void*) {
                void* memory = std::malloc(size);
                return memory != nullptr ? std::memset(memory, 0xA5, size) : nullptr;
            },
            nullptr);
        const TraceEntry* row = list.CreateEntry(7, 100, 40, RowColours{});
        QVERIFY(row != nullptr);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(row->wrapCounts);
        const auto* end = &row->flags + 1;  // the padding behind may hold anything
        QVERIFY(std::all_of(bytes, end, [](std::uint8_t byte) { return byte == 0; }));
        QVERIFY(row->time == 100 && row->relativeBase == 40 && row->previousTime == 0 &&
                row->number == 7 && row->generation == 0);
    }

    // Rows: the files made ("name=content", ";" between files; meminfo, cgroup for
    // /proc/self/cgroup, fs/ for the cgroup file system), the address-space limit, the
    // memory expected.
    void availableMemoryIsTheSmallestKnownLimit_data() {
        QTest::addColumn<QString>("files");
        QTest::addColumn<quint64>("rlimit");
        QTest::addColumn<quint64>("memory");
        // Files that begin with cgroup come with 8 GB available in meminfo.
        const auto add = [](const char* name, quint64 rlimit, quint64 memory, QString files) {
            if (files.startsWith("cgroup"))
                files.prepend(
                    "meminfo=MemTotal: 9000000 kB\nMemAvailable:  8388608 kB\nSwap: 1 kB\n;");
            QTest::newRow(name) << files << rlimit << memory;
        };
        const quint64 none = kNoLimit;
        add("MemAvailable", none, 8192 * kMiB, "cgroup=0::/a/b\n");
        add("v2 group", none, 300,
            "cgroup=0::/a/b\n;fs/a/b/memory.max=300\n;fs/a/memory.max=max\n");
        add("v2 parent, group max", none, 1024 * kMiB,
            "cgroup=0::/a/b\n;fs/a/b/memory.max=max\n;fs/a/memory.max=1073741824\n;"
            "fs/memory.max=2147483648\n");
        add("v2 namespace root", none, 4096, "cgroup=0::/\n;fs/memory.max=4096");
        add("v1 memory, huge = none", none, 256 * kMiB,
            "cgroup=5:cpu:/c\n4:memory:/x/y\n0::/\n;"
            "fs/memory/x/y/memory.limit_in_bytes=9223372036854771712\n;"
            "fs/memory/x/memory.limit_in_bytes=268435456\n;fs/x/y/memory.max=1");
        add("v2 smaller before v1", none, 1000,
            "cgroup=0::/a\n4:memory:/x\n;fs/a/memory.max=1000\n;"
            "fs/memory/x/memory.limit_in_bytes=5000\n");
        add("v1 among controllers", none, 5000,
            "cgroup=3:cpu,memory:/x\n;fs/memory/x/memory.limit_in_bytes=5000\n");
        add("v1 reads limit_in_bytes only", none, 8192 * kMiB,
            "cgroup=4:memory:/x\n;fs/memory/x/memory.max=5000\n");
        add("rlimit", 300 * kMiB, 300 * kMiB, "cgroup=0::/a\n;fs/a/memory.max=2147483648");
        add("nothing there", none, none, "");
        add("garbage ignored", none, none,
            "meminfo=MemAvailable: lots kB\n;cgroup=0::/a\n4:memory:/a\nrubbish\n;"
            "fs/a/memory.max=12ab\n;fs/memory.max=\n;fs/memory/a/memory.limit_in_bytes=-1\n;"
            "fs/memory/memory.limit_in_bytes=99999999999999999999\n");
        add("MemAvailable in bytes, MemFree only", 5 * kMiB, 5 * kMiB,
            "meminfo=MemFree: 100 kB\nMemAvailable: 4096\n");
    }

    void availableMemoryIsTheSmallestKnownLimit() {
        QFETCH(QString, files);
        QFETCH(quint64, rlimit);
        QTemporaryDir dir;
        for (const QString& file : files.split(';', Qt::SkipEmptyParts)) {
            const QString path = dir.filePath(file.section('=', 0, 0));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) &&
                    writeFile(path, file.section('=', 1).toLatin1()));
        }
        const auto at = [&](const char* name) { return dir.filePath(name).toStdString(); };
        const MemorySources sources{at("meminfo"), at("cgroup"), at("fs"), rlimit};
        QTEST(quint64(AvailableMemory(sources)), "memory");
        QCOMPARE(ChooseRowBudget(0, sources), RowsForMemory(AvailableMemory(sources)));
        QCOMPARE(ChooseRowBudget(1234, sources), 1234u);  // a configured budget wins
    }

    // A stream of two-byte bad frames makes a row per two bytes. A reader that frees the
    // rows it has printed keeps a handful, however long the stream; past the row budget the
    // rows made stay and the shortage is said once (tst_tracecontroller's row-shortage row
    // does the same for memory that runs out).
    void freeingRowsFromTheHeadMakesRoomUnderTheBudget() {
        DecoderFixture f;
        f.list.setRowBudget(100);
        for (int round = 0; round < 50; ++round) {
            f.feed(kHostileFrame.repeated(60));
            // The last row stays: the decoder links the next one behind it.
            f.list.FreeRowsBefore(f.decoder.currentEntry());
            QVERIFY(f.list.rowCount() == 1 && f.list.TraceListHead() == f.decoder.currentEntry());
        }
        QVERIFY(!f.decoder.takeOutOfMemory());
        f.feed(kHostileFrame.repeated(150));
        const auto rows = f.listRows();
        QVERIFY(f.list.rowCount() == 100 && rows.size() == 100 && f.decoder.takeOutOfMemory());
        f.list.FreeRowsBefore(rows[40]);
        QVERIFY(f.list.rowCount() == 60 && f.listRows().front() == rows[40]);
        QCOMPARE(rows[40]->number, 3040);
        // The frames that found no room are lost; rows are made again from the next frame
        // that opens one of its own, a break, and numbered on from the last one made.
        f.feed(hex("0490010000") + kHostileFrame.repeated(50));
        QVERIFY(f.list.rowCount() == 100 && f.decoder.takeOutOfMemory());
        QCOMPARE(f.decoder.currentEntry()->number, 3139);
        // A cleared list takes rows again, up to the budget.
        f.list.FreeTraceList(), f.decoder.ResetDecoder();
        QCOMPARE(f.list.rowCount(), 0u);
        f.feed(kHostileFrame.repeated(150));
        QVERIFY(f.list.rowCount() == 100 && f.decoder.takeOutOfMemory());
        QCOMPARE(f.text(f.listRows().back(), Column::MsgNr), "99");
        // A row the view cannot take is a shortage the same way.
        f.list.FreeTraceList(), f.decoder.ResetDecoder();
        f.sink.clearRows(), f.sink.refusing = true;
        f.feed(kHostileFrame);
        QVERIFY(f.sink.rows.empty() && f.decoder.takeOutOfMemory());
    }

    // The rest of the program keeps a quarter, and never less than 128 MB unless that would
    // leave the rows less than half.
    void rowsGetWhatTheRestOfTheProgramLeaves() {
        QCOMPARE(RowsForMemory(kNoLimit), kNoLimit);
        QCOMPARE(RowsForMemory(4096 * kMiB), 3072 * kMiB / kRowCost);
        QCOMPARE(RowsForMemory(300 * kMiB), 172 * kMiB / kRowCost);
        QCOMPARE(RowsForMemory(100 * kMiB), 50 * kMiB / kRowCost);
    }

    // As under "ulimit -v 300000": the rows of a 20 MB file would need 7 GB when the whole
    // trace is kept (--refresh). Whether the budget stops them or an allocation fails, the
    // tool ends with the message, not killed.
    void dumpToolEndsAHostileFileAsOutOfMemoryUnderAnAddressSpaceLimit() {
#ifdef DARIDEZ_ASAN
        QSKIP("AddressSanitizer's shadow memory alone is more address space than the limit");
#endif
        QTemporaryDir dir;
        const QString file = dir.filePath("hostile.dump");
        QVERIFY(writeFile(file, kHostileFrame.repeated(10 << 20)));
        QProcess process;
        static constexpr rlimit kLimit{300 * kMiB, 300 * kMiB};
        process.setChildProcessModifier([] { ::setrlimit(RLIMIT_AS, &kLimit); });
        process.start(QStringLiteral(DARIDEZ_DUMP_PATH), {"--refresh", file});
        QVERIFY(process.waitForFinished(120000));
        // A normal exit with status 1, the message on stderr and nothing on stdout.
        QCOMPARE(QString("%1 %2 ").arg(int(process.exitStatus())).arg(process.exitCode()) +
                     process.readAllStandardError() + process.readAllStandardOutput(),
                 "0 1 Running out of memory...\n");
    }
};

QTEST_GUILESS_MAIN(TestTraceList)
#include "tst_tracelist.moc"
