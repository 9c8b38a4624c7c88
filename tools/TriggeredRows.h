#pragma once

#include <functional>
#include <string>

#include "files/RowFormat.h"
#include "lin/TriggerGate.h"

namespace daridez {

// daridez-dump's rows through a trigger: each stretch begins with the gate's note in the
// format, the rows kept are printed as without a trigger, those left out skipped (what
// reads across rows still sees them).
class TriggeredRows : public TriggerGate::Output {
  public:
    using Rows = std::function<void(const TraceEntry&)>;

    TriggeredRows(RowFormat& format, Rows kept, Rows left)
        : format_(format), kept_(std::move(kept)), left_(std::move(left)) {}
    void setGate(const TriggerGate* gate) { gate_ = gate; }

    void stretch(const TraceEntry& trigger) override { format_.note(gate_->note(trigger)); }
    void row(const TraceEntry& entry, bool /*open*/) override { kept_(entry); }
    void dropped(const TraceEntry& entry) override { left_(entry); }

  private:
    RowFormat& format_;
    Rows kept_;
    Rows left_;
    const TriggerGate* gate_ = nullptr;
};

}  // namespace daridez
