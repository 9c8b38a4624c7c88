#pragma once

#include <QApplication>

namespace daridez {

struct ProgramWide;

// The application: builds the main window, runs it modally, and ends with it.
class TraceApp : public QApplication {
    Q_OBJECT

  public:
    TraceApp(int& argc, char** argv);

    // Runs the main window on the program's values and the user's profile. The
    // window's result is not looked at; the program ends when it closes.
    int run(ProgramWide& programWide);
};

}  // namespace daridez
