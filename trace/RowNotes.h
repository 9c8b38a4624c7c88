#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "trace/TraceEntry.h"

namespace daridez {

// What another tool's log said of rows that the device's byte stream has no place for:
// the checksum model a frame line named where it may differ from what the bytes show,
// and the bus events (wake-up, sleep, spike, ...) a row stands for. A reader adds the
// notes as it turns the log into the stream; the rows find theirs by the time they
// were opened at. Notes are few (one per bus event or doubtful frame), kept beside the
// list and forgotten with its rows.
class RowNotes {
  public:
    enum class Kind : std::uint8_t {
        LogChecksum,  // on a frame row opened by a break: text is "classic" or "enhanced"
        BusEvent,     // on a row opened by a device event frame whose code is the note's
    };
    struct Note {
        std::int64_t time = 0;  // the clock of the frame that opens the row
        Kind kind = Kind::LogChecksum;
        std::uint8_t code = 0;  // BusEvent: tells events at the same time apart
        std::string text;       // what the row shows ("classic", "Wake-up")
        std::string source;     // the event as its log wrote it, for a log written back
    };

    // Times come in the order the rows will be made: never earlier than the last added.
    void add(Note note);
    // The note of the row, or nullptr.
    const Note* find(const TraceEntry& entry) const;
    // Forgets the notes of rows opened before time (the rows before the list's head).
    void forgetBefore(std::int64_t time);
    void clear() { notes_.clear(); }
    bool empty() const { return notes_.empty(); }
    std::size_t size() const { return notes_.size(); }

  private:
    std::deque<Note> notes_;
};

}  // namespace daridez
