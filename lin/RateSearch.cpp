#include "lin/RateSearch.h"

#include <algorithm>
#include <charconv>

#include "lin/Columns.h"
#include "lin/FrameCheck.h"
#include "lin/LinFrame.h"
#include "trace/FrameKind.h"

namespace daridez {

namespace {

constexpr std::uint8_t kSyncByte = 0x55;

// A row whose Info starts with '#' is a device error or a bad frame, which a UART at the
// wrong rate produces; a buffer overflow only says the host read too slowly. A frame with
// the overflow's kind byte at another length is a bad frame.
bool deviceFault(const TraceEntry& entry) {
    CellScratch scratch;
    return CellText(entry, TextForm{}, Column::Info, scratch)[0] == '#' &&
           OpenerOf(entry.opener[0], entry.opener[1]) != RowOpener::Overflow;
}

bool normalEventOutcome(const FrameVerdict& verdict) {
    return verdict.has(CheckWord::Silent) || verdict.has(CheckWord::Collision);
}

std::optional<int> rateOf(const std::string& text) {
    int rate = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, rate);
    if (error != std::errc() || stop != end || !IsLinRate(rate)) {
        return std::nullopt;
    }
    return rate;
}

}  // namespace

TrialScore ScoreTrial(const TraceList& list, const LdfModel* ldf) {
    TrialScore score;
    for (const TraceEntry& entry : list) {
        const LinFrame frame = ReadLinFrame(entry);
        if (!frame.isLinFrame) {
            score.bad += deviceFault(entry) ? 1 : 0;
            continue;
        }
        if (&entry == list.lastRow()) {
            break;
        }
        ++score.frames;
        score.validSync += frame.hasSync && frame.sync == kSyncByte ? 1 : 0;
        if (ldf != nullptr && normalEventOutcome(CheckFrame(frame, ldf))) {
            continue;
        }
        (CheckFrame(frame).failed() ? score.bad : score.good) += 1;
    }
    return score;
}

RateSearch::RateSearch(const std::vector<std::string>& boxRates)
    : order_(kCommonLinRates.begin(), kCommonLinRates.end()) {
    for (const std::string& text : boxRates) {
        const std::optional<int> rate = rateOf(text);
        if (rate && std::find(order_.begin(), order_.end(), *rate) == order_.end()) {
            order_.push_back(*rate);
        }
    }
}

int RateSearch::currentRate() const {
    return finished_ ? 0 : order_[scores_.size()];
}

void RateSearch::record(const TrialScore& score) {
    if (finished_) {
        return;
    }
    scores_.push_back(score);
    if (score.good >= kEnoughGood && score.bad == 0) {
        finish(scores_.size() - 1);
    } else if (scores_.size() == order_.size()) {
        finish(bestTrial());
    }
}

void RateSearch::finish(std::optional<std::size_t> found) {
    finished_ = true;
    found_ = found;
}

std::optional<std::size_t> RateSearch::bestTrial() const {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < scores_.size(); ++i) {
        const TrialScore& score = scores_[i];
        if (score.good < kLeastGood) {
            continue;
        }
        if (!best || score.good > scores_[*best].good ||
            (score.good == scores_[*best].good && score.bad < scores_[*best].bad)) {
            best = i;
        }
    }
    return best;
}

std::optional<int> RateSearch::foundRate() const {
    if (!found_) {
        return std::nullopt;
    }
    return order_[*found_];
}

std::string RateSearch::tryingText() const {
    return "finding the LIN rate: trying " + std::to_string(currentRate()) + " ...";
}

std::string RateSearch::resultText() const {
    if (!finished_) {
        return {};
    }
    if (found_) {
        return "LIN rate found: " + std::to_string(order_[*found_]) + " (" +
               std::to_string(scores_[*found_].good) + " good frames)";
    }
    const bool anySync = std::any_of(scores_.begin(), scores_.end(),
                                     [](const TrialScore& score) { return score.validSync > 0; });
    if (!anySync) {
        return "no LIN rate found: no frames with a valid sync";
    }
    return "no LIN rate found: fewer than " + std::to_string(kLeastGood) +
           " good frames at every rate";
}

}  // namespace daridez
