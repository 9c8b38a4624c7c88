#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace daridez {

// One point of a lane as read back: its time (microseconds of the plot's clock), its
// value, the trace row it came from (its position from the head of the trace) and
// its marks.
struct PlotPoint {
    std::int64_t time = 0;
    float value = 0;
    std::uint32_t row = 0;
    bool failed = false;     // the row's check failed: drawn as a marked point, never joined
    bool gapBefore = false;  // the line does not join this point to the one before
};

// What the points of one pixel column of a view hold. Failed points count only as marks.
struct PlotColumn {
    std::uint32_t count = 0;  // points that are not failed
    float min = 0;
    float max = 0;
    std::int64_t time = 0;  // of the only point, when count is 1
    bool gap = false;       // a point of the column starts a new line
    bool failed = false;    // a failed point lies in the column: failedValue at failedTime
    float failedValue = 0;
    std::int64_t failedTime = 0;
};

// One vertex of what a lane draws: a time in microseconds of the plot's clock (a pixel
// column's middle may fall between two), and a value; a NaN value breaks the line.
struct PlotVertex {
    double time = 0;
    double value = 0;
    bool operator==(const PlotVertex&) const = default;
};

// What a lane draws over a span of a given width in pixels: its line, the failed points
// as marks apart, and the range of the values it holds.
struct PlotOutline {
    std::vector<PlotVertex> line;
    std::vector<PlotVertex> marks;
    // The values of the whole lane (every point that is not failed, and the marks shown),
    // and of what the span draws (the lane's when it draws nothing).
    float low = 0;
    float high = 0;
    float shownLow = 0;
    float shownHigh = 0;
};

// The points of one plot lane in time order, kept compact (12 bytes a point in blocks of
// 4096, plus the smallest and largest value of every 64 points) and grown at the end as
// a live trace adds rows, never rebuilt. columns() summarises any span for a view in
// about (points / 64 + columns * 128) steps, and keeps the smallest and the largest value
// of every pixel column, so a single spike among millions of points is drawn at any zoom.
class PlotSeries {
  public:
    static constexpr std::size_t kChunkPoints = 4096;
    static constexpr std::size_t kBucketPoints = 64;

    PlotSeries();
    ~PlotSeries();
    PlotSeries(PlotSeries&&) noexcept;
    PlotSeries& operator=(PlotSeries&&) noexcept;

    // Adds a point after the last one; time must not be earlier than the last point's.
    void append(const PlotPoint& point);
    void clear();

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    PlotPoint at(std::size_t index) const;
    // The first point at or after time (size() when none).
    std::size_t lowerBound(std::int64_t time) const;
    // The point nearest to time; nullopt when the series is empty.
    std::optional<std::size_t> nearest(std::int64_t time) const;
    // The last point at or before time; nullopt before the first point.
    std::optional<std::size_t> atOrBefore(std::int64_t time) const;

    // count columns of equal width over [from, to): what the points of each hold.
    std::vector<PlotColumn> columns(std::int64_t from, std::int64_t to, int count) const;

    // The lane drawn over [from, to) in width pixel columns: per column its only point, or
    // its smallest then its largest value at the column's middle; a break where a line
    // starts anew; the failed points as marks. The points just outside the span carry
    // the line to its edges. Steps hold a value until the next point: before a break the
    // hold ends a column after the last point, so that the missing frames show.
    PlotOutline outline(std::int64_t from, std::int64_t to, int width, bool steps) const;

    // The smallest and the largest value of the points that are not failed (0 and 0
    // without such a point), and the times of the first and the last point.
    float minValue() const { return min_; }
    float maxValue() const { return max_; }
    std::int64_t firstTime() const;
    std::int64_t lastTime() const;

    // The bytes the points and their summaries take.
    std::size_t memoryBytes() const;

  private:
    struct Packed;
    struct Bucket;
    struct Chunk;

    const Chunk& chunkOf(std::size_t index, std::size_t& offset) const;
    std::size_t chunkAt(std::int64_t time) const;
    void addPoint(PlotColumn& column, const PlotPoint& point) const;

    std::vector<Chunk> chunks_;
    std::size_t size_ = 0;
    float min_ = 0;
    float max_ = 0;
    bool hasValue_ = false;
};

}  // namespace daridez
