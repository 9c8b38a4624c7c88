#include "app/CompanionWindows.h"

#include "app/IdSummaryWindow.h"
#include "app/PlotLaneStore.h"
#include "app/PlotRowFinder.h"
#include "app/PlotWindow.h"
#include "app/SearchGroup.h"
#include "app/SignalPane.h"
#include "app/TraceContext.h"
#include "protocol/TraceSession.h"
#include "view/TraceListView.h"

namespace daridez {

CompanionWindows::CompanionWindows(TraceSession& session, const TraceContext& context,
                                   const std::function<bool()>& rowsArriving,
                                   WindowPrompts& prompts, Profile& profile, TraceListView& list,
                                   SignalPane& pane, QWidget* parent)
    : QObject(parent),
      context_(context),
      profile_(profile),
      pane_(pane),
      idSummary_(new IdSummaryWindow(session, context, rowsArriving, parent)),
      plot_(new PlotWindow(session, rowsArriving, prompts, parent)) {
    pane_.setReader(context_);
    plot_->setBaudrate(context_.linRate());
    plot_->setLanes(PlotLaneStore(profile_).lanes(""));
    connect(&context_, &TraceContext::ldfChanged, this, &CompanionWindows::applyLdf);
    connect(&context_, &TraceContext::linRateChanged, this,
            [this] { plot_->setBaudrate(context_.linRate()); });
    connect(&context_, &TraceContext::modesChanged, this,
            [this] { plot_->setRelativeTime(context_.modes().relativeTime); });
    connect(&context_, &TraceContext::cleared, plot_, &PlotWindow::resetPlot);
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

void CompanionWindows::applyLdf() {
    pane_.refresh();
    saveLanes();
    plot_->setLdf(context_.ldf(), PlotLaneStore(profile_).lanes(context_.ldf().path()));
}

void CompanionWindows::saveLanes() {
    PlotLaneStore(profile_).keep(plot_->ldf().path(), plot_->laneTexts());
}

}  // namespace daridez
