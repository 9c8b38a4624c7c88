// daridez-dump --port: the tracer traced live from the command line, against a device on
// a pseudo-terminal the test scripts (how a trace ends, and with which status) and against
// the simulated tracer (the rows printed are the frames it recorded sending). Every wait
// is for an event, with generous patience.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <utility>

#include "DecoderFixture.h"
#include "PtyAwait.h"

using namespace daridez::test;

namespace {

const QString kDump = DARIDEZ_DUMP_PATH;
const QString kSim = DARIDEZ_SIM_PATH;

// The reading end of a FIFO a program writes its standard output to: its lines as they
// come, and a close the program sees as its reader gone.
struct FifoReader {
    bool open(const QString& path) {
        fd = ::open(qPrintable(path), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        return fd >= 0;
    }
    QString nextLine() {
        QElapsedTimer timer;
        timer.start();
        while (!pending.contains('\n') && timer.elapsed() < kPatienceMs) {
            pollfd watch{fd, POLLIN, 0};
            char chunk[4096];
            const ssize_t got = ::poll(&watch, 1, 100) > 0 ? ::read(fd, chunk, sizeof chunk) : 0;
            pending += QByteArray(chunk, got > 0 ? got : 0);
        }
        const qsizetype end = pending.indexOf('\n') + 1;
        const QString line = QString::fromUtf8(pending.left(end));
        pending.remove(0, end);
        return line;
    }
    void close() { ::close(std::exchange(fd, -1)); }

    int fd = -1;
    QByteArray pending;
};

// Waits for the process's next line on standard output: the line without its end.
QString nextLine(QProcess& process) {
    while (!process.canReadLine() && process.waitForReadyRead(kPatienceMs)) {
    }
    return QString::fromUtf8(process.readLine()).section('\n', 0, 0);
}

// The rows daridez-dump --check prints for a file.
QStringList rowsOf(const QString& file) {
    QProcess dump;
    dump.start(kDump, {"--check", file});
    dump.waitForFinished(kPatienceMs);
    return QString::fromUtf8(dump.readAllStandardOutput()).split('\n');
}

// The LIN frame C1 (identifier 01) with data 05 10 and its classic checksum.
const QByteArray kFrame =
    "0490001000 059100205500 05920030C100 059300400500 059400501000 "
    "05950060EA00";
const QString kFrameRow =
    "1\t+ 00:00:00,000016\tBreak\t55\t[C1]\t05h\t10h\tEAh\t\t\t\t\t\t\tgreen\n";

}  // namespace

class TestPortTrace : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(home.isValid());
        env.insert("HOME", home.path());  // no profile: the defaults
        env.remove("XDG_CONFIG_HOME");
    }

    // The trace against a device the test scripts: the rate's answer (or none), the
    // start marker and one frame, then how it ends (PtyAwait.h's endAs).
    void endsAsTheUserOrTheDeviceSays_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("rateAnswer");  // empty: none
        QTest::addColumn<QString>("ending");
        const QByteArray taken = "05814B0000 00";
        QTest::newRow("SIGINT") << "int" << taken << "0  +stop";
        QTest::newRow("SIGTERM") << "term" << taken << "0  +stop";
        QTest::newRow("SIGHUP") << "hup" << taken << "0  +stop";
        QTest::newRow("the output closed") << "close" << taken << "0  +stop";
        QTest::newRow("the device pulled out")
            << "unplug" << taken << "1 daridez-dump: %1: device disconnected\n";
        QTest::newRow("the rate refused")
            << "refused" << QByteArray("05814B0001 00")
            << "1 daridez-dump: %1: returned LIN Baudrate: 19200, result:1\n +stop";
        QTest::newRow("no answer")
            << "silent" << QByteArray() << "1 daridez-dump: %1: timeout set baudrate!!!\n +stop";
    }
    void endsAsTheUserOrTheDeviceSays() {
        QFETCH(QString, how);
        QFETCH(QByteArray, rateAnswer);
        ScriptedTracer tracer;
        QVERIFY(tracer.device.open());
        const QString fifo = home.filePath("out-" + how);
        QCOMPARE(::mkfifo(qPrintable(fifo), 0600), 0);
        FifoReader out;
        QVERIFY(out.open(fifo));
        QProcess dump;
        dump.setProcessEnvironment(env);
        dump.setStandardOutputFile(fifo);
        dump.start(kDump, {"--port=" + QString::fromStdString(tracer.device.path())});
        QVERIFY(tracer.answerRate(rateAnswer));
        if (how != "refused" && how != "silent") {
            QVERIFY(tracer.startThen(kFrame + "0490002000"));
            QCOMPARE(out.nextLine(),
                     QString("0\t+ 00:00:00,000000\tSTART (0)\t\t\t\t\t\t\t\t\t\t\t\t"
                             "plain\n"));
            QCOMPARE(out.nextLine(), kFrameRow);  // complete at the next break
        }
        QTEST(endAs(how, dump, tracer, [&] { out.close(); }), "ending");
    }

    // The rows printed live are the frames the simulator sent, and so is the recording.
    void printsWhatTheTracerSent() {
        const QString link = home.filePath("ttyLIN0"), record = home.filePath("sent.dump");
        QProcess sim;
        QVERIFY(startSimulator(sim, kSim, link, {"--bad-checksums", "0.3", "--record", record}));
        QProcess dump;
        dump.setProcessEnvironment(env);
        const QString recorded = home.filePath("recorded.dump");
        dump.start(kDump, {"--port=" + link, "--check", "--record=" + recorded});
        QStringList live;
        for (int row = 0; row < 101; ++row) {
            live << nextLine(dump);
        }
        QCOMPARE(::kill(pid_t(dump.processId()), SIGINT), 0);
        QVERIFY(dump.waitForFinished(kPatienceMs));
        QCOMPARE(dump.exitCode(), 0);
        sim.terminate();
        QVERIFY(sim.waitForFinished(kPatienceMs));
        // The recording loads back to the rows printed, from its first byte on.
        QCOMPARE(rowsOf(recorded).mid(0, live.size()), live);

        // The simulator's recording read back as a file: the same rows from its start marker
        // on (the message numbers aside: the file may hold the rate's answer before it).
        const QStringList sent = rowsOf(record);
        const qsizetype start = sent.indexOf(QRegularExpression(".*\tSTART \\(.*"));
        QVERIFY(start >= 0 && !live.filter("\tchecksum").isEmpty());
        const auto unnumbered = [](QStringList rows) {
            return rows.replaceInStrings(QRegularExpression("^\\d+\t"), "");
        };
        QCOMPARE(unnumbered(live), unnumbered(sent.mid(start, live.size())));
    }

  private:
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

QTEST_GUILESS_MAIN(TestPortTrace)
#include "tst_porttrace.moc"
