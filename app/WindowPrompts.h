#pragma once

#include <QString>
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

    // A message box with the application's title, an exclamation icon and OK.
    virtual void message(const QString& text) = 0;

    // A cancellable progress report over total bytes. progress() returns false once
    // the user has cancelled.
    virtual void beginProgress(std::uint64_t total) = 0;
    virtual bool progress(std::uint64_t done) = 0;
    virtual void endProgress() = 0;
};

}  // namespace daridez
