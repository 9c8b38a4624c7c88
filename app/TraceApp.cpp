#include "app/TraceApp.h"

#include <algorithm>
#include <cstdint>

#include "app/MainDialog.h"
#include "app/WindowPlacement.h"
#include "protocol/ProgramWide.h"
#include "trace/RowBudget.h"

namespace daridez {

TraceApp::TraceApp(ProgramWide& programWide, const std::string& profilePath, WindowPrompts* prompts)
    : profile_(profilePath) {
    // Rows past what memory holds end as "Running out of memory...", not in the
    // system's out-of-memory killer.
    const int maxRows = profile_.GetProfileInt("MEMORY", "MaxRows", 0);
    programWide.traceList.setRowBudget(
        ChooseRowBudget(static_cast<std::uint64_t>(std::max(0, maxRows))));
    window_ = std::make_unique<MainDialog>(programWide, profile_, prompts);
    RestoreWindowPlacement(*window_, profile_);
    // Kept before the window writes the profile: its place goes in the same write.
    MainDialog* window = window_.get();
    QObject::connect(window, &MainDialog::closing, window,
                     [this, window] { SaveWindowPlacement(*window, profile_); });
}

TraceApp::~TraceApp() = default;

int TraceApp::run() {
    window_->exec();
    return 0;
}

}  // namespace daridez
