#pragma once

#include <QDialog>
#include <QSplitter>
#include <QTimer>
#include <memory>
#include <string>

#include "app/BaseLayout.h"
#include "app/CompanionWindows.h"
#include "app/FindRateButton.h"
#include "app/MainControls.h"
#include "protocol/ControllerWindow.h"
#include "protocol/TraceController.h"
#include "protocol/TraceSession.h"
#include "serial/PortConnection.h"
#include "trace/DisplayModes.h"

namespace daridez {

class IdSummaryWindow;
class LdfPanel;
class PlotWindow;
class Profile;
class QtWindowPrompts;
class SearchGroup;
class SignalPane;
class TraceContext;
class TraceFilesActions;
class TraceListModel;
class TraceListView;
class WindowPrompts;
struct ProgramWide;

// The program's one window: the buttons for the port, the trace files and the tracer
// commands, the LIN-baud-rate box, the trace list and two status lines, built from one
// table of controls. It owns the port connection and the trace controller, and wires the
// controls to them and to the trace files' actions.
class MainDialog : public QDialog, public ControllerWindow {
    Q_OBJECT

  public:
    static constexpr int kTimerPeriodMs = 100;

    // Builds and initialises the window on the profile (settings loaded, port opened,
    // timer started), before it is shown. prompts == nullptr: Qt's own dialogs.
    MainDialog(ProgramWide& programWide, Profile& profile, WindowPrompts* prompts = nullptr,
               QWidget* parent = nullptr);
    ~MainDialog() override;

    // ControllerWindow
    void setStatusLine1(const std::string& text) override;
    void setStatusLine2(const std::string& text) override;
    bool hasLinBaudrateBox() const override { return control(WindowControl::LinBaudrate); }
    void showBusy(bool busy, bool rateSearchRunning) override;
    std::string linBaudrateText() const override;
    void setLinBaudrateText(const std::string& text) override;
    void baudrateConfirmed(int baudrate) override;
    void setListLive(bool live) override;
    void traceCleared() override;
    void redrawLastPage() override;
    void markPortNotConnected() override { connection_.port().markNotConnected(); }
    void reportOutOfMemory() override;
    std::vector<std::string> linBaudrateChoices() const override { return findRate_->rates(); }
    void rateSearchRunning(bool running) override { findRate_->showRunning(running); }

    // Handlers of the buttons and the list.
    void onConfig();
    void connectPort();
    void onListRightClick(int column);
    void showAbout();
    IdSummaryWindow* idSummaryWindow() const { return companions_->idSummary(); }
    PlotWindow* plotWindow() const { return companions_->plot(); }
    LdfPanel& ldfPanel() const { return *ldfPanel_; }
    SignalPane* signalPane() const { return signalPane_; }
    // The list above the signal pane.
    QSplitter* listArea() const { return listArea_; }

    void setDisplayModes(const DisplayModes& modes);
    const DisplayModes& displayModes() const { return session_->modes(); }
    // The LDF, LIN rate, display modes and clearing the windows of the trace share.
    TraceContext& context() const { return *context_; }

    // A control of the table; nullptr for one the table lacks.
    QWidget* control(WindowControl which) const {
        return controls_[static_cast<std::size_t>(which)];
    }
    template <class Widget>
    Widget& controlAs(WindowControl which) const {
        return *static_cast<Widget*>(control(which));
    }
    TraceController& controller() { return *controller_; }
    TraceSession& session() { return *session_; }
    SerialPort& port() { return connection_.port(); }
    const SerialSettings& settings() const { return connection_.settings(); }
    TraceListView* listView() const { return list_; }
    TraceListModel* listModel() const;
    TraceFilesActions& fileActions() { return *fileActions_; }
    SearchGroup* searchGroup() const;
    bool timerActive() const { return timer_.isActive(); }
    // Places the controls for the window's size now, also while it is hidden (a hidden
    // window is told its size only when it shows).
    void placeControls() { layout_.apply(size()); }

    // The trigger box's query applies to the recording, or is refused with its message
    // (the box tinted as the search's field is); again: parsed anew though unchanged (a
    // new LDF).
    void applyTrigger(bool again = false);

    void done(int result) override;
    void reject() override {}  // Escape does not close the window

  signals:
    // The window shuts down: the profile is written right after this.
    void closing();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void buildControls();
    void saveProfile();
    void shutDown();
    void applyLdf();
    // Status line 2: the controller's text, and the triggers while a trigger records.
    void showStatusLine2();

    Profile& profile_;
    std::unique_ptr<QtWindowPrompts> ownPrompts_;
    WindowPrompts* prompts_;
    PortConnection connection_;
    WindowControls controls_{};
    QSplitter* listArea_;
    TraceListView* list_ = nullptr;
    SignalPane* signalPane_ = nullptr;
    LdfPanel* ldfPanel_ = nullptr;
    CompanionWindows* companions_ = nullptr;
    std::unique_ptr<TraceSession> session_;
    TraceContext* context_ = nullptr;
    std::unique_ptr<TraceController> controller_;
    std::unique_ptr<TraceFilesActions> fileActions_;
    std::unique_ptr<FindRateButton> findRate_;
    QTimer timer_;
    BaseLayout layout_;
    bool shutDown_ = false;
    std::string shownMismatch_;  // the LDF's speed mismatch status line 1 tells, if any
    QString statusLine2_;        // the controller's status line 2
};

}  // namespace daridez
