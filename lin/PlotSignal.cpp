#include "lin/PlotSignal.h"

#include <algorithm>

#include "ldf/LdfModel.h"
#include "ldf/NumberText.h"
#include "ldf/SignalDecoder.h"

namespace daridez {

namespace {

const std::vector<LdfConverter>* convertersOf(const LdfModel& ldf, const LdfSignal& signal) {
    return signal.encoding < 0 ? nullptr : &ldf.encodings[signal.encoding].converters;
}

bool hasConverter(const std::vector<LdfConverter>& converters, LdfConverter::Kind kind) {
    return std::any_of(converters.begin(), converters.end(),
                       [kind](const LdfConverter& c) { return c.kind == kind; });
}

std::optional<PlotSignal> fail(std::string& error, std::string message) {
    error = std::move(message);
    return std::nullopt;
}

std::string quoted(const std::string& name) {
    return '"' + name + '"';
}

}  // namespace

bool PlotSignal::plottable(const LdfModel& ldf, const LdfSignal& signal) {
    const auto* converters = convertersOf(ldf, signal);
    return converters == nullptr || converters->empty() ||
           std::any_of(converters->begin(), converters->end(),
                       [](const LdfConverter& c) { return c.kind != LdfConverter::Kind::Ascii; });
}

std::string PlotSignal::unitOf(const LdfModel& ldf, const LdfSignal& signal) {
    if (const auto* converters = convertersOf(ldf, signal)) {
        for (const LdfConverter& converter : *converters) {
            if (converter.kind == LdfConverter::Kind::Physical) {
                return converter.unit;
            }
        }
    }
    return {};
}

std::optional<PlotSignal> PlotSignal::resolve(const LdfModel* ldf, const PlotSource& source,
                                              std::string& error) {
    const std::string name = PlotSourceText(source);
    if (ldf == nullptr) {
        return fail(error, quoted(name) + ": signals are plotted with an LDF");
    }
    const LdfFrame* frame = ldf->frameByName(source.frame);
    if (frame == nullptr) {
        return fail(error, quoted(source.frame) + ": the LDF names no such frame");
    }
    if (frame->kind != LdfFrame::Kind::Unconditional || frame->id < 0 || frame->id > 0x3F) {
        return fail(error, quoted(source.frame) +
                               ": only unconditional frames' signals are "
                               "plotted");
    }
    const int index = ldf->signalIndex(source.signal);
    const bool inFrame =
        index >= 0 && std::any_of(frame->layout.begin(), frame->layout.end(),
                                  [index](const LdfFrameSignal& s) { return s.signal == index; });
    if (!inFrame) {
        return fail(error, quoted(source.signal) + ": not a signal of " + source.frame);
    }
    const LdfSignal& signal = ldf->allSignals[static_cast<std::size_t>(index)];
    if (!plottable(*ldf, signal)) {
        return fail(error, quoted(source.signal) + ": a text signal cannot be plotted");
    }
    PlotSignal lane;
    lane.frame_ = source.frame;
    lane.signal_ = source.signal;
    lane.ownId_ = frame->id;
    lane.ids_ = std::uint64_t{1} << frame->id;
    const int frameIndex = ldf->frameIndex(source.frame);
    for (const LdfFrame& event : ldf->frames) {
        const bool answers = std::find(event.associated.begin(), event.associated.end(),
                                       frameIndex) != event.associated.end();
        if (event.kind == LdfFrame::Kind::EventTriggered && answers && event.id >= 0 &&
            event.id <= 0x3F) {
            lane.ids_ |= std::uint64_t{1} << event.id;
        }
    }
    lane.unit_ = unitOf(*ldf, signal);
    const auto* converters = convertersOf(*ldf, signal);
    const bool logicalOnly = converters != nullptr &&
                             hasConverter(*converters, LdfConverter::Kind::Logical) &&
                             !hasConverter(*converters, LdfConverter::Kind::Physical) &&
                             !hasConverter(*converters, LdfConverter::Kind::Bcd);
    if (logicalOnly) {
        lane.style_ = Style::Steps;
        for (const LdfConverter& converter : *converters) {
            if (converter.kind == LdfConverter::Kind::Logical) {
                lane.labels_.push_back({static_cast<double>(converter.value), converter.text});
            }
        }
    }
    return lane;
}

bool PlotSignal::valueOf(const LdfFrameDecode& decode, float& value) const {
    if (decode.status != LdfFrameDecode::Status::Decoded) {
        return false;
    }
    for (const LdfSignalValue& signal : decode.values) {
        if (signal.signal != signal_ || signal.frame != frame_) {
            continue;
        }
        if (style_ == Style::Steps) {
            value = static_cast<float>(signal.raw);
            return true;
        }
        const bool number = signal.hasNumber && (signal.kind == LdfSignalValue::Kind::Raw ||
                                                 signal.kind == LdfSignalValue::Kind::Physical ||
                                                 signal.kind == LdfSignalValue::Kind::Bcd);
        value = number ? static_cast<float>(signal.number) : 0;
        return number;
    }
    return false;
}

std::string PlotSignal::valueText(double value) const {
    for (const Label& label : labels_) {
        if (label.value == value) {
            return label.text;
        }
    }
    char digits[NumberText::kMaxSize];
    std::string text(digits, NumberText::put(digits, value));
    if (!unit_.empty()) {
        text += ' ';
        text += unit_;
    }
    return text;
}

std::optional<PlotSource> ParsePlotLane(std::string_view text, const LdfModel* ldf,
                                        std::string& error) {
    auto source = ParsePlotSource(text, error);
    if (source && source->kind == PlotKind::Signal && !PlotSignal::resolve(ldf, *source, error)) {
        return std::nullopt;
    }
    return source;
}

}  // namespace daridez
