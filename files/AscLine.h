#pragma once

#include <cstdint>
#include <string_view>

namespace daridez {

// What one line of an ASC log (the text log many LIN tools write and read) says.
enum class AscLineKind : std::uint8_t {
    Empty,          // blank, or a comment (//)
    Header,         // date, base, timestamps, internal events, Begin/End Triggerblock
    OtherBus,       // an event of another bus (CAN, FlexRay, ...): skipped
    Frame,          // a LIN frame with its response and checksum
    ChecksumError,  // CSErr: a frame whose checksum is wrong, with its bytes
    NoResponse,     // TransmErr, or an event-triggered slot nobody answered
    ReceiveError,   // RcvError: a response broken off before its checksum
    SyncError,      // SyncError: a break without a valid sync field
    LongResponse,   // ShortOrSlowResponse: a response of the bytes given
    BusEvent,       // wake-up, sleep, spike, slave timeout and the other LIN events
    Unknown,        // not understood: skipped and counted
};

// The number base and time mode the header lines set for the lines after them.
struct AscSettings {
    bool decimal = false;   // "base dec": identifiers and bytes in decimal
    bool relative = false;  // "timestamps relative": each time counts from the line before
};

// A LIN event read from one line. Times are microseconds; -1 where the line gives none.
struct AscEvent {
    static constexpr int kMaxBytes = 9;
    std::int64_t time = -1;     // the line's time stamp
    std::uint32_t channel = 0;  // L<n>: n; Li: 0
    int id = -1;                // the frame identifier 00..3F, -1 for none
    int byteCount = 0;          // response bytes given, data first (and the checksum
                                // of a long response among them)
    std::uint8_t bytes[kMaxBytes] = {};
    int checksum = -1;  // "checksum = CS"
    int csm = 0;        // "CSM = classic" 1, "enhanced" 2, none or unknown 0
    std::int64_t sof = -1;
    std::int64_t eoh = -1;
    std::int64_t eof = -1;
    int eobCount = 0;
    std::int64_t eob[kMaxBytes] = {};
    int baud = 0;           // BR: the bit rate the tool measured, 0 when not given
    std::string_view what;  // BusEvent: the event's keyword ("WakeupFrame")
    std::string_view rest;  // the line from the word after the channel on, as written
};

// Reads one line (without its line end). Header lines update settings.
AscLineKind ParseAscLine(std::string_view line, AscSettings& settings, AscEvent& event);

}  // namespace daridez
