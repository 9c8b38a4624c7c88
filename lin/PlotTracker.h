#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lin/CompletedRowCursor.h"
#include "lin/FrameSignals.h"
#include "lin/PlotLane.h"
#include "lin/PlotSource.h"
#include "trace/TraceList.h"

namespace daridez {

// The lanes of a plot, kept up to date with a trace that grows while it is shown: each
// update reads only the rows completed since the previous one, once for all lanes, and
// adds their points; nothing is rebuilt. A lane added later reads the rows already seen.
//
// The plot's clock runs on across recordings: the first row of a new recording (number
// 0) continues from the last LIN frame before it, so time only grows.
//
// With an LDF, verdicts are the LDF's (as the list shows them) and signal lanes decode
// their frames with it; the model must outlive its use here.
//
// Which rows are complete, and where it stands, its CompletedRowCursor decides, as for
// the ID summary; an emptied list starts every lane over.
class PlotTracker {
  public:
    struct Update {
        bool restarted = false;  // the list was emptied or replaced: every lane started over
        std::size_t rowsAdded = 0;
    };

    // Reads the rows after the last one read, up to but not including openRow (the row
    // the decoder may still fill; nullptr when every row is complete).
    Update update(const TraceList& list, const TraceEntry* openRow);
    // Forgets every row; the lanes stay, empty.
    void reset();

    // A new lane at the end, filled from the rows already read.
    void addLane(const PlotSource& source, const TraceList& list);
    void removeLane(std::size_t lane);
    // Moves a lane to position to, the others keeping their order.
    void moveLane(std::size_t from, std::size_t to);
    // The bit rate the bus-load lanes assume; they are filled again when it changes.
    void setBaudrate(int baudrate, const TraceList& list);
    int baudrate() const { return baudrate_; }
    // The LDF the verdicts and the signal lanes read with (nullptr: none) and the lanes
    // read with it, in place of those before: all filled in one pass over the rows read.
    void setLdf(const LdfModel* ldf, const std::vector<PlotSource>& lanes, const TraceList& list);
    const LdfModel* ldf() const { return ldf_; }

    const std::vector<PlotLane>& lanes() const { return lanes_; }
    // The plot times of the first and the last LIN frame row read (0 and 0 without one).
    std::int64_t firstTime() const { return firstTime_; }
    std::int64_t lastTime() const { return lastTime_; }
    // The trace position of the row of lane's point nearest to time (of the plot's clock);
    // a lane without points answers with the first lane that has one; -1 without points.
    std::int64_t rowNear(std::size_t lane, std::int64_t time) const;
    // The cursor's texts at a time: the time (from the first frame when relative, else as
    // the clock), then "LANE: VALUE" for every lane, its last point at or before the time
    // ("-" before the first; "(failed)" after a failed point's value).
    std::vector<std::string> cursorTexts(std::int64_t time, bool relative) const;

    // Per identifier the data lengths of its frames read: bit n for n data bytes (bit 0:
    // a header without data). 0: no frame of the identifier.
    const std::array<std::uint16_t, 64>& dataLengths() const { return dataLengths_; }

  private:
    void lanesChanged();

    // The clock and the trace position of the rows as they are read.
    struct Reader {
        CompletedRowCursor cursor;
        std::int64_t offset = 0;
        std::int64_t lastTime = 0;
        bool seenFrame = false;
        bool newRecording = false;
    };

    template <typename Feed>
    std::uint64_t read(const TraceList& list, std::uint64_t end, const TraceEntry* stop,
                       Reader& reader, std::uint64_t decodeIds, Feed feed);
    // Empties lanes and fills them again from the rows read, in one pass.
    void refill(const std::vector<PlotLane*>& lanes, const TraceList& list);

    std::vector<PlotLane> lanes_;
    Reader reader_;
    std::array<std::uint16_t, 64> dataLengths_{};
    std::uint64_t rows_ = 0;
    std::int64_t firstTime_ = 0;
    std::int64_t lastTime_ = 0;
    bool seenFrame_ = false;
    int baudrate_ = kDefaultLinRate;
    const LdfModel* ldf_ = nullptr;
    FrameSignals decoder_{nullptr};  // one decode of a row for all signal lanes
    std::uint64_t decodeIds_ = 0;    // the identifiers the signal lanes need decoded
};

}  // namespace daridez
