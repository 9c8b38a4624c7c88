#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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
// Like IdSummaryTracker it remembers how far into the trace it has read; rows freed from
// the head before it read them (a ring dropping the oldest) are passed over, and an
// emptied list starts every lane over.
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
    // The LDF the verdicts and the signal lanes read with (nullptr: none); every lane is
    // filled again.
    void setLdf(const LdfModel* ldf, const TraceList& list);
    const LdfModel* ldf() const { return ldf_; }

    const std::vector<PlotLane>& lanes() const { return lanes_; }
    // The plot times of the first and the last LIN frame row read (0 and 0 without one).
    std::int64_t firstTime() const { return firstTime_; }
    std::int64_t lastTime() const { return lastTime_; }

  private:
    void lanesChanged();

    // The clock and the trace position of the rows as they are read.
    struct Reader {
        std::uint64_t row = 0;
        std::int64_t offset = 0;
        std::int64_t lastTime = 0;
        bool seenFrame = false;
        bool newRecording = false;
    };

    template <typename Feed>
    void read(const TraceList& list, std::uint64_t end, const TraceEntry* stop, Reader& reader,
              std::uint64_t decodeIds, Feed feed);
    void refill(PlotLane& lane, const TraceList& list);

    std::vector<PlotLane> lanes_;
    Reader reader_;
    std::uint64_t emptyings_ = 0;  // the list's count of emptyings when rows were read
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
