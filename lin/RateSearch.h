#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ldf/LdfModel.h"
#include "lin/LinRates.h"
#include "trace/TraceList.h"

namespace daridez {

// What the rows of one trial at a LIN rate brought.
struct TrialScore {
    int frames = 0;     // LIN frames (rows opened by a break)
    int good = 0;       // LIN frames whose sync, parity and checksum are right
    int bad = 0;        // LIN frames failing a check, device errors and bad frames
    int validSync = 0;  // LIN frames whose sync byte is 0x55

    bool operator==(const TrialScore&) const = default;
};

// Scores the rows of the list. A LIN frame in the last row is left out: the end of
// the trial may have cut its response short. With an LDF, an event-triggered slot that
// is silent or collided is neither good nor bad: it says nothing of the rate. The LDF's
// own checks (unknown-id, length, model) do not score: the rate is judged by the bytes.
TrialScore ScoreTrial(const TraceList& list, const LdfModel* ldf = nullptr);

// Which LIN rates to try, in which order, and which one the bus speaks: the common
// rates first, then the rest of the LIN-baud-rate box; the first rate with
// kEnoughGood good frames and none bad ends the search, else the best rate with at
// least kLeastGood good frames is taken (most good frames, then fewest bad, then the
// one tried first).
class RateSearch {
  public:
    static constexpr int kEnoughGood = 20;
    static constexpr int kLeastGood = 3;

    // boxRates: the entries of the LIN-baud-rate box; those that are no rate (not a
    // decimal number from 1 to 65535) are left out.
    explicit RateSearch(const std::vector<std::string>& boxRates);

    const std::vector<int>& order() const { return order_; }
    bool finished() const { return finished_; }
    // The rate of the trial to run next; 0 once finished.
    int currentRate() const;
    // The score of the current rate's trial; moves on to the next rate or finishes.
    void record(const TrialScore& score);

    // The rate found, once finished; nothing when no rate qualified.
    std::optional<int> foundRate() const;

    // "finding the LIN rate: trying 9600 ..."
    std::string tryingText() const;
    // "LIN rate found: 19200 (40 good frames)" or "no LIN rate found: <why>".
    std::string resultText() const;

  private:
    void finish(std::optional<std::size_t> found);
    std::optional<std::size_t> bestTrial() const;

    std::vector<int> order_;
    std::vector<TrialScore> scores_;  // one per rate tried, in order_'s order
    bool finished_ = false;
    std::optional<std::size_t> found_;  // index into order_ and scores_
};

}  // namespace daridez
