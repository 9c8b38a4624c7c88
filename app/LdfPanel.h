#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <string>

#include "lin/LinDescription.h"

class QLabel;
class QWidget;

namespace daridez {

class Profile;
class TraceContext;
class WindowPrompts;

// The window's LDF: "LDF..." chooses one, "no LDF" forgets it, the label beside the
// button names it with a short summary and opens its diagnostics (the window's table of
// controls makes the button, the menu entries and the label). The LDF read goes into the
// trace's context, where every window reads it. The path is kept in the profile ([LDF]
// File) and read again at the next start. A file that cannot be used leaves the LDF
// before it in place and says why.
class LdfPanel : public QObject {
    Q_OBJECT

  public:
    static constexpr const char* kSection = "LDF";
    static constexpr const char* kKey = "File";

    LdfPanel(WindowPrompts& prompts, Profile& profile, TraceContext& context, QLabel& label,
             QWidget* parent);

    QLabel* label() const { return label_; }

    // "LDF...": the chooser, then load().
    void choose();
    // "no LDF".
    void forget();
    // Reads path; true when it is usable and now the window's LDF. told: a file that
    // cannot be used is told in a message box (at start-up it is not: the label says so).
    bool load(const std::string& path, bool told = true);
    // The LDF of the profile, if any.
    void restore();

    // The trace's LDF (empty: none).
    const LinDescription& ldf() const;
    const std::string& path() const { return ldf().path(); }
    // "body-cluster.ldf: 2.2, 19.2 kbps, 8 frames"; "" without an LDF.
    QString summaryText() const;
    // The diagnostics of the file read last, as FILE:LINE:COLUMN: severity: message.
    const QStringList& diagnostics() const { return diagnostics_; }
    // The diagnostics window: the file's path once above its lines, each
    // LINE:COLUMN: severity: message, wrapped rather than scrolled sideways.
    void showDiagnostics();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showSummary();

    WindowPrompts& prompts_;
    Profile& profile_;
    TraceContext& context_;
    QWidget* parent_;
    QLabel* label_ = nullptr;
    QStringList diagnostics_;
    QString diagnosticsOf_;  // the path of the file they belong to
    QString notUsed_;        // "x.ldf not used" after a file was rejected, else empty
};

// "LIN descriptions (*.ldf)|all files (*.*)", the chooser's filter.
extern const char* const kLdfDescriptions;

}  // namespace daridez
