// Plot lanes: the lane texts, the points each lane takes from LIN frame rows (values, bits,
// periods, per-second bus load and failed checks, gaps and marked points) against hand
// counts, the compact series and its pixel columns (a single spike kept at every zoom),
// and the tracker that grows the lanes with a live trace.
#include <QTest>
#include <cmath>
#include <random>

#include "DecoderFixture.h"
#include "lin/LinDescription.h"
#include "lin/PlotTracker.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// "T ID DB..": a LIN frame at T ms with its enhanced checksum (classic for 3C/3D).
// A trailing "bad" spoils the checksum, "par" the parity bits; "-" alone: no response.
LinFrame frameOf(const QByteArray& text) {
    QList<QByteArray> parts = text.simplified().split(' ');
    LinFrame frame;
    frame.isLinFrame = frame.hasSync = frame.hasId = true;
    frame.sync = 0x55;
    frame.time = parts.takeFirst().toLongLong() * 1000;
    const auto id = static_cast<std::uint8_t>(parts.takeFirst().toUInt(nullptr, 16));
    frame.pid = ProtectedId(id);
    const bool bad = parts.removeAll("bad") != 0;
    if (parts.removeAll("par") != 0)
        frame.pid ^= 0x80;
    for (const QByteArray& byte : parts)
        if (byte != "-")
            frame.response[frame.responseCount++] =
                static_cast<std::uint8_t>(byte.toUInt(nullptr, 16));
    if (frame.responseCount != 0) {
        const std::uint8_t seed = ClassicOnly(id) ? 0 : ProtectedId(id);
        frame.response[frame.responseCount] =
            LinChecksum(seed, frame.response, frame.responseCount);
        frame.response[frame.responseCount++] ^= bad ? 0xFF : 0;
    }
    return frame;
}

// The points as "T:V" with T in ms, "|" before a point that starts a new line, "*" before
// a marked (failed) one.
QString pointsText(const PlotSeries& series) {
    QStringList points;
    for (std::size_t i = 0; i < series.size(); ++i) {
        const PlotPoint p = series.at(i);
        points << QString("%1%2%3:%4")
                      .arg(p.gapBefore ? "|" : "", p.failed ? "*" : "")
                      .arg(static_cast<double>(p.time) / 1000.0)
                      .arg(static_cast<double>(p.value), 0, 'g', 4);
    }
    return points.join(' ');
}

PlotSource sourceOf(const char* text) {
    std::string error;
    return ParsePlotSource(text, error).value();
}

// The example cluster's LDF, read once.
const LdfModel* exampleLdf() {
    static const LinDescription ldf = LinDescription::read(DARIDEZ_EXAMPLE_LDF);
    return ldf.model();
}

// A meter's frame 15: a two-digit bcd count (a digit a byte) and two letters of text.
const LdfModel* meterLdf() {
    static const LinDescription ldf = LinDescription::parse(R"(LIN_description_file;
LIN_protocol_version = "2.2";
LIN_language_version = "2.2";
LIN_speed = 19.2 kbps;
Nodes { Master: M, 5 ms, 0.1 ms; Slaves: S; }
Signals { Count: 16, 0, S, M; Name: 16, 0, S, M; }
Frames { Meter: 0x15, S, 4 { Count, 0; Name, 16; } }
Signal_encoding_types { CountType { bcd_value; } NameType { ascii_value; } }
Signal_representation { CountType: Count; NameType: Name; }
)",
                                                            "meter.ldf");
    return ldf.model();
}

// "example", "meter" or "" (none).
const LdfModel* ldfNamed(const QString& name) {
    return name == "example" ? exampleLdf() : name == "meter" ? meterLdf() : nullptr;
}

// A row of the table of points taken from frames, read with the LDF named; judged: the
// frames' verdicts are the LDF's too, as the tracker judges them.
void row(const char* name, const char* lane, const char* frames, const char* points,
         const char* ldf = "example", bool judged = false) {
    QTest::newRow(name) << QString(lane) << QString(frames) << QString(points) << QString(ldf)
                        << judged;
}

}  // namespace

class TestPlotSeries : public QObject {
    Q_OBJECT

  private slots:
    void laneTextsReadBack_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");  // or the error
        for (const char* text :
             {"3C byte 2", "21 bits 4..7", "00 bits 0..63", "10 period", "bus load",
              "failed checks", "failed checks parity", "BCM_Command.VehicleSpeed", "x.y_2"})
            QTest::newRow(text) << text << text;
        const char* const bitRange = "\": bits are FIRST..LAST within 0..63";
        const char* const aSignal = "\": a signal is FRAME.SIGNAL";
        const auto row = [](const char* name, const char* text, const QString& written) {
            QTest::newRow(name) << QString(text) << written;
        };
        row("blanks and lower case", "  3c  byte 7 ", "3C byte 7");
        row("one bit", "3F bits 9..9", "3F bits 9..9");
        row("identifier 40", "40 byte 0", "\"40\": identifiers are 00..3F");
        row("byte 8", "10 byte 8", "\"8\": data bytes are 0..7");
        row("bits reversed", "10 bits 7..4", QString("\"7..4") + bitRange);
        row("bits reversed by one", "10 bits 5..4", QString("\"5..4") + bitRange);
        row("bit 64", "10 bits 0..64", QString("\"0..64") + bitRange);
        row("not a failure word", "failed checks classic", "\"classic\": not a failure word");
        row("two words", "failed checks parity sync",
            "\"failed checks\" takes at most one check word");
        row("unknown lane", "10 speed",
            "after the identifier: \"byte N\", \"bits A..B\" or \"period\"");
        row("empty", " ", "nothing to plot");
        row("a signal without its name", "BCM_Command.", QString("\"BCM_Command.") + aSignal);
        row("a signal of a signal", "a.b.c", QString("\"a.b.c") + aSignal);
    }

    void laneTextsReadBack() {
        QFETCH(QString, text);
        QFETCH(QString, written);
        std::string error;
        const auto source = ParsePlotSource(text.toStdString(), error);
        QCOMPARE(source ? QString::fromStdString(PlotSourceText(*source))
                        : QString::fromStdString(error),
                 written);
    }

    void unitsAndValueTexts_data() {
        QTest::addColumn<QString>("lane");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("text");  // as the cursor shows the value
        const auto row = [](const char* name, const char* lane, float value, const char* unit,
                            const char* text) {
            QTest::newRow(name) << QString(lane) << value << QString(unit) << QString(text);
        };
        row("period", "10 period", 20.1f, "ms", "20.1 ms");
        row("bus load", "bus load", 12.5f, "%", "12.5 %");
        row("failed checks", "failed checks sync", 3.0f, "1/s", "3 1/s");
        row("bits", "10 bits 0..3", 5.0f, "", "5");
        row("physical: the LDF's unit", "BCM_Command.VehicleSpeed", 18.1875f, "km/h",
            "18.1875 km/h");
        row("physical below zero", "BCM_Command.OutsideTemp", -40.0f, "degC", "-40 degC");
        row("logical: the value's text", "BCM_Command.WiperMode", 7.0f, "", "service position");
        row("logical without a text", "BCM_Command.WiperMode", 5.0f, "", "5");
        row("a signal the LDF lacks", "BCM_Command.Nothing", 5.0f, "", "5");
    }

    void unitsAndValueTexts() {
        QFETCH(QString, lane);
        QFETCH(float, value);
        QFETCH(QString, unit);
        QFETCH(QString, text);
        const PlotLane plotLane(sourceOf(qPrintable(lane)), 19200, exampleLdf());
        QCOMPARE(QString::fromStdString(plotLane.unit()), unit);
        QCOMPARE(QString::fromStdString(plotLane.valueText(value)), text);
    }

    // A signal lane is made with an LDF that names the signal of an unconditional frame;
    // the steps of a logical signal are labelled with the LDF's texts.
    void signalLanesNeedAnLdfNamingThem_data() {
        QTest::addColumn<QString>("lane");
        QTest::addColumn<QString>("ldf");   // see ldfNamed()
        QTest::addColumn<QString>("made");  // style, unit, labels; or the error
        const char* const onlyUnconditional = "\": only unconditional frames' signals are plotted";
        const auto row = [](const char* name, const char* lane, const char* ldf,
                            const QString& made) {
            QTest::newRow(name) << QString(lane) << QString(ldf) << made;
        };
        row("physical", "RLS_Status.AmbientLight", "example", "numbers lux");
        row("logical", "BCM_Command.IgnitionState", "example",
            "steps  0=off 1=accessory 2=run 3=crank");
        row("bcd", "Meter.Count", "meter", "numbers ");
        row("text", "Meter.Name", "meter", "\"Name\": a text signal cannot be plotted");
        row("no LDF", "RLS_Status.AmbientLight", "",
            "\"RLS_Status.AmbientLight\": signals are plotted with an LDF");
        row("no such frame", "RLS.AmbientLight", "example", "\"RLS\": the LDF names no such frame");
        row("another frame's signal", "RLS_Status.WiperAngle", "example",
            "\"WiperAngle\": not a signal of RLS_Status");
        row("event-triggered frame", "DoorEvent.FL_DoorOpen", "example",
            QString("\"DoorEvent") + onlyUnconditional);
        row("diagnostic frame", "MasterReq.MasterReqB0", "example",
            QString("\"MasterReq") + onlyUnconditional);
    }

    void signalLanesNeedAnLdfNamingThem() {
        QFETCH(QString, lane);
        QFETCH(QString, ldf);
        QFETCH(QString, made);
        std::string error;
        const auto signal = PlotSignal::resolve(ldfNamed(ldf), sourceOf(qPrintable(lane)), error);
        QString text = QString::fromStdString(error);
        if (signal) {
            text = signal->style() == PlotSignal::Style::Steps ? "steps " : "numbers ";
            text += QString::fromStdString(signal->unit());
            for (const PlotSignal::Label& label : signal->labels())
                text += QString(" %1=%2").arg(label.value).arg(QString::fromStdString(label.text));
        }
        QCOMPARE(text, made);
    }

    void lanesTakePointsFromFrames_data() {
        QTest::addColumn<QString>("lane");
        QTest::addColumn<QString>("frames");  // "T ID DB..;" (see frameOf), "|": Start
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("ldf");
        QTest::addColumn<bool>("judged");
        const char* every20 = "0 10 01 02; 20 10 03 04; 40 10 05 06; 60 10 07 08";
        row("a data byte", "10 byte 1", every20, "0:2 20:4 40:6 60:8");
        row("other identifiers add nothing", "10 byte 0", "0 10 01 02; 5 11 09 09; 20 10 03 04",
            "0:1 20:3");
        row("a missing frame leaves a gap", "10 byte 0",
            "0 10 01; 20 10 02; 40 10 03; 80 10 05; 100 10 06", "0:1 20:2 40:3 |80:5 100:6");
        row("jitter within half a period is no gap", "10 byte 0",
            "0 10 01; 20 10 02; 49 10 03; 60 10 04", "0:1 20:2 49:3 60:4");
        row("a failed check is a marked point, joined to nothing", "10 byte 0",
            "0 10 01; 20 10 02 bad; 40 10 03; 60 10 04", "0:1 *20:2 |40:3 60:4");
        row("a parity fault is marked too", "10 byte 0", "0 10 01; 20 10 02 par; 40 10 03",
            "0:1 *20:2 |40:3");
        row("a frame without the byte breaks the line", "10 byte 1",
            "0 10 01 02; 20 10 -; 40 10 03 04; 60 10 05", "0:2 |40:4");
        row("bits of one byte", "21 bits 4..7", "0 21 A5 00", "0:10");
        row("bits across bytes, DB0 lowest", "21 bits 4..11", "0 21 A5 3C", "0:202");
        row("bits beyond the data", "21 bits 8..15", "0 21 A5", "");
        row("the period, frame to frame, in ms", "10 period",
            "0 10 01; 20 10 01; 40 10 01 bad; 80 10 01", "20:20 *40:20 |80:40");
        row("a new recording: no period across it, the line breaks", "10 period",
            "0 10 01; 20 10 01 | 0 10 01; 20 10 01; 40 10 01", "20:20 |40:20 60:20");
        row("values across a new recording: the clock runs on", "10 byte 0",
            "0 10 01; 20 10 02 | 5 10 03; 25 10 04", "0:1 20:2 |25:3 45:4");
        row("a recording begun by another identifier breaks the line too", "10 byte 0",
            "0 10 01; 20 10 02 | 5 11 09; 10 10 03; 30 10 04", "0:1 20:2 |30:3 50:4");
        // VehicleSpeed: bits 12..23, raw * 0.0625 km/h for 0..4000, 4095 "not available".
        row("a physical signal: scaled, no point where a logical value stands",
            "BCM_Command.VehicleSpeed",
            "0 10 00 00 64 00; 20 10 00 30 12 00; 40 10 00 F0 FF 00; 60 10 00 00 64 00 bad; "
            "100 10 00 00 32 00; 120 10 00 00 32; 140 10 00 00 01 00",
            "0:100 20:18.19 *60:100 |100:50 |140:1");
        // OutsideTemp: DB3 * 0.5 - 40 degC.
        row("a physical signal with an offset", "BCM_Command.OutsideTemp",
            "0 10 00 00 00 64; 20 10 00 00 00 00", "0:10 20:-40");
        // WiperMode: bits 2..4, logical only: its raw values as steps.
        row("a logical signal: the raw values, a gap for a missing frame", "BCM_Command.WiperMode",
            "0 10 04 00 00 00; 20 10 0C 00 00 00; 40 10 1C 00 00 00; 80 10 14 00 00 00",
            "0:1 20:3 40:7 |80:5");
        // FL_WindowPosition: DB1 bits 0..6 in percent, 127 "signal error"; DoorEvent (3A)
        // answered by DoorFL_Status (protected identifier 20) carries it, by DoorFR_Status
        // (61) not; the door's own frames keep the time.
        row("a signal from its frame and the event slot it answers",
            "DoorFL_Status.FL_WindowPosition",
            "0 20 00 0A 00; 100 20 00 0B 00; 130 3A 20 32 00; 150 3A 61 10 00; "
            "160 3A -; 200 20 00 0C 00; 300 20 00 7F 00; 400 20 00 0D 00",
            "0:10 100:11 130:50 200:12 |400:13");
        // Judged with the LDF: a collided event slot is no failure, but its values are
        // garbled: a marked point; a silent slot adds nothing.
        row("a collided event slot's value is a marked point", "DoorFL_Status.FL_WindowPosition",
            "0 20 00 0A 00; 100 20 00 0B 00; 130 3A 20 32 00 bad; 160 3A -; 200 20 00 0C 00",
            "0:10 100:11 *130:50 |200:12", "example", true);
        row("a signal the LDF lacks: no points", "BCM_Command.Nothing", "0 10 00 00 64 00", "");
        row("a bcd signal: the number, none where a byte is no digit", "Meter.Count",
            "0 15 04 02 41 42; 20 15 00 09 41 42; 40 15 0A 00 41 42; 60 15 01 00 41 42",
            "0:42 20:9 |60:10", "meter");
        // 34 + 10 bits per response byte, the checksum counted: 64 for two data bytes.
        row("bus load per second, empty seconds 0, the running one not shown", "bus load",
            "0 10 01 02; 300 10 01 02; 600 10 01 02; 1500 10 01 02; 3100 10 01",
            "0:1 1000:0.3333 2000:0");
        row("bus load before zero: seconds floored, not truncated", "bus load",
            "-1500 10 01 02; -200 10 01 02; 500 10 01 02", "-2000:0.3333 -1000:0.3333");
        row("a header without response counts its 34 bits", "bus load", "0 10 -; 1000 10 -",
            "0:0.1771");
        row("failed checks per second", "failed checks",
            "0 10 01; 100 10 01 bad; 200 10 01 par; 1200 10 01; 2300 10 01 bad; 3000 10 01",
            "0:2 1000:0 2000:1");
        row("failed checks of one word", "failed checks parity",
            "0 10 01; 100 10 01 bad; 200 10 01 par; 1200 10 01; 2300 10 01 bad; 3000 10 01",
            "0:1 1000:0 2000:0");
        row("failed checks leave out silent and collided event slots", "failed checks",
            "0 3A -; 100 3A 20 32 00 bad; 200 3A 20 32 par; 300 10 01 02 03 04 bad; 1200 3A -",
            "0:2", "example", true);
    }

    void lanesTakePointsFromFrames() {
        QFETCH(QString, lane);
        QFETCH(QString, frames);
        QFETCH(QString, points);
        QFETCH(QString, ldf);
        QFETCH(bool, judged);
        PlotLane plotLane(sourceOf(qPrintable(lane)), kDefaultLinRate, ldfNamed(ldf));
        FrameSignals decoder(ldfNamed(ldf));
        std::int64_t offset = 0;
        std::int64_t last = 0;
        std::uint32_t row = 0;
        for (const QString& recording : frames.split('|')) {
            offset = last;
            bool first = row != 0;  // the first frame of a later recording
            for (const QString& frameText : recording.split(';')) {
                const LinFrame frame = frameOf(frameText.toLatin1());
                PlotRow plotRow{row++,
                                offset + frame.time,
                                first,
                                &frame,
                                CheckFrame(frame, judged ? ldfNamed(ldf) : nullptr),
                                decoder.decode(frame)};
                first = false;
                plotLane.add(plotRow);
                last = plotRow.time;
            }
        }
        QCOMPARE(pointsText(plotLane.series()), points);
    }

    void columnsKeepTheExtremesOfEveryPixel_data() {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("count");
        QTest::newRow("everything in 1600 columns") << 0LL << 1'000'000LL << 1600;
        QTest::newRow("everything in 3 columns") << 0LL << 1'000'000LL << 3;
        QTest::newRow("zoomed in: fewer points than columns") << 499'000LL << 501'000LL << 1600;
        QTest::newRow("one column per point") << 499'800LL << 501'400LL << 1600;
        QTest::newRow("a span ending before the spike") << 0LL << 500'000LL << 1000;
        QTest::newRow("a span from the spike on") << 500'000LL << 1'000'001LL << 7;
    }

    // A million points, each 1 us apart, with one spike at 500,000: every column agrees
    // with the points counted one by one, and the spike's column reaches 1000.
    void columnsKeepTheExtremesOfEveryPixel() {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, count);
        static const PlotSeries series = [] {
            PlotSeries s;
            std::mt19937 random(7);
            for (std::uint32_t i = 0; i < 1'000'000; ++i)
                s.append(PlotPoint{i, i == 500'000 ? 1000.0f : static_cast<float>(random() % 100),
                                   i, i % 99'991 == 5, i % 77'777 == 3});
            return s;
        }();
        const std::vector<PlotColumn> columns = series.columns(from, to, count);
        std::vector<PlotColumn> expected(static_cast<std::size_t>(count));
        for (std::int64_t t = std::max<std::int64_t>(from, 0);
             t < std::min<std::int64_t>(to, 1'000'000); ++t) {
            const PlotPoint p = series.at(static_cast<std::size_t>(t));
            PlotColumn& c = expected[static_cast<std::size_t>((t - from) * count / (to - from))];
            c.gap = c.gap || p.gapBefore;
            if (p.failed) {
                c.failedTime = c.failed ? c.failedTime : p.time;
                c.failed = true;
                continue;
            }
            c.min = c.count == 0 ? p.value : std::min(c.min, p.value);
            c.max = c.count == 0 ? p.value : std::max(c.max, p.value);
            c.time = p.time;
            ++c.count;
        }
        float highest = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const PlotColumn& a = columns[i];
            const PlotColumn& e = expected[i];
            QVERIFY2(a.count == e.count && a.min == e.min && a.max == e.max && a.gap == e.gap &&
                         a.failed == e.failed && a.failedTime == e.failedTime &&
                         (e.count != 1 || a.time == e.time),
                     qPrintable(QString("column %1").arg(i)));
            highest = std::max(highest, a.max);
        }
        QCOMPARE(highest, from <= 500'000 && to > 500'000 ? 1000.0f : 99.0f);
    }

    // What a lane draws over a span: "T:V" vertices (T in ms, a column's middle may fall
    // between points), "|T" a break, "*T:V" a mark; then the range of all values and of
    // the shown ones.
    void outlineDrawsEachColumnAndTheMarks_data() {
        QTest::addColumn<QString>("points");  // as pointsText writes them
        QTest::addColumn<int>("from");        // ms
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("steps");
        QTest::addColumn<QString>("outline");
        const char* ramp = "0:0 10:1 20:2 30:3 40:4 50:5 60:6";
        QTest::newRow("a point per column at its own time")
            << ramp << 0 << 70 << 7 << false << "0:0 10:1 20:2 30:3 40:4 50:5 60:6 | 0..6 0..6";
        QTest::newRow("two per column: least then greatest at the middle")
            << ramp << 0 << 80 << 4 << false << "10:0 10:1 30:2 30:3 50:4 50:5 60:6 | 0..6 0..6";
        QTest::newRow("the points beside the span carry the line to its edges")
            << ramp << 20 << 40 << 2 << false << "10:1 20:2 30:3 40:4 | 0..6 1..4";
        QTest::newRow("a break where a line starts anew")
            << "0:0 10:1 |40:4 50:5" << 0 << 60 << 6 << false
            << "0:0 10:1 |40 40:4 50:5 | 0..5 0..5";
        QTest::newRow("steps hold a column after the last point before a break")
            << "0:0 10:1 |40:4 50:5" << 0 << 60 << 6 << true
            << "0:0 10:1 |20 40:4 50:5 | 0..5 0..5";
        QTest::newRow("a break just after the span")
            << "0:0 10:1 |40:4" << 0 << 20 << 2 << false << "0:0 10:1 |20 40:4 | 0..4 0..4";
        QTest::newRow("a failed point is a mark, never on the line")
            << "0:1 *10:9 |20:2" << 0 << 30 << 3 << false << "0:1 |20 20:2 *10:9 | 1..9 1..9";
        QTest::newRow("a failed point beside the span is left out")
            << "*0:9 |10:1 20:2" << 10 << 30 << 2 << false << "|10 10:1 20:2 | 1..2 1..2";
        QTest::newRow("nothing in the span: the line from the point before it")
            << "0:3 10:5" << 20 << 30 << 2 << false << "10:5 | 3..5 5..5";
    }

    void outlineDrawsEachColumnAndTheMarks() {
        QFETCH(QString, points);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, width);
        QFETCH(bool, steps);
        QFETCH(QString, outline);
        PlotSeries series;
        std::uint32_t row = 0;
        for (QString p : points.split(' ')) {
            const bool gap = p.startsWith('|');
            const bool failed = p.remove('|').startsWith('*');
            const QStringList tv = p.remove('*').split(':');
            series.append(
                PlotPoint{tv[0].toLongLong() * 1000, tv[1].toFloat(), row++, failed, gap});
        }
        const PlotOutline out = series.outline(from * 1000, to * 1000, width, steps);
        QStringList parts;
        for (const PlotVertex& v : out.line)
            parts << (std::isnan(v.value) ? QString("|%1").arg(v.time / 1000)
                                          : QString("%1:%2").arg(v.time / 1000).arg(v.value));
        for (const PlotVertex& v : out.marks)
            parts << QString("*%1:%2").arg(v.time / 1000).arg(v.value);
        parts << QString("| %1..%2 %3..%4")
                     .arg(out.low)
                     .arg(out.high)
                     .arg(out.shownLow)
                     .arg(out.shownHigh);
        QCOMPARE(parts.join(' '), outline);
    }

    void findsPointsByTimeAcrossBlocks() {
        PlotSeries series;
        // Two hours between points 5000 and 5001: farther than a block's 32-bit offsets.
        for (std::uint32_t i = 0; i < 10'000; ++i)
            series.append(PlotPoint{i * 10 + (i > 5000 ? 7'200'000'000LL : 0), float(i), i});
        QCOMPARE(series.size(), 10'000u);
        QCOMPARE(series.at(5001).time, 7'200'050'010LL);
        QCOMPARE(series.at(4096).row, 4096u);
        QCOMPARE(series.lowerBound(40'955), 4096u);
        QCOMPARE(series.lowerBound(7'200'000'000LL), 5001u);
        QCOMPARE(series.nearest(40'964).value(), 4096u);
        QCOMPARE(series.nearest(40'966).value(), 4097u);
        QCOMPARE(series.nearest(9'000'000'000LL).value(), 9999u);
        QCOMPARE(series.atOrBefore(7'000'000'000LL).value(), 5000u);
        QVERIFY(!series.atOrBefore(-1).has_value());
        QCOMPARE(series.minValue(), 0.0f);
        QCOMPARE(series.maxValue(), 9999.0f);
    }

    void aMillionPointsTakeAtMost16BytesEach() {
        PlotSeries series;
        for (std::uint32_t i = 0; i < 1'000'000; ++i)
            series.append(PlotPoint{i * 20'000LL, 1.0f, i});
        QVERIFY2(series.memoryBytes() <= 16 * series.size(),
                 qPrintable(QString::number(double(series.memoryBytes()) / series.size())));
    }

    // Rows through the decoder: positions count every row (START rows too), a live trace
    // read in pieces gives what one read gives, a lane added later reads the rows seen.
    void trackerGrowsTheLanesWithTheTrace() {
        const QByteArray stream = linFrameHex("1000", "3C 01 02 FC") +
                                  linFrameHex("5000", "3C 03 04 F8") +
                                  linFrameHex("9000", "3C 05 06 F4") + "058200010000 " +
                                  linFrameHex("D000", "3C 07 08 F0");
        const auto text = [](const PlotTracker& tracker, std::size_t lane) {
            QStringList points;
            const PlotSeries& s = tracker.lanes()[lane].series();
            for (std::size_t i = 0; i < s.size(); ++i)
                points << QString("%1@%2").arg(static_cast<double>(s.at(i).value)).arg(s.at(i).row);
            return points.join(' ');
        };
        DecoderFixture whole;
        whole.feed(hex(stream));
        PlotTracker once;
        once.addLane(sourceOf("3C byte 1"), whole.list);
        QCOMPARE(once.update(whole.list, nullptr).rowsAdded, 6u);  // START, 3 frames, error, frame
        QCOMPARE(text(once, 0), "2@1 4@2 6@3 8@5");

        DecoderFixture live;
        PlotTracker pieces;
        pieces.addLane(sourceOf("3C byte 1"), live.list);
        const QByteArray bytes = hex(stream);
        for (int cut = 0; cut < bytes.size(); cut += 7) {
            live.feed(bytes.mid(cut, 7));
            pieces.update(live.list, live.decoder.currentEntry());
        }
        pieces.update(live.list, nullptr);
        QCOMPARE(text(pieces, 0), text(once, 0));
        pieces.addLane(sourceOf("3C byte 0"), live.list);
        pieces.moveLane(1, 0);
        QCOMPARE(text(pieces, 0), "1@1 3@2 5@3 7@5");
        QCOMPARE(text(pieces, 1), "2@1 4@2 6@3 8@5");
        pieces.removeLane(0);
        QCOMPARE(text(pieces, 0), "2@1 4@2 6@3 8@5");

        live.session.clear();
        const auto update = pieces.update(live.list, nullptr);
        QVERIFY(update.restarted);
        QCOMPARE(pieces.lanes()[0].series().size(), 0u);
    }

    // With the LDF the verdicts are the LDF's (3C's two data bytes against MasterReq's
    // eight: a marked point) and the signal lanes decode, the rows there and those that
    // come; without, they stay empty.
    void trackerReadsWithTheLdfItIsGiven() {
        DecoderFixture f;
        // 50: identifier 10 (BCM_Command) with its parity bits; VehicleSpeed raw 1600.
        f.feed(hex(linFrameHex("1000", "3C 01 02 FC") + linFrameHex("2000", "50 00 00 64 00 4B")));
        PlotTracker tracker;
        tracker.addLane(sourceOf("3C byte 0"), f.list);
        tracker.addLane(sourceOf("BCM_Command.VehicleSpeed"), f.list);
        tracker.update(f.list, nullptr);
        QCOMPARE(pointsText(tracker.lanes()[0].series()), "4.096:1");
        QCOMPARE(pointsText(tracker.lanes()[1].series()), "");
        const std::vector<PlotSource> lanes{sourceOf("3C byte 0"),
                                            sourceOf("BCM_Command.VehicleSpeed")};
        tracker.setLdf(exampleLdf(), lanes, f.list);
        QCOMPARE(pointsText(tracker.lanes()[0].series()), "*4.096:1");
        QCOMPARE(pointsText(tracker.lanes()[1].series()), "8.192:100");
        QCOMPARE(tracker.lanes()[1].series().at(0).row, 2u);
        f.feed(hex(linFrameHex("3000", "50 00 00 32 00 7D")));  // the trace grows: 50 km/h
        tracker.update(f.list, nullptr);
        QCOMPARE(pointsText(tracker.lanes()[1].series()), "8.192:100 12.288:50");
        tracker.setLdf(nullptr, lanes, f.list);
        QCOMPARE(pointsText(tracker.lanes()[1].series()), "");
    }

    void newRecordingsContinueTheClock() {
        DecoderFixture f;
        for (const QByteArray& recording :
             {linFrameHex("1000", "3C 01 02 FC") + linFrameHex("5000", "3C 03 04 F8"),
              linFrameHex("0800", "3C 05 06 F4")}) {
            f.decoder.RestartDecoder();
            f.feed(hex(recording));
        }
        PlotTracker tracker;
        tracker.addLane(sourceOf("3C byte 0"), f.list);
        tracker.update(f.list, nullptr);
        const PlotSeries& s = tracker.lanes()[0].series();
        QCOMPARE(s.size(), 3u);
        QCOMPARE(s.at(2).time, 0x5000 + 0x0800);
        QVERIFY(s.at(2).gapBefore);
        QCOMPARE(tracker.firstTime(), 0x1000);
        QCOMPARE(tracker.lastTime(), 0x5800);
    }

    void baudrateRefillsTheBusLoad() {
        DecoderFixture f;
        QByteArray stream;
        for (int i = 0; i < 20; ++i) stream += linFrameHex("1000", "50 01") + "02A000 ";
        f.feed(hex(stream));
        PlotTracker tracker;
        tracker.addLane(sourceOf("bus load"), f.list);
        tracker.update(f.list, nullptr);
        const float at19200 = tracker.lanes()[0].series().at(0).value;
        tracker.setBaudrate(9600, f.list);
        QCOMPARE(tracker.lanes()[0].series().at(0).value, 2 * at19200);
        QCOMPARE(tracker.baudrate(), 9600);
    }
};

QTEST_GUILESS_MAIN(TestPlotSeries)
#include "tst_plotseries.moc"
