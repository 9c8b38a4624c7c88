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
// Like IdSummaryTracker it holds on to the last row it read; whoever frees the list's
// rows must call reset() (or let the next update see the emptied list) first.
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
    std::uint64_t rowsRead() const { return rows_; }
    // The plot times of the first and the last LIN frame row read (0 and 0 without one).
    std::int64_t firstTime() const { return firstTime_; }
    std::int64_t lastTime() const { return lastTime_; }
    bool hasTime() const { return seenFrame_; }

  private:
    void lanesChanged();

    // The clock and the position of the rows as they are read.
    struct Reader {
        std::uint32_t row = 0;
        std::int64_t offset = 0;
        std::int64_t lastTime = 0;
        bool seenFrame = false;
        bool newRecording = false;
    };

    // Reads the rows from from up to stop, keeping reader's clock, and hands each LIN frame
    // row to feed, decoded with the LDF when its identifier is one of decodeIds' bits.
    template <typename Feed>
    const TraceEntry* read(const TraceEntry* from, const TraceEntry* stop, Reader& reader,
                           std::uint64_t decodeIds, Feed feed);
    void refill(PlotLane& lane, const TraceList& list);
    bool listReplaced(const TraceList& list) const;

    std::vector<PlotLane> lanes_;
    Reader reader_;
    const TraceEntry* head_ = nullptr;
    const TraceEntry* last_ = nullptr;
    std::uint64_t rows_ = 0;
    std::int64_t firstTime_ = 0;
    std::int64_t lastTime_ = 0;
    bool seenFrame_ = false;
    int baudrate_ = PlotLane::kDefaultBaudrate;
    const LdfModel* ldf_ = nullptr;
    FrameSignals decoder_{nullptr};  // one decode of a row for all signal lanes
    std::uint64_t decodeIds_ = 0;    // the identifiers the signal lanes need decoded
};

}  // namespace daridez
