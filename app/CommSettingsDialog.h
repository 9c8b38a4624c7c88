#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

#include "serial/PortPaths.h"
#include "serial/SerialSettings.h"

class QButtonGroup;
class QComboBox;
class QLabel;

class QRadioButton;

namespace daridez {

// The modal "Communications Settings" dialog: five radio groups show the serial
// record, and below them the device each port number stands for, the selected one
// editable. OK keeps the user's choices for the caller to take (settings(),
// portPaths()); the caller saves and applies them.
class CommSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // Radio groups in the order of the record-to-indices table.
    enum Group { BaudGroup, DataBitsGroup, ParityGroup, PortGroup, StopBitsGroup, kGroupCount };

    CommSettingsDialog(const SerialSettings& settings, const PortPaths& portPaths,
                       QWidget* parent = nullptr);
    ~CommSettingsDialog() override;

    // The record and the port paths as shown when the dialog opened, as chosen after OK.
    const SerialSettings& settings() const { return settings_; }
    const PortPaths& portPaths() const { return editedPaths_; }

    // OK: takes the choices into the record (with each group's fallback when nothing is
    // selected) and the edited paths, then closes with the OK result.
    void accept() override;

  private:
    void createControls();
    static void widenToCaption(QRadioButton& button);
    void createDeviceControls();
    void listDevices();
    void showPaths();
    void showSelectedPortPath();
    void editSelectedPortPath(const QString& text);
    void indicesFromRecord();
    // Selects the button of each group's index and clears the rest (-1 or an index beyond
    // the group clears them all).
    void showIndices();
    // Stores the index of each group's selected button, -1 when none is.
    void takeIndices();
    void writeRecord();

    SerialSettings settings_;
    const PortPaths shownPaths_;  // as the dialog opened: an emptied editor falls back to it
    PortPaths editedPaths_;
    std::array<QLabel*, 4> numberLabels_{};
    std::array<QLabel*, 4> pathLabels_{};
    QComboBox* deviceEdit_ = nullptr;
    std::array<int, kGroupCount> indices_{};
    std::array<QButtonGroup*, kGroupCount> groups_{};
};

}  // namespace daridez
