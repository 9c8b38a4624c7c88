// daridez-extcap run as Wireshark runs it: its answers from a profile, live captures
// through tshark from the simulated tracer compared with daridez-dump's export of the
// same bytes, and the ways a capture ends (a stop signal on a silent bus, the device
// pulled out, the reader gone) against a pseudo-terminal device the test scripts.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "DecoderFixture.h"
#include "sim/PtyDevice.h"

using namespace daridez::test;
using daridez::sim::PtyDevice;

namespace {

const QString kExtcap = DARIDEZ_EXTCAP_PATH;
const QString kSim = DARIDEZ_SIM_PATH;
const QString kDump = DARIDEZ_DUMP_PATH;
// Waiting is generous (a loaded machine); results are exact.
constexpr int kPatienceMs = 60000;

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result run(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(kPatienceMs)) {
        process.kill();
        process.waitForFinished();
        return {-2, {}, "hung: " + program + " " + args.join(' ')};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The lines tshark prints for a capture, without its own notes.
QStringList fieldsOf(const QString& text) {
    return text.split('\n', Qt::SkipEmptyParts);
}

const QStringList kFields = {"-T", "fields",       "-e", "lin.frame_id",
                             "-e", "lin.checksum", "-e", "lin.errors"};

// Device frames of the scripted tracer: answers and a LIN frame.
std::vector<std::uint8_t> bytes(const QByteArray& hexText) {
    const QByteArray raw = hex(hexText);
    return {raw.begin(), raw.end()};
}

// Reads what the host wrote to the device until it holds want (hex), or time runs out.
bool awaitFromHost(PtyDevice& device, QByteArray& seen, const QByteArray& want) {
    QElapsedTimer timer;
    timer.start();
    while (!seen.contains(want) && timer.elapsed() < kPatienceMs) {
        for (std::uint8_t byte : device.read(100)) {
            seen += QByteArray(1, char(byte)).toHex();
        }
    }
    return seen.contains(want);
}

}  // namespace

class TestExtcapCapture : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(home.isValid());
        env.insert("HOME", home.path());
        env.remove("XDG_CONFIG_HOME");
        link = home.filePath("ttyLIN0");
        QVERIFY(QDir().mkpath(home.filePath(".config")));
        // Port 2 is the simulator; the others lead nowhere.
        QVERIFY(writeFile(home.filePath(".config/daridez.ini"),
                          QString("[PORTS]\nCom1=%1/none1\nCom2=%2\nCom3=%1/none3\nCom4=%1/none4\n")
                              .arg(home.path(), link)
                              .toUtf8()));
        const Result installed = run(kExtcap, {"--install-user"}, env);
        QCOMPARE(installed.status, 0);
        const QString personal = home.filePath(".config/wireshark/extcap/daridez-extcap");
        QCOMPARE(installed.out, personal + " -> " + QFileInfo(kExtcap).canonicalFilePath() + "\n");
        QCOMPARE(QFileInfo(personal).symLinkTarget(), QFileInfo(kExtcap).canonicalFilePath());
        tshark = QStandardPaths::findExecutable("tshark");
    }

    void cleanup() { stopSimulator(); }

    void answersFromTheProfile() {
        startSimulator({});
        const Result interfaces =
            run(kExtcap, {"--extcap-interfaces", "--extcap-version=4.0"}, env);
        QCOMPARE(interfaces.status, 0);
        QCOMPARE(interfaces.err, QString());
        const QStringList lines = interfaces.out.split('\n');
        QVERIFY2(lines.first().startsWith("extcap {version=" DARIDEZ_VERSION "}{help=file://"),
                 qPrintable(lines.first()));
        QVERIFY(lines.first().endsWith("/README.md}"));
        QCOMPARE(lines.at(1),
                 "interface {value=daridez-ttyLIN0}{display=Daridez LIN tracer " + link + "}");
        QCOMPARE(lines.filter("none").size(), 0);  // ports without a device are not listed

        const Result dlts =
            run(kExtcap, {"--extcap-dlts", "--extcap-interface", "daridez-ttyLIN0"}, env);
        QCOMPARE(dlts.out, QString("dlt {number=212}{name=LIN}{display=LIN}\n"));
        const Result config =
            run(kExtcap, {"--extcap-config", "--extcap-interface", "daridez-ttyLIN0"}, env);
        QCOMPARE(config.status, 0);
        QVERIFY2(config.out.contains("value {arg=0}{value=" + link + "}{display=" + link +
                                     "}{default=true}\n"),
                 qPrintable(config.out));
        // Wireshark's filter check: silence for a good or blank query, the reason otherwise.
        const QList<QPair<QString, QString>> filters = {
            {"id=3C,3D bad", ""}, {" ", ""}, {"id=40", "\"id=40\": identifiers are 00..3F\n"}};
        for (const auto& [filter, answer] : filters) {
            const Result check = run(
                kExtcap,
                {"--extcap-capture-filter", filter, "--extcap-interface", "daridez-ttyLIN0"}, env);
            QCOMPARE(check.out + check.err, answer);
        }
    }

    void aBrokenProfileStillListsCleanly() {
        QTemporaryDir broken;
        QVERIFY(QDir().mkpath(broken.filePath(".config/daridez.ini")));  // a folder, unreadable
        QProcessEnvironment brokenEnv = env;
        brokenEnv.insert("HOME", broken.path());
        const Result result = run(kExtcap, {"--extcap-interfaces"}, brokenEnv);
        QCOMPARE(result.status, 0);
        QCOMPARE(result.err, QString());
        QVERIFY(result.out.startsWith("extcap {version="));
        QCOMPARE(
            result.out.split('\n').filter(QRegularExpression("^(extcap|interface) \\{")).size(),
            result.out.count('\n'));
    }

    // tshark's frames equal the export of the bytes the simulator sent.
    void capturesWhatTheExportShows() {
        requireTshark();
        const QString record = home.filePath("live.dump");
        startSimulator({"--bad-checksums", "0.3", "--seed", "7", "--record", record});
        const Result live =
            run(tshark, QStringList{"-i", "daridez-ttyLIN0", "-a", "duration:3"} + kFields, env);
        QCOMPARE(live.status, 0);
        QVERIFY2(!live.err.contains("Error by extcap pipe"), qPrintable(live.err));
        stopSimulator();  // the recording is complete

        const QString exported = home.filePath("export.pcapng");
        QProcess dump;
        dump.setStandardOutputFile(exported);
        dump.start(kDump, {"--format=pcapng", record});
        QVERIFY(dump.waitForFinished(kPatienceMs));
        QCOMPARE(dump.exitCode(), 0);
        const Result expected = run(tshark, QStringList{"-r", exported} + kFields, env);

        const QStringList captured = fieldsOf(live.out), all = fieldsOf(expected.out);
        QVERIFY2(captured.size() >= 50, qPrintable(live.out + live.err));
        QVERIFY(captured.filter(QRegularExpression("\t0x08$")).size() > 0);  // checksum faults
        // The export goes on with the frames the device sent until it heard the stop; the
        // capture's last frame may have been cut by it.
        QVERIFY2(
            all.size() >= captured.size(),
            qPrintable(QString("%1 captured, %2 exported").arg(captured.size()).arg(all.size())));
        QCOMPARE(captured.mid(0, captured.size() - 1), all.mid(0, captured.size() - 1));
    }

    void aCaptureFilterKeepsOnlyItsFrames() {
        requireTshark();
        startSimulator({});
        const Result live = run(tshark,
                                QStringList{"-i", "daridez-ttyLIN0", "-f", "id=3C", "-a",
                                            "duration:3", "-T", "fields", "-e", "lin.frame_id"},
                                env);
        const QStringList ids = fieldsOf(live.out);
        QVERIFY2(!ids.isEmpty(), qPrintable(live.err));
        QCOMPARE(ids.filter("0x3c").size(), ids.size());
    }

    void errorsReachTheUserAndTsharkEnds_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("a bad filter") << QStringList{"-f", "id=40"}
                                      << "Error by extcap pipe: \"id=40\": identifiers are 00..3F";
        QTest::newRow("a missing device")
            << QStringList{"-o", "extcap.daridez_ttylin0.device:" + home.filePath("nope")}
            << "Error by extcap pipe: " + home.filePath("nope") + ": no such device";
    }
    void errorsReachTheUserAndTsharkEnds() {
        requireTshark();
        QFETCH(QStringList, options);
        startSimulator({});
        // No duration: tshark must end by itself.
        const Result result =
            run(tshark, QStringList{"-i", "daridez-ttyLIN0", "-q"} + options, env);
        QVERIFY2(result.status >= 0, qPrintable(result.err));
        QFETCH(QString, message);
        QVERIFY2(result.err.contains(message + "\n"), qPrintable(result.err));
    }

    // The capture's ends against a device the test scripts: it answers the rate and the
    // start, then stays silent.
    void endsOnTheStopSignalTheLostDeviceAndTheGoneReader_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stderr");  // %1: the device
        QTest::addColumn<bool>("stopFrame");
        QTest::newRow("SIGTERM on a silent bus") << "term" << 0 << "" << true;
        QTest::newRow("the reader closes the FIFO") << "reader" << 0 << "" << true;
        QTest::newRow("the device is pulled out") << "unplug" << 1 << "%1: device disconnected\n"
                                                  << false;
    }
    void endsOnTheStopSignalTheLostDeviceAndTheGoneReader() {
        QFETCH(QString, how);
        PtyDevice device;
        QVERIFY(device.open());
        const QString fifo = home.filePath("fifo-" + how);
        QCOMPARE(::mkfifo(qPrintable(fifo), 0600), 0);
        const int reader = ::open(qPrintable(fifo), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(reader >= 0);
        QProcess extcap;
        extcap.setProcessEnvironment(env);
        extcap.start(kExtcap, {"--capture", "--extcap-interface", "daridez-x", "--fifo", fifo,
                               "--device", QString::fromStdString(device.path())});
        QByteArray seen;
        QVERIFY(awaitFromHost(device, seen, "04014b0050"));
        QVERIFY(device.write(bytes("05814B0000 00")));
        QVERIFY(awaitFromHost(device, seen, "020204"));
        QVERIFY(device.write(bytes("0582000001 00")));
        QTest::qWait(300);  // a silent bus

        QElapsedTimer ending;
        ending.start();
        if (how == "term") {
            extcap.terminate();
        } else if (how == "reader") {
            ::close(reader);
        } else {
            device.close();
        }
        QVERIFY(extcap.waitForFinished(kPatienceMs));
        qInfo("%s: ended after %lld ms", qPrintable(how), ending.elapsed());
        if (how != "reader") {
            ::close(reader);
        }
        QTEST(extcap.exitCode(), "status");
        QFETCH(QString, stderr);
        QCOMPARE(QString::fromUtf8(extcap.readAllStandardError()),
                 stderr.replace("%1", QString::fromStdString(device.path())));
        if (how != "unplug") {
            awaitFromHost(device, seen, "020305");
        }
        QTEST(seen.endsWith("020305"), "stopFrame");
    }

  private:
    void requireTshark() {
        if (tshark.isEmpty()) {
            QSKIP("tshark is not installed");
        }
    }

    void startSimulator(const QStringList& options) {
        stopSimulator();
        sim.start(kSim, QStringList{"--link", link} + options);
        QVERIFY(sim.waitForStarted());
        QElapsedTimer timer;
        timer.start();
        while (!QFileInfo::exists(link) && timer.elapsed() < kPatienceMs) {
            QTest::qWait(20);
        }
        QVERIFY(QFileInfo::exists(link));
    }

    void stopSimulator() {
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            sim.waitForFinished(kPatienceMs);
        }
    }

    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString link;
    QString tshark;
    QProcess sim;
};

QTEST_GUILESS_MAIN(TestExtcapCapture)
#include "tst_extcapcapture.moc"
