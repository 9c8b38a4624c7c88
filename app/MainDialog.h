#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/TemplateLayout.h"
#include "protocol/ControllerWindow.h"
#include "protocol/ProgramWide.h"
#include "protocol/TraceController.h"
#include "protocol/TraceSession.h"
#include "serial/PortPaths.h"
#include "serial/Profile.h"
#include "serial/SerialPort.h"
#include "serial/SerialSettings.h"
#include "trace/DisplayModes.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace daridez {

class IdSummaryWindow;
class QtWindowPrompts;
class TraceFilesActions;
class SearchGroup;
class TraceListModel;
class TraceListView;
class WindowPrompts;

// The program's one window: the buttons for the port, the trace files and the tracer
// commands, the LIN-baud-rate box, the trace list and two status lines. It owns the
// serial port, the settings and the trace controller, and wires the controls to them.
class MainDialog : public QDialog, public ControllerWindow {
    Q_OBJECT

  public:
    static constexpr int kTimerPeriodMs = 100;
    static constexpr std::uint64_t kProgressThreshold = 4u << 20;  // bytes
    static constexpr qint64 kLoadUpdateMs = 50;  // rows shown and progress told this often
    // Controls outside the template's id range: "export...", "record" and its label.
    static constexpr int kExportId = 1050;
    static constexpr int kRecordId = 1051;
    static constexpr int kRecordLabelId = 1052;

    // Builds and initialises the window (settings loaded, port opened, timer started),
    // before it is shown. prompts == nullptr: Qt's own dialogs.
    MainDialog(ProgramWide& programWide, const std::string& profilePath,
               WindowPrompts* prompts = nullptr, QWidget* parent = nullptr);
    ~MainDialog() override;

    // ControllerWindow
    void setStatusLine1(const std::string& text) override;
    void setStatusLine2(const std::string& text) override;
    bool hasControl(int id) const override;
    void enableControl(int id, bool enabled) override;
    std::string linBaudrateText() const override;
    void setLinBaudrateText(const std::string& text) override;
    void baudrateConfirmed(int baudrate) override;
    void setListLive(bool live) override;
    void traceCleared() override;
    void redrawLastPage() override;
    void markPortNotConnected() override;
    void reportOutOfMemory() override;

    // Handlers of the buttons and the list.
    void onConfig();
    void connectPort();
    void onSaveTrace();
    void onLoadTrace();
    void onListRightClick(int column);
    // The window-menu command: ids 16 to 31 open the About box. False: not handled.
    bool onSysCommand(unsigned id);
    void showAbout();
    // Opens the "ID summary" window, or brings it to the front.
    void showIdSummary();
    IdSummaryWindow* idSummaryWindow() const { return idSummary_; }

    void setDisplayModes(const DisplayModes& modes);
    const DisplayModes& displayModes() const { return session_->modes(); }

    TraceController& controller() { return *controller_; }
    TraceSession& session() { return *session_; }
    SerialPort& port() { return port_; }
    TraceListView* listView() const { return list_; }
    TraceListModel* listModel() const;
    TraceFilesActions& fileActions() { return *fileActions_; }
    SearchGroup* searchGroup() const { return search_; }
    const SerialSettings& settings() const { return settings_; }
    bool timerActive() const { return timer_.isActive(); }
    // Files above this size are loaded under a cancellable progress dialog.
    void setProgressThreshold(std::uint64_t bytes) { progressThreshold_ = bytes; }

    void done(int result) override;
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

  private:
    void buildControls();
    void buildFileActionControls();
    QPushButton* addButton(int id, const char* caption, int x, int y, int width, int height);
    void holdControl(int id, QWidget* control);
    QWidget* control(int id) const;
    void initDialog();
    void appendSystemMenuEntry();
    void onTimer();
    void showOutOfMemory();
    void shutDown();

    ProgramWide& programWide_;
    std::unique_ptr<QtWindowPrompts> ownPrompts_;
    WindowPrompts* prompts_;
    Profile profile_;
    PortPaths portPaths_;
    SerialSettings settings_{};
    SerialPort port_;
    // The template's controls by id (ControlId::First ... ControlId::Last).
    std::array<QWidget*, ControlId::Last - ControlId::First + 1> controls_{};
    TraceListView* list_ = nullptr;
    SearchGroup* search_ = nullptr;
    QComboBox* linBaudrate_ = nullptr;
    QLabel* statusLine1_ = nullptr;
    QLabel* statusLine2_ = nullptr;
    QPushButton* idSummaryButton_ = nullptr;  // not a template control: held by itself
    IdSummaryWindow* idSummary_ = nullptr;
    std::unique_ptr<TraceSession> session_;
    std::unique_ptr<TraceController> controller_;
    std::unique_ptr<TraceFilesActions> fileActions_;
    QPushButton* exportButton_ = nullptr;
    QCheckBox* recordBox_ = nullptr;
    QLabel* recordLabel_ = nullptr;
    QTimer timer_;
    bool outOfMemoryShown_ = false;
    bool shutDown_ = false;
    TemplateLayout layout_;
    std::uint64_t progressThreshold_ = kProgressThreshold;
};

}  // namespace daridez
