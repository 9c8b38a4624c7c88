#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ldf/LdfDiagnostic.h"

namespace daridez {

// A node of the cluster: the master or a slave, with what Node_attributes says of it.
struct LdfNode {
    std::string name;
    bool master = false;
    std::string protocol;  // LIN_protocol of its attributes; "" when it has none
    int configuredNad = -1;
    int initialNad = -1;
    double timeBaseMs = 0;  // the master's
    double jitterMs = 0;    // the master's
    std::vector<std::int64_t> productId;
    std::string responseError;
    std::vector<std::string> faultStateSignals;
    std::vector<std::string> configurableFrames;
    LdfPosition at;
};

// One way of reading a signal's raw value.
struct LdfConverter {
    enum class Kind : std::uint8_t { Logical, Physical, Bcd, Ascii };

    Kind kind = Kind::Logical;
    std::int64_t value = 0;  // logical: the raw value it names
    std::string text;        // logical: the name
    double min = 0;          // physical: the raw range it accepts
    double max = 0;
    double scale = 1;
    double offset = 0;
    std::string unit;  // physical
};

// A named list of converters, tried in order (Signal_encoding_types).
struct LdfEncoding {
    std::string name;
    std::vector<LdfConverter> converters;
    LdfPosition at;
};

// A signal: a scalar of 1..16 bits, or a byte array of 1..8 bytes.
struct LdfSignal {
    std::string name;
    int width = 0;  // in bits
    bool byteArray = false;
    std::int64_t init = 0;                // scalar
    std::vector<std::int64_t> initBytes;  // byte array
    std::string publisher;                // "" for diagnostic signals
    std::vector<std::string> subscribers;
    bool diagnostic = false;  // from Diagnostic_signals
    int encoding = -1;        // index into LdfModel::encodings, -1 for none
    LdfPosition at;
};

struct LdfFrameSignal {
    int signal = 0;  // index into LdfModel::signals
    int offset = 0;  // the first bit in the frame
};

// A frame the bus carries.
struct LdfFrame {
    enum class Kind : std::uint8_t { Unconditional, Diagnostic, EventTriggered, Sporadic };

    std::string name;
    Kind kind = Kind::Unconditional;
    int id = -1;     // -1 for sporadic frames, which have none of their own
    int length = 0;  // data bytes
    std::string publisher;
    std::vector<LdfFrameSignal> layout;  // the signals it carries, with offsets
    std::vector<int> associated;         // event-triggered and sporadic: indexes into frames
    std::string collisionTable;          // event-triggered
    LdfPosition at;
};

// One line of a schedule table: a frame or a command, with its delay.
struct LdfScheduleEntry {
    std::string command;                 // a frame name or a command word (AssignNAD, ...)
    std::vector<std::string> arguments;  // a command's arguments as written
    double delayMs = 0;
    LdfPosition at;
};

struct LdfScheduleTable {
    std::string name;
    std::vector<LdfScheduleEntry> entries;
    LdfPosition at;
};

// What an LDF describes: the header, nodes, signals, encodings, frames and schedule
// tables, with lookups by name and by frame identifier. Filled by LdfParser.
class LdfModel {
  public:
    std::string protocolVersion;  // "2.1", "ISO17987:2015", "J2602_1_1.0", ...
    std::string languageVersion;
    double speedKbps = 0;
    std::string channelName;
    std::string fileRevision;
    std::vector<LdfNode> nodes;
    std::vector<LdfSignal> allSignals;
    std::vector<LdfEncoding> encodings;
    std::vector<LdfFrame> frames;
    std::vector<LdfScheduleTable> scheduleTables;

    // The frame the bus carries with this identifier (0..0x3F; the first one the file
    // names), or nullptr. Frames with identifiers above 0x3F are never found.
    const LdfFrame* frameById(int id) const;
    const LdfFrame* frameByName(std::string_view name) const;
    const LdfSignal* signalByName(std::string_view name) const;
    const LdfNode* nodeByName(std::string_view name) const;
    // The node whose configured (or else initial) NAD is nad, or nullptr.
    const LdfNode* nodeByNad(int nad) const;
    const LdfNode* master() const;

    int frameIndex(std::string_view name) const { return find(frameNames_, name); }
    int signalIndex(std::string_view name) const { return find(signalNames_, name); }
    int nodeIndex(std::string_view name) const { return find(nodeNames_, name); }
    int encodingIndex(std::string_view name) const { return find(encodingNames_, name); }

    // Rebuilds the lookups after the lists changed; the first of equal names wins.
    void index();

    // Hashes a name as a string or a string_view alike, so lookups take either.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>{}(name);
        }
    };
    using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;

  private:
    using Names = std::unordered_map<std::string, int, NameHash, std::equal_to<>>;
    static int find(const Names& names, std::string_view name);

    Names frameNames_;
    Names signalNames_;
    Names nodeNames_;
    Names encodingNames_;
    std::array<int, 64> byId_{};
};

}  // namespace daridez
