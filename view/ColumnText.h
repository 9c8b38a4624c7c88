#pragma once

#include <cstddef>

#include "trace/TraceEntry.h"

namespace daridez {

// Where the stored text of a list column lives in a row: 0 "MsgNr", 1 "TimeStamp",
// 2 "Info", 3 "Sync", 4 "ID", 5..12 "DB0".."DB7", 13 "CS". Column c >= 2 shows the
// frame kept in slot c - 2.
inline constexpr std::size_t kByteTextSize = sizeof(TraceEntry{}.byteTexts[0]);

inline std::size_t ColumnTextOffset(int column) {
    switch (column) {
        case 0:
            return offsetof(TraceEntry, numberText);
        case 1:
            return offsetof(TraceEntry, timeText);
        case 2:
            return offsetof(TraceEntry, infoText);
        case 3:
            return offsetof(TraceEntry, syncText);
        case 4:
            return offsetof(TraceEntry, idText);
        default:
            return offsetof(TraceEntry, byteTexts) + (column - 5) * kByteTextSize;
    }
}

// The text of column 0..13 of a row.
inline const char* ColumnText(const TraceEntry& entry, int column) {
    return reinterpret_cast<const char*>(&entry) + ColumnTextOffset(column);
}

}  // namespace daridez
