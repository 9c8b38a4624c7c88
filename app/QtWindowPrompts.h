#pragma once

#include <QPointer>

#include "app/WindowPrompts.h"

class QProgressDialog;
class QWidget;

namespace daridez {

// The prompts of the main window on Qt's own dialogs.
class QtWindowPrompts : public WindowPrompts {
  public:
    static constexpr const char* kTitle = "Daridez";

    explicit QtWindowPrompts(QWidget* parent = nullptr);
    ~QtWindowPrompts() override;

    QString chooseTraceFile(ChooserMode mode, const QString& title, const QString& location,
                            const QString& descriptions) override;
    QString chooseFolder(const QString& title, const QString& location) override;
    void message(const QString& text) override;
    void notify(const QString& text) override;
    int choose(const QString& text, const QStringList& buttons) override;
    void beginProgress(std::uint64_t total) override;
    bool progress(std::uint64_t done) override;
    void endProgress() override;

  private:
    bool confirmCreate(const QString& path);

    QPointer<QWidget> parent_;
    QString lastFolder_;  // the folder of the last confirmed choice
    QProgressDialog* progress_ = nullptr;
    std::uint64_t progressScale_ = 1;
};

}  // namespace daridez
