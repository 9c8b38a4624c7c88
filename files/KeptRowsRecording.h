#pragma once

#include <cstdint>
#include <vector>

#include "protocol/ByteSink.h"
#include "trace/TraceEntry.h"

namespace daridez {

// A recording of only some rows of a trace (a trigger's stretches): the rows kept are
// written as dump bytes, rebuilt from their frames as "save trace" writes them; of a row
// left out only its timer wraps, so that the times of the rows after it load back right.
// A start row is always kept whole: each recording begins with its start marker.
class KeptRowsRecording {
  public:
    explicit KeptRowsRecording(ByteSink& sink) : sink_(sink) {}

    void kept(const TraceEntry& entry) { write(entry, false); }
    void left(const TraceEntry& entry);

  private:
    void write(const TraceEntry& entry, bool wrapsOnly);

    ByteSink& sink_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace daridez
