#pragma once

#include <string>
#include <vector>

#include "ldf/LdfDiagnostic.h"
#include "ldf/LdfModel.h"

namespace daridez {

// What reading an LDF gave: the model (whatever could be read) and the diagnostics.
struct LdfFile {
    LdfModel model;
    std::vector<LdfDiagnostic> diagnostics;  // at most kMaxDiagnostics are kept
    int errors = 0;                          // all of them counted
    int warnings = 0;
    bool read = false;  // false when the file could not be read at all

    static constexpr int kMaxDiagnostics = 1000;

    // Something to decode with: the file was read and names at least one frame.
    bool usable() const { return read && !model.frames.empty(); }
    // "LIN 2.1, 19.2 kbps: 4 nodes, 12 signals, 5 frames, 2 schedule tables; 0 errors,
    // 1 warning"
    std::string summary() const;
};

}  // namespace daridez
