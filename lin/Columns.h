#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "lin/FrameCheck.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// The trace list's columns, left to right. MsgNr..Cs are the texts every row stores;
// Check is the LIN frame verdict and Frame the frame's name in the LDF, both computed
// from the row's frames when asked for.
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
// The columns whose texts a row stores (MsgNr..Cs): what daridez-dump prints per row.
inline constexpr int kStoredColumnCount = static_cast<int>(Column::Cs) + 1;

// Which display mode a right-click in a column toggles.
enum class ModeToggle { None, Time, Id, Data };

// Turns the mode over; false (modes unchanged) for ModeToggle::None.
bool ToggleMode(DisplayModes& modes, ModeToggle toggle);

// How a header click orders the rows: by message number (always ascending), by the
// text's bytes, or by the text ignoring letter case (both toggling direction).
enum class SortRule { Number, Bytes, IgnoreCase };

class LdfModel;

// Room for a text a column computes instead of storing, and the LDF the row is read
// with (nullptr: none).
struct CellScratch {
    char text[FrameVerdict::kTextSize];
    const LdfModel* ldf = nullptr;
};

struct ColumnInfo {
    const char* header;       // with the column's display mode on (relative, [ID])
    const char* otherHeader;  // with it off
    int width;                // pixels
    ModeToggle toggle;
    SortRule sort;
    bool rowColoured;  // drawn in the row's text colour (else the window text colour)
    // The cell's text: stored in the row, or made in scratch.
    const char* (*text)(const TraceEntry& entry, CellScratch& scratch);
    // The cell's tool tip ("" when there is none), read with the LDF ldf (may be null).
    std::string (*toolTip)(const TraceEntry& entry, const LdfModel* ldf);
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

inline const char* CellText(const TraceEntry& entry, Column column, CellScratch& scratch) {
    return ColumnAt(column).text(entry, scratch);
}

// A stored column's text (MsgNr..Cs), without scratch.
const char* StoredText(const TraceEntry& entry, Column column);

// Appends the row as one line of text, as daridez-dump prints it and the list copies
// it: the 14 stored texts and the colour word, TAB-separated, with the verdict as a
// 16th field when asked for (judged against ldf when it is not null), and a line feed.
void AppendRowLine(std::string& line, const TraceEntry& entry, bool withVerdict,
                   const LdfModel* ldf = nullptr);

}  // namespace daridez
