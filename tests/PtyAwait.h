#pragma once
// What the tests of the live tools share: a tracer on a pseudo-terminal the test scripts,
// the simulator started on its link, and how a live program ends, each wait with a
// patience generous enough for a shared machine.
#include <signal.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <cstdint>
#include <functional>

#include "sim/PtyDevice.h"

namespace daridez::test {

constexpr int kPatienceMs = 60000;

// Reads what the host wrote to the device until it holds want (hex), or patienceMs runs
// out; a wait ends as soon as it holds.
inline bool awaitFromHost(sim::PtyDevice& device, QByteArray& seen, const QByteArray& want,
                          int patienceMs = kPatienceMs) {
    QElapsedTimer timer;
    timer.start();
    while (!seen.contains(want) && timer.elapsed() < patienceMs) {
        for (std::uint8_t byte : device.read(100)) {
            seen += QByteArray(1, char(byte)).toHex();
        }
    }
    return seen.contains(want);
}

// The tracer's side of a live trace: it answers the host's LIN rate (with rateAnswer,
// hex, or not at all when empty) and, once asked to start, sends its start marker and
// the device frames `then` (hex).
struct ScriptedTracer {
    bool answerRate(const QByteArray& rateAnswer) {
        return awaitFromHost(device, seen, "04014b0050") &&
               (rateAnswer.isEmpty() || send(rateAnswer));
    }
    bool startThen(const QByteArray& then = {}) {
        return awaitFromHost(device, seen, "020204") && send("0582000001 00" + then);
    }
    bool send(const QByteArray& hexText) {
        const QByteArray raw = QByteArray::fromHex(hexText);
        return device.write({raw.begin(), raw.end()});
    }

    sim::PtyDevice device;
    QByteArray seen;  // what the host wrote, hex
};

// Ends a live program as `how` says: int, term, hup that signal; close the output closed
// (closeOutput, which is called again once the program has ended); unplug the device
// pulled out; anything else nothing (the program ends by itself). How it ended: its exit
// status and standard error (the device as %1), then " +stop" when the device got the
// stop command.
inline QString endAs(const QString& how, QProcess& program, ScriptedTracer& tracer,
                     const std::function<void()>& closeOutput) {
    const QHash<QString, int> stops = {{"int", SIGINT}, {"term", SIGTERM}, {"hup", SIGHUP}};
    if (stops.contains(how) && ::kill(pid_t(program.processId()), stops[how]) != 0) {
        return "no signal sent";
    }
    if (how == "close") {
        closeOutput();
    } else if (how == "unplug") {
        tracer.device.close();
    }
    if (!program.waitForFinished(kPatienceMs) || program.exitStatus() != QProcess::NormalExit) {
        return "did not end by itself";
    }
    closeOutput();
    const QString path = QString::fromStdString(tracer.device.path());
    const QString text =
        QString("%1 %2")
            .arg(program.exitCode())
            .arg(QString::fromUtf8(program.readAllStandardError()).replace(path, "%1"));
    if (how != "unplug") {
        awaitFromHost(tracer.device, tracer.seen, "020305");
    }
    return text + (tracer.seen.endsWith("020305") ? " +stop" : "");
}

// Starts tracer-sim at `program` on the link with the options, and waits until it names
// its device there: true when it does.
inline bool startSimulator(QProcess& sim, const QString& program, const QString& link,
                           const QStringList& options) {
    sim.start(program, QStringList{"--link", link} + options);
    if (!sim.waitForStarted()) {
        return false;
    }
    while (!sim.canReadLine() && sim.waitForReadyRead(kPatienceMs)) {
    }
    return QString::fromUtf8(sim.readLine().trimmed()) == link;
}

}  // namespace daridez::test
