#pragma once

#include <QDialog>

namespace daridez {

// The modal "Info about Daridez" box: the application icon, what the program is, its
// default line settings and its maker, and an OK button.
class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

  private:
    void createControls();
};

}  // namespace daridez
