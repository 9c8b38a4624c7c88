#include "view/MatchFilter.h"

#include <utility>

namespace daridez {

void MatchFilter::setQuery(std::optional<Query> query, const RowIndex& index, const TextForm& form,
                           bool holdOpen) {
    query_ = std::move(query);
    if (query_) {
        filter_.rebuild(index, *query_, form, holdOpen);
    } else {
        filter_.clear();
    }
}

void MatchFilter::rebuild(const RowIndex& index, const TextForm& form, bool holdOpen) {
    if (query_) {
        filter_.rebuild(index, *query_, form, holdOpen);
    }
}

std::int64_t MatchFilter::positionOf(int row, std::uint32_t shown) const {
    if (row < 0 || static_cast<std::uint32_t>(row) >= rowCount(shown)) {
        return -1;
    }
    return filtering() ? filter_.at(static_cast<std::size_t>(row)) : row;
}

// Steps over positions in the row index; a filtered list's row is its match's slot.
int MatchFilter::step(int row, bool forward, bool& wrapped, std::uint32_t shown) const {
    wrapped = false;
    if (!query_) {
        return -1;
    }
    const std::int64_t at = positionOf(row, shown);
    const std::int64_t from = at >= 0 ? at : forward ? -1 : std::int64_t{shown};
    const std::int64_t to = filter_.step(from, forward, wrapped);
    if (to < 0 || !filtering()) {
        return static_cast<int>(to);
    }
    return static_cast<int>(filter_.find(static_cast<std::uint32_t>(to)));
}

std::uint32_t MatchFilter::matchNumber(int row, std::uint32_t shown) const {
    const std::int64_t at = query_ ? positionOf(row, shown) : -1;
    if (at < 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(filter_.find(static_cast<std::uint32_t>(at)) + 1);
}

}  // namespace daridez
