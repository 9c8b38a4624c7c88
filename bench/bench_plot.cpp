// Plot benchmark: four lanes over a million LIN frames of one identifier (three with a
// point per frame, the bus load per second), built from the rows, grown batch by batch as
// a live trace grows, and redrawn in the real window at 1600x1000 for zoom and pan steps;
// the memory a lane takes per point; a single spike among the million values drawn in every
// view that holds it (the zoom and pan steps, and views around it); two signal lanes (a physical
// and a logical signal of the identifier's frame) built with an LDF, every frame decoded and
// checked with it. Each figure is printed beside its goal, the last line holds them all; the exit
// status is 1 when a goal is missed. Times are judged by the processor time they took (the wall
// time is printed beside it): on a shared machine it says what the code costs, and on an idle one
// the two agree. Usage: bench-plot [LIN frames, default 1000000]
#include <qcustomplot.h>
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "app/PlotWindow.h"
#include "app/WindowPrompts.h"
#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "lin/LinDescription.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

constexpr int kRounds = 3;            // the fastest of a few: the machine is shared
constexpr int kSteps = 20;            // zoom steps, then as many pan steps
constexpr std::uint64_t kBatch = 16;  // rows per live batch: 100 ms at full load, 19200 baud
const char* const kLanes[] = {"00 byte 0", "00 bits 4..11", "00 period", "bus load"};
// The data bytes stay below 80, but for one DB0 of FF in the middle of the trace: a spike
// in the first lane that every view holding its time must show.
constexpr std::uint8_t kDataMask = 0x7F;
constexpr float kSpike = 0xFF;
// Views beside the steps, around the spike: a thousandth of the trace, a second, 50 ms.
constexpr double kSpikeSpans[] = {0, 1.0, 0.05};

const char* const kSignalLanes[] = {"Bench.Speed", "Bench.Mode"};
// An LDF naming the bench's frame: identifier 00, eight bytes.
const char* const kLdf = R"(LIN_description_file;
LIN_protocol_version = "2.2";
LIN_language_version = "2.2";
LIN_speed = 19.2 kbps;
Nodes { Master: M, 5 ms, 0.1 ms; Slaves: S; }
Signals { Speed: 16, 0, S, M; Mode: 2, 0, S, M; }
Frames { Bench: 0x00, S, 8 { Speed, 0; Mode, 16; } }
Signal_encoding_types {
  SpeedType { physical_value, 0, 65535, 0.01, 0, "km/h"; }
  ModeType { logical_value, 0, "off"; logical_value, 1, "on"; logical_value, 2, "auto";
             logical_value, 3, "fault"; }
}
Signal_representation { SpeedType: Speed; ModeType: Mode; }
)";

constexpr double kBuildGoalMs = 300;
constexpr double kRedrawGoalMs = 50;
constexpr double kBytesGoal = 16;

struct NoPrompts : WindowPrompts {
    QString chooseTraceFile(ChooserMode, const QString&, const QString&, const QString&) override {
        return {};
    }
    void message(const QString&) override {}
    void beginProgress(std::uint64_t) override {}
    bool progress(std::uint64_t) override { return true; }
    void endProgress() override {}
};

struct Figures {
    Seconds build;
    std::uint64_t batches = 0;
    bool livePointsSame = false;
    Seconds zoom;  // per step, the mean
    Seconds pan;
    double zoomWorstMs = 0;  // wall
    double panWorstMs = 0;
    double bytesPerPoint = 0;
    std::uint64_t points = 0;
    Seconds signalBuild;  // two signal lanes with the LDF
    std::uint64_t signalPoints = 0;
    int spikeViews = 0;  // views whose span holds the spike
    int spikeShown = 0;  // of them, those drawing it within the lane's y range
};

// The four lanes, or with an LDF the signal lanes.
PlotTracker trackerWithLanes(const TraceList& list, const LdfModel* ldf = nullptr) {
    std::vector<PlotSource> sources;
    const auto add = [&](const char* text) {
        std::string error;
        sources.push_back(*ParsePlotSource(text, error));
    };
    if (ldf == nullptr) {
        std::for_each(std::begin(kLanes), std::end(kLanes), add);
    } else {
        std::for_each(std::begin(kSignalLanes), std::end(kSignalLanes), add);
    }
    PlotTracker tracker;
    tracker.setLdf(ldf, sources, list);
    return tracker;
}

std::uint64_t pointCount(const PlotTracker& tracker) {
    std::uint64_t points = 0;
    for (const PlotLane& lane : tracker.lanes()) points += lane.series().size();
    return points;
}

// The lanes from every row at once, as a loaded trace is plotted.
void measureBuild(const TraceList& list, Figures& figures) {
    Seconds best{1e9, 1e9};
    for (int round = 0; round < kRounds; ++round) {
        PlotTracker tracker = trackerWithLanes(list);
        Timer start;
        tracker.update(list, nullptr);
        best = fastest(best, secondsSince(start));
        figures.points = pointCount(tracker);
        const PlotSeries& series = tracker.lanes()[0].series();
        figures.bytesPerPoint = static_cast<double>(series.memoryBytes()) / series.size();
    }
    figures.build = best;
}

// The signal lanes from every row at once, with the LDF: each frame checked against it
// and decoded for each lane.
void measureSignals(const TraceList& list, const LdfModel* ldf, Figures& figures) {
    Seconds best{1e9, 1e9};
    for (int round = 0; round < kRounds; ++round) {
        PlotTracker tracker = trackerWithLanes(list, ldf);
        Timer start;
        tracker.update(list, nullptr);
        best = fastest(best, secondsSince(start));
        figures.signalPoints = pointCount(tracker);
    }
    figures.signalBuild = best;
}

// The same rows as a live trace hands them over: each update reads only its batch, and
// the lanes (the four, and the signal lanes) end as the one-shot builds made them.
void measureLive(const TraceList& list, const LdfModel* ldf, Figures& figures) {
    PlotTracker tracker = trackerWithLanes(list);
    PlotTracker signalTracker = trackerWithLanes(list, ldf);
    std::uint64_t read = 0;
    Timer start;
    for (std::uint64_t next = 0; next < list.rowCount();) {
        next = std::min(next + kBatch, list.rowCount());
        const TraceEntry* open = next < list.rowCount() ? list.at(next) : nullptr;
        read += tracker.update(list, open).rowsAdded;
        signalTracker.update(list, open);
        ++figures.batches;
    }
    const double ms = secondsSince(start).wall * 1e3;
    figures.livePointsSame = read == list.rowCount() && pointCount(tracker) == figures.points &&
                             pointCount(signalTracker) == figures.signalPoints;
    std::printf("  live: %llu batches of %llu rows in %.1f ms, every row read once: %s\n",
                static_cast<unsigned long long>(figures.batches),
                static_cast<unsigned long long>(kBatch), ms,
                read == list.rowCount() ? "yes" : "no");
}

// One step: the new span set as the wheel or a drag sets it (which redraws the plot).
Seconds step(PlotWindow& window, double from, double to) {
    Timer start;
    window.setTimeRange(from, to);
    return secondsSince(start);
}

// Adds one step's share of the mean and keeps the slowest (wall, ms).
void add(Seconds& mean, const Seconds& step, double& worstMs) {
    mean.wall += step.wall / kSteps;
    mean.cpu += step.cpu / kSteps;
    worstMs = std::max(worstMs, step.wall * 1e3);
}

// The spike's time on the axis (the first point of the lane with its value).
double spikeTime(const PlotWindow& window) {
    const PlotSeries& series = window.tracker().lanes()[0].series();
    for (std::size_t i = 0; i < series.size(); ++i) {
        if (series.at(i).value == kSpike) {
            return window.axisTime(series.at(i).time);
        }
    }
    return -1;
}

// Where the shown span holds the spike, the first lane's line must reach it and its y axis
// show it.
void checkSpike(const PlotWindow& window, double spike, Figures& figures) {
    if (spike < window.timeFrom() || spike > window.timeTo()) {
        return;
    }
    ++figures.spikeViews;
    const QCPGraph* line = window.plot()->graph(0);
    bool drawn = false;
    for (auto it = line->data()->constBegin(); it != line->data()->constEnd(); ++it) {
        drawn = drawn ||
                (it->value == kSpike && it->key >= window.timeFrom() && it->key <= window.timeTo());
    }
    figures.spikeShown += drawn && line->valueAxis()->range().contains(kSpike) ? 1 : 0;
}

void measureRedraw(TraceSession& session, Figures& figures) {
    NoPrompts prompts;
    PlotWindow window(
        session, [] { return false; }, prompts);
    for (const char* text : kLanes) window.addLane(QString::fromLatin1(text));
    window.show();
    window.plot()->setFixedSize(1600, 1000);
    QApplication::processEvents();
    window.refresh();
    window.showAll();
    QApplication::processEvents();
    double from = window.timeFrom();
    double to = window.timeTo();
    const double spike = spikeTime(window);
    const double whole = to - from;
    checkSpike(window, spike, figures);
    for (int i = 0; i < kSteps; ++i) {  // the wheel: 15 % in around the middle
        const double middle = (from + to) / 2;
        const double half = (to - from) * 0.85 / 2;
        from = middle - half;
        to = middle + half;
        add(figures.zoom, step(window, from, to), figures.zoomWorstMs);
        checkSpike(window, spike, figures);
    }
    for (int i = 0; i < kSteps; ++i) {  // a drag: a tenth of the span to the right
        const double shift = (to - from) / 10;
        from += shift;
        to += shift;
        add(figures.pan, step(window, from, to), figures.panWorstMs);
        checkSpike(window, spike, figures);
    }
    for (const double span : kSpikeSpans) {
        const double half = (span == 0 ? whole / 1000 : span) / 2;
        window.setTimeRange(spike - half, spike + half);
        checkSpike(window, spike, figures);
    }
}

void line(const char* what, double figure, const char* unit, const char* goal, bool met) {
    std::printf("  %-40s %9.2f %-8s goal %-10s %s\n", what, figure, unit, goal,
                met ? "met" : "MISSED");
}

// A time: its processor time beside the goal, the wall time after it.
void timeLine(const char* what, const Seconds& seconds, double goalMs) {
    std::printf("  %-40s %9.2f ms cpu  goal < %3.0f ms  %-6s (wall %.2f ms)\n", what,
                seconds.cpu * 1e3, goalMs, seconds.cpu * 1e3 < goalMs ? "met" : "MISSED",
                seconds.wall * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    options.identifiers = 1;
    options.dataMask = kDataMask;
    options.spikeFrame = options.linFrames / 2;
    const std::string path = scratchPath("bench-plot", ".dump");
    std::uint64_t linFrames = 0;
    {
        const DumpGenerator::Dump dump = DumpGenerator::generate(options);
        linFrames = dump.linFrames;
        std::printf("dump: %llu LIN frames of identifier 00, %.1f MB\n",
                    static_cast<unsigned long long>(dump.linFrames), dump.bytes.size() / 1e6);
        if (!writeFile(path, dump.bytes)) {
            std::fprintf(stderr, "bench-plot: cannot write %s\n", path.c_str());
            return 2;
        }
    }
    TraceList list;
    CountingSink sink;
    ReceiveBuffer buffer;
    TraceSession session(list, buffer, sink);
    const bool loaded = LoadTrace(session, path) == LoadResult::Ok;
    std::remove(path.c_str());
    if (!loaded) {
        std::fprintf(stderr, "bench-plot: cannot load the dump\n");
        return 2;
    }
    std::printf("lanes: %s, %s, %s, %s\n", kLanes[0], kLanes[1], kLanes[2], kLanes[3]);

    Figures figures;
    const LinDescription ldf = LinDescription::parse(kLdf, "bench.ldf");
    measureBuild(list, figures);
    measureSignals(list, ldf.model(), figures);
    measureLive(list, ldf.model(), figures);
    measureRedraw(session, figures);

    const bool build = figures.build.cpu * 1e3 < kBuildGoalMs;
    const bool zoom = figures.zoom.cpu * 1e3 < kRedrawGoalMs;
    const bool pan = figures.pan.cpu * 1e3 < kRedrawGoalMs;
    const bool memory = figures.bytesPerPoint <= kBytesGoal;
    // Both signals accept every raw value: a point from every frame in each lane.
    const bool signalGoal =
        figures.signalBuild.cpu * 1e3 < kBuildGoalMs && figures.signalPoints == 2 * linFrames;
    std::printf("  %llu points in the four lanes\n",
                static_cast<unsigned long long>(figures.points));
    timeLine("build four lanes from the rows", figures.build, kBuildGoalMs);
    line("live batches add without rebuilding", figures.livePointsSame ? 1 : 0, "(1: yes)", "1",
         figures.livePointsSame);
    timeLine("redraw per zoom step, 1600x1000 (mean)", figures.zoom, kRedrawGoalMs);
    timeLine("redraw per pan step, 1600x1000 (mean)", figures.pan, kRedrawGoalMs);
    line("memory of a lane per point", figures.bytesPerPoint, "bytes", "<= 16", memory);
    std::printf("  (slowest zoom step %.2f ms, slowest pan step %.2f ms)\n", figures.zoomWorstMs,
                figures.panWorstMs);
    std::printf("  %llu points in the signal lanes %s, %s: one a frame in each %s\n",
                static_cast<unsigned long long>(figures.signalPoints), kSignalLanes[0],
                kSignalLanes[1], figures.signalPoints == 2 * linFrames ? "yes" : "NO");
    timeLine("build two signal lanes with an LDF", figures.signalBuild, kBuildGoalMs);
    // The spike: in the whole view, the zoom steps around the middle, the pan steps until it
    // leaves, and the views around it.
    const bool spike = figures.spikeViews > 3 && figures.spikeShown == figures.spikeViews;
    std::printf("  %-40s %5d of %-5d views    goal every one %s\n",
                "a single spike drawn in the views of it", figures.spikeShown, figures.spikeViews,
                spike ? "met" : "MISSED");
    const bool all =
        build && figures.livePointsSame && zoom && pan && memory && signalGoal && spike;
    std::printf(
        "bench-plot: build %.1f ms (<300), live same points %s, zoom %.2f ms (<50), pan %.2f ms "
        "(<50), %.2f bytes/point (<=16), signal lanes %.1f ms (<300), spike in %d of %d views "
        "(every one): %s\n",
        figures.build.cpu * 1e3, figures.livePointsSame ? "yes" : "no", figures.zoom.cpu * 1e3,
        figures.pan.cpu * 1e3, figures.bytesPerPoint, figures.signalBuild.cpu * 1e3,
        figures.spikeShown, figures.spikeViews, all ? "every goal met" : "a goal MISSED");
    return all ? 0 : 1;
}
