// The stream decoder: framing, the grammar of a LIN frame, bad frames, clock, counters and
// answers awaited by the controller. Running out of row memory: tst_tracecontroller.
#include <QTest>

#include "DecoderFixture.h"

using namespace daridez;
using namespace daridez::test;

namespace {

const QString kStartRow = "-|0|+ 000000|START";

// One row as a line: text colour (G green, R red, - the window's; "!" marks a background
// other than the window's), number, time (a leading "00:00:00," left out), Info, Sync, ID,
// DB0..CS with trailing empty fields dropped, then the timer wraps counted per slot.
QString rowLine(const TraceEntry* e, const DecoderFixture& f) {
    const RowColours& system = f.sink.colours;
    const Colour c = e->textColour;
    QString colour = c == kGreen ? "G" : c == kRed ? "R" : c == system.windowText ? "-" : "?";
    colour += e->backColour == system.window ? "" : "!";
    QStringList fields{colour};
    for (int k = 0; k < kStoredColumnCount; ++k) fields << f.text(e, Column(k));
    fields[2].remove("00:00:00,");
    while (fields.last().isEmpty()) fields.removeLast();
    QString line = fields.join('|');
    for (int k = 0; k < kSlotCount; ++k)
        line += e->wrapCounts[k] ? QString(" w%1:%2").arg(k).arg(e->wrapCounts[k]) : QString();
    return line;
}

// The rows of the list as lines, after checking that the view got each of them, in
// order, with its number.
QStringList lines(const DecoderFixture& f) {
    QStringList out;
    const auto rows = f.listRows();
    [&] { QCOMPARE(f.sink.rows, rows); }();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        [&] { QCOMPARE(f.sink.numbers.at(i), rows[i]->number); }();
        out << rowLine(rows[i], f);
    }
    return out;
}

// The counters, the clock and the grammar state (5 AfterBreak, 3 BetweenFrames, ...).
QString counts(const DecoderFixture& f) {
    return QString::asprintf("%d frames, %d errors, clock 0x%llx, state %d", f.decoder.frameCount(),
                             f.decoder.errorCount(), (long long)f.decoder.traceClock(),
                             int(f.decoder.decoderState()));
}

// A case of decodesStreamIntoRows: the stream is given in hexadecimal, "|" between reads.
void addRow(const char* name, const char* modes, const QByteArray& stream, const QStringList& rows,
            const char* counts) {
    QTest::newRow(name) << QString(modes) << stream << rows << QString(counts);
}

}  // namespace

class TestStreamDecoder : public QObject {
    Q_OBJECT

  private slots:
    // The texts of every row kind in every display mode: tst_columns.
    void decodesStreamIntoRows_data() {
        QTest::addColumn<QString>("modes");  // "abs", "id", "dec": the non-default display modes
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("counts");  // read in parts: what each left, and the batches
        addRow("absolute times", "abs", "0490123400 02A0A2 0490000100",
               {"-|0|000000|START", "-|1|004660|Break w0:1", "-|2|065537|Break"},
               "0 frames, 0 errors, clock 0x10001, state 5");
        addRow("first start marker names START; a later one opens a row, takes no stamp", "",
               "058201020000 0490010000 02A0A2 058200070000 0490030000",
               {"-|0|+ 000000|START (258)", "-|1|+ 000256|Break w0:1", "-|2|+ 065280|START (7)",
                "-|3|+ 066048|Break"},
               "0 frames, 0 errors, clock 0x10300, state 5");
        addRow("break after reset opens START; two data bytes fill Sync, ID, DB0..DB2; green", "",
               "04901234EE 059112445500 05921254C100 059312640500 059412740000 05951284FF00",
               {kStartRow, "G|1|+ 004660|Break|55|[C1]|05h|00h|FFh"},
               "1 frames, 0 errors, clock 0x1284, state 10");
        addRow("ninth byte under CS", "",
               "0490200000 059120105500 05922020C100 059320300100 059420400200 059520500300 "
               "059620600400 059720700500 059820800600 059920900700 059A20A00800 059B20B0A500 "
               "0490300000",
               {kStartRow, "G|1|+ 008192|Break|55|[C1]|01h|02h|03h|04h|05h|06h|07h|08h|A5",
                "-|2|+ 004096|Break"},
               "1 frames, 0 errors, clock 0x3000, state 5");
        addRow(
            "fields cut by the end of a read go on in the next, a wrap amid them counted; the "
            "byte behind a field's value is not kept",
            "",
            "0490200000 059120105500 0592 | 2020C100 059320300100 02A0A2 059420400200 0595205003"
            " | A7 059620600400 059720700500 059820800600 059920900700 059A20A00800 059B20B0A500 "
            "0490300000",
            {kStartRow, "G|1|+ 008192|Break|55|[C1]|01h|02h|03h|04h|05h|06h|07h|08h|A5 w3:1",
             "-|2|+ 069632|Break"},
            "1 frames, 0 errors, clock 0x13000, state 5, left 2 5 0 in 3 batches");
        addRow("checksum frame only after the eighth byte", "",
               "0490010000 059101105500 059201201000 059301300100 059401400200 059B01500500"
               "0490020000",
               {kStartRow, "G|1|+ 000256|Break|55|[10]|01h|02h",
                "-|2|+ 000064|#err [05,9B,01,50,05,00]", "-|3|+ 000192|Break"},
               "1 frames, 0 errors, clock 0x200, state 5");
        addRow("sync 54 is marked; a second sync and what follows are bad until a break", "",
               "0490010000 059101105400 059101205500 059201302000 059301400500 0490020000"
               "059102105500 059202202100 059302300700",
               {kStartRow, "-|1|+ 000256|Break|#54", "-|2|+ 000016|#err [05,91,01,20,55,00]",
                "-|3|+ 000000|#err [05,92,01,30,20,00]", "-|4|+ 000000|#err [05,93,01,40,05,00]",
                "G|5|+ 000240|Break|55|[21]|07h"},
               "1 frames, 0 errors, clock 0x230, state 8");
        // Device error, overflow and bad rows end the LIN frame; each row's time runs from
        // the row opened before it, though only the error takes a stamp.
        addRow("device error red and counted, overflow and bad frame plain", "",
               "0490010000 059101105500 059201201000 059301300100 059C04003A00 03F09900 02A0A2"
               "059404100200 0490050000",
               {kStartRow, "G|1|+ 000256|Break|55|[10]|01h", "R|2|+ 000768|#3A",
                "-|3|+ 000000|#BufOvfl w0:1", "-|4|+ 064512|#err [05,94,04,10,02,00]",
                "-|5|+ 001280|Break"},
               "1 frames, 1 errors, clock 0x10500, state 5");
        addRow(
            "wraps go to the next multiple of 65536 and count in START first; 00, 9D, 9E are "
            "skipped",
            "", "00 02A0A2 02A0A2 0000 0490F00000 029D00 02A0A2 059EFFFFFF00 059100105500 00",
            {kStartRow + " w0:2", "-|1|+ 192512|Break|55 w0:1"},
            "0 frames, 0 errors, clock 0x30010, state 6");
        addRow("wrap after the third response byte counts in slot five", "",
               "0490010000 059101105500 059201201000 059301300100 059401400200 059501500300"
               "02A0A2 059600050400 02A0A2 02A0A2",
               {kStartRow, "G|1|+ 000256|Break|55|[10]|01h|02h|03h|04h w5:1 w6:2"},
               "1 frames, 0 errors, clock 0x30000, state 11");
        addRow("clock counts on past 2^32 us", "",
               QByteArray("02A0A2").repeated(65537) + "0490000500",
               {kStartRow + " w0:65537", "-|1|+ 01:11:35,032837|Break"},
               "0 frames, 0 errors, clock 0x100010005, state 5");
        // What a bad frame's slot keeps shows in the file it is saved to (tst_dumpfiles).
        addRow(
            "odd lengths (1, 8, 9, a wrap's 6, 255) are bad rows ending the LIN frame", "",
            "0490010000 059101105500 0190 089001020304050607 09900102030405060708 "
            "06A000000000FF FF" +
                QByteArray("11").repeated(255) + "0490020000",
            {kStartRow, "-|1|+ 000256|Break|55", "-|2|+ 000016|#err [01,90]",
             "-|3|+ 000000|#err [08,90,01,02,03,04..]", "-|4|+ 000000|#err [09,90,01,02,03,04..]",
             "-|5|+ 000000|#err [06,A0,00,00,00,00..]", "-|6|+ 000000|#err [FF,11,11,11,11,11..]",
             "-|7|+ 000240|Break"},
            "0 frames, 0 errors, clock 0x200, state 5");
        addRow("frame split over reads is decoded once when complete", "",
               "0490001000 0591 | 002055 | 00 C8" + QByteArray("22").repeated(98) + "|" +
                   QByteArray("22").repeated(102) + "0490003000",
               {kStartRow, "-|1|+ 000016|Break|55", "-|2|+ 000016|#err [C8,22,22,22,22,22..]",
                "-|3|+ 000016|Break"},
               "0 frames, 0 errors, clock 0x30, state 5, left 2 5 99 0 in 4 batches");
    }

    void decodesStreamIntoRows() {
        QFETCH(QString, modes);
        QFETCH(QByteArray, stream);
        DecoderFixture f;
        f.session.applyDisplayModes(
            {!modes.contains("abs"), !modes.contains("id"), !modes.contains("dec")});
        const QList<QByteArray> reads = stream.split('|');
        QStringList left;
        for (const QByteArray& read : reads) left << QString::number(f.feed(hex(read)).carryOver);
        QCOMPARE(left.last(), "0");
        QTEST(lines(f), "rows");
        QString counted = counts(f);
        if (reads.size() > 1)
            counted += QString(", left %1 in %2 batches").arg(left.join(' ')).arg(f.sink.batches);
        QTEST(counted, "counts");
        QCOMPARE(f.decoder.currentEntry(), f.sink.rows.back());
    }

    // Idle dropping live frames: tst_tracecontroller, which also moves the state on.
    void liveFramesFollowTheTraceState_data() {
        QTest::addColumn<QString>("before");  // "live" or "file", and the state
        QTest::addColumn<QByteArray>("stream");
        // What SplitFrames saw (carried over, the answer's position or "-", a start
        // marker), then the rows.
        QTest::addColumn<QString>("after");
        const auto add = [](const char* name, QString before, const char* stream, QString after) {
            QTest::newRow(name) << before << hex(stream) << after;
        };
        const QString badVersion = kStartRow + " / -|1|+ 000000|#err [05,80,01,02,03,0B]";
        add("reading version skips frames and returns the answer's position", "live 1",
            "0490001000 059100205500 05800102030B 0490003000", "0 11 0 ");
        add("setting baud rate takes only its own answer of length 5", "live 2",
            "05800102030B 04814B0000 05814B000000", "0 11 0 ");
        add("version answer while tracing is a bad row", "live 4", "05800102030B",
            "0 - 0 " + badVersion);
        add("a file is decoded whatever the state", "file 1", "05800102030B",
            "0 - 0 " + badVersion);
        add("a start marker is seen, an unfinished frame carried", "live 3", "05820007008E 0490",
            "2 - 1 " + kStartRow + " (7)");
    }

    void liveFramesFollowTheTraceState() {
        QFETCH(QString, before);
        QFETCH(QByteArray, stream);
        DecoderFixture f;
        f.state = TraceState(before.section(' ', 1).toInt());
        const TraceState state = f.state;
        const SplitResult split = f.feed(stream, before.startsWith("file"));
        QTEST(QString("%1 %2 %3 ")
                      .arg(split.carryOver)
                      .arg(split.answerAt ? QString::number(*split.answerAt) : QString("-"))
                      .arg(split.startSeen) +
                  lines(f).join(" / "),
              "after");
        QCOMPARE(f.state, state);  // the decoder only reads the controller's state
        // Nothing was moved unless carried over: an answer is read where it is.
        if (split.carryOver == 0)
            QCOMPARE(bytesOf(f.buffer.bytes.data(), stream.size()), stream);
        QCOMPARE(f.sink.batches, 1);
    }
};

QTEST_GUILESS_MAIN(TestStreamDecoder)
#include "tst_streamdecoder.moc"
