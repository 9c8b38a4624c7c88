// The trace model and its text forms: rows, the list, time texts, refreshes, the row budget.
#include <sys/resource.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstring>

#include "DecoderFixture.h"
#include "trace/RowBudget.h"
#include "trace/TextRefresh.h"
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

    // Numbers at the ends of their range, and slots past 11 ignored. What a slot keeps of a
    // frame shows in tst_dumpfiles, rows not made without memory in tst_tracecontroller.
    void rowsAreLinkedInCreationOrder() {
        TraceList list;
        const RowColours colours{0x123456, 0x654321};
        TraceEntry* first = list.CreateEntry(nullptr, INT32_MIN, 0, colours);
        TraceEntry* second = list.CreateEntryRelative(first, INT32_MAX, 1000, 5660, colours);
        QVERIFY(list.TraceListHead() == first && first->next == second);
        QCOMPARE(QByteArray(first->numberText) + " " + second->numberText + " " + second->timeText,
                 QByteArray("-2147483648 2147483647 + 00:00:00,004660"));
        const TraceEntry before = *second;
        const std::uint8_t frame[5] = {4, 1, 2, 3, 4};
        StoreFrame(second, 12, frame, 5, 99);
        QCOMPARE(std::memcmp(&before, second, sizeof before), 0);
    }

    // Identifier and data texts, the START row's left empty, the ninth byte too. The time
    // texts: tst_maindialog's right-clicks and tst_daridezdump's --refresh row.
    void refreshRendersEveryRowInTheNewMode() {
        DecoderFixture f;
        f.feed(
            hex("0490300000 059130105500 05923020C100 059330300100 059430400200 059530500300"
                "059630600400 059730700500 059830800600 059930900700 059A30A00800 059B30B00200"
                "0490400000"));
        const auto rows = f.listRows();
        const auto texts = [&] {
            return QByteArray(rows[0]->idText) + rows[0]->byteTexts[0] + rows[1]->idText +
                   rows[1]->byteTexts[0] + rows[1]->byteTexts[8];
        };
        for (bool mode : {false, true, false})
            RefreshIdTexts(f.list, mode), RefreshByteTexts(f.list, mode);
        QCOMPARE(texts(), QByteArray("(01)001002"));
        RefreshIdTexts(f.list, true), RefreshByteTexts(f.list, true);
        QCOMPARE(texts(), QByteArray("[C1]01h02h"));
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
        QCOMPARE(QByteArray(f.listRows().back()->numberText), "99");
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
