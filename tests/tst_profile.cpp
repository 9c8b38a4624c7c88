// The line-preserving profile on real files.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "serial/Profile.h"

using namespace daridez;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "<unreadable>";
    }
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), text.size());
}

const QByteArray kHandEdited =
    "; Daridez settings, edited by hand\n"
    "\n"
    "[SIO_CFG]\n"
    "StopBits=0\n"
    "# the tracer runs fast\n"
    "BaudRate = 9600\n"
    "Unknown=keep me\n"
    "\n"
    "[Other]\n"
    "BaudRate=1\n"
    "; last line is a comment";

}  // namespace

class TestProfile : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void missingFileGivesDefaults();
    void valueReadsAsItsLeadingInteger_data();
    void valueReadsAsItsLeadingInteger();
    void writeChangesOnlyItsLineAndKeepsEveryOtherLine();
    void newKeyGoesAtTheEndOfItsSection();
    void newSectionGoesAtTheEndOfTheFile();
    void namesMatchWithoutRegardToCaseAndKeepTheirSpelling();
    void firstOfTwoEqualKeysIsTheOneUsed();
    void windowsLineEndsAreKept();
    void writeReplacesTheFileByRenameAndLeavesNoTemporaryFile();
    void writeKeepsTheFilesPermissions();
    void symbolicLinkToTheProfileStaysALink();
    void missingFolderIsCreated();
    void folderThatCannotBeMadeFailsWithoutDamage();
    void profileThatIsNotAFileIsNeitherReadNorReplaced();
    void readOnlyFolderKeepsTheOldFile();
    void defaultPathFollowsXdgConfigHomeThenHome();

  private:
    QTemporaryDir dir_;
    QString path_;
};

void TestProfile::init() {
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath("daridez.ini");
    QFile::remove(path_);
}

void TestProfile::missingFileGivesDefaults() {
    Profile profile(path_.toStdString());
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "BaudRate", 115200), 115200);
    QCOMPARE(profile.GetProfileString("PORTS", "Com1", "/dev/ttyS0"), std::string("/dev/ttyS0"));
    QVERIFY(!profile.hasSection("SIO_CFG"));

    writeAll(path_, "[SIO_CFG]\nParity=1\n");
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "BaudRate", 115200), 115200);
    QCOMPARE(profile.GetProfileInt("OTHER", "Parity", 7), 7);
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "Parity", 7), 1);
}

void TestProfile::valueReadsAsItsLeadingInteger_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("digits then letters") << QByteArray("12abc") << 12;
    QTest::newRow("letters only") << QByteArray("abc") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("negative") << QByteArray("-56") << -56;
    QTest::newRow("plus sign") << QByteArray("+7") << 7;
    QTest::newRow("sign then blank") << QByteArray("- 5") << 0;
    QTest::newRow("hexadecimal prefix") << QByteArray("0x10") << 0;
    QTest::newRow("blanks around") << QByteArray("   42   ") << 42;
    QTest::newRow("wraps like 32 bits") << QByteArray("4294967295") << -1;
    QTest::newRow("decimal point") << QByteArray("3.9") << 3;
}

void TestProfile::valueReadsAsItsLeadingInteger() {
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    writeAll(path_, "[SIO_CFG]\nByteSize=" + value + "\n");
    Profile profile(path_.toStdString());
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "ByteSize", 8), expected);
}

void TestProfile::writeChangesOnlyItsLineAndKeepsEveryOtherLine() {
    writeAll(path_, kHandEdited);
    Profile profile(path_.toStdString());
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "BaudRate", 19200));
    QCOMPARE(readAll(path_), QByteArray("; Daridez settings, edited by hand\n"
                                        "\n"
                                        "[SIO_CFG]\n"
                                        "StopBits=0\n"
                                        "# the tracer runs fast\n"
                                        "BaudRate = 19200\n"
                                        "Unknown=keep me\n"
                                        "\n"
                                        "[Other]\n"
                                        "BaudRate=1\n"
                                        "; last line is a comment\n"));
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "BaudRate", 0), 19200);
    QCOMPARE(profile.GetProfileInt("Other", "BaudRate", 0), 1);
}

void TestProfile::newKeyGoesAtTheEndOfItsSection() {
    writeAll(path_, kHandEdited);
    Profile profile(path_.toStdString());
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "ComPort", 3));
    QVERIFY(profile.WriteProfileInt("Other", "EndChar", -56));
    QCOMPARE(readAll(path_), QByteArray("; Daridez settings, edited by hand\n"
                                        "\n"
                                        "[SIO_CFG]\n"
                                        "StopBits=0\n"
                                        "# the tracer runs fast\n"
                                        "BaudRate = 9600\n"
                                        "Unknown=keep me\n"
                                        "ComPort=3\n"
                                        "\n"
                                        "[Other]\n"
                                        "BaudRate=1\n"
                                        "; last line is a comment\n"
                                        "EndChar=-56\n"));
}

void TestProfile::newSectionGoesAtTheEndOfTheFile() {
    writeAll(path_, kHandEdited);
    Profile profile(path_.toStdString());
    QVERIFY(profile.WriteProfileString("PORTS", "Com1", "/dev/pts/4"));
    QVERIFY(readAll(path_).endsWith("; last line is a comment\n\n[PORTS]\nCom1=/dev/pts/4\n"));
    QVERIFY(readAll(path_).startsWith(kHandEdited));
    QVERIFY(profile.hasSection("PORTS"));
    QCOMPARE(profile.GetProfileString("PORTS", "Com1", ""), std::string("/dev/pts/4"));
}

void TestProfile::namesMatchWithoutRegardToCaseAndKeepTheirSpelling() {
    writeAll(path_, "[sio_cfg]\nbaudrate=9600\n");
    Profile profile(path_.toStdString());
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "BaudRate", 0), 9600);
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "BaudRate", 57600));
    QCOMPARE(readAll(path_), QByteArray("[sio_cfg]\nbaudrate=57600\n"));
}

void TestProfile::firstOfTwoEqualKeysIsTheOneUsed() {
    writeAll(path_, "[SIO_CFG]\nComPort=1\nComPort=4\n");
    Profile profile(path_.toStdString());
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "ComPort", 0), 1);
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "ComPort", 2));
    QCOMPARE(readAll(path_), QByteArray("[SIO_CFG]\nComPort=2\nComPort=4\n"));
}

void TestProfile::windowsLineEndsAreKept() {
    writeAll(path_, "[SIO_CFG]\r\nParity=2\r\n");
    Profile profile(path_.toStdString());
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "Parity", 0), 2);
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "Parity", 1));
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "StopBits", 2));
    QCOMPARE(readAll(path_), QByteArray("[SIO_CFG]\r\nParity=1\r\nStopBits=2\r\n"));
}

void TestProfile::writeReplacesTheFileByRenameAndLeavesNoTemporaryFile() {
    writeAll(path_, kHandEdited);
    struct stat before {};
    QCOMPARE(::stat(QFile::encodeName(path_).constData(), &before), 0);
    Profile profile(path_.toStdString());
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "StopBits", 2));
    struct stat after {};
    QCOMPARE(::stat(QFile::encodeName(path_).constData(), &after), 0);
    // A new file took the old one's name: a reader never sees a half-written profile.
    QVERIFY(before.st_ino != after.st_ino);
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), QStringList{"daridez.ini"});
}

void TestProfile::writeKeepsTheFilesPermissions() {
    writeAll(path_, "[SIO_CFG]\n");
    QVERIFY(QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner));
    Profile profile(path_.toStdString());
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "Parity", 0));
    QCOMPARE(QFile::permissions(path_) & (QFile::ReadGroup | QFile::ReadOther),
             QFileDevice::Permissions());
}

void TestProfile::symbolicLinkToTheProfileStaysALink() {
    QString target = dir_.filePath("real.ini");
    writeAll(target, "[SIO_CFG]\nParity=0\n");
    QVERIFY(QFile::link(target, path_));
    Profile profile(path_.toStdString());
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "Parity", 2));
    QVERIFY(QFileInfo(path_).isSymLink());
    QCOMPARE(readAll(target), QByteArray("[SIO_CFG]\nParity=2\n"));
    QFile::remove(target);
}

void TestProfile::missingFolderIsCreated() {
    QString path = dir_.filePath("config/deeper/daridez.ini");
    Profile profile(path.toStdString());
    QVERIFY(profile.WriteProfileInt("SIO_CFG", "ComPort", 2));
    QCOMPARE(readAll(path), QByteArray("[SIO_CFG]\nComPort=2\n"));
    QVERIFY(QDir(dir_.filePath("config")).removeRecursively());
}

void TestProfile::folderThatCannotBeMadeFailsWithoutDamage() {
    // The folder's name is taken by a plain file, which must survive as it was.
    QString blocker = dir_.filePath("blocker");
    writeAll(blocker, "not a folder\n");
    Profile profile((blocker + "/daridez.ini").toStdString());
    QVERIFY(!profile.WriteProfileInt("SIO_CFG", "ComPort", 2));
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "ComPort", 2), 2);
    QCOMPARE(readAll(blocker), QByteArray("not a folder\n"));
    QFile::remove(blocker);

    // A folder no one may create files in, whoever runs the test.
    Profile inProc("/proc/daridez-test/daridez.ini");
    QVERIFY(!inProc.WriteProfileInt("SIO_CFG", "ComPort", 2));
}

void TestProfile::profileThatIsNotAFileIsNeitherReadNorReplaced() {
    QVERIFY(QDir(dir_.path()).mkdir("daridez.ini"));
    Profile profile(path_.toStdString());
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "ComPort", 2), 2);
    QVERIFY(!profile.WriteProfileInt("SIO_CFG", "ComPort", 3));
    QVERIFY(QFileInfo(path_).isDir());
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), QStringList());
    QVERIFY(QDir(dir_.path()).rmdir("daridez.ini"));
}

void TestProfile::readOnlyFolderKeepsTheOldFile() {
    if (::geteuid() == 0) {
        QSKIP("permissions do not bind the superuser; the /proc and plain-file cases cover it");
    }
    QString folder = dir_.filePath("locked");
    QVERIFY(QDir(dir_.path()).mkdir("locked"));
    QString path = folder + "/daridez.ini";
    writeAll(path, kHandEdited);
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    Profile profile(path.toStdString());
    QVERIFY(!profile.WriteProfileInt("SIO_CFG", "BaudRate", 19200));
    QCOMPARE(readAll(path), kHandEdited);
    QCOMPARE(profile.GetProfileInt("SIO_CFG", "BaudRate", 0), 9600);
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestProfile::defaultPathFollowsXdgConfigHomeThenHome() {
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", "/somewhere/config");
    QCOMPARE(Profile::defaultPath(), std::string("/somewhere/config/daridez.ini"));
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/user");
    QCOMPARE(Profile::defaultPath(), std::string("/home/user/.config/daridez.ini"));
    // A relative XDG_CONFIG_HOME is not used, as the base directory rules say.
    qputenv("XDG_CONFIG_HOME", "relative");
    QCOMPARE(Profile::defaultPath(), std::string("/home/user/.config/daridez.ini"));
    qputenv("XDG_CONFIG_HOME", oldXdg);
    qputenv("HOME", oldHome);
    if (oldXdg.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    }
}

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
