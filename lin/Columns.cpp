#include "lin/Columns.h"

#include <cstring>
#include <initializer_list>

#include "lin/RowReader.h"
#include "trace/FieldText.h"
#include "trace/FrameKind.h"
#include "trace/RowFrames.h"
#include "trace/RowNotes.h"
#include "trace/TimeFormat.h"

namespace daridez {

namespace {

using F = TextForm;
using E = TraceEntry;
using X = CellScratch;

const char* numberText(const E& entry, const F& /*form*/, X& scratch) {
    FormatNumberText(scratch.number, entry.number);
    return scratch.number;
}

// The time the row showed when it was made, until a switch of the time mode: then the
// time of its opening frame, relative to the opening frame of the row made before.
const char* timeText(const E& entry, const F& form, X& scratch) {
    const bool redrawn = entry.generation < form.timeRedrawn;
    const std::int64_t time = redrawn ? OpenerTime(entry) : entry.time;
    if (form.modes.relativeTime) {
        FormatRelativeTime(scratch.time, redrawn ? entry.previousTime : entry.relativeBase, time);
    } else {
        FormatAbsoluteTime(scratch.time, time);
    }
    return scratch.time;
}

// A row opened by a frame: the frames that open rows of their own, with the right
// length, and every other frame as a bad frame.
const char* openerText(const E& entry, const F& form, X& scratch) {
    const int length = entry.opener[0];
    const RowOpener opener = OpenerOf(entry.opener[0], entry.opener[1]);
    if (opener == RowOpener::Start) {
        char* out = scratch.field;
        for (const char c : {'S', 'T', 'A', 'R', 'T', ' ', '('}) {
            *out++ = c;
        }
        out = PutDecimal(out, (unsigned{entry.opener[2]} << 8) | entry.opener[3], 1);
        out[0] = ')';
        out[1] = '\0';
        return scratch.field;
    }
    if (opener == RowOpener::Break) {
        return "Break";
    }
    if (opener == RowOpener::DeviceError) {
        if (const RowNotes::Note* note =
                form.notes != nullptr ? form.notes->find(entry) : nullptr) {
            return note->text.c_str();  // a bus event a log told of
        }
        scratch.field[0] = '#';
        *PutHexByte(scratch.field + 1, entry.opener[4]) = '\0';
        return scratch.field;
    }
    if (opener == RowOpener::Overflow) {
        return "#BufOvfl";
    }
    FormatBadFrameText(scratch.field, entry.opener, length + 1);
    return scratch.field;
}

const char* infoText(const E& entry, const F& form, X& scratch) {
    if ((entry.flags & RowFlag::kOpened) != 0) {
        return openerText(entry, form, scratch);
    }
    // A start row, and its start marker once it came.
    return SlotFilled(entry, Slot::Opener) ? openerText(entry, form, scratch) : "START";
}

const char* syncText(const E& entry, const F& /*form*/, X& scratch) {
    if (!SlotFilled(entry, Slot::Sync)) {
        return "";
    }
    FormatSyncText(scratch.field, SlotValue(entry, Slot::Sync));
    return scratch.field;
}

const char* idText(const E& entry, const F& form, X& scratch) {
    if (!SlotFilled(entry, Slot::Id)) {
        return "";
    }
    FormatIdText(scratch.field, SlotValue(entry, Slot::Id), form.modes.protectedId);
    return scratch.field;
}

template <Slot S>
const char* byteText(const E& entry, const F& form, X& scratch) {
    if (!SlotFilled(entry, S)) {
        return "";
    }
    FormatByteText(scratch.field, SlotValue(entry, S), form.modes.hexData);
    return scratch.field;
}

// CS shows plain hexadecimal when its row is made; a switch of the data mode renders it
// as the data bytes from then on.
const char* checksumText(const E& entry, const F& form, X& scratch) {
    if (entry.generation < form.dataRedrawn && &entry != form.openAtDataSwitch) {
        return byteText<Slot::Cs>(entry, form, scratch);
    }
    if (!SlotFilled(entry, Slot::Cs)) {
        return "";
    }
    *PutHexByte(scratch.field, SlotValue(entry, Slot::Cs)) = '\0';
    return scratch.field;
}

// The checksum model the row's log named where the verdict names the other one, or
// nullptr.
const RowNotes::Note* otherLogModel(const E& entry, const F& form, const FrameVerdict& verdict) {
    const RowNotes::Note* note = form.notes != nullptr ? form.notes->find(entry) : nullptr;
    if (note == nullptr || !(note->text == "classic" ? verdict.enhanced() : verdict.classic())) {
        return nullptr;
    }
    return note;
}

// The verdict, and beside it the checksum model the row's log named where the
// verdict names the other one ("enhanced (log: classic)").
const char* verdictText(const E& entry, const F& form, X& scratch) {
    const FrameVerdict verdict = CheckFrame(entry, scratch.ldf);
    verdict.format(scratch.text);
    const RowNotes::Note* note = otherLogModel(entry, form, verdict);
    if (note == nullptr) {
        return scratch.text;
    }
    std::size_t at = std::strlen(scratch.text);
    for (const char* part : {" (log: ", note->text.c_str(), ")"}) {
        for (; *part != '\0' && at + 1 < sizeof scratch.text; ++part) {
            scratch.text[at++] = *part;
        }
    }
    scratch.text[at] = '\0';
    return scratch.text;
}

const char* frameText(const E& entry, const F& /*form*/, X& scratch) {
    return RowReader(scratch.ldf).frameText(ReadLinFrame(entry), scratch.text, sizeof scratch.text);
}

std::string noTip(const E& /*entry*/, const F& /*form*/, const LdfModel* /*ldf*/) {
    return {};
}

// When the column's frame arrived: the absolute time of the row's first frame for
// "Info", the time since the frame of the column before for the others. A slot time
// of 0 means no frame arrived there. Under a data byte's time, the signals of the LDF
// that cover the byte, with their values.
template <Slot S>
std::string slotTimeTip(const E& entry, const F& /*form*/, const LdfModel* ldf) {
    const std::int64_t time = SlotTime(entry, S);
    if (time == 0) {
        return {};
    }
    char text[kTimeTextSize];
    if constexpr (S == Slot::Opener) {
        FormatAbsoluteTime(text, time);
    } else {
        FormatRelativeTime(text, SlotTime(entry, static_cast<Slot>(static_cast<int>(S) - 1)), time);
    }
    if constexpr (S >= Slot::Db0 && S <= Slot::Db7) {
        const std::string covering = RowReader(ldf).byteSignals(
            ReadLinFrame(entry), static_cast<int>(S) - static_cast<int>(Slot::Db0));
        if (!covering.empty()) {
            return text + ("\n" + covering);
        }
    }
    return text;
}

// How the verdict was reached; where the row's log named the other checksum model, a
// line that says so.
std::string verdictTip(const E& entry, const F& form, const LdfModel* ldf) {
    std::string tip = ExplainRow(entry, ldf);
    const RowNotes::Note* note = otherLogModel(entry, form, CheckFrame(entry, ldf));
    if (note != nullptr) {
        tip += "\nlog: the log that held this frame named the " + note->text + " model";
    }
    return tip;
}

using M = ModeToggle;
using R = SortRule;

// "TimeStamp" and "ID" show the header of their display mode from the start.
constexpr std::array<ColumnInfo, kListColumnCount> kColumns = {{
    {"MsgNr", "MsgNr", "MsgNr", 50, M::None, R::Number, false, numberText, noTip},
    {"TimeStamp", "rel. TimeStamp", "abs. TimeStamp", 110, M::Time, R::Bytes, false, timeText,
     noTip},
    {"Info", "Info", "Info", 100, M::None, R::IgnoreCase, true, infoText,
     slotTimeTip<Slot::Opener>},
    {"Sync", "Sync", "Sync", 45, M::None, R::IgnoreCase, true, syncText, slotTimeTip<Slot::Sync>},
    {"ID", "[ID]", "(id)", 35, M::Id, R::IgnoreCase, true, idText, slotTimeTip<Slot::Id>},
    {"DB0", "DB0", "DB0", 35, M::Data, R::IgnoreCase, true, byteText<Slot::Db0>,
     slotTimeTip<Slot::Db0>},
    {"DB1", "DB1", "DB1", 35, M::Data, R::IgnoreCase, true, byteText<Slot::Db1>,
     slotTimeTip<Slot::Db1>},
    {"DB2", "DB2", "DB2", 35, M::Data, R::IgnoreCase, true, byteText<Slot::Db2>,
     slotTimeTip<Slot::Db2>},
    {"DB3", "DB3", "DB3", 35, M::Data, R::IgnoreCase, true, byteText<Slot::Db3>,
     slotTimeTip<Slot::Db3>},
    {"DB4", "DB4", "DB4", 35, M::Data, R::IgnoreCase, true, byteText<Slot::Db4>,
     slotTimeTip<Slot::Db4>},
    {"DB5", "DB5", "DB5", 35, M::Data, R::IgnoreCase, true, byteText<Slot::Db5>,
     slotTimeTip<Slot::Db5>},
    {"DB6", "DB6", "DB6", 35, M::Data, R::IgnoreCase, true, byteText<Slot::Db6>,
     slotTimeTip<Slot::Db6>},
    {"DB7", "DB7", "DB7", 35, M::Data, R::IgnoreCase, true, byteText<Slot::Db7>,
     slotTimeTip<Slot::Db7>},
    {"CS", "CS", "CS", 35, M::None, R::IgnoreCase, true, checksumText, slotTimeTip<Slot::Cs>},
    {"Check", "Check", "Check", 90, M::None, R::IgnoreCase, true, verdictText, verdictTip},
    {"Frame", "Frame", "Frame", 170, M::None, R::IgnoreCase, true, frameText, noTip},
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

namespace {

// Copies a cell's text without its NUL. Texts are a few bytes, just written byte by
// byte: a loop beats measuring them first, and reading them back in words waits for
// the bytes' stores to land.
char* putText(char* out, const char* text) {
    while (*text != '\0') {
        *out++ = *text++;
    }
    return out;
}

}  // namespace

char* WriteRowLine(char* out, const TraceEntry& entry, const TextForm& form, bool withVerdict,
                   const LdfModel* ldf) {
    CellScratch scratch;
    scratch.ldf = ldf;
    for (int column = 0; column < kStoredColumnCount; ++column) {
        out = putText(out, CellText(entry, form, static_cast<Column>(column), scratch));
        *out++ = '\t';
    }
    out = putText(out, ColourWord(entry.textColour));
    if (withVerdict) {
        *out++ = '\t';
        out = putText(out, CellText(entry, form, Column::Check, scratch));
    }
    *out++ = '\n';
    return out;
}

void AppendRowLine(std::string& line, const TraceEntry& entry, const TextForm& form,
                   bool withVerdict, const LdfModel* ldf) {
    char text[kRowLineSize];
    line.append(text, WriteRowLine(text, entry, form, withVerdict, ldf));
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
