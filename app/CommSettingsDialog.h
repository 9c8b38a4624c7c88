#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

class QButtonGroup;

namespace daridez {

struct SerialSettings;
class Profile;
class PortPaths;

// The modal "Communications Settings" dialog: five radio groups show the serial
// record; OK writes the choices back into the record and saves it to the profile.
class CommSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // Radio groups in the order of the record-to-indices table.
    enum Group { BaudGroup, DataBitsGroup, ParityGroup, PortGroup, StopBitsGroup, kGroupCount };
    enum class Exchange { ToDialog, FromDialog };

    struct BaudChoice {
        int id;
        const char* caption;
        std::uint32_t rate;
    };
    static const std::array<BaudChoice, 15> kBaudTable;

    // profile and portPaths may be null: without a profile OK saves nothing; without
    // port paths the tool tips show the default devices.
    CommSettingsDialog(SerialSettings& settings, Profile* profile, const PortPaths* portPaths,
                       QWidget* parent = nullptr);
    ~CommSettingsDialog() override;

    // The index of the selected button of a group, -1 for none, as the last exchange
    // (or the constructor) left it.
    int index(Group group) const { return indices_[group]; }

    // Towards the dialog: selects the button of each group's index and clears the
    // rest (-1 or an index beyond the group clears them all). From the dialog: stores
    // the index of each group's selected button, -1 when none is.
    void DoDataExchange(Exchange direction);
    // Writes the choices into the record (with each group's fallback when nothing is
    // selected), saves the record to the profile, then closes with the OK result.
    void OnOK();

    void accept() override;

  private:
    void createControls();
    void setPortToolTips(const PortPaths* portPaths);
    void indicesFromRecord();
    void writeRecord();

    SerialSettings& settings_;
    Profile* profile_;
    std::array<int, kGroupCount> indices_{};
    std::array<QButtonGroup*, kGroupCount> groups_{};
};

}  // namespace daridez
