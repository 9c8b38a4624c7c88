#include "view/FilterIndex.h"

#include <algorithm>

namespace daridez {

void FilterIndex::clear() {
    positions_.clear();
    judged_.clear();
    open_ = 0;
}

void FilterIndex::rebuild(const RowIndex& index, const Query& query, const TextForm& form,
                          bool holdOpen) {
    clear();
    query.restart();
    applyJudged(judgeNewRows(index, query, form, holdOpen));
}

FilterIndex::Batch FilterIndex::judgeNewRows(const RowIndex& index, const Query& query,
                                             const TextForm& form, bool holdOpen) {
    judged_.clear();
    const std::uint32_t count = index.count();
    const std::uint32_t judgedEnd = holdOpen && count != 0 ? count - 1 : count;
    for (std::uint32_t position = open_; position < judgedEnd; ++position) {
        if (query.matches(*index.at(position), form)) {
            judged_.push_back(position);
        }
    }
    Batch batch;
    if (openRowListed()) {
        // The open row was listed; when it still matches it keeps its place.
        if (!judged_.empty() && judged_.front() == positions_.back()) {
            judged_.erase(judged_.begin());
        } else {
            batch.openRowDropped = true;
        }
    }
    batch.added = judged_.size();
    open_ = count == 0 ? 0 : count - 1;
    return batch;
}

std::size_t FilterIndex::dropLeading(std::uint32_t rows) {
    const auto kept = std::lower_bound(positions_.begin(), positions_.end(), rows);
    const auto gone = static_cast<std::size_t>(kept - positions_.begin());
    positions_.erase(positions_.begin(), kept);
    for (std::uint32_t& position : positions_) {
        position -= rows;
    }
    open_ = open_ > rows ? open_ - rows : 0;
    return gone;
}

void FilterIndex::addJudged() {
    positions_.insert(positions_.end(), judged_.begin(), judged_.end());
    judged_.clear();
}

void FilterIndex::applyJudged(const Batch& batch) {
    if (batch.openRowDropped) {
        dropOpenRow();
    }
    addJudged();
}

std::ptrdiff_t FilterIndex::find(std::uint32_t position) const {
    const auto found = std::lower_bound(positions_.begin(), positions_.end(), position);
    if (found == positions_.end() || *found != position) {
        return -1;
    }
    return found - positions_.begin();
}

std::int64_t FilterIndex::step(std::int64_t from, bool forward, bool& wrapped) const {
    wrapped = false;
    if (positions_.empty()) {
        return -1;
    }
    if (forward) {
        const auto next = std::upper_bound(
            positions_.begin(), positions_.end(), from,
            [](std::int64_t value, std::uint32_t position) { return value < position; });
        if (next != positions_.end()) {
            return *next;
        }
        wrapped = true;
        return positions_.front();
    }
    const auto after = std::lower_bound(
        positions_.begin(), positions_.end(), from,
        [](std::uint32_t position, std::int64_t value) { return position < value; });
    if (after != positions_.begin()) {
        return *(after - 1);
    }
    wrapped = true;
    return positions_.back();
}

}  // namespace daridez
