// The trigger gate: which rows of a trace the stretches around the rows a query picks
// keep, where each stretch begins, and that every row is kept or left out exactly once.
#include <QTest>
#include <list>

#include "DecoderFixture.h"
#include "lin/TriggerGate.h"

using namespace daridez;
using namespace daridez::test;

namespace {

constexpr std::int64_t kStep = 256;  // microseconds between the frames of linFrame's steps

// What the gate handed on: "#3" for a stretch that row 3 opened, "3" for a kept row
// (rows named by their time in steps: the start row 0, then the frames 1, 2 ...).
struct Collected : TriggerGate::Output {
    void stretch(const TraceEntry& trigger) override { said << "#" + step(trigger); }
    void row(const TraceEntry& entry, bool) override { said << step(entry); }
    void dropped(const TraceEntry&) override { ++droppedRows; }
    static QString step(const TraceEntry& entry) { return QString::number(entry.time / kStep); }

    QStringList said;
    int droppedRows = 0;
};

// The trace of a pattern: the start row, then per character a frame, 3C where it says
// "T", else 20.
void feedPattern(DecoderFixture& trace, const QByteArray& pattern) {
    QByteArray bytes = hex("05 82 00 00 00 00");
    for (int at = 1; at <= pattern.size(); ++at)
        bytes += linFrame(at, pattern[at - 1] == 'T' ? 0x3C : 0x20, "0102");
    trace.feed(bytes);
}

Query parsed(const char* text) {
    std::string error;
    return *Query::parse(text, error);
}

}  // namespace

class TestTriggerGate : public QObject {
    Q_OBJECT

  private slots:
    void keepsTheStretchesAroundEachTrigger_data() {
        QTest::addColumn<QByteArray>("pattern");
        QTest::addColumn<int>("pre");  // steps
        QTest::addColumn<int>("post");
        QTest::addColumn<int>("ring");  // rows
        QTest::addColumn<QString>("kept");
        QTest::newRow("one match") << QByteArray("..T.......") << 2 << 1 << 100 << "#3 1 2 3 4";
        QTest::newRow("overlapping")
            << QByteArray("..T..T....") << 2 << 1 << 100 << "#3 1 2 3 4 5 6 7";
        QTest::newRow("touching: no row left out between")
            << QByteArray("..T...T...") << 2 << 1 << 100 << "#3 1 2 3 4 5 6 7 8";
        QTest::newRow("apart") << QByteArray("..T.....T.") << 2 << 1 << 100
                               << "#3 1 2 3 4 #9 7 8 9 10";
        QTest::newRow("one after another: one stretch")
            << QByteArray("..TT......") << 2 << 1 << 100 << "#3 1 2 3 4 5";
        QTest::newRow("at the very start, with the start row")
            << QByteArray("T.........") << 2 << 1 << 100 << "#1 0 1 2";
        QTest::newRow("at the very end")
            << QByteArray(".........T") << 2 << 1 << 100 << "#10 8 9 10";
        QTest::newRow("none") << QByteArray("..........") << 2 << 1 << 100 << "";
        QTest::newRow("no time around") << QByteArray("..T..T....") << 0 << 0 << 100 << "#3 3 #6 6";
        QTest::newRow("the ring's budget bounds the rows before")
            << QByteArray(".....T....") << 5 << 0 << 2 << "#6 4 5 6";
        QTest::newRow("a trigger in the rows its ring left out begins a stretch")
            << QByteArray("T...T.....") << 5 << 0 << 2 << "#1 0 1 #5 3 4 5";
        // A new trace's times start again: what waited from the last one is not kept before
        // its first trigger.
        QTest::newRow("a new trace leaves the last one's rows out")
            << QByteArray("...|T") << 10 << 0 << 100 << "#1 0 1";
    }
    void keepsTheStretchesAroundEachTrigger() {
        QFETCH(QByteArray, pattern);
        QFETCH(int, pre);
        QFETCH(int, post);
        QFETCH(int, ring);
        QFETCH(QString, kept);
        Collected out;
        TriggerGate gate(parsed("id=3C"), pre * kStep, post * kStep, std::size_t(ring), out);
        std::list<DecoderFixture> traces;  // "|": a new trace
        qsizetype rows = 0;
        for (const QByteArray& part : pattern.split('|')) {
            feedPattern(traces.emplace_back(), part);
            for (const TraceEntry* row : traces.back().listRows()) {
                gate.row(*row, false, traces.back().list.textForm());
                ++rows;
            }
        }
        gate.finish();
        QCOMPARE(out.said.join(' '), kept);
        QCOMPARE(gate.triggers(), pattern.count('T'));
        QCOMPARE(out.said.size() - kept.count('#') + out.droppedRows, rows);
    }

    void theNoteSaysWhenAndWhat() {
        DecoderFixture trace;
        feedPattern(trace, "..T");
        Collected out;
        TriggerGate gate(parsed("id=3C  bad"), 0, 0, 1, out);
        QCOMPARE(QString::fromStdString(gate.note(*trace.listRows().back())),
                 QString("trigger at 00:00:00,000768: id=3C  bad"));
    }
};

QTEST_GUILESS_MAIN(TestTriggerGate)
#include "tst_triggergate.moc"
