#include "lin/Columns.h"

#include "lin/RowReader.h"
#include "trace/TimeFormat.h"

namespace daridez {

namespace {

template <std::size_t Offset>
const char* stored(const TraceEntry& entry, CellScratch& /*scratch*/) {
    return reinterpret_cast<const char*>(&entry) + Offset;
}

template <int Byte>
const char* byteText(const TraceEntry& entry, CellScratch& /*scratch*/) {
    return entry.byteTexts[Byte];
}

const char* verdictText(const TraceEntry& entry, CellScratch& scratch) {
    CheckFrame(entry, scratch.ldf).format(scratch.text);
    return scratch.text;
}

const char* frameText(const TraceEntry& entry, CellScratch& scratch) {
    return RowReader(scratch.ldf).frameText(ReadLinFrame(entry), scratch.text, sizeof scratch.text);
}

std::string noTip(const TraceEntry& /*entry*/, const LdfModel* /*ldf*/) {
    return {};
}

// When the column's frame arrived: the absolute time of the row's first frame for
// "Info", the time since the frame of the column before for the others. A slot time
// of 0 means no frame arrived there. Under a data byte's time, the signals of the LDF
// that cover the byte, with their values.
template <int Slot>
std::string slotTimeTip(const TraceEntry& entry, const LdfModel* ldf) {
    if (entry.slotTimes[Slot] == 0) {
        return {};
    }
    char text[kTimeTextSize];
    if constexpr (Slot == 0) {
        FormatAbsoluteTime(text, entry.slotTimes[0]);
    } else {
        FormatRelativeTime(text, entry.slotTimes[Slot - 1], entry.slotTimes[Slot]);
    }
    constexpr int kFirstDataSlot = 3;
    constexpr int kLastDataSlot = 10;
    if constexpr (Slot >= kFirstDataSlot && Slot <= kLastDataSlot) {
        const std::string covering =
            RowReader(ldf).byteSignals(ReadLinFrame(entry), Slot - kFirstDataSlot);
        if (!covering.empty()) {
            return text + ("\n" + covering);
        }
    }
    return text;
}

std::string verdictTip(const TraceEntry& entry, const LdfModel* ldf) {
    return ExplainRow(entry, ldf);
}

using M = ModeToggle;
using S = SortRule;

// "TimeStamp" and "ID" show the header of their display mode from the start.
constexpr std::array<ColumnInfo, kListColumnCount> kColumns = {{
    {"MsgNr", "MsgNr", 50, M::None, S::Number, false, stored<offsetof(TraceEntry, numberText)>,
     noTip},
    {"rel. TimeStamp", "abs. TimeStamp", 110, M::Time, S::Bytes, false,
     stored<offsetof(TraceEntry, timeText)>, noTip},
    {"Info", "Info", 100, M::None, S::IgnoreCase, true, stored<offsetof(TraceEntry, infoText)>,
     slotTimeTip<0>},
    {"Sync", "Sync", 45, M::None, S::IgnoreCase, true, stored<offsetof(TraceEntry, syncText)>,
     slotTimeTip<1>},
    {"[ID]", "(id)", 35, M::Id, S::IgnoreCase, true, stored<offsetof(TraceEntry, idText)>,
     slotTimeTip<2>},
    {"DB0", "DB0", 35, M::Data, S::IgnoreCase, true, byteText<0>, slotTimeTip<3>},
    {"DB1", "DB1", 35, M::Data, S::IgnoreCase, true, byteText<1>, slotTimeTip<4>},
    {"DB2", "DB2", 35, M::Data, S::IgnoreCase, true, byteText<2>, slotTimeTip<5>},
    {"DB3", "DB3", 35, M::Data, S::IgnoreCase, true, byteText<3>, slotTimeTip<6>},
    {"DB4", "DB4", 35, M::Data, S::IgnoreCase, true, byteText<4>, slotTimeTip<7>},
    {"DB5", "DB5", 35, M::Data, S::IgnoreCase, true, byteText<5>, slotTimeTip<8>},
    {"DB6", "DB6", 35, M::Data, S::IgnoreCase, true, byteText<6>, slotTimeTip<9>},
    {"DB7", "DB7", 35, M::Data, S::IgnoreCase, true, byteText<7>, slotTimeTip<10>},
    {"CS", "CS", 35, M::None, S::IgnoreCase, true, byteText<8>, slotTimeTip<11>},
    {"Check", "Check", 90, M::None, S::IgnoreCase, true, verdictText, verdictTip},
    {"Frame", "Frame", 170, M::None, S::IgnoreCase, true, frameText, noTip},
}};

}  // namespace

const ColumnInfo& ColumnAt(Column column) {
    return kColumns[static_cast<std::size_t>(column)];
}

const char* ColumnHeader(Column column, const DisplayModes& modes) {
    const ColumnInfo& info = ColumnAt(column);
    bool on = true;
    switch (info.toggle) {
        case ModeToggle::Time:
            on = modes.relativeTime;
            break;
        case ModeToggle::Id:
            on = modes.protectedId;
            break;
        case ModeToggle::Data:
            on = modes.hexData;
            break;
        case ModeToggle::None:
            break;
    }
    return on ? info.header : info.otherHeader;
}

const char* StoredText(const TraceEntry& entry, Column column) {
    CellScratch unused;
    return ColumnAt(column).text(entry, unused);
}

void AppendRowLine(std::string& line, const TraceEntry& entry, bool withVerdict,
                   const LdfModel* ldf) {
    for (int column = 0; column < kStoredColumnCount; ++column) {
        line += StoredText(entry, static_cast<Column>(column));
        line += '\t';
    }
    line += ColourWord(entry.textColour);
    if (withVerdict) {
        char verdict[FrameVerdict::kTextSize];
        CheckFrame(entry, ldf).format(verdict);
        line += '\t';
        line += verdict;
    }
    line += '\n';
}

bool ToggleMode(DisplayModes& modes, ModeToggle toggle) {
    bool* mode = toggle == ModeToggle::Time   ? &modes.relativeTime
                 : toggle == ModeToggle::Id   ? &modes.protectedId
                 : toggle == ModeToggle::Data ? &modes.hexData
                                              : nullptr;
    if (mode != nullptr) {
        *mode = !*mode;
    }
    return mode != nullptr;
}

}  // namespace daridez
