#pragma once

#include <functional>

namespace daridez {

enum class WindowControl;

// Which of the main window's command controls can be used while the trace controller is
// busy (a command awaits its answer, a trace runs) and while it is not: the window's
// policy, applied each time the controller's busy state changes. "save trace" and
// "load trace" are never disabled.
class EnableTable {
  public:
    // Calls enable(control, enabled) for each control of the table, in the table's order.
    // While the search for the bus's rate runs, "find rate" is its "cancel" and stays
    // enabled.
    static void apply(bool busy, bool rateSearchRunning,
                      const std::function<void(WindowControl control, bool enabled)>& enable);
};

}  // namespace daridez
