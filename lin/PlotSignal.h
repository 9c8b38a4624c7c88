#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lin/PlotSource.h"

namespace daridez {

class LdfModel;
struct LdfFrameDecode;
struct LdfSignal;

// A signal lane resolved with an LDF: the identifiers whose frames carry the signal (the
// frame's own and those of the event-triggered frames it answers), and how its values are
// drawn. A signal whose encoding has only logical values is drawn as steps of its raw
// value, labelled with the values' texts; any other as numbers: the physical value (with
// the unit of its first physical range), the bcd number, or the raw value without an
// encoding. A number lane takes no point where a logical value (such as "not available")
// or no converter accepts the raw value.
class PlotSignal {
  public:
    enum class Style : std::uint8_t { Numbers, Steps };

    struct Label {
        double value = 0;
        std::string text;
    };

    // The lane for a Signal source; nullopt with error set to one line when ldf is null,
    // names no such frame or signal, or the signal cannot be drawn (text, a frame that is
    // not unconditional).
    static std::optional<PlotSignal> resolve(const LdfModel* ldf, const PlotSource& source,
                                             std::string& error);
    // False for signals read as text (an ascii encoding), which no lane draws.
    static bool plottable(const LdfModel& ldf, const LdfSignal& signal);
    // The unit a lane of the signal shows ("" for none).
    static std::string unitOf(const LdfModel& ldf, const LdfSignal& signal);

    // Frames with this identifier may carry the signal.
    bool carries(int id) const { return id >= 0 && id < 64 && ((ids_ >> id) & 1u) != 0; }
    // The identifiers that may carry the signal, one bit each.
    std::uint64_t ids() const { return ids_; }
    // The identifier of the signal's own frame (its schedule slot).
    int ownId() const { return ownId_; }
    // The value to draw from a frame's decode; false when the decode holds none (a short
    // response, another frame answering an event slot, a value a number lane skips).
    bool valueOf(const LdfFrameDecode& decode, float& value) const;

    Style style() const { return style_; }
    const std::string& unit() const { return unit_; }
    // Steps: the logical values and their texts, in the LDF's order.
    const std::vector<Label>& labels() const { return labels_; }
    // A value as the cursor shows it: the logical text of a step ("fast"), else the number
    // with the unit ("12.5 km/h").
    std::string valueText(double value) const;

  private:
    std::string frame_;
    std::string signal_;
    std::uint64_t ids_ = 0;
    int ownId_ = -1;
    Style style_ = Style::Numbers;
    std::string unit_;
    std::vector<Label> labels_;
};

// A lane's source from its text, where a signal must be one ldf names (nullptr: no LDF,
// and no signal lane); nullopt with error set to one line saying what is wrong. The one
// reading of a lane's text: the picker, the window and the profile's lanes use it.
std::optional<PlotSource> ParsePlotLane(std::string_view text, const LdfModel* ldf,
                                        std::string& error);

}  // namespace daridez
