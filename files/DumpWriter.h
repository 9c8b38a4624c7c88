#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "trace/TraceList.h"

namespace daridez {

// Writes a trace as a dump file: the device's own byte stream rebuilt from the frames
// each row keeps (check bytes written as 0x00) and one 02 A0 A2 record per counted
// timer wrap, rows in creation order.
class DumpWriter {
  public:
    // Appends the dump bytes of the list's rows to out.
    static void serialize(const TraceList& list, std::vector<std::uint8_t>& out);
    // Appends the dump bytes of one row; wrapsOnly: only its timer-wrap records, so that
    // the times of the rows after it stay right when it is left out.
    static void serializeRow(const TraceEntry& entry, bool wrapsOnly,
                             std::vector<std::uint8_t>& out);

    // Saves to path through SafeReplace: the old file is replaced only when every byte
    // reached the disk. On failure it is left as it was, the temporary file removed,
    // and false returned ("save error"), with the reason in *error when one is given.
    static bool save(const TraceList& list, const std::string& path, std::string* error = nullptr);
};

}  // namespace daridez
