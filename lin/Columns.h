#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "lin/FrameCheck.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// The trace list's columns, left to right. MsgNr..Cs are the texts of the device's
// fields; Check is the LIN frame verdict and Frame the frame's name in the LDF. Every
// text is made from the row when asked for.
enum class Column : int {
    MsgNr,
    TimeStamp,
    Info,
    Sync,
    Id,
    Db0,
    Db1,
    Db2,
    Db3,
    Db4,
    Db5,
    Db6,
    Db7,
    Cs,
    Check,
    Frame,
    Count
};

inline constexpr int kListColumnCount = static_cast<int>(Column::Count);
// The columns of the device's fields (MsgNr..Cs): what daridez-dump prints per row.
inline constexpr int kStoredColumnCount = static_cast<int>(Column::Cs) + 1;

// Which display mode a right-click in a column toggles.
enum class ModeToggle { None, Time, Id, Data };

// Turns the mode over; false (modes unchanged) for ModeToggle::None.
bool ToggleMode(DisplayModes& modes, ModeToggle toggle);

// How a header click orders the rows: by message number (always ascending), by the
// text's bytes, or by the text ignoring letter case (both toggling direction).
enum class SortRule { Number, Bytes, IgnoreCase };

class LdfModel;

// Room for the text of a cell, and the LDF the row is read with (nullptr: none).
struct CellScratch {
    union {
        char number[kNumberTextSize];
        char time[kTimeTextSize];
        char field[kFieldTextSize];
        char text[FrameVerdict::kTextSize];  // the verdict, the frame's name
    };
    const LdfModel* ldf = nullptr;
};

struct ColumnInfo {
    const char* name;         // what the column holds, whatever the mode: the CSV's header
    const char* header;       // with the column's display mode on (relative, [ID])
    const char* otherHeader;  // with it off
    int width;                // pixels
    ModeToggle toggle;
    SortRule sort;
    bool rowColoured;  // drawn in the row's text colour (else the window text colour)
    // The cell's text in the form, made in scratch (or a constant).
    const char* (*text)(const TraceEntry& entry, const TextForm& form, CellScratch& scratch);
    // The cell's tool tip ("" when there is none) in the form, read with the LDF ldf (may
    // be null).
    std::string (*toolTip)(const TraceEntry& entry, const TextForm& form, const LdfModel* ldf);
};

const ColumnInfo& ColumnAt(Column column);
inline const ColumnInfo& ColumnAt(int column) {
    return ColumnAt(static_cast<Column>(column));
}
inline bool IsColumn(int column) {
    return column >= 0 && column < kListColumnCount;
}

// The header of a column in the given display modes.
const char* ColumnHeader(Column column, const DisplayModes& modes);

// The one way every reader (the view, sort, search, exports, daridez-dump) gets a
// cell's text.
inline const char* CellText(const TraceEntry& entry, const TextForm& form, Column column,
                            CellScratch& scratch) {
    return ColumnAt(column).text(entry, form, scratch);
}

// The most bytes WriteRowLine writes: every text at its longest, the separators and
// the line feed.
inline constexpr std::size_t kRowLineSize = kNumberTextSize + kTimeTextSize + 12 * kFieldTextSize +
                                            sizeof "plain" + FrameVerdict::kTextSize + 16;

// Writes the row as one line of text at out (room for kRowLineSize bytes), as
// daridez-dump prints it and the list copies it: the 14 field texts and the colour word,
// TAB-separated, with the verdict as a 16th field when asked for (judged against ldf
// when it is not null), and a line feed. Returns the position behind the line (no NUL).
char* WriteRowLine(char* out, const TraceEntry& entry, const TextForm& form, bool withVerdict,
                   const LdfModel* ldf = nullptr);
// The same line appended to line.
void AppendRowLine(std::string& line, const TraceEntry& entry, const TextForm& form,
                   bool withVerdict, const LdfModel* ldf = nullptr);

}  // namespace daridez
