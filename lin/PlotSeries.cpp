#include "lin/PlotSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace daridez {

// A point in its block: microseconds after the block's first point, the value, and the
// row with the two marks in its top bits.
struct PlotSeries::Packed {
    static constexpr std::uint32_t kFailed = 1u << 31;
    static constexpr std::uint32_t kGap = 1u << 30;
    static constexpr std::uint32_t kRowMask = kGap - 1;

    std::uint32_t offset;
    float value;
    std::uint32_t rowAndMarks;
};

// What 64 consecutive points of a block hold; failed points count only in failed.
struct PlotSeries::Bucket {
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();
    std::uint8_t count = 0;  // points that are not failed
    bool gap = false;
    bool failed = false;
};

struct PlotSeries::Chunk {
    static constexpr std::size_t kBuckets = kChunkPoints / kBucketPoints;

    std::int64_t base = 0;  // the time of the block's first point
    std::size_t first = 0;  // the series index of the block's first point
    std::size_t count = 0;
    std::unique_ptr<Packed[]> points{new Packed[kChunkPoints]};
    std::unique_ptr<Bucket[]> buckets{new Bucket[kBuckets]};

    PlotPoint at(std::size_t offset) const {
        const Packed& p = points[offset];
        return PlotPoint{base + p.offset, p.value, p.rowAndMarks & Packed::kRowMask,
                         (p.rowAndMarks & Packed::kFailed) != 0,
                         (p.rowAndMarks & Packed::kGap) != 0};
    }
    std::int64_t timeAt(std::size_t offset) const { return base + points[offset].offset; }
};

PlotSeries::PlotSeries() {
    static_assert(sizeof(Packed) == 12);
}
PlotSeries::~PlotSeries() = default;
PlotSeries::PlotSeries(PlotSeries&&) noexcept = default;
PlotSeries& PlotSeries::operator=(PlotSeries&&) noexcept = default;

void PlotSeries::append(const PlotPoint& given) {
    PlotPoint point = given;
    if (size_ != 0) {
        point.time = std::max(point.time, lastTime());  // a clock that stepped back
    }
    const bool fits = !chunks_.empty() && chunks_.back().count < kChunkPoints &&
                      point.time - chunks_.back().base <= std::numeric_limits<std::uint32_t>::max();
    if (!fits) {
        Chunk chunk;
        chunk.base = point.time;
        chunk.first = size_;
        chunks_.push_back(std::move(chunk));
    }
    Chunk& chunk = chunks_.back();
    const std::uint32_t marks =
        (point.failed ? Packed::kFailed : 0u) | (point.gapBefore ? Packed::kGap : 0u);
    chunk.points[chunk.count] = Packed{static_cast<std::uint32_t>(point.time - chunk.base),
                                       point.value, (point.row & Packed::kRowMask) | marks};
    Bucket& bucket = chunk.buckets[chunk.count / kBucketPoints];
    bucket.gap = bucket.gap || point.gapBefore;
    bucket.failed = bucket.failed || point.failed;
    if (!point.failed) {
        bucket.min = std::min(bucket.min, point.value);
        bucket.max = std::max(bucket.max, point.value);
        ++bucket.count;
        min_ = hasValue_ ? std::min(min_, point.value) : point.value;
        max_ = hasValue_ ? std::max(max_, point.value) : point.value;
        hasValue_ = true;
    }
    ++chunk.count;
    ++size_;
}

void PlotSeries::clear() {
    chunks_.clear();
    size_ = 0;
    min_ = max_ = 0;
    hasValue_ = false;
}

const PlotSeries::Chunk& PlotSeries::chunkOf(std::size_t index, std::size_t& offset) const {
    const auto it = std::upper_bound(chunks_.begin(), chunks_.end(), index,
                                     [](std::size_t i, const Chunk& c) { return i < c.first; });
    const Chunk& chunk = *(it - 1);
    offset = index - chunk.first;
    return chunk;
}

PlotPoint PlotSeries::at(std::size_t index) const {
    std::size_t offset = 0;
    return chunkOf(index, offset).at(offset);
}

std::int64_t PlotSeries::firstTime() const {
    return chunks_.empty() ? 0 : chunks_.front().base;
}

std::int64_t PlotSeries::lastTime() const {
    return chunks_.empty() ? 0 : chunks_.back().timeAt(chunks_.back().count - 1);
}

// The last block whose first point is at or before time (0 when none is).
std::size_t PlotSeries::chunkAt(std::int64_t time) const {
    const auto it = std::upper_bound(chunks_.begin(), chunks_.end(), time,
                                     [](std::int64_t t, const Chunk& c) { return t < c.base; });
    return it == chunks_.begin() ? 0 : static_cast<std::size_t>(it - chunks_.begin()) - 1;
}

std::size_t PlotSeries::lowerBound(std::int64_t time) const {
    if (chunks_.empty() || time <= firstTime()) {
        return 0;
    }
    const Chunk& chunk = chunks_[chunkAt(time)];
    std::size_t low = 0;
    std::size_t high = chunk.count;
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        if (chunk.timeAt(mid) < time) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return chunk.first + low;  // low == count: the next block's first point
}

std::optional<std::size_t> PlotSeries::nearest(std::int64_t time) const {
    if (size_ == 0) {
        return std::nullopt;
    }
    const std::size_t after = lowerBound(time);
    if (after == size_) {
        return size_ - 1;
    }
    if (after == 0 || at(after).time - time < time - at(after - 1).time) {
        return after;
    }
    return after - 1;
}

std::optional<std::size_t> PlotSeries::atOrBefore(std::int64_t time) const {
    const std::size_t after = lowerBound(time + 1);
    return after == 0 ? std::nullopt : std::optional<std::size_t>(after - 1);
}

void PlotSeries::addPoint(PlotColumn& column, const PlotPoint& point) const {
    column.gap = column.gap || point.gapBefore;
    if (point.failed) {
        if (!column.failed) {
            column.failed = true;
            column.failedValue = point.value;
            column.failedTime = point.time;
        }
        return;
    }
    column.min = column.count == 0 ? point.value : std::min(column.min, point.value);
    column.max = column.count == 0 ? point.value : std::max(column.max, point.value);
    column.time = point.time;
    ++column.count;
}

std::vector<PlotColumn> PlotSeries::columns(std::int64_t from, std::int64_t to, int count) const {
    std::vector<PlotColumn> result(static_cast<std::size_t>(std::max(count, 0)));
    if (count <= 0 || to <= from || size_ == 0) {
        return result;
    }
    const double perMicro = static_cast<double>(count) / static_cast<double>(to - from);
    const auto columnOf = [&](std::int64_t time) {
        return std::min(static_cast<std::size_t>(static_cast<double>(time - from) * perMicro),
                        result.size() - 1);
    };
    const std::size_t end = lowerBound(to);
    std::size_t index = lowerBound(from);
    std::size_t chunkIndex = 0;
    if (index < end) {
        std::size_t offset = 0;
        const Chunk* first = &chunkOf(index, offset);
        chunkIndex = static_cast<std::size_t>(first - chunks_.data());
    }
    while (index < end) {
        const Chunk& chunk = chunks_[chunkIndex];
        const std::size_t stop = std::min(end, chunk.first + chunk.count);
        for (std::size_t i = index - chunk.first; chunk.first + i < stop;) {
            const std::size_t lastOfBucket = i + kBucketPoints - 1;
            const Bucket& bucket = chunk.buckets[i / kBucketPoints];
            if (i % kBucketPoints == 0 && chunk.first + lastOfBucket < stop && !bucket.failed &&
                columnOf(chunk.timeAt(i)) == columnOf(chunk.timeAt(lastOfBucket))) {
                PlotColumn& column = result[columnOf(chunk.timeAt(i))];
                column.min = column.count == 0 ? bucket.min : std::min(column.min, bucket.min);
                column.max = column.count == 0 ? bucket.max : std::max(column.max, bucket.max);
                column.count += bucket.count;
                column.gap = column.gap || bucket.gap;
                i += kBucketPoints;
                continue;
            }
            const PlotPoint point = chunk.at(i);
            addPoint(result[columnOf(point.time)], point);
            ++i;
        }
        index = stop;
        ++chunkIndex;
    }
    return result;
}

std::size_t PlotSeries::memoryBytes() const {
    return sizeof(*this) + chunks_.capacity() * sizeof(Chunk) +
           chunks_.size() * (kChunkPoints * sizeof(Packed) + Chunk::kBuckets * sizeof(Bucket));
}

namespace {

// The values a line holds, NaN breaks apart; false when it holds none.
bool rangeOf(const std::vector<PlotVertex>& vertices, float& low, float& high) {
    bool any = false;
    for (const PlotVertex& v : vertices) {
        if (!std::isnan(v.value)) {
            low = any ? std::min(low, static_cast<float>(v.value)) : static_cast<float>(v.value);
            high = any ? std::max(high, static_cast<float>(v.value)) : static_cast<float>(v.value);
            any = true;
        }
    }
    return any;
}

}  // namespace

PlotOutline PlotSeries::outline(std::int64_t from, std::int64_t to, int width, bool steps) const {
    width = std::max(width, 1);
    to = std::max(to, from + 1);
    const double columnWidth = static_cast<double>(to - from) / width;
    PlotOutline out;
    std::vector<PlotVertex>& line = out.line;
    line.reserve(2 * static_cast<std::size_t>(width) + 4);
    out.low = min_;
    out.high = max_;
    const auto point = [&](std::int64_t time, float value) {
        line.push_back({static_cast<double>(time), value});
    };
    const auto breakAt = [&](double time) {
        if (steps && !line.empty()) {
            time = std::min(time, line.back().time + columnWidth);
        }
        line.push_back({time, std::numeric_limits<double>::quiet_NaN()});
    };
    if (const auto before = atOrBefore(from - 1); before && !at(*before).failed) {
        point(at(*before).time, at(*before).value);
    }
    const std::vector<PlotColumn> all = columns(from, to, width);
    for (std::size_t c = 0; c < all.size(); ++c) {
        const PlotColumn& column = all[c];
        const double start = static_cast<double>(from) + static_cast<double>(c) * columnWidth;
        if (column.gap) {
            breakAt(start);
        }
        if (column.count == 1) {
            point(column.time, column.min);
        } else if (column.count > 1) {
            line.push_back({start + columnWidth / 2, column.min});
            line.push_back({start + columnWidth / 2, column.max});
        }
        if (column.failed) {
            out.marks.push_back({static_cast<double>(column.failedTime), column.failedValue});
            out.low = std::min(out.low, column.failedValue);
            out.high = std::max(out.high, column.failedValue);
        }
    }
    if (const std::size_t after = lowerBound(to); after < size_) {
        const PlotPoint next = at(after);
        if (next.gapBefore) {
            breakAt(static_cast<double>(to));
        }
        if (!next.failed) {
            point(next.time, next.value);
        }
    }
    float low = 0;
    float high = 0;
    const bool drawn = rangeOf(line, low, high);
    float markLow = 0;
    float markHigh = 0;
    if (rangeOf(out.marks, markLow, markHigh)) {
        low = drawn ? std::min(low, markLow) : markLow;
        high = drawn ? std::max(high, markHigh) : markHigh;
    }
    const bool shown = drawn || !out.marks.empty();
    out.shownLow = shown ? low : out.low;
    out.shownHigh = shown ? high : out.high;
    return out;
}

}  // namespace daridez
