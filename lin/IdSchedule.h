#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "lin/IdSummary.h"

namespace daridez {

class LdfModel;

// The columns the ID summary adds with an LDF, after its own; their headers are the
// extra header fields daridez-dump --ids --ldf prints.
enum class LdfIdColumn { Frame, Publisher, LdfLength, PeriodNominal, Note, Collisions, Count };

// What the LDF says of one identifier.
struct IdPlan {
    bool inLdf = false;
    std::string frame;
    std::string publisher;
    int length = 0;                  // data bytes
    std::int64_t nominalMicros = 0;  // 0: no schedule table holds the frame
    bool eventTriggered = false;     // answered by whichever associated frame has news
};

// The LDF's view of the identifiers for the ID summary: each one's frame, publisher
// and length, and its nominal period from a schedule table: the longest delay between
// two slots of the frame, around the table (a frame in one slot: the table's length),
// in the table named, or else in the first table that holds it. Node configuration
// commands are master request (0x3C) slots. A frame is late when its longest period
// exceeds the nominal one by more than the schedule's slack: the master's jitter, or
// 10 % of the nominal period without one. An event-triggered frame is never late (it
// is a question, answered or not), nor is a frame reached only through event-triggered
// or sporadic slots (no table holds it, so it has no nominal period).
class IdSchedule {
  public:
    IdSchedule() = default;  // no LDF: nothing planned
    IdSchedule(const LdfModel& model, const std::string& table);

    bool hasLdf() const { return hasLdf_; }
    const IdPlan& plan(int id) const { return plans_[static_cast<std::size_t>(id & 0x3F)]; }
    bool late(const IdStats& stats) const;
    // "0 frames" (planned, never seen), "not in LDF" (seen, not planned), "late", or "-".
    std::string note(const IdStats& stats) const;
    std::string cellText(const IdStats& stats, LdfIdColumn column) const;

  private:
    void planTable(const LdfModel& model, std::size_t table, bool onlyUnplanned);

    std::array<IdPlan, IdSummary::kIdCount> plans_{};
    double jitterMs_ = 0;
    bool hasLdf_ = false;
};

const IdColumnInfo& LdfIdColumnAt(LdfIdColumn column);

// The table of FormatIdTable with the LDF's columns after each line, and a line for each
// identifier the LDF plans that the trace never showed.
std::string FormatIdTable(const IdSummary& summary, int baud, const IdSchedule& schedule);

}  // namespace daridez
