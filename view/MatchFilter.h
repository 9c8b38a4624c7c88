#pragma once

#include <cstdint>
#include <optional>

#include "lin/Query.h"
#include "view/FilterIndex.h"

namespace daridez {

// The search beside the trace list: the query, the index of the rows it matches and the
// switch that shows only them. The one place that decides whether only the matches are
// shown, that maps the list's rows to positions in the row index, and that steps from
// match to match. The model announces the changes; this only keeps and answers.
class MatchFilter {
  public:
    const Query* query() const { return query_ ? &*query_ : nullptr; }
    // A new query (nullopt: none) judged over every row of index.
    void setQuery(std::optional<Query> query, const RowIndex& index, const TextForm& form,
                  bool holdOpen);
    // Every row of index judged again with the query, if there is one.
    void rebuild(const RowIndex& index, const TextForm& form, bool holdOpen = false);

    bool switchedOn() const { return onlyMatches_; }
    void setSwitch(bool onlyMatches) { onlyMatches_ = onlyMatches; }
    // Whether the list shows only the matches: the switch is on and a query is set.
    bool filtering() const { return onlyMatches_ && query_.has_value(); }

    FilterIndex& matches() { return filter_; }
    const FilterIndex& matches() const { return filter_; }
    std::uint32_t count() const { return static_cast<std::uint32_t>(filter_.size()); }

    // The rows the list shows of the shown (published) rows of the index.
    std::uint32_t rowCount(std::uint32_t shown) const { return filtering() ? count() : shown; }
    // The row index position of list row row; -1 when the list has no such row.
    std::int64_t positionOf(int row, std::uint32_t shown) const;
    // The list row of the next (forward) or previous match after or before list row row,
    // in display order, wrapping around the ends (wrapped says so); row -1: none yet,
    // the search starts at the end it moves away from. -1 when nothing matches.
    int step(int row, bool forward, bool& wrapped, std::uint32_t shown) const;
    // Which match list row row is, counted from 1; 0 when it is none.
    std::uint32_t matchNumber(int row, std::uint32_t shown) const;

  private:
    std::optional<Query> query_;
    FilterIndex filter_;
    bool onlyMatches_ = false;
};

}  // namespace daridez
