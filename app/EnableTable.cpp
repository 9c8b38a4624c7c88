#include "app/EnableTable.h"

#include "protocol/ControllerWindow.h"

namespace daridez {

namespace {

enum class EnableRule { WhenNotBusy, Always, WhenNotBusyOrSearching };

struct EnableRow {
    int id;
    EnableRule rule;
};

constexpr EnableRow kEnableTable[] = {
    {ControlId::Config, EnableRule::WhenNotBusy},
    {ControlId::Connect, EnableRule::WhenNotBusy},
    {ControlId::ClearTraceList, EnableRule::WhenNotBusy},
    {ControlId::Start, EnableRule::WhenNotBusy},
    {ControlId::Stop, EnableRule::Always},
    {ControlId::GetFwVersion, EnableRule::WhenNotBusy},
    {ControlId::LinBaudrate, EnableRule::WhenNotBusy},
    {ControlId::SetLinSpeed, EnableRule::WhenNotBusy},
    {ControlId::FindRate, EnableRule::WhenNotBusyOrSearching},
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
                        const std::function<void(int id, bool enabled)>& enable) {
    for (const EnableRow& row : kEnableTable) {
        enable(row.id, enabledByRule(row.rule, busy, rateSearchRunning));
    }
}

}  // namespace daridez
