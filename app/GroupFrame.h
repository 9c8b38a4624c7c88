#pragma once

#include <QWidget>

namespace daridez {

// A group's caption and frame, drawn as the classic group box: the top line runs
// through the middle of the caption, so the caption and the controls placed below it
// sit inside the frame. Only a frame: it lies behind the controls and takes no clicks.
class GroupFrame : public QWidget {
    Q_OBJECT

  public:
    GroupFrame(const QString& caption, QWidget* parent);

    const QString& caption() const { return caption_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString caption_;
};

}  // namespace daridez
