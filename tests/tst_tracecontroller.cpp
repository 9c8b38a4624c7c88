// The trace controller with the real stream decoder, a scripted port and a recording
// window: commands, answers, time-outs, status lines and the enable table.
#include <QTest>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

#include "DecoderFixture.h"
#include "ScriptedPort.h"
#include "files/TraceLoad.h"
#include "protocol/TraceController.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// The main window as the controller sees it, recording what it is shown and asked.
struct RecordingWindow : ControllerWindow {
    explicit RecordingWindow(ScriptedPort& port) : port(port) {}
    void setStatusLine1(const std::string& text) override { line1 << QString::fromStdString(text); }
    void setStatusLine2(const std::string& text) override { line2 << QString::fromStdString(text); }
    bool hasLinBaudrateBox() const override { return true; }
    void showBusy(bool, bool flag) override { busyWhileSearching = flag; }
    std::string linBaudrateText() const override { return boxText; }
    void setLinBaudrateText(const std::string& text) override { boxText = text; }
    std::vector<std::string> linBaudrateChoices() const override {
        return {"1200", "2400", "4800", "9600", "19200"};
    }
    void rateSearchRunning(bool flag) override { searching = flag; }
    void setListLive(bool flag) override { live = flag; }
    void traceCleared() override { ++clears; }
    void redrawLastPage() override { ++redraws; }
    // As the main window forgets the port.
    void markPortNotConnected() override { ++portsForgotten, port.connected = false; }
    void reportOutOfMemory() override { ++outOfMemoryReports; }

    QStringList line1, line2;
    bool busyWhileSearching = false;  // the rate search told with the last busy state
    bool live = false, searching = false;
    std::string boxText = "19200";
    int clears = 0, redraws = 0, portsForgotten = 0, outOfMemoryReports = 0;
    ScriptedPort& port;
};

// Device frames the scripts name: the version answer, a start marker of recording 7, a LIN
// frame of break, sync and identifier, a device error, and a rate taken (whichever).
const std::pair<const char*, const char*> kFrames[] = {
    {"{ver}", "05 80 01 02 03 8B"},
    {"{mark}", "05 82 00 07 00 8E"},
    {"{lin}", "04 90 12 34 00  05 91 12 40 55 00  05 92 12 50 C1 00"},
    {"{err}", "05 9C 13 00 2A 00"},
    {"{ok}", "05 81 00 00 00 86"}};
// A whole LIN frame whose checks pass: identifier C1, data 11 11, enhanced checksum 1C.
const QByteArray kGoodFrame =
    hex("04 90 12 34 00  05 91 12 40 55 00  05 92 12 50 C1 00  05 93 12 60 11 00 "
        "05 94 12 70 11 00  05 95 12 80 1C 00");
const char* const kStates[] = {"Idle", "ReadingVersion", "SettingBaudrate", "StartRequested",
                               "Tracing"};

// Logs what the controller hands a byte sink: "started", the bytes of each call in hex,
// "t" per tick, "leaving" before the list drops rows, "ended".
struct LoggingSink : ByteSink {
    void traceStarted() override { log << "started"; }
    void received(const std::uint8_t* bytes, std::size_t count) override {
        log << bytesOf(bytes, count).toHex(' ');
    }
    void tick() override { log << "t"; }
    void traceEnded() override { log << "ended"; }
    void rowsLeaving() override {
        log << "leaving";
        if (failsAtDrop)  // its file could not be written: nothing is kept any more
            note.clear(), kept.clear();
    }
    std::string keptIn() const override { return kept; }
    std::string droppedRowsNote() const override {
        return note.empty() ? ByteSink::droppedRowsNote() : note;
    }
    QStringList log;
    std::string kept;  // as a recording to this file
    std::string note;  // as a recording of some rows only (a trigger's)
    bool failsAtDrop = false;
};

// Everything the controller borrows, wired as the main window wires it.
struct Rig : DecoderFixture {
    void ticks(int count) {
        for (int i = 0; i < count; ++i) controller.onTimerTick();
    }
    QStringList infos(bool times = false) const {
        QStringList out;
        for (const TraceEntry* e : listRows())
            out << text(e, times ? Column::TimeStamp : Column::Info);
        return out;
    }
    // The message numbers of the list's rows, and whether the window's list holds
    // exactly those rows.
    QString numbers() const {
        QStringList out;
        for (const TraceEntry* e : listRows()) out << text(e, Column::MsgNr);
        return out.join('|') + (DecoderFixture::sink.rows == listRows() ? "" : " (not shown)");
    }
    // All that a command or a tick could change.
    auto traces() const {
        return std::tuple(port.writes, port.pending, window.line1, window.line2, window.clears,
                          state, buffer.carryOver, infos());
    }
    // Presses start, read version, set baud rate and (withClear) clear: true when
    // none of them changed anything.
    bool othersDoNothing(bool withClear) {
        const auto before = traces();
        controller.onStart(), controller.onGetFwVersion(), controller.onSetLinSpeed();
        if (withClear)
            controller.onClearTraceList();
        return traces() == before;
    }
    // What a script's "=key" step compares.
    QString observe(const QString& key) const {
        const std::map<QString, QString> values{
            {"line1", window.line1.join(" / ")},
            {"status", window.line1.isEmpty() ? "-" : window.line1.back()},
            {"line2", window.line2.isEmpty() ? "-" : window.line2.back()},
            {"line2s", QString::number(window.line2.size())},
            {"writes", port.writes.join(" / ")},
            {"purges", QString::fromStdString(port.purges)},
            {"rows", infos().join('|')},
            {"numbers", numbers()},
            {"times", infos(true).join('|')},
            {"state", kStates[int(state)]},
            {"carry", QString::number(buffer.carryOver)},
            {"room", QString::number(port.lastMax)},
            {"live", QString::number(window.live)},
            {"busy", QString::number(controller.busy())},
            {"box", QString::fromStdString(window.boxText)},
            {"redraws", QString::number(window.redraws)},
            {"clears", QString::number(window.clears)},
            {"forgotten", QString::number(window.portsForgotten)},
            {"oom", QString::number(window.outOfMemoryReports)},
            {"log", sink.log.join('|')},
            {"rates", ratesSent()},
            {"search", QString("%1 %2").arg(window.searching).arg(window.busyWhileSearching)}};
        return values.count(key) ? values.at(key) : "no such key: " + key;
    }

    // The rates of the set-baud-rate frames written, in order.
    QString ratesSent() const {
        QStringList rates;
        for (const QString& w : port.writes)
            if (w.startsWith("04 01"))
                rates << QString::number(w.mid(6, 5).remove(' ').toInt(nullptr, 16));
        return rates.join(' ');
    }

    ScriptedPort port;
    RecordingWindow window{port};
    SetBaudrateFrame baudrateFrame;
    TraceController controller{port, window, session, baudrateFrame};
    LoggingSink sink;
};

}  // namespace

class TestTraceController : public QObject {
    Q_OBJECT

  private slots:
    // Steps split by ";": start, stop, version, baud, clear, find (the buttons); "read HEX"
    // queues bytes (none too) and ticks, "goods N" N whole good LIN frames; "queue HEX",
    // "wraps N" (timer wraps) queue without a tick;
    // "tick N"; vanish, back, unplug, plug (the port); pause, resume; "nomem N" (N rows, none too),
    // mem (row memory); "carry N" (bytes left from before); attach, detach (a logging byte sink);
    // "keep FILE": the sink records to FILE; "setbox RATE": the rate box shows RATE;
    // "others": the other buttons change nothing ("others-but-clear" leaves clear out); snap and
    // same: all of it is as at the snap; "=key text": what Rig::observe(key) gives.
    void scriptedSession_data() {
        QTest::addColumn<QString>("script");
        const auto add = [](const char* name, const QString& s) { QTest::newRow(name) << s; };
        // Half a frame behind the version answer, and frames ahead of the baud-rate answer,
        // are thrown away: nothing becomes a row, now or at the head of the next trace.
        add("answers within twenty ticks are shown and purged",
            "version; read {ver} 04 90; "
            "=line1 start read version ... / returned FW-Version: 1.2.3; baud; tick 19; "
            "read {lin} 05 81 25 80 01 00; =status returned LIN Baudrate: 9600, result:1; "
            "=box 9600; =writes 02 00 02 / 04 01 4b 00 50; =purges OIOI; =state Idle; =carry 0; "
            "start; read {mark}; =rows START (7)");
        // An awaited answer is no trace to stop; one read in the tick that times out comes
        // too late.
        for (const auto& [name, command, answer, write] :
             {std::tuple{"read version", "version", "{ver}", "02 00 02"},
              {"set baudrate", "baud", "05 81 25 80 00 00", "04 01 4b 00 50"}})
            add(name, QString("%1; tick 2; stop; others; tick 18; =line1 start %2 ...; read %3; "
                              "=line1 start %2 ... / timeout %2!!!; =purges OI; tick 5; "
                              "=line1 start %2 ... / timeout %2!!!; =state Idle; =box 19200; "
                              "=writes %4; =redraws 0")
                          .arg(command, name, answer, write));
        add("start marker on the third tick is announced once",
            "start; =writes 02 02 04; =live 1; =busy 1; tick 2; others; read {mark}; "
            "=state Tracing; tick 25; others; =line1 start trace ... / start trace detected ...; "
            "=rows START (7)");
        // The second status line is refreshed on ticks 1, 7, 13, 19, 25.
        add("start on a silent device repeats the time-out",
            "start; tick 21; =line1 start trace ... / %1; =line2s 4; tick 4; =line2s 5; "
            "=purges OIOIOIOIOI; =state StartRequested; stop; =writes 02 02 04 / 02 03 05; "
            "=state Idle; =live 0; =busy 0; =redraws 1; tick 3; "
            "=line1 start trace ... / %1 / %1 / %1 / %1 / %1");
        // Sixteen wraps put the clock past a second; a device error read in two parts is
        // read behind its first part, not past the buffer. A new recording restarts the
        // clock, the counts go on; bytes read in Idle are dropped, a frame begun waits.
        add("counts survive stop and restart until clear",
            "start; read {mark}; wraps 16; read {lin} 05 9C 13; read 00 2A 00; =room 32765; "
            "tick 6; =line2 active: 00:00:01  \tFRMs: 1  \tERRs: 1; stop; start; read {mark}; "
            "read {lin} 05 9C; tick 6; =line2 active: 00:00:00  \tFRMs: 2  \tERRs: 1; "
            "=rows START (7)|Break|#2A|START (7)|Break; stop; read {lin} {err}; "
            "=rows START (7)|Break|#2A|START (7)|Break; =carry 2; clear; =line2 ; =rows ; "
            "=carry 0; =clears 1; =status start trace detected ...; tick 6; "
            "=line2 active: 00:00:00  \tFRMs: 0  \tERRs: 0");
        // A dump file loads through the receive buffer while paused. Connected again, the
        // refresh counter starts full; Stop in Idle stops a device left tracing.
        add("paused or portless controller does nothing but clear",
            "queue {ver}; carry 4; snap; pause; tick 3; stop; others; same; resume; unplug; "
            "tick 30; stop; others-but-clear; same; clear; =line2s 1; =line2 ; =clears 1; "
            "=carry 0; plug; tick 1; =line2s 2; stop; =writes 02 03 05");
        // The last frames arrived before the adapter was pulled, and half a frame after;
        // then back again, and gone again while the version answer is awaited.
        add("device vanishing keeps its last frames and stops",
            "start; read {mark}; read 04 90 12 34 00 05 91 12 40 55 00; "
            "queue 05 92 12 50 C1 00 {err} 04 90; vanish; tick 6; =rows START (7)|Break|#2A; "
            "=line1 start trace ... / start trace detected ... / device disconnected; "
            "=line2 active: 00:00:00  \tFRMs: 1  \tERRs: 1; =room 32766; =writes 02 02 04; "
            "=state Idle; =busy 0; =live 0; =redraws 1; =carry 0; =forgotten 1; back; version; "
            "tick 2; vanish; tick 2; =state Idle; =forgotten 2");
        // Without memory the trace starts all the same and its error counts; with room for one
        // row the rest of the frames go nowhere, but the wrap moves the clock; rows are made
        // again from the next break, not from a field of the lost frame. The window hears of a
        // shortage once, and again only after rows could be made.
        add("row shortage is reported once",
            "start; nomem; read {mark} {err}; =state Tracing; =rows ; =oom 1; nomem 1; "
            "read {lin} 05 93 12 60 01 00 04 90 20 00 00 05 91 20 10 55 00; wraps 1; "
            "read 02 55 00; =oom 1; mem; read 05 91 30 00 55 00 04 90 40 00 00 05 91 40 10 55 00; "
            "=rows Break|Break; =times + 00:00:00,004660|+ 00:00:00,077260; tick 6; "
            "=line2 active: 00:00:00  \tFRMs: 1  \tERRs: 1; nomem; read {err}; =oom 2");
        // The byte sink gets the bytes read while a trace runs, and a tick after each read.
        add("sink: idle, then a version answer awaited",
            "attach; read {mark}; version; read 04 90 12 34 00 {ver}; =log t|t");
        add("sink: start request, trace, stop",
            "attach; start; read; read 05 82 00; read 07 00 8E 04; read 90 12 34 00; stop; "
            "read 04 90 12 34 00; =log started|t|05 82 00|t|07 00 8e 04|t|90 12 34 00|t|ended|t");
        add("sink: attached mid-frame, detached",
            "start; read {mark} 04 90; attach; read 12 34 00; detach; read 04 90 12 34 00; "
            "=log started|04 90|12 34 00|t|ended");
        // At the row budget a recorded trace drops its oldest rows (one at a time under a
        // budget this small, the sink told first) and says so once; numbers go on.
        // Unrecorded, it stops.
        add("ring while recording",
            "attach; keep /rec/t.dump; start; read {mark}; nomem 2; read {err} {err} {err}; "
            "=numbers 1|2|3; read {err}; =numbers 2|3|4; =oom 0; "
            "=line1 start trace ... / start trace detected ... / oldest rows dropped from view: "
            "they are in /rec/t.dump; "
            "=log started|05 82 00 07 00 8e|t|05 9c 13 00 2a 00 05 9c 13 00 2a 00 05 9c 13 00 2a "
            "00|leaving|t|05 9c 13 00 2a 00|leaving|t");
        // Under a budget of 64 a sixteenth of it goes at once: the 65th row leaves 61.
        QStringList kept;
        for (int number = 4; number <= 64; ++number) kept << QString::number(number);
        add("ring drops a sixteenth of the budget at a time",
            "attach; keep /rec/t.dump; start; read {mark}; nomem 63; read " +
                QString("{err} ").repeated(64) + "; =numbers " + kept.join('|') + "; =oom 0");
        add("ring while a trigger records",
            "attach; note the trigger's stretches are in /rec/t.dump; start; read {mark}; nomem 2; "
            "read {err} {err} {err}; =numbers 1|2|3; =oom 0; =line1 start trace ... / start trace "
            "detected ... / oldest rows dropped from view: the trigger's stretches are in "
            "/rec/t.dump");
        // A list full at Start drops rows at once; the news follows the start's.
        add("ring from a full list",
            "attach; keep /rec/t.dump; load {mark} {err} {err} {err}; nomem 0; start; "
            "read {mark} {err}; read {err}; =numbers 3|0|1|2; =oom 0; =line1 start trace ... / "
            "start trace detected ... / oldest rows dropped from view: they are in /rec/t.dump");
        // The ring ends with the recorded trace: a file loaded after it stops at the budget.
        add("ring ends with the trace",
            "attach; keep /rec/t.dump; start; read {mark}; nomem 2; read {err} {err} {err}; "
            "=numbers 1|2|3; stop; load {mark} {err} {err} {err}; =numbers 0|1|2");
        add("recording turned on in a rate search starts with the next trace",
            "keep /rec/t.dump; find; read {ok}; =state StartRequested; attach; find; "
            "read 05 81 4b 00 00 00; =state Idle; version; read {ver}; nomem 3; "
            "load {mark} {err} {err} {err}; =numbers 0|1|2; =log t|t; start; =log t|t|started");
        add("a recording failing as rows leave stops the ring",
            "attach; keep /rec/t.dump; fail-at-drop; start; read {mark}; nomem 2; "
            "read {err} {err} {err}; =numbers 0|1|2; =oom 1; "
            "=line1 start trace ... / start trace detected ...");
        add("no ring unrecorded",
            "attach; start; read {mark}; nomem 2; read {err} {err} {err}; "
            "=numbers 0|1|2; =oom 1; =line1 start trace ... / start trace detected ...");
        // Rate search: 300 ms (3 ticks) of trace per trial, or 20 whole LIN frames; the rates
        // from the box come after 19200, 9600, 10417 and 20000. The trials' rows stay out of
        // the trace and the recording; "find rate" is "cancel" meanwhile.
        add("rate search stops at 20 good frames and sets the rate",
            "attach; find; =status finding the LIN rate: trying 19200 ...; =search 1 1; =busy 1; "
            "others; read {ok}; =writes 04 01 4b 00 50 / 02 02 04; read {mark} {err}; tick 2; "
            "=status finding the LIN rate: trying 9600 ...; read {ok}; goods 21; "
            "=rates 19200 9600 9600; read 05 81 25 80 00 00; "
            "=line1 %2 19200 ... / %2 9600 ... / returned LIN Baudrate: 9600, result:0 / "
            "LIN rate found: 9600 (20 good frames); =box 9600; =state Idle; =busy 0; =search 0 0; "
            "=rows ; =log t|t|t|t|t|t|t; =writes 04 01 4b 00 50 / 02 02 04 / 02 03 05 / "
            "04 01 25 80 aa / 02 02 04 / 02 03 05 / 04 01 25 80 aa");
        add("rate search takes the best of three good frames or more",
            "find; read {ok}; goods 2; tick 2; read {ok}; goods 4; read {err}; tick 1; read {ok}; "
            "goods 5; tick 2; read {ok}; tick 3; read {ok}; tick 3; read {ok}; tick 3; read {ok}; "
            "tick 3; =rates 19200 9600 10417 20000 1200 2400 4800 10417; "
            "read 05 81 28 b1 00 00; =status LIN rate found: 10417 (4 good frames); =box 10417");
        add("rate search finding nothing sets the old rate again",
            "find; read {ok}; read {err} 04 90 12 34 00 05 91 12 40 54 00 {err}; tick 2; read "
            "{ok}; tick 3; read {ok}; tick 3; "
            "read {ok}; "
            "tick 3; read {ok}; tick 3; read {ok}; tick 3; read {ok}; tick 3; "
            "=rates 19200 9600 10417 20000 1200 2400 4800 19200; read 05 81 4b 00 00 00; "
            "=status no LIN rate found: no frames with a valid sync; =box 19200; =busy 0");
        // The old rate differs from the first trial's, so that the one re-sent is told apart.
        add("rate search cancelled in a trial sets the old rate again",
            "setbox 2400; find; read {ok}; =state StartRequested; find; =writes 04 01 4b 00 50 / "
            "02 02 04 / 02 03 05 / 04 01 09 60 6e; =search 1 1; find; tick 5; =rates 19200 2400; "
            "read 05 81 09 60 00 00; =status returned LIN Baudrate: 2400, result:0; =search 0 0; "
            "=busy 0; =state Idle; =box 2400");
        add("rate search cancelled by stop while a rate is awaited",
            "find; read {ok}; tick 3; stop; =rates 19200 9600; read {ok}; =rates 19200 9600 19200; "
            "=writes 04 01 4b 00 50 / 02 02 04 / 02 03 05 / 04 01 25 80 aa / 04 01 4b 00 50; "
            "read 05 81 4b 00 00 00; =status returned LIN Baudrate: 19200, result:0");
        add("rate search ends at a refused rate",
            "find; read {ok}; tick 3; read 05 81 25 80 01 00; "
            "=status returned LIN Baudrate: 9600, result:1; =box 9600; =busy 0; =state Idle; "
            "=search 0 0; =purges OIOI; start; =writes 04 01 4b 00 50 / 02 02 04 / 02 03 05 / "
            "04 01 25 80 aa / 02 02 04");
        add("rate search ends at a silent device",
            "find; tick 20; =status finding the LIN rate: trying 19200 ...; read {ok}; "
            "=status timeout set baudrate!!!; =busy 0; =search 0 0; =state Idle; =box 19200");
        add("rate search ends when the device vanishes",
            "find; read {ok}; queue {mark} {lin}; vanish; tick 1; =status device disconnected; "
            "=rows ; =busy 0; =search 0 0; =state Idle; =forgotten 1");
        add("sink: device lost",
            "attach; start; read {mark}; queue 04 90 12 34 00; vanish; read; "
            "=log started|05 82 00 07 00 8e|t|04 90 12 34 00|ended");
    }

    void scriptedSession() {
        QFETCH(QString, script);
        for (const auto& [name, frame] : kFrames) script.replace(name, frame);
        script.replace("%1", "response timeout detected for 'start trace' (use STOP button)!!!");
        script.replace("%2", "finding the LIN rate: trying");
        Rig rig;
        std::optional<decltype(rig.traces())> snapshot;
        const QStringList steps = script.split(';');
        for (qsizetype n = 0; n < steps.size(); ++n) {
            const QString step = steps[n].trimmed();
            const QString verb = step.section(' ', 0, 0), rest = step.section(' ', 1);
            const QByteArray bytes = QByteArray::fromHex(rest.toLatin1());
            // A failure names its step: its number from 1 and its text.
            const auto failed = [&](const QString& what) {
                return QString("step %1 \"%2\": %3").arg(n + 1).arg(step, what).toLocal8Bit();
            };
            if (verb.startsWith('=')) {
                const QString seen = rig.observe(verb.mid(1));
                QVERIFY2(seen == rest, failed("saw \"" + seen + '"').constData());
            } else if (verb == "read" || verb == "queue" || verb == "wraps" || verb == "goods") {
                rig.port.pending += verb == "wraps"   ? hex("02 A0 A2").repeated(rest.toInt())
                                    : verb == "goods" ? kGoodFrame.repeated(rest.toInt())
                                                      : bytes;
                rig.ticks(verb == "read" || verb == "goods");
            } else if (verb == "load") {  // a dump file of these bytes, as "load trace" does
                std::FILE* file = std::tmpfile();
                QVERIFY(file != nullptr);
                std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file);
                std::rewind(file);
                LoadTrace(rig.session, file);
                std::fclose(file);
            } else if (verb == "others" || verb == "others-but-clear") {
                QVERIFY2(rig.othersDoNothing(verb == "others"),
                         failed("another button acted").constData());
            } else if (verb == "same") {
                QVERIFY2(rig.traces() == *snapshot, failed("changed since the snap").constData());
            } else {
                const std::map<QString, std::function<void()>> actions{
                    {"start", [&] { rig.controller.onStart(); }},
                    {"stop", [&] { rig.controller.onStop(); }},
                    {"version", [&] { rig.controller.onGetFwVersion(); }},
                    {"baud", [&] { rig.controller.onSetLinSpeed(); }},
                    {"clear", [&] { rig.controller.onClearTraceList(); }},
                    {"find", [&] { rig.controller.onFindRate(); }},
                    {"vanish", [&] { rig.port.vanished = true; }},
                    {"back", [&] { rig.port.vanished = false, rig.port.connected = true; }},
                    {"unplug", [&] { rig.port.connected = false; }},
                    {"plug", [&] { rig.port.connected = true; }},
                    {"pause", [&] { rig.controller.setPaused(true); }},
                    {"resume", [&] { rig.controller.setPaused(false); }},
                    {"attach", [&] { rig.controller.setByteSink(&rig.sink); }},
                    {"keep", [&] { rig.sink.kept = rest.toStdString(); }},
                    {"note", [&] { rig.sink.note = rest.toStdString(); }},
                    {"fail-at-drop", [&] { rig.sink.failsAtDrop = true; }},
                    {"detach", [&] { rig.controller.setByteSink(nullptr); }},
                    {"tick", [&] { rig.ticks(rest.toInt()); }},
                    {"snap", [&] { snapshot = rig.traces(); }},
                    {"carry", [&] { rig.buffer.carryOver = rest.toInt(); }},
                    {"setbox", [&] { rig.window.boxText = rest.toStdString(); }},
                    {"nomem", [&] { rig.list.setRowBudget(rig.list.rowCount() + rest.toInt()); }},
                    {"mem", [&] { rig.list.setRowBudget(kNoLimit); }}};
                QVERIFY2(actions.count(verb), failed("no such step").constData());
                actions.at(verb)();
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTraceController)
#include "tst_tracecontroller.moc"
