#include "app/EnableTable.h"

#include "app/MainControls.h"

namespace daridez {

namespace {

enum class EnableRule { WhenNotBusy, Always, WhenNotBusyOrSearching };

struct EnableRow {
    WindowControl control;
    EnableRule rule;
};

constexpr EnableRow kEnableTable[] = {
    {WindowControl::Config, EnableRule::WhenNotBusy},
    {WindowControl::Connect, EnableRule::WhenNotBusy},
    {WindowControl::ClearTraceList, EnableRule::WhenNotBusy},
    {WindowControl::Start, EnableRule::WhenNotBusy},
    {WindowControl::Stop, EnableRule::Always},
    {WindowControl::GetFwVersion, EnableRule::WhenNotBusy},
    {WindowControl::LinBaudrate, EnableRule::WhenNotBusy},
    {WindowControl::SetLinSpeed, EnableRule::WhenNotBusy},
    {WindowControl::FindRate, EnableRule::WhenNotBusyOrSearching},
};

bool enabledByRule(EnableRule rule, bool busy, bool rateSearchRunning) {
    switch (rule) {
        case EnableRule::WhenNotBusy:
            return !busy;
        case EnableRule::Always:
            return true;
        case EnableRule::WhenNotBusyOrSearching:
            return !busy || rateSearchRunning;
    }
    return true;
}

}  // namespace

void EnableTable::apply(bool busy, bool rateSearchRunning,
                        const std::function<void(WindowControl control, bool enabled)>& enable) {
    for (const EnableRow& row : kEnableTable) {
        enable(row.control, enabledByRule(row.rule, busy, rateSearchRunning));
    }
}

}  // namespace daridez
