#include "lin/IdSchedule.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "ldf/DiagnosticIds.h"
#include "ldf/LdfModel.h"

namespace daridez {

namespace {

constexpr IdColumnInfo kLdfColumns[] = {
    {"frame", "frame", "The LDF's frame with this identifier", false},
    {"publisher", "publisher", "The node that sends the frame", false},
    {"ldf_length", "LDF length", "Data length the LDF gives the frame, in bytes", true},
    {"period_nominal", "nominal period (ms)", "Period the schedule table gives the frame, ms",
     true},
    {"ldf", "LDF note",
     "0 frames: planned, never seen; not in LDF; late: the longest period exceeds the "
     "nominal one by more than the master's jitter (or 10 %)",
     false},
    {"collisions", "collisions",
     "Event-triggered frames: slots two or more slaves answered at once (normal, not counted "
     "bad)",
     true},
};
static_assert(std::size(kLdfColumns) == static_cast<std::size_t>(LdfIdColumn::Count));

constexpr double kSlackShare = 0.1;  // without the master's jitter

// Milliseconds with three decimals, as the summary writes periods: "10.000".
std::string millis(std::int64_t micros) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(micros / 1000),
                  static_cast<long long>(micros % 1000));
    return text;
}

// The identifier a schedule entry puts on the bus; -1 for one it names nothing known by.
int entryId(const LdfModel& model, const LdfScheduleEntry& entry) {
    if (const LdfFrame* frame = model.frameByName(entry.command)) {
        return frame->id >= 0 && frame->id <= 0x3F ? frame->id : -1;
    }
    if (entry.command == "SlaveResp") {
        return kSlaveResponseId;
    }
    return kMasterRequestId;  // MasterReq and the node configuration commands
}

}  // namespace

IdSchedule::IdSchedule(const LdfModel& model, const std::string& table) : hasLdf_(true) {
    for (const LdfFrame& frame : model.frames) {
        if (frame.id < 0 || frame.id > 0x3F) {
            continue;
        }
        IdPlan& plan = plans_[static_cast<std::size_t>(frame.id)];
        if (plan.inLdf) {
            continue;  // the first frame of an identifier decodes it
        }
        plan.inLdf = true;
        plan.frame = frame.name;
        plan.publisher = frame.publisher;
        plan.length = frame.length;
        plan.eventTriggered = frame.kind == LdfFrame::Kind::EventTriggered;
    }
    if (const LdfNode* master = model.master()) {
        jitterMs_ = master->jitterMs;
    }
    for (std::size_t t = 0; t < model.scheduleTables.size(); ++t) {
        if (table.empty() || model.scheduleTables[t].name == table) {
            planTable(model, t, table.empty());
        }
    }
}

// The slots of each identifier in the table, and the longest delay from one to the next
// around the table.
void IdSchedule::planTable(const LdfModel& model, std::size_t table, bool onlyUnplanned) {
    const auto& entries = model.scheduleTables[table].entries;
    std::int64_t length = 0;
    std::vector<std::int64_t> starts;
    for (const LdfScheduleEntry& entry : entries) {
        starts.push_back(length);
        length += std::llround(std::max(0.0, entry.delayMs) * 1000);
    }
    std::array<std::int64_t, IdSummary::kIdCount> first{};
    std::array<std::int64_t, IdSummary::kIdCount> last{};
    std::array<std::int64_t, IdSummary::kIdCount> longest{};
    std::array<bool, IdSummary::kIdCount> held{};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int id = entryId(model, entries[i]);
        if (id < 0) {
            continue;
        }
        const auto at = static_cast<std::size_t>(id);
        if (held[at]) {
            longest[at] = std::max(longest[at], starts[i] - last[at]);
        } else {
            first[at] = starts[i];
        }
        held[at] = true;
        last[at] = starts[i];
    }
    for (std::size_t id = 0; id < plans_.size(); ++id) {
        if (!held[id] || (onlyUnplanned && plans_[id].nominalMicros != 0)) {
            continue;
        }
        plans_[id].nominalMicros = std::max(longest[id], length - last[id] + first[id]);
    }
}

bool IdSchedule::late(const IdStats& stats) const {
    const std::int64_t nominal = plan(stats.id).nominalMicros;
    if (nominal <= 0 || stats.periods == 0 || plan(stats.id).eventTriggered) {
        return false;
    }
    const double slack =
        jitterMs_ > 0 ? jitterMs_ * 1000 : static_cast<double>(nominal) * kSlackShare;
    return static_cast<double>(stats.periodMax) > static_cast<double>(nominal) + slack;
}

std::string IdSchedule::note(const IdStats& stats) const {
    const IdPlan& planned = plan(stats.id);
    if (!hasLdf_) {
        return "-";
    }
    if (stats.frames == 0) {
        return planned.inLdf ? "0 frames" : "-";
    }
    if (!planned.inLdf) {
        return "not in LDF";
    }
    return late(stats) ? "late" : "-";
}

std::string IdSchedule::cellText(const IdStats& stats, LdfIdColumn column) const {
    const IdPlan& planned = plan(stats.id);
    switch (column) {
        case LdfIdColumn::Frame:
            return planned.inLdf ? planned.frame : "-";
        case LdfIdColumn::Publisher:
            return planned.inLdf && !planned.publisher.empty() ? planned.publisher : "-";
        case LdfIdColumn::LdfLength:
            return planned.inLdf ? std::to_string(planned.length) : "-";
        case LdfIdColumn::PeriodNominal:
            return planned.nominalMicros > 0 ? millis(planned.nominalMicros) : "-";
        case LdfIdColumn::Note:
            return note(stats);
        case LdfIdColumn::Collisions:
            return planned.eventTriggered ? std::to_string(stats.collisions) : "-";
        case LdfIdColumn::Count:
            break;
    }
    return {};
}

const IdColumnInfo& LdfIdColumnAt(LdfIdColumn column) {
    return kLdfColumns[static_cast<std::size_t>(column)];
}

std::string FormatIdTable(const IdSummary& summary, int baud, const IdSchedule& schedule) {
    constexpr int kColumns = static_cast<int>(IdColumn::Count);
    constexpr int kLdfCount = static_cast<int>(LdfIdColumn::Count);
    std::string table;
    for (int c = 0; c < kColumns; ++c) {
        table += IdColumnAt(static_cast<IdColumn>(c)).header;
        table += '\t';
    }
    for (int c = 0; c < kLdfCount; ++c) {
        table += LdfIdColumnAt(static_cast<LdfIdColumn>(c)).header;
        table += c + 1 < kLdfCount ? '\t' : '\n';
    }
    for (int id = 0; id < IdSummary::kIdCount; ++id) {
        if (!summary.seen(id) && !schedule.plan(id).inLdf) {
            continue;
        }
        const IdStats& stats = summary.stats(id);
        for (int c = 0; c < kColumns; ++c) {
            table += IdCellText(stats, static_cast<IdColumn>(c));
            table += '\t';
        }
        for (int c = 0; c < kLdfCount; ++c) {
            table += schedule.cellText(stats, static_cast<LdfIdColumn>(c));
            table += c + 1 < kLdfCount ? '\t' : '\n';
        }
    }
    table += "bus load: " + BusLoadText(summary, baud) + " at " + std::to_string(baud) + " baud\n";
    return table;
}

}  // namespace daridez
