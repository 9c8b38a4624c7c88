// The line-preserving profile document: read once, edited in memory, saved once. The
// places it saves to are tried in tst_dumpfiles, beside the dump writer.
#include <sys/stat.h>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "DecoderFixture.h"
#include "serial/Profile.h"
#include "serial/SerialSettings.h"

using namespace daridez;
using namespace daridez::test;
using namespace Qt::StringLiterals;

namespace {

// The identity of the file at path: a replacement makes a new one.
ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(path.toLocal8Bit().constData(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

class TestProfile : public QObject {
    Q_OBJECT
    std::optional<QTemporaryDir> dir_;  // a fresh folder for each test and row
    QString path_;

  private slots:
    void init() { path_ = dir_.emplace().filePath("daridez.ini"); }

    // Each row reads K of section S (default -1), then writes K=3, reads it back and saves.
    void keyReadsAsItsLeadingIntegerAndWritesOnlyItsLine_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("read");
        QTest::addColumn<QByteArray>("after");
        auto row = [](const char* name, const char* before, int read,
                      const char* after = "[S]\nK=3\n") {
            QTest::newRow(name) << QByteArray(before) << read << QByteArray(after);
        };
        row("no file, nor its folder", nullptr, -1);
        row("no such section: new one at the end", "[O]\nK=1\n; c", -1,
            "[O]\nK=1\n; c\n\n[S]\nK=3\n");
        row("no such key: it ends its section", "[S]\nP=0\n\n[O]\nK=1\n", -1,
            "[S]\nP=0\nK=3\n\n[O]\nK=1\n");
        row("commented-out key is no key", "[S]\n;K=1\n", -1, "[S]\n;K=1\nK=3\n");
        row("names ignore case, keep spelling", "[s]\nk=1\n", 1, "[s]\nk=3\n");
        row("first of two equal keys", "[S]\nK=1\nK=4\n", 1, "[S]\nK=3\nK=4\n");
        row("other lines and spacing kept", "; c\n[S]\n# c\nK =  12abc \nU=x\n", 12,
            "; c\n[S]\n# c\nK =  3\nU=x\n");
        row("CR LF on a new line", "[S]\r\nP=1\r\n", -1, "[S]\r\nP=1\r\nK=3\r\n");
        row("CR LF, last line unended", "[S]\r\nP=1", -1, "[S]\r\nP=1\r\nK=3\r\n");
        row("key on the unended last line", "[S]\nK=1", 1, "[S]\nK=3");
        row("empty value: spacing kept", "[S]\nK =  \n", -1, "[S]\nK =  3\n");
        // Other lines and line ends kept as they were: fuzz_profile. Values read as their leading
        // integer, or the default; a value of blanks keeps them.
        for (const QString value : {"=-1", " \t =-1", "abc=0", "12abc=12", "+7=7", "- 5=0",
                                    "0x10=0", "4294967295=-1", "3.9=3", "\"5\"=0"}) {
            const QByteArray text = value.section('=', 0, 0).toLatin1();
            QTest::newRow("value " + text)
                << "[S]\r\nK=" + text + "\r\n"
                << value.section('=', 1).toInt()
                << "[S]\r\nK=" + (text.trimmed().isEmpty() ? text : "") + "3\r\n";
        }
    }

    void keyReadsAsItsLeadingIntegerAndWritesOnlyItsLine() {
        QFETCH(QByteArray, before);
        QFETCH(int, read);
        const QString path = before.isNull() ? dir_->filePath("new/daridez.ini") : path_;
        QVERIFY(before.isNull() || writeFile(path, before));
        Profile profile(path.toStdString());
        QCOMPARE(QByteArray::fromStdString(profile.text()), before);  // untouched, byte for byte
        QCOMPARE(profile.GetProfileInt("S", "K", -1), read);
        QCOMPARE(Profile::fromText(before.toStdString()).GetProfileInt("S", "K", -1), read);
        QVERIFY(profile.WriteProfileInt("S", "K", 3) && profile.GetProfileInt("S", "K", 0) == 3);
        QCOMPARE(readFile(path), before.isNull() ? "<none>"_ba : before);  // not yet saved
        QVERIFY(profile.save());
        QTEST(readFile(path), "after");
    }

    // Loading, the settings written as the window does when it closes, and many more
    // writes: the file is untouched until save(), which replaces it once; a save with
    // nothing changed leaves it alone.
    void writesStayInMemoryAndSaveTouchesTheFileOnce() {
        const QByteArray before = "; mine\n[SIO_CFG]\nBaudRate=9600\nComPort=1\n";
        QVERIFY(writeFile(path_, before));
        const ino_t loaded = inodeOf(path_);
        Profile profile(path_.toStdString());
        SerialSettings settings{};
        LoadSerialSettings(&profile, settings), settings.BaudRate = 19200;
        for (int i = 0; i < 20; ++i)
            QVERIFY((SaveSerialSettings(&profile, settings),
                     profile.WriteProfileInt("Extra", "Count", i)));
        QVERIFY(profile.changed());
        QCOMPARE(readFile(path_), before);
        QCOMPARE(inodeOf(path_), loaded);
        QVERIFY(profile.save());
        const ino_t saved = inodeOf(path_);
        const QByteArray after = readFile(path_);
        QVERIFY(saved != loaded && !profile.changed() && after.endsWith("\n[Extra]\nCount=19\n"));
        QVERIFY(after.startsWith("; mine\n[SIO_CFG]\nBaudRate=19200\nComPort=1\nStopBits=0\n"));
        // Saved again with nothing changed since, and after writing the value it has.
        QVERIFY(profile.save() && profile.WriteProfileInt("Extra", "Count", 19) && profile.save());
        Profile reloaded(path_.toStdString());
        SaveSerialSettings(&reloaded, settings);
        QVERIFY(!reloaded.changed() && reloaded.save());
        QCOMPARE(inodeOf(path_), saved);  // gone while the program ran: tst_maindialog's shut-down
    }

    void failedWritesLeaveEverythingAsItWas() {
        const QString blocker = dir_->filePath("blocker");  // a plain file where a folder should be
        QVERIFY(writeFile(blocker, "not a folder\n"));
        Profile blocked((blocker + "/daridez.ini").toStdString());
        QVERIFY(blocked.WriteProfileInt("S", "K", 2) && !blocked.save());
        QCOMPARE(readFile(blocker), "not a folder\n"_ba);
        Profile textOnly = Profile::fromText("[S]\n");
        QVERIFY(textOnly.WriteProfileInt("S", "K", 2) && !textOnly.save());

        QVERIFY(QDir(dir_->path()).mkdir("daridez.ini"));  // the profile is a folder
        Profile folder(path_.toStdString());
        QCOMPARE(folder.GetProfileInt("S", "K", 2), 2);
        QVERIFY(!folder.WriteProfileInt("S", "K", 3) && !folder.save() && QFileInfo(path_).isDir());
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"blocker"});
    }

    void defaultPathFollowsXdgConfigHomeThenHome() {
        const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME"), oldHome = qgetenv("HOME");
        qputenv("XDG_CONFIG_HOME", "/somewhere/config");
        QCOMPARE(Profile::defaultPath(), std::string("/somewhere/config/daridez.ini"));
        // Only an absolute XDG_CONFIG_HOME counts.
        qputenv("XDG_CONFIG_HOME", "relative"), qputenv("HOME", "/home/user");
        QCOMPARE(Profile::defaultPath(), std::string("/home/user/.config/daridez.ini"));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(Profile::defaultPath(), std::string("/home/user/.config/daridez.ini"));
        qputenv("HOME", oldHome);
        oldXdg.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", oldXdg);
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
