#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "lin/FrameCheck.h"
#include "lin/LinFrame.h"
#include "trace/TraceEntry.h"

namespace daridez {

class LdfModel;

// What the LIN frame rows of one identifier (parity bits removed) showed so far.
struct IdStats {
    static constexpr int kMaxData = LinFrame::kMaxResponse - 1;
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min();

    std::uint8_t id = 0;
    std::uint32_t frames = 0;      // rows with this identifier
    std::uint32_t bad = 0;         // of them, rows whose verdict holds a failure word
    std::uint32_t collisions = 0;  // of them, event-triggered slots two slaves answered
    std::uint16_t lengths = 0;     // bit n: a row with n data bytes was seen (n = 1..8)
    bool classic = false;          // a row matched the classic checksum
    bool enhanced = false;         // a row matched the enhanced checksum
    std::int64_t firstTime = 0;    // the break times of the first and the last row, us
    std::int64_t lastTime = 0;
    std::int64_t periodMin = 0;  // between consecutive rows, us; set from the second row on
    std::int64_t periodMax = 0;
    // The periods measured and their sum: the rows of one awake stretch of the bus, never
    // across the start of another recording (its clock starts again at 0), a start marker
    // (Stop and Start) or, with an LDF, a go-to-sleep command. With one stretch the
    // average, periodSum / periods, is (last time - first time) / (frames - 1).
    std::int64_t periodSum = 0;
    std::uint32_t periods = 0;
    std::uint32_t stretch = 0;  // which stretch lastTime belongs to

    // The data bytes of the last row with at least two response bytes; dataLength 0: none.
    int dataLength = 0;
    std::uint8_t data[kMaxData] = {};
    // Bit i: data byte i of that row differs from the row with data before it, or that
    // row was shorter. The first row with data compares with nothing and changes nothing.
    std::uint8_t changedMask = 0;
    std::uint32_t changes = 0;  // rows with data in which at least one byte changed
    // The break time of the row in which data byte i last changed; kNever if it never did.
    // Lets a window mark a byte for a moment of trace time, however rarely it refreshes.
    std::array<std::int64_t, kMaxData> changeTimes = {kNever, kNever, kNever, kNever,
                                                      kNever, kNever, kNever, kNever};
};

// Per-identifier statistics and the bus load of a trace, grown one complete row at a
// time (constant work, no allocation), for the "ID summary" window and daridez-dump.
//
// The bus load counts the nominal bits of the rows with an identifier only: 34 bits of
// header and 10 per response byte, the checksum included. A break without identifier is
// a header the tracer did not see whole, so it adds no bits; its time does stretch the
// span from the first to the last row opened by a break, which the load divides by.
class IdSummary {
  public:
    static constexpr int kIdCount = 64;
    static constexpr int kHeaderBits = 34;        // break, delimiter, sync and identifier
    static constexpr int kResponseByteBits = 10;  // start bit, 8 bits, stop bit

    // Rows that were not opened by a break are ignored, except that the first row of a
    // recording (number 0) starts a new one: its clock starts at 0 again, so the summary
    // continues its own time from the last row and measures no period across the start;
    // and a start marker inside a recording (Stop, then Start) measures none across it.
    // A row judged "cut" (the last of a recording, broken off) counts nowhere.
    //
    // With an LDF, an event-triggered slot answered by an associated frame counts for
    // that frame too (frames, data, periods), its bits once; and after a go-to-sleep
    // command (3C, first data byte 00) the silence until the next header is neither a
    // period nor bus time.
    void add(const TraceEntry& entry);
    // Empties the summary; the LDF stays.
    void clear();
    // The LDF the rows are judged with (bad frames); nullptr: none. Set before adding.
    void setLdf(const LdfModel* ldf);

    const IdStats& stats(int id) const { return ids_[static_cast<std::size_t>(id & 0x3F)]; }
    bool seen(int id) const { return stats(id).frames != 0; }

    std::uint64_t linFrames() const { return linFrames_; }  // rows opened by a break
    std::int64_t firstTime() const { return firstTime_; }   // of the first and last such row
    std::int64_t lastTime() const { return lastTime_; }
    // Of the time between them, how long the bus slept after go-to-sleep commands.
    std::int64_t asleepTime() const { return asleepTime_; }

    // The share of the awake bus time the counted bits took at baud bits per second
    // (0.646 for 64.6 %); 0 with no time between the first and the last LIN frame row.
    double busLoad(int baud) const;

  private:
    void addFrame(const LinFrame& frame, const FrameVerdict& verdict);
    void addAnswer(const LinFrame& frame, const FrameVerdict& verdict);
    bool goesToSleep(const LinFrame& frame, const FrameVerdict& verdict) const;

    std::array<IdStats, kIdCount> ids_ = makeIds();
    std::uint64_t linFrames_ = 0;
    std::uint64_t busBits_ = 0;
    std::int64_t firstTime_ = 0;
    std::int64_t lastTime_ = 0;
    std::int64_t asleepTime_ = 0;
    std::int64_t offset_ = 0;  // added to a recording's times to continue the summary's
    std::uint32_t stretch_ = 0;
    bool recordingStarted_ = false;  // the next LIN frame row opens a new recording
    bool stretchEnded_ = false;      // the next LIN frame row opens a new stretch
    bool asleep_ = false;            // the last LIN frame row sent the bus to sleep
    const LdfModel* ldf_ = nullptr;
    std::array<bool, kIdCount> eventSlots_{};  // the LDF's event-triggered identifiers

    static std::array<IdStats, kIdCount> makeIds();
};

// The columns of the summary table, in order; their headers are the table's header line.
enum class IdColumn {
    Id,
    Frames,
    Bad,
    Lengths,
    Model,
    PeriodMin,
    PeriodAvg,
    PeriodMax,
    Last,
    Count
};

// What is shown of a column of the summary (and of the LDF's columns beside it): the
// short header daridez-dump --ids prints, which scripts read; the window's title in
// words with its unit; the window's tool tip; whether its cells are numbers.
struct IdColumnInfo {
    const char* header;
    const char* title;
    const char* tip;
    bool numeric;
};

const IdColumnInfo& IdColumnAt(IdColumn column);
// The mean period in microseconds, rounded (halves away from 0); 0 without a period.
std::int64_t AveragePeriod(const IdStats& stats);
// One cell: "05", "3", "2,8", "mixed", "10.000", "01 A2 FF"; "-" where there is nothing.
std::string IdCellText(const IdStats& stats, IdColumn column);
// "64.6 %": the bus load in percent with one decimal.
std::string BusLoadText(const IdSummary& summary, int baud);

// The table daridez-dump prints: the header, one TAB-separated line per identifier seen,
// in ascending order, then "bus load: 64.6 % at 19200 baud". Every line ends with "\n".
std::string FormatIdTable(const IdSummary& summary, int baud);

}  // namespace daridez
