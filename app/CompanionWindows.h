#pragma once

#include <QObject>
#include <functional>

namespace daridez {

class IdSummaryWindow;
class LinDescription;
class PlotWindow;
class Profile;
class SearchGroup;
class SignalPane;
class TraceListView;
class WindowPrompts;
struct DisplayModes;
struct TraceSession;

// The windows and the pane beside the trace list that read its rows: the ID summary, the
// plot and the signal pane. They hear from here of a confirmed rate, an emptied trace, a
// new LDF and the display modes, and are wired to the search and the list: a summary
// row looks for its frames, "Plot" adds a lane, a click in the plot shows its row.
class CompanionWindows : public QObject {
    Q_OBJECT

  public:
    // rowsArriving: whether a trace or a load is adding rows now. The plot's lanes come
    // from the profile (those kept without an LDF).
    CompanionWindows(TraceSession& session, const std::function<bool()>& rowsArriving,
                     WindowPrompts& prompts, Profile& profile, TraceListView& list,
                     SignalPane& pane, QWidget* parent);

    void connectSearch(SearchGroup& search);
    IdSummaryWindow* idSummary() const { return idSummary_; }
    PlotWindow* plot() const { return plot_; }

    void setBaudrate(int baudrate);
    void traceCleared();
    void setDisplayModes(const DisplayModes& modes);
    // The plot's lanes are kept per LDF: those of the LDF before go to the profile, the
    // new one's come from it.
    void setLdf(const LinDescription& ldf);
    // The window closes: the plot's lanes go to the profile.
    void saveLanes();

  private:
    Profile& profile_;
    SignalPane& pane_;
    IdSummaryWindow* idSummary_;
    PlotWindow* plot_;
};

}  // namespace daridez
