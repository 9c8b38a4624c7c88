#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lin/Query.h"
#include "view/RowIndex.h"

namespace daridez {

// The rows of a row index that match a query: their positions in the index, ascending,
// so in display order. Rows come in at the end of the index while a trace runs, and the
// last one may still be filled by the decoder: its verdict stays open until a row
// follows it, and judgeNewRows() looks at it again together with the new rows. Held
// back, the open row is not judged at all until then: a query on verdict words would
// otherwise list and drop it as its frame fills, poll after poll.
class FilterIndex {
  public:
    // What judgeNewRows() found; dropOpenRow() (when openRowDropped) and then addJudged()
    // make it the list's content, applyJudged() does both.
    struct Batch {
        bool openRowDropped = false;  // the open row was listed and matches no longer
        std::size_t added = 0;        // positions appended after the kept ones
    };

    // Judges every row of index again; the last one stays open.
    void rebuild(const RowIndex& index, const Query& query, bool holdOpen = false);
    // Judges the open row and the rows appended since the last call, without changing
    // the positions yet, so that a model can announce the change first; with holdOpen
    // the new last row is left unjudged (and unlisted) until the next call.
    Batch judgeNewRows(const RowIndex& index, const Query& query, bool holdOpen = false);
    void dropOpenRow() { positions_.pop_back(); }
    void addJudged();
    void applyJudged(const Batch& batch);
    void clear();

    std::size_t size() const { return positions_.size(); }
    std::uint32_t at(std::size_t i) const { return positions_[i]; }
    const std::vector<std::uint32_t>& positions() const { return positions_; }
    // The slot of position in the list, or -1 when that row does not match.
    std::ptrdiff_t find(std::uint32_t position) const;
    // The first listed position after (forward) or before from, wrapping around the
    // ends; from may be -1 (before the first row). -1 when nothing matches.
    std::int64_t step(std::int64_t from, bool forward, bool& wrapped) const;

  private:
    bool openRowListed() const { return !positions_.empty() && positions_.back() >= open_; }

    std::vector<std::uint32_t> positions_;
    std::vector<std::uint32_t> judged_;  // judgeNewRows()' matches, not applied yet
    std::uint32_t open_ = 0;             // rows from here on have no final verdict
};

}  // namespace daridez
