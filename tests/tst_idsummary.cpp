// The per-identifier summary: counts, lengths, checksum models, periods across timer wraps,
// the last data and which bytes changed, the bus load, and the table daridez-dump prints;
// and the tracker that keeps a summary up to date while the trace grows and starts over
// (through IdSummary::clear) when it is cleared.
#include <QMap>
#include <QTest>
#include <span>

#include "DecoderFixture.h"
#include "lin/IdSchedule.h"
#include "lin/IdSummary.h"
#include "lin/IdSummaryTracker.h"
#include "lin/LinDescription.h"

using namespace daridez;
using namespace daridez::test;

namespace {

constexpr int kBaud = 19200;
const QString kHeader = "ID\tframes\tbad\tlengths\tmodel\tperiod_min\tperiod_avg\tperiod_max\tlast";
const QByteArray kWrap = "02A000";  // the clock goes to the next multiple of 65,536 us
// Frames of identifiers 05 (byte 1 changing) and 01.
const QByteArray kThree = linFrameHex("1000", "85 01 02 FC") + linFrameHex("5000", "85 01 07 F7") +
                          linFrameHex("9000", "C1 01 02 03 04 05 06 07 08 1A");

// "|" in the stream starts a new recording there, as "Start" does: the clock begins at 0.
void addStream(IdSummary& summary, const QByteArray& stream) {
    DecoderFixture f;
    for (const QByteArray& recording : stream.split('|'))
        f.decoder.RestartDecoder(), f.feed(hex(recording));
    for (const TraceEntry* row : f.listRows()) summary.add(*row);
}

IdSummary summaryOf(const QByteArray& stream, const LdfModel* ldf = nullptr) {
    IdSummary summary;
    summary.setLdf(ldf);
    addStream(summary, stream);
    return summary;
}

// Cmd (10) every 30 ms, the event-triggered Doors (3A, protected BA) that Left (20) and
// Right (21, protected 61) answer, and the sporadic slot of Spor (11).
const LinDescription& eventLdf() {
    static const LinDescription ldf = LinDescription::parse(
        "LIN_description_file; LIN_protocol_version = \"2.1\"; LIN_language_version = "
        "\"2.1\"; LIN_speed = 19.2 kbps;\n"
        "Nodes { Master: M, 5 ms, 0.5 ms; Slaves: L, R; }\n"
        "Signals { A: 8, 0, M, L; PL: 8, 0, L, M; VL: 8, 0, L, M; PR: 8, 0, R, M; "
        "VR: 8, 0, R, M; S: 8, 0, M, L; }\n"
        "Frames { Cmd: 0x10, M, 2 { A, 0; } Left: 0x20, L, 2 { PL, 0; VL, 8; }"
        " Right: 0x21, R, 2 { PR, 0; VR, 8; } Spor: 0x11, M, 1 { S, 0; } }\n"
        "Sporadic_frames { SporSlot: Spor; }\n"
        "Event_triggered_frames { Doors: 0x3A, Left, Right; }\n"
        "Schedule_tables { Main { Cmd delay 10 ms; Doors delay 10 ms; SporSlot delay 10 ms; } }\n",
        "event.ldf");
    return ldf;
}

// The table's lines after checking its header and that every line ends with "\n".
QStringList bodyLines(const IdSummary& summary) {
    const QString table = QString::fromStdString(FormatIdTable(summary, kBaud));
    [&] { QVERIFY(table.endsWith('\n')); }();
    QStringList lines = table.chopped(1).split('\n');
    [&] { QCOMPARE(lines.first(), kHeader); }();
    return lines.mid(1);
}

// The lines of a table with each changed line in place of the one of its identifier (the
// text before the first TAB), or among them in the order of identifiers where none is.
QStringList withChanges(const QStringList& lines, const QStringList& changed) {
    QMap<QString, QString> byId;
    for (const QString& line : lines + changed) byId[line.section('\t', 0, 0)] = line;
    return byId.values();
}

}  // namespace

class TestIdSummary : public QObject {
    Q_OBJECT

  private slots:
    void summarisesRowsPerIdentifier_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QStringList>("lines");  // one per identifier, then the bus load in %
        QTest::newRow("one row only: no period, no time for a load")
            << linFrameHex("1000", "85 01 02 FC")
            << QStringList{"05\t1\t0\t2\tclassic\t-\t-\t-\t01 02", "0.0"};
        QTest::newRow("periods between breaks; the average spans first to last")
            << linFrameHex("1000", "20 01 02 03 04 D5") + linFrameHex("3710", "20 01 02 03 04 D5") +
                   linFrameHex("5E20", "20 01 02 03 04 D5") +
                   linFrameHex("872A", "20 01 02 03 04 D5")
            << QStringList{"20\t4\t0\t4\tenhanced\t10.000\t10.169\t10.506\t01 02 03 04", "57.4"};
        QTest::newRow("classic and enhanced rows make mixed; lengths ascend")
            << linFrameHex("1000", "85 01 02 03 04 70") + linFrameHex("5000", "85 01 02 FC")
            << QStringList{"05\t2\t0\t2,4\tmixed\t16.384\t16.384\t16.384\t01 02", "47.0"};
        QTest::newRow("no response, one byte, wrong checksum: bad; data kept only with a checksum")
            << linFrameHex("1000", "50") + linFrameHex("5000", "50 A0") +
                   linFrameHex("9000", "50 A0 B1 00") + "03F00000"
            << QStringList{"10\t3\t3\t2\t-\t16.384\t16.384\t16.384\tA0 B1", "22.6"};
        QTest::newRow("a frame cut by the end of its recording counts nowhere")
            << linFrameHex("1000", "85 01 02 FC") + linFrameHex("5000", "85 01") + "058200010000 " +
                   linFrameHex("9000", "85 01 02 FC") + linFrameHex("D000", "85 01 07")
            << QStringList{"05\t2\t0\t2\tclassic\t-\t-\t-\t01 02", "20.3"};
        QTest::newRow("Stop and Start in one recording: no period across the start marker")
            << linFrameHex("1000", "85 01 02 FC") + linFrameHex("5000", "85 01 02 FC") +
                   "058200010000 " + linFrameHex("6000", "85 01 02 FC") +
                   linFrameHex("A000", "85 01 02 FC")
            << QStringList{"05\t4\t0\t2\tclassic\t16.384\t16.384\t16.384\t01 02", "36.2"};
        QTest::newRow("parity fault counts under the identifier, as bad")
            << linFrameHex("1000", "05 01 02 FC") + linFrameHex("5000", "85 01 02 FC")
            << QStringList{"05\t2\t1\t2\tclassic\t16.384\t16.384\t16.384\t01 02", "40.7"};
        QTest::newRow("rows without identifier add no line and no bits, but stretch the span")
            << "058200010000 " + linFrameHex("1000", "") + linFrameHex("2000", "85 01 02 FC") +
                   "059C20503A00 03F00000 " + linFrameHex("3000", "") + "03F00000"
            << QStringList{"05\t1\t0\t2\tclassic\t-\t-\t-\t01 02", "40.7"};
        QTest::newRow("periods across one and two timer wraps")
            << linFrameHex("FFF0", "3C 01 02 FC") + kWrap + linFrameHex("0010", "3C 01 02 FC") +
                   kWrap + kWrap + linFrameHex("0010", "3C 01 02 FC")
            << QStringList{"3C\t3\t0\t2\tclassic\t0.032\t65.552\t131.072\t01 02", "7.6"};
        QTest::newRow("identifiers ascend; last data survives a row without response")
            << linFrameHex("1000", "20 7F 80") +
                   linFrameHex("5000", "C1 01 02 03 04 05 06 07 08 1A") +
                   linFrameHex("9000", "20 01 02 03 04 F5") + linFrameHex("D000", "20") + "03F00000"
            << QStringList{"01\t1\t0\t8\tenhanced\t-\t-\t-\t01 02 03 04 05 06 07 08",
                           "20\t3\t1\t1,4\tclassic\t16.384\t24.576\t32.768\t01 02 03 04", "31.4"};
        QTest::newRow("a new recording: no period across its start, time goes on")
            << linFrameHex("1000", "85 01 02 FC") + linFrameHex("5000", "85 01 02 FC") + "|" +
                   linFrameHex("0800", "85 01 02 FC") + linFrameHex("4800", "85 01 02 FC")
            << QStringList{"05\t4\t0\t2\tclassic\t16.384\t16.384\t16.384\t01 02", "40.7"};
        QByteArray schedule;  // a frame every 10 ms for 10 s: 152 timer wraps between them
        for (std::int64_t time = 1000, clock = 0; time <= 10'001'000; time += 10000) {
            for (; clock + 0x10000 <= time; clock += 0x10000) schedule += kWrap;
            const QByteArray stamp = QByteArray::number(time & 0xFFFF, 16).rightJustified(4, '0');
            schedule += linFrameHex(stamp, "C1 01 02 03 04 05 06 07 08 1A");
        }
        QTest::newRow("1,001 frames of 8 bytes every 10 ms, across timer wraps")
            << schedule
            << QStringList{
                   "01\t1001\t0\t8\tenhanced\t10.000\t10.000\t10.000\t01 02 03 04 05 06 07 08",
                   "64.6"};
    }

    void summarisesRowsPerIdentifier() {
        QFETCH(QByteArray, stream);
        QFETCH(QStringList, lines);
        lines.last() = "bus load: " + lines.last() + " % at 19200 baud";
        const IdSummary summary = summaryOf(stream);
        QCOMPARE(bodyLines(summary), lines);
        QCOMPARE(summary.busLoad(0), 0.0);
    }

    // With an LDF: each identifier's frame, publisher and length, the nominal period from
    // the table asked for (the longest delay between the frame's slots, around the table;
    // the first table holding a frame without one), planned frames never seen, identifiers
    // not in the LDF, and a period beyond the nominal one and the master's jitter (0.5 ms).
    // Of two frames with one identifier the first describes it.
    void scheduleAddsTheLdfsColumns_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("statusStamp");  // of the second Status frame
        QTest::addColumn<QStringList>("changed");     // see withChanges; the LDF's columns
        QTest::newRow("first tables, at the jitter's edge")
            << "" << QByteArray("AAAC") << QStringList{};
        QTest::newRow("past the jitter: late")
            << "" << QByteArray("AB10") << QStringList{"20\tStatus\tS\t4\t35.000\tlate\t-"};
        QTest::newRow("the slow table")
            << "Slow" << QByteArray("AB10")
            << QStringList{"10\tCmd\tM\t2\t-\t-\t-", "20\tStatus\tS\t4\t100.000\t-\t-"};
    }

    void scheduleAddsTheLdfsColumns() {
        QFETCH(QString, table);
        QFETCH(QByteArray, statusStamp);
        QFETCH(QStringList, changed);
        const LinDescription ldf = LinDescription::parse(
            "LIN_description_file; LIN_protocol_version = \"2.1\"; LIN_language_version = "
            "\"2.1\"; LIN_speed = 19.2 kbps;\n"
            "Nodes { Master: M, 5 ms, 0.5 ms; Slaves: S; }\n"
            "Signals { A: 8, 0, M, S; B: 8, 0, S, M; C: 8, 0, S, M; }\n"
            "Frames { Cmd: 0x10, M, 2 { A, 0; } Status: 0x20, S, 4 { B, 0; }"
            " Never: 0x11, S, 1 { C, 0; } Again: 0x20, M, 1 { A, 0; } }\n"
            "Schedule_tables { Main { Cmd delay 10 ms; Status delay 10 ms; Cmd delay 15 ms; }\n"
            " Slow { Status delay 50 ms; Never delay 50 ms; } }\n",
            "test.ldf");
        QVERIFY(ldf.usable());
        const IdSummary summary = summaryOf(
            linFrameHex("1000", "50 01 02 AC") + linFrameHex("2000", "20 01 02 03 04 D5") +
            linFrameHex("4A98", "50 01 02 AC") + linFrameHex(statusStamp, "20 01 02 03 04 D5") +
            linFrameHex("B000", "85 01 02 FC"));
        const IdSchedule schedule(*ldf.model(), table.toStdString());
        QStringList lines = QString::fromStdString(FormatIdTable(summary, kBaud, schedule))
                                .split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.takeLast().startsWith("bus load: "));
        QCOMPARE(lines.takeFirst(),
                 kHeader + "\tframe\tpublisher\tldf_length\tperiod_nominal\tldf\tcollisions");
        for (QString& line : lines) line = line.section('\t', 0, 0) + '\t' + line.section('\t', 9);
        QCOMPARE(lines, withChanges({"05\t-\t-\t-\t-\tnot in LDF\t-", "10\tCmd\tM\t2\t20.000\t-\t-",
                                     "11\tNever\tS\t1\t100.000\t0 frames\t-",
                                     "20\tStatus\tS\t4\t35.000\t-\t-"},
                                    changed));
        // Without an LDF the table is the summary's own.
        QCOMPARE(QString::fromStdString(FormatIdTable(summary, kBaud)).section('\n', 0, 0),
                 kHeader);
    }

    // With an LDF, the outcomes of event-triggered and sporadic slots and a sleeping bus:
    // whole lines of the table with the LDF's columns, collisions last.
    void verdictCasesWithAnLdf_data() {
        QTest::addColumn<QByteArray>("stream");
        // The lines unlike those of two Cmd frames alone (see withChanges), then the bus
        // load in %.
        QTest::addColumn<QStringList>("changed");
        const QByteArray cmd = "50 01 02 AC";
        QTest::newRow("event slot silent: not bad, never late")
            << linFrameHex("1000", cmd) + linFrameHex("1A00", "BA") + linFrameHex("5000", cmd) +
                   linFrameHex("9A00", "BA") + linFrameHex("9F00", cmd)
            << QStringList{
                   "10\t3\t0\t2\tenhanced\t16.384\t18.304\t20.224\t01 02\tCmd\tM\t2\t30.000\t-\t-",
                   "3A\t2\t0\t-\t-\t32.768\t32.768\t32.768\t-\tDoors\tL\t2\t30.000\t-\t0", "37.0"};
        QTest::newRow("event slot answered: the answer counts for Left too")
            << linFrameHex("1000", cmd) + linFrameHex("1A00", "BA 20 07 1E") +
                   linFrameHex("5000", cmd) + linFrameHex("5A00", "BA 20 08 1D")
            << QStringList{
                   "20\t2\t0\t2\tenhanced\t16.384\t16.384\t16.384\t20 08\tLeft\tL\t2\t-\t-\t-",
                   "3A\t2\t0\t2\tenhanced\t16.384\t16.384\t16.384\t20 "
                   "08\tDoors\tL\t2\t30.000\t-\t0",
                   "70.4"};
        QTest::newRow("event slot answered by a frame not associated: a collision")
            << linFrameHex("1000", cmd) + linFrameHex("1A00", "BA 50 07 ED") +
                   linFrameHex("5000", cmd)
            << QStringList{"3A\t1\t0\t2\t-\t-\t-\t-\t50 07\tDoors\tL\t2\t30.000\t-\t1", "61.0"};
        QTest::newRow("event slot collisions: counted, not bad")
            << linFrameHex("1000", cmd) + linFrameHex("1A00", "BA 20 07 00") +
                   linFrameHex("2A00", "BA 61") + linFrameHex("5000", cmd)
            << QStringList{"3A\t2\t0\t2\t-\t4.096\t4.096\t4.096\t20 07\tDoors\tL\t2\t30.000\t-\t2",
                           "75.0"};
        QTest::newRow("sporadic frame: sent when it has news, never late")
            << linFrameHex("1000", cmd) + linFrameHex("1A00", "11 05 E9") +
                   linFrameHex("5000", cmd) + linFrameHex("DA00", "11 06 E8")
            << QStringList{"11\t2\t0\t1\tenhanced\t49.152\t49.152\t49.152\t06\tSpor\tM\t1\t-\t-\t-",
                           "23.8"};
        QTest::newRow("go-to-sleep: no period and no bus time until the next header")
            << linFrameHex("1000", cmd) + linFrameHex("1800", "3C 00 FF FF FF FF FF FF FF 00") +
                   kWrap + kWrap + linFrameHex("3000", cmd) + linFrameHex("7000", cmd)
            << QStringList{
                   "10\t3\t0\t2\tenhanced\t16.384\t16.384\t16.384\t01 02\tCmd\tM\t2\t30.000\t-\t-",
                   "3C\t1\t0\t8\tclassic\t-\t-\t-\t00 FF FF FF FF FF FF FF\t-\t-\t-\t-\tnot in "
                   "LDF\t-",
                   "89.3"};
        QTest::newRow("a go-to-sleep with a wrong checksum: the bus stays awake")
            << linFrameHex("1000", cmd) + linFrameHex("1800", "3C 00 FF FF FF FF FF FF FF 01") +
                   kWrap + kWrap + linFrameHex("3000", cmd) + linFrameHex("7000", cmd)
            << QStringList{
                   "10\t3\t0\t2\tenhanced\t16.384\t77.824\t139.264\t01 "
                   "02\tCmd\tM\t2\t30.000\tlate\t-",
                   "3C\t1\t1\t8\t-\t-\t-\t-\t00 FF FF FF FF FF FF FF\t-\t-\t-\t-\tnot in LDF\t-",
                   "10.6"};
    }

    void verdictCasesWithAnLdf() {
        QFETCH(QByteArray, stream);
        QFETCH(QStringList, changed);
        QVERIFY(eventLdf().usable());
        const LdfModel& ldf = *eventLdf().model();
        const IdSummary summary = summaryOf(stream, &ldf);
        QStringList table =
            QString::fromStdString(FormatIdTable(summary, kBaud, IdSchedule(ldf, "")))
                .split('\n', Qt::SkipEmptyParts);
        QVERIFY(table.takeFirst().endsWith("\tldf\tcollisions"));
        const QString never = "\t0\t0\t-\t-\t-\t-\t-\t-\t";
        const QStringList twoCmds{
            "10\t2\t0\t2\tenhanced\t16.384\t16.384\t16.384\t01 02\tCmd\tM\t2\t30.000\t-\t-",
            "11" + never + "Spor\tM\t1\t-\t0 frames\t-",
            "20" + never + "Left\tL\t2\t-\t0 frames\t-",
            "21" + never + "Right\tR\t2\t-\t0 frames\t-",
            "3A" + never + "Doors\tL\t2\t30.000\t0 frames\t0",
            "bus load: " + changed.takeLast() + " % at 19200 baud"};
        QCOMPARE(table, withChanges(twoCmds, changed));
        // Emptied, the summary keeps judging with the LDF.
        IdSummary again = summary;
        again.clear();
        addStream(again, stream);
        QCOMPARE(FormatIdTable(again, kBaud, IdSchedule(ldf, "")),
                 FormatIdTable(summary, kBaud, IdSchedule(ldf, "")));
    }

    void marksChangedDataBytesRowByRow() {
        DecoderFixture f;
        f.feed(hex(linFrameHex("1000", "85 01 02 FC") + linFrameHex("2000", "85 01 07 F7") +
                   linFrameHex("3000", "85 01 07 03 04 F0") + linFrameHex("4000", "85") +
                   linFrameHex("5000", "85 01 07 03 04 F0") +
                   linFrameHex("6000", "85 09 07 03 04 E8")));
        const auto rows = f.listRows();
        QCOMPARE(rows.size(), std::size_t{7});  // START, then the six LIN frames
        // After each LIN frame: the changed mask, the change count, then when bytes 0..3 last
        // changed ("-": never).
        const QStringList expected = {"0 0 - - - -",          "2 1 - 2000 - -",
                                      "C 2 - 2000 3000 3000", "C 2 - 2000 3000 3000",
                                      "0 2 - 2000 3000 3000", "1 3 6000 2000 3000 3000"};
        IdSummary summary;
        summary.add(*rows[0]);
        for (int n = 0; n < expected.size(); ++n) {
            summary.add(*rows[static_cast<std::size_t>(n) + 1]);
            const IdStats& s = summary.stats(0x05);
            QString line = QString("%1 %2").arg(s.changedMask, 0, 16).arg(s.changes).toUpper();
            for (const std::int64_t t : std::span(s.changeTimes).first(4))
                line += t == IdStats::kNever ? " -" : " " + QString::number(t, 16);
            QCOMPARE(line, expected[n]);
        }
    }

    void trackerInBatchesMatchesTheWholeTrace_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<int>>("cuts");  // byte offsets in the decoded stream
        // Row by row the bytes land in a row the decoder still fills: counted too early,
        // the identifier would miss its data.
        QTest::newRow("cut after each identifier") << kThree << QList<int>{17, 52, 87};
        QList<int> everySeven;
        for (int cut = 7; cut < 141; cut += 7) everySeven << cut;
        QTest::newRow("every seven bytes, frames split") << kThree << everySeven;
        QTest::newRow("start marker, frames without identifier, errors, wraps")
            << "058200010000 " + linFrameHex("1000", "") + linFrameHex("2000", "85 01 02 FC") +
                   "059C20503A00 03F00000 " + kWrap + linFrameHex("3000", "20 01 02 03 04 D5") +
                   linFrameHex("4000", "")
            << QList<int>{6, 17, 52, 58, 62, 65, 90, 112, 118};
    }

    // After every batch the tracker holds exactly the rows before the decoder's current one;
    // once the trace is idle it holds them all, as if added at once.
    void trackerInBatchesMatchesTheWholeTrace() {
        QFETCH(QByteArray, stream);
        QFETCH(QList<int>, cuts);
        const QByteArray bytes = hex(stream);
        cuts << int(bytes.size());
        DecoderFixture f;
        IdSummaryTracker tracker;
        int from = 0;
        for (int cut : cuts) {
            f.feed(bytes.mid(from, cut - from)), from = cut;
            QVERIFY(!tracker.update(f.list, f.decoder.currentEntry()).restarted);
            IdSummary complete;
            std::uint64_t rows = 0;
            for (const TraceEntry* row : f.listRows())
                if (row != f.decoder.currentEntry())
                    complete.add(*row), ++rows;
            QCOMPARE(tracker.rowsAdded(), rows);
            QCOMPARE(FormatIdTable(tracker.summary(), kBaud), FormatIdTable(complete, kBaud));
        }
        QCOMPARE(tracker.update(f.list, nullptr).rowsAdded, std::size_t{1});
        QCOMPARE(tracker.update(f.list, nullptr).rowsAdded, std::size_t{0});
        const IdSummary whole = summaryOf(stream);
        QCOMPARE(FormatIdTable(tracker.summary(), kBaud), FormatIdTable(whole, kBaud));
        QCOMPARE(tracker.summary().linFrames(), whole.linFrames());
        for (int id = 0; id < IdSummary::kIdCount; ++id)
            QCOMPARE(tracker.summary().stats(id).changeTimes, whole.stats(id).changeTimes);
    }

    void trackerStartsOverWhenTheTraceIsCleared() {
        const QByteArray second = linFrameHex("2000", "20 01 02 03 04 D5");
        DecoderFixture f;
        IdSummaryTracker tracker;
        f.feed(hex(kThree)), tracker.update(f.list, nullptr);
        QVERIFY(tracker.summary().seen(0x05) && tracker.summary().seen(0x01));

        // Emptied and not told: the empty list is seen.
        f.session.clear();
        QVERIFY(tracker.update(f.list, nullptr).restarted);
        QCOMPARE(tracker.rowsAdded(), std::uint64_t{0});
        const IdStats& cleared = tracker.summary().stats(0x05);  // byte 1 had changed
        QVERIFY(!tracker.summary().seen(0x05) && tracker.summary().linFrames() == 0);
        QVERIFY(cleared.dataLength == 0 && cleared.changeTimes[1] == IdStats::kNever);
        QCOMPARE(bodyLines(tracker.summary()), QStringList{"bus load: 0.0 % at 19200 baud"});

        // Refilled with fewer rows than were added, not told: the new head may sit where the
        // old one was, the shorter list gives it away.
        f.feed(hex(kThree)), tracker.update(f.list, nullptr);
        f.session.clear(), f.feed(hex(second));
        QVERIFY(tracker.update(f.list, nullptr).restarted);
        QCOMPARE(FormatIdTable(tracker.summary(), kBaud), FormatIdTable(summaryOf(second), kBaud));
        // Told (reset): tst_maindialog's ID summary emptied by Clear.
    }
};

QTEST_GUILESS_MAIN(TestIdSummary)
#include "tst_idsummary.moc"
