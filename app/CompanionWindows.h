#pragma once

#include <QObject>
#include <functional>

namespace daridez {

class IdSummaryWindow;
class PlotWindow;
class Profile;
class SearchGroup;
class SignalPane;
class TraceContext;
class TraceListView;
class WindowPrompts;
struct TraceSession;

// The windows and the pane beside the trace list that read its rows: the ID summary, the
// plot and the signal pane. They follow the trace's context (its LDF, LIN rate, display
// modes and clearing), and are wired to the search and the list: a summary row looks
// for its frames, "Plot" adds a lane, a click in the plot shows its row.
class CompanionWindows : public QObject {
    Q_OBJECT

  public:
    // rowsArriving: whether a trace or a load is adding rows now. The plot's lanes come
    // from the profile (those kept without an LDF).
    CompanionWindows(TraceSession& session, const TraceContext& context,
                     const std::function<bool()>& rowsArriving, WindowPrompts& prompts,
                     Profile& profile, TraceListView& list, SignalPane& pane, QWidget* parent);

    void connectSearch(SearchGroup& search);
    IdSummaryWindow* idSummary() const { return idSummary_; }
    PlotWindow* plot() const { return plot_; }

    // The window closes: the plot's lanes go to the profile.
    void saveLanes();

  private:
    // The plot's lanes are kept per LDF: those of the LDF before go to the profile, the
    // new one's come from it.
    void applyLdf();

    const TraceContext& context_;
    Profile& profile_;
    SignalPane& pane_;
    IdSummaryWindow* idSummary_;
    PlotWindow* plot_;
};

}  // namespace daridez
