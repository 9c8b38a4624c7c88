#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "lin/FrameCheck.h"
#include "lin/LinFrame.h"
#include "lin/LinRates.h"
#include "lin/PlotSeries.h"
#include "lin/PlotSignal.h"
#include "lin/PlotSource.h"

namespace daridez {

// One LIN frame row as the lanes see it: where it stands in the trace, when it came on
// the plot's clock (recordings one after another), and what it held.
struct PlotRow {
    std::uint32_t row = 0;      // position from the head of the trace
    std::int64_t time = 0;      // microseconds of the plot's clock
    bool newRecording = false;  // the first LIN frame row after a "Start"
    const LinFrame* frame = nullptr;
    FrameVerdict verdict;
    // The frame decoded with the LDF where a signal lane carries its identifier (see
    // decodedIds()); nullptr otherwise.
    const LdfFrameDecode* decode = nullptr;
};

// Turns the LIN frame rows of a trace, one at a time, into the points of one lane.
//
// Per-frame lanes (a data byte, bits, the period, a signal) take a point from each frame
// of their identifier. A frame whose check failed (or a collided event-triggered slot,
// whose data is garbled) becomes a marked point that no line joins; a frame that arrives later
// than 1.5 times the shortest interval seen between frames of its identifier leaves a gap: the line
// is not drawn across the frames that are missing, nor from one recording into the next. A frame
// without the byte, bits or value asked for adds no point and breaks the line.
//
// A signal lane takes its value from the row's decode with the LDF it was made with (see
// PlotSignal); the frame's own identifier keeps the time for the gaps, and an
// event-triggered frame adds a point where it is the signal's frame that answered.
// Without an LDF that names the signal, the lane stays empty.
//
// Per-second lanes (bus load, failed checks) add a point at the start of every second of
// trace time once it is over, also for seconds without frames (0); the second still
// running is not shown.
class PlotLane {
  public:
    static constexpr std::int64_t kSecond = 1'000'000;
    static constexpr std::int64_t kLongestSilence = 3600;  // seconds shown as zeros

    explicit PlotLane(const PlotSource& source, int baudrate = kDefaultLinRate,
                      const LdfModel* ldf = nullptr);

    void add(const PlotRow& row);
    // Forgets every point and every interval: the trace starts over.
    void clear();

    const PlotSource& source() const { return source_; }
    const PlotSeries& series() const { return series_; }
    int baudrate() const { return baudrate_; }
    // A signal lane's signal as the LDF describes it (nullopt for other lanes and for a
    // signal the LDF does not name).
    const std::optional<PlotSignal>& signal() const { return signal_; }
    // The identifiers whose rows the lane needs decoded, one bit each (0: none).
    std::uint64_t decodedIds() const { return signal_ ? signal_->ids() : 0; }
    // The unit of the lane's values: PlotSourceUnit's, a signal's the LDF's.
    std::string unit() const;
    // The lane's name with its unit: "3C period [ms]", "RLS_Status.AmbientLight [lux]".
    std::string title() const;
    // A value as the cursor shows it: "17", "20.1 ms", "fast", "12.5 km/h".
    std::string valueText(float value) const;

  private:
    std::int64_t arrive(const PlotRow& row);
    void addFramePoint(const PlotRow& row);
    void addSignalPoint(const PlotRow& row);
    void addPoint(const PlotRow& row, float value);
    bool valueOf(const LinFrame& frame, float& value) const;
    bool counts(const PlotRow& row, double& amount) const;
    void addPerSecond(const PlotRow& row);
    void closeSeconds(std::int64_t second);

    PlotSource source_;
    int baudrate_;
    std::optional<PlotSignal> signal_;
    PlotSeries series_;
    // Per-frame lanes: the previous frame of the identifier and the shortest interval.
    bool seenFrame_ = false;
    std::int64_t lastFrameTime_ = 0;
    std::int64_t shortest_ = 0;  // 0: none measured yet
    bool breakLine_ = false;     // the next point starts a new line
    bool newRecording_ = false;  // a recording started since the identifier's last frame
    // Per-second lanes: the second being counted and what it has so far.
    bool counting_ = false;
    std::int64_t second_ = 0;
    double amount_ = 0;
    std::uint32_t secondRow_ = 0;  // the first row of the second
};

}  // namespace daridez
