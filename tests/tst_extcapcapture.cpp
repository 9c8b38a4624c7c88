// daridez-extcap run as Wireshark runs it: its answers from a profile, live captures
// through tshark from the simulated tracer compared with the frames the simulator
// recorded sending, and the ways a capture ends (each stop signal on a silent bus, the
// device pulled out, the reader gone) against a pseudo-terminal device the test scripts.
// Nothing waits for a fixed time: every wait is for an event, with generous patience.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <utility>

#include "DecoderFixture.h"
#include "PtyAwait.h"
#include "lin/FrameCheck.h"

using namespace daridez::test;

namespace {

const QString kExtcap = DARIDEZ_EXTCAP_PATH;
const QString kSim = DARIDEZ_SIM_PATH;

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

// tshark's fields of each LIN frame a recording of the device's byte stream holds after
// its start marker, worked out from the bytes alone: the identifier, the checksum byte,
// and the checksum error bit (08) when the byte fits neither the classic nor, but for
// 3C and 3D, the enhanced model. The simulator sends no other fault asked for here.
QStringList framesRecorded(const QByteArray& stream) {
    QStringList fields;
    bool started = false;
    int pid = -1;
    QByteArray response;
    const auto flush = [&] {
        if (started && pid >= 0 && response.size() >= 2) {
            const auto* data = reinterpret_cast<const std::uint8_t*>(response.constData());
            const int count = int(response.size()) - 1, checksum = data[count];
            const bool good = checksum == daridez::LinChecksum(0, data, count) ||
                              (!daridez::ClassicOnly(std::uint8_t(pid & 0x3F)) &&
                               checksum == daridez::LinChecksum(std::uint8_t(pid), data, count));
            fields << QString("0x%1\t0x%2\t0x%3")
                          .arg(pid & 0x3F, 2, 16, QChar('0'))
                          .arg(checksum, 2, 16, QChar('0'))
                          .arg(good ? 0 : 8, 2, 16, QChar('0'));
        }
        pid = -1;
        response.clear();
    };
    for (qsizetype at = 0; at < stream.size();) {
        const int length = quint8(stream[at]);
        if (length == 0 || at + length >= stream.size()) {
            at += length + 1;
            continue;
        }
        const int kind = quint8(stream[at + 1]);
        const char value = length == 5 ? stream[at + 4] : 0;
        if (kind == 0x82 || kind == 0x90) {
            flush();
            started = true;
        } else if (kind == 0x92) {
            pid = quint8(value);
        } else if (kind >= 0x93 && kind <= 0x9B) {
            response += value;
        }
        at += length + 1;
    }
    return fields;
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
        QVERIFY(QDir().mkpath(home.filePath("broken/.config/daridez.ini")));  // unreadable
        QVERIFY(writeFile(home.filePath("bare.ldf"), "LIN_protocol_version = \"2.1\";"));
        QVERIFY(writeFile(home.filePath("body.ldf"),
                          "LIN_protocol_version = \"2.1\"; Nodes { Master: M, 5 ms, 0.1 ms;"
                          " Slaves: S; } Signals { A: 8, 0, S, M; }"
                          " Frames { F: 0x10, S, 1 { A, 0; } }"));
    }

    void cleanup() { stopSimulator(); }

    // Wireshark's calls answered from the profile (%L the simulator's link; the other
    // ports lead nowhere and are never listed), or from one it cannot read. In an answer
    // "..." is any text, "[interfaces]" any interface lines (the machine's devices). The
    // filter check: silence for a good or blank query, the reason otherwise; frame= and
    // signal: with an LDF (%H the home folder).
    void answersWiresharksCalls_data() {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("answer");
        const QString head = "extcap {version=" DARIDEZ_VERSION "}{help=file://.../README.md}\n";
        const auto check = [](const char* query, const char* answer, const char* ldf = nullptr) {
            QTest::newRow(query) << ""
                                 << QStringList{"--extcap-capture-filter", query} +
                                        (ldf ? QStringList{"--ldf", ldf} : QStringList{})
                                 << QString(answer);
        };
        QTest::newRow("interfaces")
            << "" << QStringList{"--extcap-interfaces", "--extcap-version=4.0"}
            << head + "interface {value=daridez-ttyLIN0}{display=Daridez LIN tracer %L}\n" +
                   "[interfaces]";
        QTest::newRow("interfaces, the profile a folder")
            << "broken" << QStringList{"--extcap-interfaces"} << head + "[interfaces]";
        QTest::newRow("dlts") << "" << QStringList{"--extcap-dlts"}
                              << "dlt {number=212}{name=LIN}{display=LIN}\n";
        QTest::newRow("config") << "" << QStringList{"--extcap-config"}
                                << "...\nvalue {arg=0}{value=%L}{display=%L}{default=true}\n...";
        check("id=3C,3D bad", "");
        check(" ", "");
        check("id=40", "\"id=40\": identifiers are 00..3F\n");
        check("frame=F", "\"frame=F\": needs an LDF (--ldf)\n");
        check("frame=F signal:A>3", "", "%H/body.ldf");
        check("frame=G", "\"frame=G\": the LDF has no such frame\n", "%H/body.ldf");
        check("id=10", "%H/bare.ldf: no frames to decode with\n", "%H/bare.ldf");
    }
    void answersWiresharksCalls() {
        QFETCH(QString, profile);
        QFETCH(QStringList, args);
        QFETCH(QString, answer);
        if (answer.contains("%L")) {
            startSimulator({});
        }
        if (args.first() != "--extcap-interfaces") {
            args += QStringList{"--extcap-interface", "daridez-ttyLIN0"};
        }
        QProcessEnvironment rowEnv = env;
        rowEnv.insert("HOME", profile.isEmpty() ? home.path() : home.filePath(profile));
        const Result result = run(kExtcap, args.replaceInStrings("%H", home.path()), rowEnv);
        QCOMPARE(QString("%1 %2").arg(result.status).arg(result.err), "0 ");
        QString pattern =
            QRegularExpression::escape(answer.replace("%L", link).replace("%H", home.path()));
        pattern.replace("\\.\\.\\.", ".*")
            .replace("\\[interfaces\\]", "(interface \\{[^\\n]*\\}\\n)*");
        const QRegularExpression whole(QRegularExpression::anchoredPattern(pattern),
                                       QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(whole.match(result.out).hasMatch() && !result.out.contains(home.filePath("none")),
                 qPrintable(result.out));
    }

    // tshark's frames are the frames the simulator sent, each whole: none split at a
    // pause, however busy the machine; a capture filter keeps only its frames.
    void capturesWhatTheDeviceSent_data() {
        QTest::addColumn<QStringList>("filter");
        QTest::addColumn<int>("count");
        QTest::newRow("all") << QStringList{} << 300;
        QTest::newRow("id=3C") << QStringList{"-f", "id=3C"} << 5;
    }
    void capturesWhatTheDeviceSent() {
        requireTshark();
        QFETCH(QStringList, filter);
        QFETCH(int, count);
        const QString record = home.filePath(QTest::currentDataTag() + QString(".dump"));
        startSimulator({"--bad-checksums", "0.3", "--seed", "7", "--record", record});
        const QStringList args = {"-i", "daridez-ttyLIN0", "-c", QString::number(count),
                                  "-T", "fields",          "-e", "lin.frame_id",
                                  "-e", "lin.checksum",    "-e", "lin.errors"};
        const Result live = run(tshark, args + filter, env);
        QCOMPARE(live.status, 0);
        QVERIFY2(!live.err.contains("Error by extcap pipe"), qPrintable(live.err));
        stopSimulator();  // the recording holds what was captured, and maybe more

        const QStringList captured = live.out.split('\n', Qt::SkipEmptyParts);
        const QStringList sent = framesRecorded(readFile(record))
                                     .filter(QRegularExpression(filter.isEmpty() ? "" : "^0x3c\t"));
        QCOMPARE(captured.size(), count);
        QVERIFY(!filter.isEmpty() ||
                !captured.filter(QRegularExpression("\t0x08$")).isEmpty());  // checksum faults
        QCOMPARE(captured, sent.mid(0, count));
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
    // start, then stays silent (PtyAwait.h's endAs).
    void endsOnTheStopSignalTheLostDeviceAndTheGoneReader_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("ending");
        QTest::newRow("SIGTERM on a silent bus") << "term"
                                                 << "0  +stop";
        QTest::newRow("SIGINT on a silent bus") << "int"
                                                << "0  +stop";
        QTest::newRow("SIGHUP on a silent bus") << "hup"
                                                << "0  +stop";
        QTest::newRow("the reader closes the FIFO") << "close"
                                                    << "0  +stop";
        QTest::newRow("the device is pulled out") << "unplug"
                                                  << "1 %1: device disconnected\n";
    }
    void endsOnTheStopSignalTheLostDeviceAndTheGoneReader() {
        QFETCH(QString, how);
        ScriptedTracer tracer;
        QVERIFY(tracer.device.open());
        const QString fifo = home.filePath("fifo-" + how);
        QCOMPARE(::mkfifo(qPrintable(fifo), 0600), 0);
        int reader = ::open(qPrintable(fifo), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(reader >= 0);
        QProcess extcap;
        extcap.setProcessEnvironment(env);
        extcap.start(kExtcap, {"--capture", "--extcap-interface", "daridez-x", "--fifo", fifo,
                               "--device", QString::fromStdString(tracer.device.path())});
        QVERIFY(tracer.answerRate("05814B0000 00") && tracer.startThen());
        QTEST(endAs(how, extcap, tracer, [&] { ::close(std::exchange(reader, -1)); }), "ending");
    }

  private:
    void requireTshark() {
        if (tshark.isEmpty()) {
            QSKIP("tshark is not installed");
        }
    }

    void startSimulator(const QStringList& options) {
        stopSimulator();
        QVERIFY(daridez::test::startSimulator(sim, kSim, link, options));
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
