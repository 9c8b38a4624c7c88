// The plot window: a click mapped to the list's row (plain, sorted and filtered lists), the
// lanes through the profile, saving through the safe replacement, following a growing
// trace until the user zooms or pans, Home to follow again.
#include <qcustomplot.h>
#include <sys/stat.h>
#include <QtTest>
#include <QtWidgets>

#include "DecoderFixture.h"
#include "app/PlotLanePicker.h"
#include "app/PlotLaneStore.h"
#include "app/PlotRowFinder.h"
#include "app/PlotWindow.h"
#include "app/WindowPrompts.h"
#include "lin/Columns.h"
#include "lin/LinDescription.h"
#include "serial/Profile.h"
#include "view/TraceListModel.h"

using namespace daridez;
using namespace daridez::test;

namespace {

struct NoPrompts : WindowPrompts {
    QString chooseTraceFile(ChooserMode, const QString&, const QString&, const QString&) override {
        return {};
    }
    void message(const QString& text) override { messages << text; }
    void beginProgress(std::uint64_t) override {}
    bool progress(std::uint64_t) override { return true; }
    void endProgress() override {}
    QStringList messages;
};

// n frames of identifier 3C, one every 10 ms across timer wraps, DB0 counting from first.
QByteArray schedule(int first, int n, std::int64_t& clock, std::int64_t& time) {
    QByteArray stream;
    for (int i = first; i < first + n; ++i, time += 10'000) {
        for (; clock + 0x10000 <= time; clock += 0x10000) stream += "02A000 ";
        const QByteArray stamp = QByteArray::number(time & 0xFFFF, 16).rightJustified(4, '0');
        const auto b = static_cast<std::uint8_t>(i);
        const auto cs = static_cast<std::uint8_t>(~b);
        stream += linFrameHex(stamp, "3C " + QByteArray::number(b, 16).rightJustified(2, '0') +
                                         " " + QByteArray::number(cs, 16).rightJustified(2, '0'));
    }
    return stream;
}

// A BCM_Command frame (identifier 10, protected 50) at stamp with its enhanced checksum,
// or a spoiled one: WiperMode in bits 2..4 of DB0, VehicleSpeed raw in bits 12..23.
QByteArray bcmCommand(const QByteArray& stamp, int wiperMode, int speedRaw, bool spoiled = false) {
    const std::uint8_t data[4] = {std::uint8_t(wiperMode << 2), std::uint8_t((speedRaw & 0xF) << 4),
                                  std::uint8_t(speedRaw >> 4), 0};
    QByteArray text = "50";
    for (const std::uint8_t byte : data)
        text += ' ' + QByteArray::number(byte, 16).rightJustified(2, '0');
    const std::uint8_t sum = LinChecksum(0x50, data, 4) ^ (spoiled ? 0xFF : 0);
    return linFrameHex(stamp, text + ' ' + QByteArray::number(sum, 16).rightJustified(2, '0'));
}

const LinDescription& exampleLdf() {
    static const LinDescription ldf = LinDescription::read(DARIDEZ_EXAMPLE_LDF);
    return ldf;
}

// The keys of the points of a graph that break its line.
QList<double> breaks(const QCPGraph* graph) {
    QList<double> keys;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        if (std::isnan(it->value))
            keys << it->key;
    return keys;
}

// An item's text and, in brackets, those of its children and theirs.
QString treeText(const QTreeWidgetItem* item) {
    QStringList children;
    for (int i = 0; i < item->childCount(); ++i) children << treeText(item->child(i));
    return item->text(0) + (children.isEmpty() ? "" : "(" + children.join(", ") + ")");
}

// A trace shown by a list model, and a plot window over it.
struct Shown {
    TraceList list;
    ReceiveBuffer buffer;
    TraceListModel model;
    TraceSession session{list, buffer, model};
    NoPrompts prompts;
    PlotWindow window{session, [] { return false; }, prompts};
    std::int64_t clock = 0, time = 1000;
    int frames = 0;

    void feed(int n) {
        feedStream(schedule(frames, n, clock, time));
        frames += n;
    }
    void feedStream(const QByteArray& stream) {
        const QByteArray bytes = hex(stream);
        std::memcpy(buffer.bytes.data(), bytes.constData(), std::size_t(bytes.size()));
        buffer.carryOver =
            session.decoder.SplitFrames(buffer.bytes.data(), std::int32_t(bytes.size()), true)
                .carryOver;
        model.endOfBatch();
        window.refresh();
    }
    // The window shown, once it is on the screen.
    bool onScreen() {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    QString msgNr(int row) const {
        return row < 0 ? "none" : model.index(row, int(Column::MsgNr)).data().toString();
    }
};

}  // namespace

class TestPlotWindow : public QObject {
    Q_OBJECT

  private slots:
    void clickSelectsTheRowOfTheTrace_data() {
        QTest::addColumn<int>("sortColumn");  // -1: unsorted
        QTest::addColumn<QString>("query");   // shown alone when set
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("msgNr");  // of the list row selected
        QTest::newRow("plain list: the row itself") << -1 << "" << 7 << "7";
        QTest::newRow("the START row") << -1 << "" << 0 << "0";
        QTest::newRow("sorted by DB0 falling") << int(Column::Db0) << "" << 3 << "3";
        QTest::newRow("only matches, the row among them") << -1 << "data=05" << 6 << "6";
        QTest::newRow("only matches, the row hidden: the nearest shown in time")
            << -1 << "!data=06 !data=07" << 8 << "9";
        QTest::newRow("sorted and filtered") << int(Column::Db0) << "!data=02" << 9 << "9";
        QTest::newRow("beyond the trace") << -1 << "" << 99 << "none";
    }

    void clickSelectsTheRowOfTheTrace() {
        QFETCH(int, sortColumn);
        QFETCH(QString, query);
        QFETCH(int, position);
        QFETCH(QString, msgNr);
        Shown shown;
        shown.feed(12);
        if (sortColumn >= 0)
            shown.model.sortByHeaderClick(sortColumn), shown.model.sortByHeaderClick(sortColumn);
        if (!query.isEmpty()) {
            std::string error;
            shown.model.setQuery(Query::parse(query.toStdString(), error));
            shown.model.setShowOnlyMatches(true);
        }
        QCOMPARE(shown.msgNr(FindListRow(shown.model, shown.list, std::uint32_t(position))), msgNr);
    }

    // The window follows the newest frame until the wheel zooms or a drag pans; Home (the
    // key or the button) shows everything and follows again.
    void followsUntilZoomedOrPanned_data() {
        QTest::addColumn<QString>("move");
        QTest::newRow("wheel") << "wheel";
        QTest::newRow("drag") << "drag";
        QTest::newRow("box (Shift+drag)") << "box";
    }

    void followsUntilZoomedOrPanned() {
        QFETCH(QString, move);
        Shown shown;
        QVERIFY(shown.window.addLane("3C byte 0"));
        QVERIFY(shown.onScreen());
        shown.feed(100);
        QCOMPARE(shown.window.timeTo(), 0.99);  // relative: from the first frame on
        QCustomPlot* plot = shown.window.plot();
        const QPoint centre = plot->axisRect(0)->rect().center();
        if (move == "wheel") {
            QWheelEvent wheel(centre, plot->mapToGlobal(centre), QPoint(), QPoint(0, 120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(plot, &wheel);
        } else {
            const auto modifiers = move == "box" ? Qt::ShiftModifier : Qt::NoModifier;
            QTest::mousePress(plot, Qt::LeftButton, modifiers, centre);
            QTest::mouseMove(plot, centre + QPoint(-60, 30));
            QTest::mouseRelease(plot, Qt::LeftButton, modifiers, centre + QPoint(-60, 30));
        }
        QVERIFY(!shown.window.following());
        const double from = shown.window.timeFrom(), to = shown.window.timeTo();
        QVERIFY(to < 0.99 || from > 0);
        shown.feed(50);
        QCOMPARE(shown.window.timeFrom(), from);
        QCOMPARE(shown.window.timeTo(), to);
        QTest::keyClick(&shown.window, Qt::Key_Home);
        QVERIFY(shown.window.following());
        QCOMPARE(shown.window.timeTo(), 1.49);
        shown.feed(10);
        QCOMPARE(shown.window.timeTo(), 1.59);
    }

    // The cursor line shows every lane's value at the mouse, wrapped between lanes however
    // many there are, never widening the window; "clear" takes the line and its values.
    void cursorLineShowsEveryLaneUntilCleared() {
        Shown shown;
        shown.feed(30);
        QVERIFY(shown.window.addLane("3C byte 0"));
        QVERIFY(shown.window.addLane("3C period"));
        for (int i = 0; i < 8; ++i) QVERIFY(shown.window.addLane("failed checks checksum"));
        QVERIFY(shown.onScreen());
        const int narrowest = shown.window.minimumSizeHint().width();
        QCPAxisRect* lane = shown.window.plot()->axisRect(1);
        const int x = int(lane->axis(QCPAxis::atBottom)->coordToPixel(0.121));
        QTest::mouseMove(shown.window.plot(), QPoint(x, lane->rect().center().y()));
        QString shownText = shown.window.cursorLabel()->text();
        QCOMPARE(shownText.replace(QChar::Nbsp, ' '),
                 shown.window.cursorText(lane->axis(QCPAxis::atBottom)->pixelToCoord(x)));
        QCOMPARE(shown.window.minimumSizeHint().width(), narrowest);
        QVERIFY(shown.window.cursorLabel()->minimumHeight() > shown.window.fontMetrics().height());
        const auto cursorLines = [&] {
            int visible = 0;
            for (int i = 0; i < shown.window.plot()->itemCount(); ++i)
                visible += shown.window.plot()->item(i)->visible() ? 1 : 0;
            return visible;
        };
        QCOMPARE(cursorLines(), 10);
        for (int i = 0; i < 8; ++i) shown.window.removeLane(2);
        QCOMPARE(shown.window.cursorText(0.121),
                 "+ 00:00:00,121000   3C byte 0: 12   3C period: 10 ms");
        shown.window.setRelativeTime(false);
        QCOMPARE(shown.window.cursorText(0.122),
                 "00:00:00,122000   3C byte 0: 12   3C period: 10 ms");
        lane = shown.window.plot()->axisRect(1);  // the lanes were laid out anew
        QTest::mouseMove(shown.window.plot(), QPoint(x + 5, lane->rect().center().y()));
        QVERIFY(shown.window.cursorLabel()->text().startsWith("00:00:00,1"));
        QCOMPARE(cursorLines(), 2);
        shown.window.resetPlot();
        QCOMPARE(shown.window.cursorLabel()->text(), "");
        QCOMPARE(cursorLines(), 0);
    }

    // A click that does not move selects the row of the nearest point of the lane clicked:
    // "3C byte 0" has a point every 10 ms, the bus load one a second (its row the second's
    // first frame, after the START row).
    void clickAnswersFromTheLaneClicked_data() {
        QTest::addColumn<int>("lane");
        QTest::addColumn<double>("time");
        QTest::addColumn<uint>("row");
        QTest::newRow("3C byte 0 at 0.121 s: frame 12") << 0 << 0.121 << 13u;
        QTest::newRow("bus load at 0.121 s: the first second's row") << 1 << 0.121 << 1u;
        QTest::newRow("bus load at 1.3 s: the second second's row") << 1 << 1.3 << 101u;
        QTest::newRow("3C byte 0 at 1.3 s: frame 130") << 0 << 1.3 << 131u;
    }

    void clickAnswersFromTheLaneClicked() {
        QFETCH(int, lane);
        QFETCH(double, time);
        QFETCH(uint, row);
        Shown shown;
        shown.feed(250);
        QVERIFY(shown.window.addLane("3C byte 0") && shown.window.addLane("bus load"));
        QVERIFY(shown.onScreen());
        QSignalSpy clicked(&shown.window, &PlotWindow::rowClicked);
        QCPAxisRect* rect = shown.window.plot()->axisRect(lane);
        const int x = int(rect->axis(QCPAxis::atBottom)->coordToPixel(time));
        QTest::mouseClick(shown.window.plot(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(x, rect->rect().center().y()));
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked[0][0].toUInt(), row);
    }

    // A lane added to a loaded trace is drawn at once, for its own width and height: a
    // point per frame (not one column's least and greatest), a failed frame a mark of its
    // own (a cross) and never on the line, and every text of a step lane.
    void aLaneAddedToALoadedTraceIsDrawnAtOnce() {
        Shown shown;
        shown.window.setLdf(exampleLdf(), {});
        QVERIFY(shown.onScreen());
        QByteArray stream;
        for (int i = 1; i <= 10; ++i)  // the fifth frame's checksum spoiled
            stream += bcmCommand(QByteArray::number(i * 0x1000, 16).rightJustified(4, '0'), i % 8,
                                 i * 16, i == 5);
        shown.feedStream(stream);
        QVERIFY(shown.window.addLane("BCM_Command.VehicleSpeed"));
        QVERIFY(shown.window.addLane("BCM_Command.WiperMode"));
        const QCPGraph* line = shown.window.plot()->graph(0);
        QCOMPARE(line->data()->size(), 10);  // nine frames and a break after the failed one
        QCOMPARE(breaks(line).size(), 1);
        QCOMPARE(line->data()->at(9)->key, 9 * 0x1000 / 1e6);
        const QCPGraph* marks = shown.window.plot()->graph(1);
        QCOMPARE(marks->data()->size(), 1);
        QCOMPARE(marks->data()->at(0)->key, 4 * 0x1000 / 1e6);
        QCOMPARE(marks->data()->at(0)->value, 5.0);  // km/h
        const auto texts = qSharedPointerDynamicCast<QCPAxisTickerText>(
            shown.window.plot()->axisRect(1)->axis(QCPAxis::atLeft)->ticker());
        QCOMPARE(texts->ticks().size(), 6);
    }

    // "Fit y" lets the chosen lane's y axis follow the values shown rather than all of the
    // lane's: 0..99, of which 19..30 are drawn (the points beside the span with them).
    void fitToViewFollowsTheShownSpan_data() {
        QTest::addColumn<bool>("fit");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("all values") << false << -7.92 << 106.92;
        QTest::newRow("fit to the view") << true << 18.12 << 30.88;
    }

    void fitToViewFollowsTheShownSpan() {
        QFETCH(bool, fit);
        QFETCH(double, low);
        QFETCH(double, high);
        Shown shown;
        shown.feed(100);
        QVERIFY(shown.window.addLane("3C period") && shown.window.addLane("3C byte 0"));
        QVERIFY(shown.onScreen());
        auto* button = shown.window.findChild<QPushButton*>("plotFit");
        if (fit)
            button->click();
        QCOMPARE(shown.window.fitsToView(0), false);
        shown.window.setTimeRange(0.2, 0.3);
        const QCPRange range = shown.window.plot()->axisRect(1)->axis(QCPAxis::atLeft)->range();
        QCOMPARE(range.lower, low);
        QCOMPARE(range.upper, high);
    }

    void lanesComeBackFromTheProfilePerLdf() {
        Shown shown;
        for (const char* lane : {"3C byte 0", "bus load", "3C period"})
            QVERIFY(shown.window.addLane(lane));
        shown.window.moveLane(2, 0);
        Profile profile = Profile::fromText("[PLOT]\n");
        PlotLaneStore store(profile);
        store.keep("", shown.window.laneTexts());
        shown.window.removeLane(1);
        store.keep("/ldf/a=b%.ldf", shown.window.laneTexts());
        QCOMPARE(QString::fromStdString(profile.text()),
                 "[PLOT]\nLanes=3C period;3C byte 0;bus load\n"
                 "Lanes:/ldf/a%3Db%25.ldf=3C period;bus load\n");
        Shown again;
        again.window.setLanes(store.lanes(""));
        QCOMPARE(again.window.laneTexts(), QStringList({"3C period", "3C byte 0", "bus load"}));
        store.keep("/ldf/other.ldf", {});  // no lanes for an LDF without any: nothing written
        QVERIFY(!QString::fromStdString(profile.text()).contains("other"));
        // A signal lane comes back with an LDF that names the signal, never without.
        profile.WriteProfileString("PLOT", PlotLaneStore::key(exampleLdf().path()),
                                   "RLS_Status.AmbientLight;RLS_Status.Lux;bus load");
        again.window.setLanes(store.lanes(exampleLdf().path()));
        QCOMPARE(again.window.laneTexts(), QStringList({"bus load"}));
        again.window.setLdf(exampleLdf(), store.lanes(exampleLdf().path()));
        QCOMPARE(again.window.laneTexts(), QStringList({"RLS_Status.AmbientLight", "bus load"}));
    }

    // The picker offers the identifiers of the trace with their bytes, a bit range and the
    // period, the timing lanes and, with an LDF, each unconditional frame's signals (their
    // unit, or that steps are labelled with texts); a choice fills the text, and only a text
    // that names a lane closes it, with the lane's own text.
    void pickerOffersLanesAndRefusesBadTexts_data() {
        QTest::addColumn<bool>("withLdf");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("taken");  // the lane's text, or the problem shown
        QTest::newRow("bits reversed") << false << "3C bits 9..3"
                                       << "\"9..3\": bits are FIRST..LAST within 0..63";
        QTest::newRow("blanks") << false << " bus  load "
                                << "bus load";
        QTest::newRow("a signal without an LDF")
            << false << "RLS_Status.AmbientLight"
            << "\"RLS_Status.AmbientLight\": signals are plotted with an LDF";
        QTest::newRow("a signal with the LDF") << true << "RLS_Status.AmbientLight"
                                               << "RLS_Status.AmbientLight";
        QTest::newRow("a signal the LDF lacks") << true << "RLS_Status.Speed"
                                                << "\"Speed\": not a signal of RLS_Status";
    }

    void pickerOffersLanesAndRefusesBadTexts() {
        QFETCH(bool, withLdf);
        QFETCH(QString, typed);
        Shown shown;
        shown.feed(3);
        PlotLanePicker picker(shown.window.tracker().dataLengths(),
                              withLdf ? exampleLdf().model() : nullptr);
        QTreeWidget* tree = picker.tree();
        const int ids = withLdf ? 1 : 0;  // the signals come first
        QCOMPARE(tree->topLevelItemCount(), ids + 2);
        QCOMPARE(treeText(tree->topLevelItem(ids)), "Identifiers(3C(byte 0, bits..., period))");
        QCOMPARE(tree->topLevelItem(ids + 1)->text(0), "Timing");
        QCOMPARE(tree->topLevelItem(ids + 1)->childCount(), 12);  // load, all, ten words
        tree->setCurrentItem(tree->topLevelItem(ids)->child(0)->child(1));
        QCOMPARE(picker.laneText(), "3C bits 0..7");
        if (withLdf) {
            QTreeWidgetItem* frames = tree->topLevelItem(0);
            QCOMPARE(frames->text(0), "Signals");
            QCOMPARE(treeText(frames->child(4)),
                     "Wiper_Status (31)(WiperAngle [deg], WiperParked (texts), WiperBlocked "
                     "(texts), Wiper_RespError (texts))");
            QStringList names;
            for (int i = 0; i < frames->childCount(); ++i) names << frames->child(i)->text(0);
            QCOMPARE(names.join(", "),
                     "BCM_Command (10), DoorFL_Status (20), DoorFR_Status (21), "
                     "RLS_Status (30), Wiper_Status (31)");
            tree->setCurrentItem(frames->child(4)->child(0));
            QCOMPARE(picker.laneText(), "Wiper_Status.WiperAngle");
        }
        picker.setLaneText(typed);
        picker.accept();
        QTEST(picker.result() == QDialog::Accepted
                  ? picker.laneText()
                  : picker.findChild<QLabel*>("plotLaneProblem")->text(),
              "taken");
    }

    // A logical signal is drawn as steps with the LDF's texts on its y axis, a physical one
    // as a line with its unit in the lane's name and on its axis; the cursor shows texts and
    // units. Steps end a pixel column after their last point before a gap; a line breaks
    // where the late frame's column starts. A low lane shows as many texts as fit. Without
    // the LDF no signal lane can be added.
    void signalLanesShowTextsStepsAndUnits() {
        Shown shown;
        QString error;
        QVERIFY(!shown.window.addLane("BCM_Command.WiperMode", &error));
        QCOMPARE(error, "\"BCM_Command.WiperMode\": signals are plotted with an LDF");
        shown.window.setLdf(exampleLdf(), {});
        QVERIFY(shown.window.addLane("BCM_Command.WiperMode"));
        QVERIFY(shown.window.addLane("BCM_Command.VehicleSpeed"));
        QVERIFY(shown.onScreen());
        // Every 4096 us, then a frame 16384 us late: a gap.
        shown.feedStream(bcmCommand("1000", 1, 1600) + bcmCommand("2000", 3, 800) +
                         bcmCommand("3000", 3, 800) + bcmCommand("7000", 7, 160));
        QCustomPlot* plot = shown.window.plot();
        QCPAxis* steps = plot->axisRect(0)->axis(QCPAxis::atLeft);
        QCPAxis* speed = plot->axisRect(1)->axis(QCPAxis::atLeft);
        const auto title = [&](int lane) {
            return qobject_cast<QCPTextElement*>(plot->plotLayout()->element(2 * lane, 0))->text();
        };
        QCOMPARE(title(0) + " | " + title(1),
                 "BCM_Command.WiperMode | BCM_Command.VehicleSpeed [km/h]");
        QCOMPARE(steps->label() + " | " + speed->label(), " | km/h");
        const auto texts = qSharedPointerDynamicCast<QCPAxisTickerText>(steps->ticker());
        QVERIFY(texts);
        QStringList ticks;
        for (auto it = texts->ticks().constBegin(); it != texts->ticks().constEnd(); ++it)
            ticks << QString("%1=%2").arg(it.key()).arg(it.value());
        QCOMPARE(ticks.join(' '), "0=off 1=interval 2=slow 3=fast 4=automatic 7=service position");
        QCOMPARE(plot->graph(0)->lineStyle(), QCPGraph::lsStepLeft);
        QCOMPARE(plot->graph(2)->lineStyle(), QCPGraph::lsLine);
        QCOMPARE(shown.window.cursorText(0.0041),
                 "+ 00:00:00,004100   BCM_Command.WiperMode: fast   "
                 "BCM_Command.VehicleSpeed: 50 km/h");
        plot->replot();
        const double column =
            (shown.window.timeTo() - shown.window.timeFrom()) / plot->axisRect(0)->width();
        const double last = (0x3000 - 0x1000) / 1e6, late = (0x7000 - 0x1000) / 1e6;
        const QList<double> stepBreaks = breaks(plot->graph(0));
        QCOMPARE(stepBreaks.size(), 1);
        QVERIFY2(stepBreaks[0] > last && stepBreaks[0] <= last + column + 1e-9,
                 qPrintable(QString::number(stepBreaks[0])));
        const QList<double> lineBreaks = breaks(plot->graph(2));
        QCOMPARE(lineBreaks.size(), 1);
        QVERIFY2(lineBreaks[0] > late - column && lineBreaks[0] <= late,
                 qPrintable(QString::number(lineBreaks[0])));
        // A low lane shows the texts that fit: never two closer than a line of text, the
        // lowest value's kept.
        shown.window.resize(shown.window.width(), 200);
        QApplication::processEvents();
        plot->replot();
        plot->replot();  // the second with the layout of the new size
        const QList<double> kept = texts->ticks().keys();
        QVERIFY2(kept.size() < 6 && kept.value(0) == 0, qPrintable(QString::number(kept.size())));
        const int line = QFontMetrics(steps->tickLabelFont()).height();
        for (int i = 1; i < kept.size(); ++i)
            QVERIFY(steps->coordToPixel(kept[i - 1]) - steps->coordToPixel(kept[i]) >= line);
    }

    void savesThroughTheSafeReplacement_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("start");  // of the file written
        QTest::newRow("png") << "plot.png" << QByteArray("\x89PNG\r\n");
        QTest::newRow("svg") << "plot.SVG" << QByteArray("<?xml");
        QTest::newRow("csv") << "plot.csv"
                             << QByteArray(
                                    "time,3C byte 0,3C period [ms]\r\n"
                                    "0.001000,0,\r\n0.011000,1,10\r\n0.021000,2,10\r\n");
    }

    void savesThroughTheSafeReplacement() {
        QFETCH(QString, name);
        QFETCH(QByteArray, start);
        Shown shown;
        shown.feed(3);
        QVERIFY(shown.window.addLane("3C byte 0") && shown.window.addLane("3C period"));
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QString error;
        QVERIFY2(shown.window.saveTo(path, error), qPrintable(error));
        const QByteArray saved = readFile(path);
        QVERIFY2(saved.startsWith(start), saved.left(80).constData());
        if (name.endsWith("svg", Qt::CaseInsensitive))
            QVERIFY(saved.contains("<svg"));
        // A write-protected file stays as it was.
        QVERIFY(writeFile(path, "old") && ::chmod(qPrintable(path), 0444) == 0);
        QVERIFY(!shown.window.saveTo(path, error));
        QCOMPARE(error, "write-protected");
        QCOMPARE(readFile(path), QByteArray("old"));
        QVERIFY(!shown.window.saveTo(dir.filePath("plot.txt"), error));
        QCOMPARE(error, "the name should end in .png, .svg or .csv");
    }
};

QTEST_MAIN(TestPlotWindow)
#include "tst_plotwindow.moc"
