#include "app/CompanionWindows.h"

#include "app/IdSummaryWindow.h"
#include "app/PlotLaneStore.h"
#include "app/PlotRowFinder.h"
#include "app/PlotWindow.h"
#include "app/SearchGroup.h"
#include "app/SignalPane.h"
#include "protocol/TraceSession.h"
#include "view/TraceListView.h"

namespace daridez {

CompanionWindows::CompanionWindows(TraceSession& session, const std::function<bool()>& rowsArriving,
                                   WindowPrompts& prompts, Profile& profile, TraceListView& list,
                                   SignalPane& pane, QWidget* parent)
    : QObject(parent),
      profile_(profile),
      pane_(pane),
      idSummary_(new IdSummaryWindow(session, rowsArriving, parent)),
      plot_(new PlotWindow(session, rowsArriving, prompts, parent)) {
    plot_->setLanes(PlotLaneStore(profile_).lanes(""));
    connect(idSummary_, &IdSummaryWindow::plotRequested, plot_, &PlotWindow::addLaneInFront);
    connect(&pane_, &SignalPane::plotRequested, plot_, &PlotWindow::addLaneInFront);
    connect(plot_, &PlotWindow::rowClicked, this,
            [&list, &session](quint32 row) { ShowTraceRow(list, session.list, row); });
}

// A double click on an identifier in the summary looks for its frames.
void CompanionWindows::connectSearch(SearchGroup& search) {
    connect(idSummary_, &IdSummaryWindow::identifierActivated, &search,
            &SearchGroup::findIdentifier);
}

void CompanionWindows::setBaudrate(int baudrate) {
    idSummary_->setBaudrate(baudrate);
    plot_->setBaudrate(baudrate);
}

void CompanionWindows::traceCleared() {
    idSummary_->resetSummary();
    plot_->resetPlot();
}

void CompanionWindows::setDisplayModes(const DisplayModes& modes) {
    plot_->setRelativeTime(modes.relativeTime);
}

void CompanionWindows::setLdf(const LinDescription& ldf) {
    idSummary_->setLdf(ldf);
    pane_.setReader(ldf);
    saveLanes();
    plot_->setLdf(ldf, PlotLaneStore(profile_).lanes(ldf.path()));
}

void CompanionWindows::saveLanes() {
    PlotLaneStore(profile_).keep(plot_->ldf().path(), plot_->laneTexts());
}

}  // namespace daridez
