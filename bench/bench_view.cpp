// List view benchmark: a generated dump of LIN frames loaded into the trace list view
// (offscreen), then sorted by "Info" and by "MsgNr" and switched to the other data
// mode; each time beside the load of the same dump without a view, measured in the
// same run. Also the cost of painting one page with few and with many rows, and of the
// trace search: showing only the rows a query matches, and a load under that filter
// with the number of insertions per decoded batch. With the example LDF: the whole list
// judged again when it is loaded, and a wide page painted with the Frame column beside
// the same page without it.
// The load in the window is held to its goal against the core load (exit status 1
// when missed).
// Usage: bench-view [LIN frames, default 1000000]
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "app/QtWindowPrompts.h"
#include "app/TraceApp.h"
#include "app/TraceFilesActions.h"
#include "bench/BenchSupport.h"
#include "bench/DumpGenerator.h"
#include "files/TraceLoad.h"
#include "lin/Columns.h"
#include "lin/LinDescription.h"
#include "lin/Query.h"
#include "protocol/ProgramWide.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

using namespace daridez;
using namespace daridez::bench;

namespace {

// The window's load may take this many times the core load's processor time.
constexpr double kWindowLoadGoal = 1.5;

bool load(const std::string& path, TraceList& list, RowSink& sink) {
    return loadDump(path, list, sink);
}

// What the user waits for after a change of the whole list: the events it caused and
// the next page on screen.
void settle(TraceListView& view, QImage& page) {
    QCoreApplication::processEvents();
    view.viewport()->render(&page);
}

void report(const char* what, const Seconds& seconds, const Seconds& core) {
    std::printf("  %-34s wall %8.1f ms (%.2f x core load) | cpu %8.1f ms (%.2f x)\n", what,
                seconds.wall * 1e3, seconds.wall / core.wall, seconds.cpu * 1e3,
                seconds.cpu / core.cpu);
}

// The time to paint the visible page of the view: the fastest of some paints, the
// figure least disturbed by other work on the machine.
double pagePaintMs(TraceListView& view, QImage& page, int repeats) {
    view.viewport()->render(&page);  // warm the glyph cache
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        Timer start;
        view.viewport()->render(&page);
        best = std::min(best, secondsSince(start).wall * 1e3);
    }
    return best;
}

struct Bench {
    std::string path;
    Seconds core{1e9, 1e9};
    TraceListView* view = nullptr;
    QImage page;
};

bool measureLoads(Bench& bench, int rounds) {
    Seconds withView{1e9, 1e9};
    Seconds appendOnly{1e9, 1e9};
    for (int round = 0; round < rounds; ++round) {
        {
            TraceList list;
            CountingSink sink;
            Timer start;
            if (!load(bench.path, list, sink)) {
                return false;
            }
            bench.core = fastest(bench.core, secondsSince(start));
        }
        TraceList list;
        bench.view->traceModel()->clearRows();
        Timer start;
        if (!load(bench.path, list, *bench.view->traceModel())) {
            return false;
        }
        appendOnly = fastest(appendOnly, secondsSince(start));
        settle(*bench.view, bench.page);
        withView = fastest(withView, secondsSince(start));
        bench.view->traceModel()->clearRows();
    }
    std::printf("  %-34s wall %8.1f ms | cpu %8.1f ms (fastest of %d)\n", "core-only load",
                bench.core.wall * 1e3, bench.core.cpu * 1e3, rounds);
    report("load into the view", appendOnly, bench.core);
    report("load into the view, page shown", withView, bench.core);
    return true;
}

// A click on a column's title: the sort alone (when sortAlone) and with the page shown.
void measureSort(Bench& bench, int column, const std::string& what, bool sortAlone) {
    Timer start;
    bench.view->traceModel()->sortByHeaderClick(column);
    const Seconds sort = secondsSince(start);
    settle(*bench.view, bench.page);
    if (sortAlone) {
        report(what.c_str(), sort, bench.core);
    }
    report((what + (sortAlone ? ", page shown" : "")).c_str(), secondsSince(start), bench.core);
}

void measureWholeListChanges(Bench& bench, TraceList& list) {
    TraceListView& view = *bench.view;
    view.selectRow(12345 % std::max(1u, view.traceModel()->indexCount()));
    measureSort(bench, 2, "sort by \"Info\"", true);
    measureSort(bench, 2, "sort by \"Info\" again (descending)", false);
    measureSort(bench, 0, "sort by \"MsgNr\"", true);

    Timer start;
    ReceiveBuffer buffer;
    TraceSession session(list, buffer, *view.traceModel());
    view.traceModel()->setDisplayModes(session, DisplayModes{true, true, false});
    settle(view, bench.page);
    report("data mode switch, page shown", secondsSince(start), bench.core);
}

// Hands the decoder's rows to the model and counts its batches.
class CountingBatches : public RowSink {
  public:
    explicit CountingBatches(TraceListModel& model) : model_(model) {}
    bool AppendRow(TraceEntry* entry, std::int32_t number) override {
        return model_.AppendRow(entry, number);
    }
    void endOfBatch() override {
        ++batches;
        model_.endOfBatch();
    }
    void clearRows() override { model_.clearRows(); }
    RowColours rowColours() const override { return model_.rowColours(); }
    int batches = 0;

  private:
    TraceListModel& model_;
};

std::optional<Query> parsed(const char* text) {
    std::string error;
    std::optional<Query> query = Query::parse(text, error);
    if (!query) {
        std::fprintf(stderr, "bench-view: %s\n", error.c_str());
    }
    return query;
}

// Showing only the matches of a query over the whole list, the page shown, with a row
// selected; then every row again. The query is ended afterwards.
void measureFilters(Bench& bench) {
    TraceListView& view = *bench.view;
    TraceListModel& model = *view.traceModel();
    model.setShowOnlyMatches(true);
    for (const char* text : {"id=3C", "FFh"}) {
        view.selectRow(0);
        Timer start;
        model.setQuery(parsed(text));
        const Seconds judged = secondsSince(start);
        settle(view, bench.page);
        const Seconds shown = secondsSince(start);
        std::printf("  query %-8s %u of %u rows match\n", text, model.matchCount(),
                    model.indexCount());
        report("  filter", judged, bench.core);
        report("  filter, page shown", shown, bench.core);
        start = Timer{};
        model.sortByHeaderClick(0);  // the whole index sorted, the matches judged again
        settle(view, bench.page);
        report("  sort by \"MsgNr\", page shown", secondsSince(start), bench.core);
        start = Timer{};
        model.setShowOnlyMatches(false);
        settle(view, bench.page);
        report("  every row again, page shown", secondsSince(start), bench.core);
        model.setShowOnlyMatches(true);
    }
    model.setQuery(std::nullopt);
    model.setShowOnlyMatches(false);
    settle(view, bench.page);
}

// A load while only the matches of id=3C are shown: the rows a batch brings that match
// come in one insertion (the open row of a batch may leave once in a while).
bool measureFilteredLoad(Bench& bench) {
    TraceListView& view = *bench.view;
    TraceListModel& model = *view.traceModel();
    model.clearRows();
    model.setQuery(parsed("id=3C"));
    model.setShowOnlyMatches(true);
    int insertions = 0;
    int removals = 0;
    auto counting =
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    auto removing = QObject::connect(&model, &QAbstractItemModel::rowsRemoved, [&] { ++removals; });
    CountingBatches sink(model);
    TraceList list;
    Timer start;
    const bool ok = load(bench.path, list, sink);
    const Seconds loaded = secondsSince(start);
    settle(view, bench.page);
    report("load, only id=3C shown", loaded, bench.core);
    report("load, only id=3C shown, page shown", secondsSince(start), bench.core);
    std::printf("  %d batches: %d insertions, %d removals; %d rows shown of %u\n", sink.batches,
                insertions, removals, model.rowCount(), model.indexCount());
    QObject::disconnect(counting);
    QObject::disconnect(removing);
    model.clearRows();
    model.setQuery(std::nullopt);
    model.setShowOnlyMatches(false);
    return ok;
}

// Loading an LDF as the window does: the search's query parsed again with it (here "bad",
// which judges every row), then the list's verdicts; the page shown. Then the paint of
// a page wide enough for every column, with the Frame column and the LDF against the
// same page without either.
void measureLdf(Bench& bench, const LinDescription& ldf) {
    TraceListView& view = *bench.view;
    TraceListModel& model = *view.traceModel();
    std::string error;
    model.setQuery(parsed("bad"));
    settle(view, bench.page);
    Timer start;
    model.setQuery(Query::parse("bad", error, ldf.model()));
    model.setLdf(ldf.model());
    settle(view, bench.page);
    report("LDF loaded: every row judged again", secondsSince(start), bench.core);
    std::printf("  bad with the LDF: %u of %u rows\n", model.matchCount(), model.indexCount());
    model.setQuery(std::nullopt);

    view.resize(1200, 600);
    QCoreApplication::processEvents();
    QImage wide(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    constexpr int kFrame = static_cast<int>(Column::Frame);
    view.setColumnHidden(kFrame, true);
    model.setLdf(nullptr);
    const double without = pagePaintMs(view, wide, 50);
    view.setColumnHidden(kFrame, false);
    model.setLdf(ldf.model());
    const double with = pagePaintMs(view, wide, 50);
    std::printf(
        "  one page painted, %d px wide: %.3f ms without the Frame column and the LDF, "
        "%.3f ms with them (ratio %.2f)\n",
        view.viewport()->width(), without, with, with / without);
    model.setLdf(nullptr);
    view.resize(640, 600);
    QCoreApplication::processEvents();
}

void measurePagePaint(Bench& bench, TraceList& list, std::uint32_t fewRows) {
    TraceListView& view = *bench.view;
    const std::uint32_t allRows = view.traceModel()->indexCount();
    const double many = pagePaintMs(view, bench.page, 50);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    const double manyMiddle = pagePaintMs(view, bench.page, 50);

    // The same view over the first rows only.
    view.traceModel()->clearRows();
    std::uint32_t added = 0;
    for (TraceEntry& entry : list) {
        if (added++ == fewRows) {
            break;
        }
        view.traceModel()->AppendRow(&entry, entry.number);
    }
    view.traceModel()->endOfBatch();
    QCoreApplication::processEvents();
    const double few = pagePaintMs(view, bench.page, 50);
    std::printf(
        "  one page painted: %u rows %.3f ms; %u rows %.3f ms at the top, %.3f ms in the "
        "middle (ratio %.2f)\n",
        added, few, allRows, many, manyMiddle, many / few);
}

// The prompts of the real window, with the file chooser answered by the benchmark and
// message boxes (the port that cannot be opened) left unshown.
class AnsweringPrompts : public QtWindowPrompts {
  public:
    explicit AnsweringPrompts(QString path) : path_(std::move(path)) {}
    QString chooseTraceFile(ChooserMode, const QString&, const QString&, const QString&) override {
        return path_;
    }
    void message(const QString&) override {}

  private:
    QString path_;
};

// "load trace" in the real window, offscreen: the progress dialog, its event loop and
// the list's insertions, until the last page is shown; the fastest of some loads.
bool measureWindowLoad(Bench& bench, int rounds, Goals& goals) {
    QTemporaryDir profileFolder;
    AnsweringPrompts prompts(QString::fromStdString(bench.path));
    ProgramWide values;
    TraceApp traceApp(values, profileFolder.filePath("daridez.ini").toStdString(), &prompts);
    MainDialog& dialog = traceApp.window();
    dialog.show();
    QCoreApplication::processEvents();
    int inserts = 0;
    QObject::connect(dialog.listModel(), &QAbstractItemModel::rowsInserted,
                     [&inserts] { ++inserts; });
    Seconds fastestLoad{1e9, 1e9};
    for (int round = 0; round < rounds; ++round) {
        inserts = 0;
        Timer start;
        dialog.fileActions().loadTrace();
        QCoreApplication::processEvents();
        dialog.listView()->viewport()->render(&bench.page);
        fastestLoad = fastest(fastestLoad, secondsSince(start));
    }
    report("load in the window (progress dialog)", fastestLoad, bench.core);
    std::printf("  %u rows in %d insertions\n", dialog.listModel()->indexCount(), inserts);
    goals.atMost("load in the window against the core load, cpu", fastestLoad.cpu / bench.core.cpu,
                 kWindowLoadGoal, "x");
    return dialog.listModel()->indexCount() > 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DumpGenerator::Options options = DumpGenerator::Options::fromArguments(argc, argv);
    Bench bench;
    bench.path = scratchPath("bench-view", ".dump");
    {
        const DumpGenerator::Dump dump = DumpGenerator::generate(options);
        std::printf("dump: %llu LIN frames, %.1f MB\n",
                    static_cast<unsigned long long>(dump.linFrames), dump.bytes.size() / 1e6);
        if (!writeFile(bench.path, dump.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", bench.path.c_str());
            return 1;
        }
    }

    TraceListView view;
    view.resize(640, 600);
    view.show();
    QCoreApplication::processEvents();
    bench.view = &view;
    bench.page = QImage(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);

    bool ok = measureLoads(bench, 3);
    TraceList list;
    ok = ok && load(bench.path, list, *view.traceModel());
    if (ok) {
        settle(view, bench.page);
        std::printf("  rows in the view: %u\n", view.traceModel()->indexCount());
        measureFilters(bench);
        measureWholeListChanges(bench, list);
        measureLdf(bench, LinDescription::read(DARIDEZ_EXAMPLE_LDF));
        measurePagePaint(bench, list, 1000);
        ok = measureFilteredLoad(bench);
    }
    view.traceModel()->clearRows();
    list.FreeTraceList();
    Goals goals;
    ok = ok && measureWindowLoad(bench, 3, goals);
    std::remove(bench.path.c_str());
    if (!ok) {
        std::fprintf(stderr, "cannot load %s\n", bench.path.c_str());
    }
    return ok ? goals.exitStatus() : 1;
}
