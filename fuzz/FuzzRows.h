#pragma once
// What the fuzz targets over loading share: a failed check ends the run, and a view that
// counts the rows the decoder hands on.
#include <cstdint>
#include <cstdlib>

#include "protocol/RowSink.h"

namespace daridez::fuzz {

inline void check(bool condition) {
    if (!condition)
        std::abort();
}

struct CountingView : RowSink {
    bool AppendRow(TraceEntry* entry, std::int32_t) override { return check(entry), ++rows, true; }
    std::size_t rows = 0;
};

}  // namespace daridez::fuzz
