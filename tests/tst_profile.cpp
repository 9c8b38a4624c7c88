// The line-preserving profile on real files.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "serial/Profile.h"

using namespace daridez;
using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Writes text to path; a null text leaves no file there.
void writeAll(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(text.isNull() || (file.open(QIODevice::WriteOnly) && file.write(text) == text.size()));
}

}  // namespace

class TestProfile : public QObject {
    Q_OBJECT
    std::optional<QTemporaryDir> dir_;  // a fresh folder for each test and row
    QString path_;

  private slots:
    void init() { path_ = dir_.emplace().filePath("daridez.ini"); }
    void keyReadsAsItsLeadingIntegerAndWritesOnlyItsLine_data();
    void keyReadsAsItsLeadingIntegerAndWritesOnlyItsLine();
    void writeRenamesANewFileIntoPlaceKeepingModeAndLink();
    void failedWritesLeaveEverythingAsItWas();
    void defaultPathFollowsXdgConfigHomeThenHome();
};

// Each row reads K of section S (default -1), then writes K=3 and reads it back.
void TestProfile::keyReadsAsItsLeadingIntegerAndWritesOnlyItsLine_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("read");
    QTest::addColumn<QByteArray>("after");
    auto row = [](const char* name, const char* before, int read,
                  const char* after = "[S]\nK=3\n") {
        QTest::newRow(name) << QByteArray(before) << read << QByteArray(after);
    };
    row("no file, nor its folder", nullptr, -1);
    row("no such section: new one at the end", "[O]\nK=1\n; c", -1, "[O]\nK=1\n; c\n\n[S]\nK=3\n");
    row("no such key: it ends its section", "[S]\nP=0\n\n[O]\nK=1\n", -1,
        "[S]\nP=0\nK=3\n\n[O]\nK=1\n");
    row("commented-out key is no key", "[S]\n;K=1\n", -1, "[S]\n;K=1\nK=3\n");
    row("names ignore case, keep spelling", "[s]\nk=1\n", 1, "[s]\nk=3\n");
    row("first of two equal keys", "[S]\nK=1\nK=4\n", 1, "[S]\nK=3\nK=4\n");
    row("other lines and spacing kept", "; c\n[S]\n# c\nK =  12abc \nU=x\n", 12,
        "; c\n[S]\n# c\nK =  3\nU=x\n");
    row("CR LF kept on its line", "[S]\r\nK=-56\r\n", -56, "[S]\r\nK=3\r\n");
    row("CR LF on a new line", "[S]\r\nP=1\r\n", -1, "[S]\r\nP=1\r\nK=3\r\n");
    row("letters only", "[S]\nK=abc\n", 0);
    row("plus sign", "[S]\nK=+7\n", 7);
    row("sign then blank", "[S]\nK=- 5\n", 0);
    row("hexadecimal prefix", "[S]\nK=0x10\n", 0);
    row("wraps like 32 bits", "[S]\nK=4294967295\n", -1);
    row("decimal point", "[S]\nK=3.9\n", 3);
}

void TestProfile::keyReadsAsItsLeadingIntegerAndWritesOnlyItsLine() {
    QFETCH(QByteArray, before);
    QFETCH(int, read);
    QFETCH(QByteArray, after);
    const QString path = before.isNull() ? dir_->filePath("new/daridez.ini") : path_;
    writeAll(path, before);
    Profile profile(path.toStdString());
    QCOMPARE(profile.GetProfileInt("S", "K", -1), read);
    QVERIFY(profile.WriteProfileInt("S", "K", 3));
    QCOMPARE(readAll(path), after);
    QCOMPARE(profile.GetProfileInt("S", "K", 0), 3);
}

void TestProfile::writeRenamesANewFileIntoPlaceKeepingModeAndLink() {
    const QString target = dir_->filePath("real.ini");
    writeAll(target, "[S]\nK=1\n");
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QFile::link(target, path_));
    QFile reader(target);
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QVERIFY(Profile(path_.toStdString()).WriteProfileInt("S", "K", 2));
    QCOMPARE(reader.readAll(), "[S]\nK=1\n"_ba);  // a reader keeps the whole old file
    QCOMPARE(readAll(target), "[S]\nK=2\n"_ba);
    QVERIFY(QFileInfo(path_).isSymLink());
    QCOMPARE(QFile::permissions(target) & (QFile::ReadGroup | QFile::ReadOther),
             QFileDevice::Permissions());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), (QStringList{"daridez.ini", "real.ini"}));
}

void TestProfile::failedWritesLeaveEverythingAsItWas() {
    const QString blocker = dir_->filePath("blocker");  // a plain file where a folder should be
    writeAll(blocker, "not a folder\n");
    QVERIFY(!Profile((blocker + "/daridez.ini").toStdString()).WriteProfileInt("S", "K", 2));
    QCOMPARE(readAll(blocker), "not a folder\n"_ba);
    // A folder no one may create files in, whoever runs the test.
    QVERIFY(!Profile("/proc/self/daridez.ini").WriteProfileInt("S", "K", 2));

    QVERIFY(QDir(dir_->path()).mkdir("daridez.ini"));  // the profile is a folder
    Profile folder(path_.toStdString());
    QCOMPARE(folder.GetProfileInt("S", "K", 2), 2);
    QVERIFY(!folder.WriteProfileInt("S", "K", 3));
    QVERIFY(QFileInfo(path_).isDir());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"blocker"});
}

void TestProfile::defaultPathFollowsXdgConfigHomeThenHome() {
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME"), oldHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", "/somewhere/config");
    QCOMPARE(Profile::defaultPath(), std::string("/somewhere/config/daridez.ini"));
    qputenv("XDG_CONFIG_HOME", "relative");  // only an absolute one counts
    qputenv("HOME", "/home/user");
    QCOMPARE(Profile::defaultPath(), std::string("/home/user/.config/daridez.ini"));
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(Profile::defaultPath(), std::string("/home/user/.config/daridez.ini"));
    qputenv("HOME", oldHome);
    oldXdg.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", oldXdg);
}

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
