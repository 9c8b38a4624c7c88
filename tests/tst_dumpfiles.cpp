// Dump files: the bytes a trace is saved as, loading through the decoder in blocks,
// and saves that fail without harming the file already there. The profile replaces its
// file through the same SafeReplace (tst_profile: a new file on every save, failures).
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <optional>
#include <thread>

#include "DecoderFixture.h"
#include "files/DumpWriter.h"
#include "files/SafeReplace.h"
#include "files/TraceLoad.h"
#include "trace/RowFrames.h"

using namespace daridez;
using namespace daridez::test;

namespace {

QByteArray serialized(const TraceList& list) {
    std::vector<std::uint8_t> bytes;
    DumpWriter::serialize(list, bytes);
    return bytesOf(bytes.data(), bytes.size());
}

// What stands at the path a save is given.
enum class Target { File, TooBig, LinkToLinkToFile, WriteProtected, DanglingLink, Folder, Fifo };

// Saves frames (size bytes of them, about) as a dump. Returns whether it saved and sets
// what the file should then hold.
bool saveDump(const std::string& path, int size, QByteArray& expected) {
    expected = hex("0490010000").repeated(std::max(1, size / 5));
    DecoderFixture f;
    f.feed(expected);
    return DumpWriter::save(f.list, path);
}

// The permission bits, link-free.
unsigned modeOf(const QString& path) {
    struct stat info {};
    return ::stat(path.toLocal8Bit().constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

}  // namespace

class TestDumpFiles : public QObject {
    Q_OBJECT

  private slots:
    void init() { dir.emplace(); }

    void savesTraceByteForByte_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("the 29-byte example")
            << hex("02A0A2 04901234EE 0591124055EE 05921250C1EE 02A0A2 0593001005EE")
            << hex("02A0A2 0490123400 059112405500 05921250C100 02A0A2 059300100500");
        // A slot keeps 8 bytes of a bad frame, and none of one longer than 9 bytes.
        QTest::newRow("bad frames: the byte past a full slot and the check byte are 0")
            << hex("089001020304050607 0190 09900102030405060708 06A000000000FF FF" +
                   QByteArray("11").repeated(255) + "02A0A2")
            << hex("089001020304050600 0100 06A00000000000 02A0A2");
    }

    void savesTraceByteForByte() {
        QFETCH(QByteArray, stream);
        DecoderFixture f;
        f.feed(stream);
        QTEST(serialized(f.list), "file");
    }

    // The counters and clock after a load, and a saved load giving the same file: tst_daridezdump
    // and fuzz_loader.
    void roundTripGivesTheSameRows() {
        // Every kind of row: start marker, LIN frames of 1, 3 and 9 response bytes, wraps in
        // many places, zero filler, a device error, an overflow and bad frames.
        const QByteArray stream = hex(
            "02A0A2 058212340000 0490100000 02A0A2 059110105500 05921020C100 059310301100 00"
            "0490200000 059120105500 059220203C00 02A0A2 059320300100 059420400200 02A0A2"
            "05952050FE00 0000 0490300000 059130105500 059230208000 059330300900 059430400800"
            "059530500700 059630600600 059730700500 059830800400 059930900300 059A30A00200"
            "059B30B0A500 02A0A2 059CF0002100 02A0A2 03F00000 0490A00000 0591A0105500 0591A0205500"
            "0592A0303C00 058001020300 02A0A2 05770010557F");
        DecoderFixture live, loaded;
        live.feed(stream);
        QVERIFY(DumpWriter::save(live.list, path("trip.dump")));
        QCOMPARE(LoadTrace(loaded.session, path("trip.dump")), LoadResult::Ok);
        // The same rows, but for two things a file cannot keep: the check byte of a bad frame
        // comes back as 00, and the wrap before the start marker comes behind it, so the
        // START row's marker time becomes 0 (and the time the next row counts from when
        // re-rendered).
        const auto a = live.listRows(), b = loaded.listRows();
        QCOMPARE(b.size(), a.size());
        QCOMPARE(loaded.text(b.back(), Column::Info), QByteArray("#err [05,77,00,10,55,00]"));
        b.back()->opener[5] = a.back()->opener[5];
        QVERIFY(OpenerTime(*b[0]) == 0 && OpenerTime(*a[0]) == 0x10000);
        std::memcpy(b[0]->fields, a[0]->fields, sizeof a[0]->fields);
        b[0]->flags = a[0]->flags, b[1]->previousTime = a[1]->previousTime;
        for (std::size_t i = 0; i < a.size(); ++i)
            QCOMPARE(std::memcmp(a[i], b[i], sizeof(TraceEntry)), 0);
    }

    void loadsWholeFramesOnly_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QByteArray>("saved");  // the loaded trace saved again
        const QByteArray lin = hex("0490010000 059101105500 059201202A00 059301309900");
        for (int start = ReceiveBuffer::kSize - 6; start <= ReceiveBuffer::kSize; ++start)
            QTest::addRow("sync field at %d, across the block boundary", start)
                << lin.left(5) + QByteArray(start - 5, 0) + lin.mid(5) << 2 << lin;
        QTest::newRow("empty file") << QByteArray() << 0 << QByteArray();
        const QByteArray wraps = hex(QByteArray("02A0A2").repeated(20000));  // two blocks
        QTest::newRow("wraps alone: one START row") << wraps << 1 << wraps;
        QTest::newRow("last frame cut short") << lin + hex("05910210") << 2 << lin;
    }

    void loadsWholeFramesOnly() {
        QFETCH(QByteArray, file);
        QVERIFY(write("load.dump", file));
        DecoderFixture f;
        f.feed(hex("0490001000 059100205500 059200301000"));
        QCOMPARE(LoadTrace(f.session, path("load.dump")), LoadResult::Ok);
        QTEST(int(f.listRows().size()), "rows");
        QTEST(serialized(f.list), "saved");
        QCOMPARE(f.buffer.carryOver, 0);
    }

    void failedLoadsAreReportedAndOpenErrorKeepsTrace() {
        DecoderFixture f;
        f.feed(hex("0490001000"));
        QVERIFY(QDir(dir->path()).mkdir("folder.dump"));  // fopen takes a folder on Linux
        QCOMPARE(LoadTrace(f.session, path("folder.dump")), LoadResult::OpenError);
        QCOMPARE(f.listRows().size(), std::size_t{2});  // the trace stays
        // This file opens, but its first read fails (EIO): a read error, not the end.
        QCOMPARE(LoadTrace(f.session, "/proc/self/mem"), LoadResult::ReadError);
    }

    // Each target, saved to by the dump writer. The old file holds a profile; the new bytes
    // replace it whole, or it stays as it was. A file that may not grow past 4 KB for a
    // moment cuts the temporary file short (EFBIG, as on a full disk), which must never be
    // renamed into place. Both writers replace files through SafeReplace, so the profile
    // is tried on short writes only (and where it fails otherwise, in tst_profile). A missing
    // folder: tst_daridezdump (-o) for the dump, tst_profile's new file for the profile, which
    // makes it.
    void saveTargets_data() {
        QTest::addColumn<Target>("target");
        QTest::addColumn<bool>("saved");
        QTest::newRow("regular file, mode 0660 kept") << Target::File << true;
        QTest::newRow("a file that may not grow past 4 KB") << Target::TooBig << false;
        QTest::newRow("link to a link to the file") << Target::LinkToLinkToFile << true;
        QTest::newRow("write-protected file") << Target::WriteProtected << false;
        QTest::newRow("link to a file not there yet") << Target::DanglingLink << true;
        QTest::newRow("a folder, left as it is") << Target::Folder << false;
        QTest::newRow("fifo, written in place") << Target::Fifo << true;
    }

    void saveTargets() {
        QFETCH(Target, target);
        QFETCH(bool, saved);
        const QByteArray old = "[S]\nK=1\n";
        QString file = dir->filePath("file");  // what receives the bytes
        QString given = file;                  // what the save is given
        std::optional<QFile> reader;           // holds the old file open across the save
        const auto link = [&](const char* to, const char* name) {
            return ::symlink(to, dir->filePath(name).toLocal8Bit().constData()) == 0;
        };
        if (target <= Target::WriteProtected)  // 0444 refuses even root
            QVERIFY(write("file", old) &&
                    ::chmod(qPrintable(file), target == Target::WriteProtected ? 0444 : 0660) == 0);
        if (target == Target::LinkToLinkToFile || target == Target::DanglingLink) {
            const bool twice = target == Target::LinkToLinkToFile;
            QVERIFY(twice ? link("file", "inner") && link("inner", "outer")
                          : link("file", "outer"));
            given = dir->filePath("outer");
        }
        if (target == Target::File)
            QVERIFY(reader.emplace(file).open(QIODevice::ReadOnly));
        if (target == Target::Folder)
            QVERIFY(QDir(dir->path()).mkpath("file/inner"));
        if (target == Target::Fifo)
            QVERIFY(mkfifo(qPrintable(file), 0600) == 0);
        const unsigned modeBefore = modeOf(file);
        QByteArray received, expected;
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit small{4096, limit.rlim_max};
        auto* handler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(target != Target::TooBig || setrlimit(RLIMIT_FSIZE, &small) == 0);
        std::thread pipeReader;
        if (target == Target::Fifo)
            pipeReader = std::thread([&] { received = read("file"); });
        const bool ok = saveDump(given.toStdString(), 20000, expected);
        setrlimit(RLIMIT_FSIZE, &limit), std::signal(SIGXFSZ, handler);
        if (pipeReader.joinable())
            pipeReader.join();
        QCOMPARE(ok, saved);
        const QByteArray left = saved ? expected : target == Target::Folder ? "<none>" : old;
        QCOMPARE(target == Target::Fifo ? received : readFile(file), left);
        QVERIFY(target != Target::Fifo || (QFileInfo::exists(file) && !QFileInfo(file).isFile()));
        QVERIFY(modeBefore == 0 || modeOf(file) == modeBefore);
        if (reader)
            QCOMPARE(reader->readAll(), old);  // a reader keeps the whole old file
        QVERIFY(given == file || QFileInfo(given).isSymLink());  // links stay links
        QVERIFY(target != Target::LinkToLinkToFile ||
                QFileInfo(dir->filePath("inner")).isSymLink());
        QVERIFY(target != Target::Folder || QFileInfo::exists(file + "/inner"));
        const auto all = QDir::AllEntries | QDir::System | QDir::Hidden;
        const QStringList saving = QDir(dir->path()).entryList({"*.saving*"}, all);
        QVERIFY2(saving.isEmpty(), qPrintable(saving.join(' ')));
    }

    // The new bytes are on the disk before the new file takes the old one's name: a power
    // cut between the two leaves the old file, never an empty new one.
    void replacementSyncsClosesThenRenames() {
        struct NotedCalls : SafeReplace::DiskCalls {
            mutable QStringList noted;
            int sync(int fd) const override { return noted << "sync", DiskCalls::sync(fd); }
            int close(int fd) const override { return noted << "close", DiskCalls::close(fd); }
            bool rename(const std::string& from, const std::string& to) const override {
                return noted << "rename", DiskCalls::rename(from, to);
            }
        } calls;
        const QString path = dir->filePath("t.dump");
        QVERIFY(writeFile(path, "old"));
        SafeReplace out(path.toStdString(), calls);
        QVERIFY(out.open() && out.write("new", 3) && calls.noted.isEmpty() && out.commit());
        QCOMPARE(calls.noted, (QStringList{"sync", "close", "rename"}));
        QCOMPARE(readFile(path), QByteArray("new"));
    }

    void aFullDeviceFailsInPlace() {
        QByteArray expected;
        QVERIFY(!saveDump("/dev/full", 1, expected));
    }

  private:
    std::string path(const char* name) const { return dir->filePath(name).toStdString(); }
    bool write(const char* name, const QByteArray& bytes) const {
        return writeFile(dir->filePath(name), bytes);
    }
    QByteArray read(const char* name) const { return readFile(dir->filePath(name)); }

    std::optional<QTemporaryDir> dir;  // a fresh folder for each test and row
};

QTEST_GUILESS_MAIN(TestDumpFiles)
#include "tst_dumpfiles.moc"
