#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace daridez {

// One signal of a decoded row, as texts ready to show.
struct SignalReading {
    std::string name;
    std::string value;     // with its unit: "353 lux", "on"; "?" when no converter accepts
    std::string raw;       // "0x0FD (253)", or the bytes of an array
    std::string encoding;  // the encoding type and the converter used: "LuxType: physical"
    int offset = 0;        // first bit in the frame
    int width = 0;
    std::uint64_t rawValue = 0;  // compared with the previous frame of the identifier
    bool changed = false;        // differs from that frame
    std::string frame;           // the frame that carries it (the answering one of an event slot)
};

// One field of a diagnostic frame's transport decode ("NAD", "0A (DoorFL)").
struct TransportField {
    std::string name;
    std::string value;
};

// A row as the signal pane and the tool tips read it: which frame it is and what its
// signals or transport fields say. Empty frame: the row is not a LIN frame.
struct RowReading {
    std::string frame;                  // "RLS_Status", "DoorEvent -> DoorFL_Status", "MasterReq"
    std::string publisher;              // the node that sends it
    std::string model;                  // the checksum model the LDF names: "enhanced", "classic"
    std::string note;                   // why nothing is decoded: "2 of 4 bytes, not decoded"
    std::string failed;                 // the values come from a frame that failed: "checksum"
    std::vector<SignalReading> values;  // the signals, in frame order
    std::vector<TransportField> transport;
};

// Marks the signals of now whose raw values differ from the signal of the same name in
// before (a signal before lacks counts as changed only when before has values at all).
void MarkChangedSignals(RowReading& now, const RowReading& before);

}  // namespace daridez
