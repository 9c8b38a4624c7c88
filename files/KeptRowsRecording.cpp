#include "files/KeptRowsRecording.h"

#include "files/DumpWriter.h"
#include "trace/FrameKind.h"

namespace daridez {

void KeptRowsRecording::left(const TraceEntry& entry) {
    const bool startRow =
        (entry.flags & RowFlag::kOpenerKept) != 0 && entry.opener[1] == FrameKind::StartMarker;
    write(entry, !startRow);
}

void KeptRowsRecording::write(const TraceEntry& entry, bool wrapsOnly) {
    bytes_.clear();
    DumpWriter::serializeRow(entry, wrapsOnly, bytes_);
    if (!bytes_.empty()) {
        sink_.received(bytes_.data(), bytes_.size());
    }
}

}  // namespace daridez
