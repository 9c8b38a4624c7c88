#pragma once
// What the fuzz targets share: a failed check ends the run; for those over loading, a trace
// session whose view counts the rows the decoder hands on, and the input as a file.
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lin/Columns.h"
#include "protocol/RowSink.h"
#include "protocol/TraceSession.h"

namespace daridez::fuzz {

inline void check(bool condition) {
    if (!condition)
        std::abort();
}

struct CountingView : RowSink {
    bool AppendRow(TraceEntry* entry, std::int32_t) override { return check(entry), ++rows, true; }
    std::size_t rows = 0;
};

struct FuzzTrace {
    TraceList list;
    CountingView view;
    ReceiveBuffer buffer;
    TraceSession session{list, buffer, view};

    // Every row is kept, handed to the view once, and its texts fit their room.
    void verify() const {
        std::size_t rows = 0;
        CellScratch scratch;
        for (const TraceEntry& e : list) {
            ++rows;
            for (int c = 0; c < kStoredColumnCount; ++c)
                check(std::strlen(CellText(e, list.textForm(), Column(c), scratch)) <
                      kFieldTextSize);
        }
        check(rows == view.rows);
    }
};

// The input written to a file of this process's own, removed at the end; written is false
// when it could not be written whole.
struct InputFile {
    InputFile(const std::string& name, const std::uint8_t* data, std::size_t size)
        : path("/tmp/fuzz-" + name + "-" + std::to_string(::getpid())) {
        if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
            const bool whole = std::fwrite(data, 1, size, file) == size;
            written = std::fclose(file) == 0 && whole;
        }
    }
    ~InputFile() { std::remove(path.c_str()); }

    const std::string path;
    bool written = false;
};

}  // namespace daridez::fuzz
