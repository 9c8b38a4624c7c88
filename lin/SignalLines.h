#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ldf/LdfModel.h"
#include "ldf/SignalDecoder.h"

namespace daridez {

// The signal lines daridez-dump writes under a row, TAB "FRAME.SIGNAL = VALUE UNIT (raw
// RAW)", made fast enough for a million rows of eight signals: the "TAB FRAME.SIGNAL = "
// of each signal of each frame is made once. A scalar whose encoding has logical and
// physical values only (or none) has a text that follows from its raw value alone: it is
// written straight from the raw value, with the texts its converters need made once;
// where it has at most kTabledWidth bits, the text of each raw value is made the first
// time it comes and copied after that. Signals of one encoding and width share these
// texts, so that the tables stay few and small enough for the processor's caches. Bcd,
// ascii and byte arrays are decoded as they come. Every line is the one appendLine makes
// from the signal's decoded value.
class SignalLines {
  public:
    explicit SignalLines(const LdfModel& model);

    // The lines of the signals of frame (the frame whose layout the data follows, one
    // of the model's), read from its bits.
    void append(std::string& out, const LdfFrame& frame, const LdfFrameBits& bits);

    // One line made from a decoded value, as it is written.
    static void appendLine(std::string& out, const LdfSignalValue& value);
    // VALUE: logical and ascii texts quoted (bytes outside printable ASCII as \xHH),
    // numbers as they are, "?" where no converter accepts.
    static void appendValue(std::string& out, const LdfSignalValue& value);
    // RAW: decimal for scalars, hex bytes for byte arrays.
    static void appendRaw(std::string& out, const LdfSignalValue& value);
    // " UNIT" where the value has one.
    static void appendUnit(std::string& out, const LdfSignalValue& value);

  private:
    // A short text kept with 16 zeros behind it, so that it is copied in blocks of 16
    // rather than by a call to memcpy (a third of the time spent on a line).
    class Text {
      public:
        void set(std::string_view text);
        std::string_view view() const { return {padded_.data(), size_}; }
        std::size_t size() const { return size_; }
        // Copies it to out, which has room for size() + 16 chars; returns its end.
        char* put(char* out) const;

      private:
        std::string padded_;
        std::size_t size_ = 0;
    };
    // A converter as the direct path applies it: a logical value's quoted name, or a
    // physical range with " UNIT".
    struct Converter {
        bool physical = false;
        std::uint64_t value = 0;  // logical
        double min = 0;           // physical
        double max = 0;
        double scale = 1;
        double offset = 0;
        Text text;  // logical: "\"NAME\""; physical: " UNIT" or ""
    };
    // Where the tail of a raw value lies in Plan::texts; size 0 while it is not made.
    struct Tail {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };
    // How the signals of one encoding and width are written.
    struct Plan {
        bool direct = false;  // from the raw value; else decoded
        int width = 0;
        bool encoded = false;
        std::vector<Converter> converters;
        std::size_t longest = 0;  // the longest converter text
        std::vector<Tail> tails;  // per raw value of a direct plan of up to kTabledWidth bits
        std::string texts;        // the tails made, one after another, then 16 zeros
    };
    // A line's start, its signal's plan, and whether its line fits the direct path's
    // buffer.
    struct Head {
        Text text;
        std::size_t plan = 0;
        bool direct = false;
    };
    // The heads of a frame's signals, and the room its lines may take when every one is
    // direct (0 otherwise): then they are written straight into the output.
    struct FrameLines {
        std::vector<Head> heads;
        std::size_t room = 0;
    };

    static constexpr std::size_t kLineSize = 256;
    static constexpr int kTabledWidth = 8;

    Plan plan(const LdfSignal& signal) const;
    static void addConverters(Plan& plan, const LdfEncoding& encoding);
    // The index in plans_ of the plan of every signal, one plan per encoding and width.
    std::vector<std::size_t> makePlans();
    // "VALUE UNIT (raw RAW)" and the line end of a direct signal; returns the end.
    static char* putTail(char* at, const Plan& plan, std::uint64_t raw);
    static char* putLine(char* at, const Head& head, Plan& plan, std::uint64_t raw);
    // The tail of raw in plan's table, made the first time it is asked for.
    static const Tail& tabled(Plan& plan, std::uint64_t raw);
    // What follows " = ": "VALUE UNIT (raw RAW)" and the line end.
    static void appendTail(std::string& out, const LdfSignalValue& value);

    SignalDecoder decoder_;
    const LdfModel* model_;
    std::vector<Plan> plans_;         // per encoding and width
    std::vector<FrameLines> frames_;  // per frame
    LdfSignalValue value_;            // a signal decoded as it comes
};

}  // namespace daridez
