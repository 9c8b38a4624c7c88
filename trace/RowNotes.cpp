#include "trace/RowNotes.h"

#include <algorithm>

#include "trace/FrameKind.h"

namespace daridez {

void RowNotes::add(Note note) {
    if (!notes_.empty() && note.time < notes_.back().time) {
        note.time = notes_.back().time;
    }
    notes_.push_back(std::move(note));
}

const RowNotes::Note* RowNotes::find(const TraceEntry& entry) const {
    if (notes_.empty() || (entry.flags & RowFlag::kOpenerKept) == 0) {
        return nullptr;
    }
    Kind kind = Kind::LogChecksum;
    std::uint8_t code = 0;
    const RowOpener opener = OpenerOf(entry.opener[0], entry.opener[1]);
    if (opener == RowOpener::DeviceError) {
        kind = Kind::BusEvent;
        code = entry.opener[4];
    } else if (opener != RowOpener::Break) {
        return nullptr;
    }
    auto at =
        std::lower_bound(notes_.begin(), notes_.end(), entry.time,
                         [](const Note& note, std::int64_t time) { return note.time < time; });
    for (; at != notes_.end() && at->time == entry.time; ++at) {
        if (at->kind == kind && at->code == code) {
            return &*at;
        }
    }
    return nullptr;
}

void RowNotes::forgetBefore(std::int64_t time) {
    while (!notes_.empty() && notes_.front().time < time) {
        notes_.pop_front();
    }
}

}  // namespace daridez
