#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace daridez {

enum class ChooserMode { Save, Open };

// Everything the main window asks of the user or tells in a box: the file chooser,
// the OK message boxes and the progress of a long load. The program uses the Qt
// dialogs (QtWindowPrompts); tests substitute one that records and answers.
class WindowPrompts {
  public:
    virtual ~WindowPrompts() = default;

    // Returns the chosen file's full path, or an empty text when the user cancels.
    virtual QString chooseTraceFile(ChooserMode mode, const QString& title, const QString& location,
                                    const QString& descriptions) = 0;

    // A folder chooser; the chosen folder's full path, or an empty text on cancel.
    // Prompts that never choose a folder answer as cancelled.
    virtual QString chooseFolder(const QString& title, const QString& location) {
        Q_UNUSED(title);
        Q_UNUSED(location);
        return {};
    }

    // A message box with the application's title, an exclamation icon and OK.
    virtual void message(const QString& text) = 0;
    // The same box without waiting for OK: the window (its timer, the live list) goes on
    // while it shows. By default the blocking message().
    virtual void notify(const QString& text) { message(text); }

    // A question answered by one of buttons: the index of the one pressed; Escape and
    // the box's close button answer as the last button. -1 when no answer came (as
    // prompts that never ask answer).
    virtual int choose(const QString& text, const QStringList& buttons) {
        Q_UNUSED(text);
        Q_UNUSED(buttons);
        return -1;
    }

    // A cancellable progress report over total bytes. progress() returns false once
    // the user has cancelled.
    virtual void beginProgress(std::uint64_t total) = 0;
    virtual bool progress(std::uint64_t done) = 0;
    virtual void endProgress() = 0;
};

}  // namespace daridez
