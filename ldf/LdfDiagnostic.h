#pragma once

#include <string>
#include <string_view>

namespace daridez {

// Where a token of an LDF starts: 1-based line and column (columns count characters).
// Line 0 means the file as a whole.
struct LdfPosition {
    int line = 0;
    int column = 0;
};

// One problem the LDF reader found, as a compiler reports it.
struct LdfDiagnostic {
    enum class Severity { Warning, Error };

    Severity severity = Severity::Warning;
    LdfPosition at;
    std::string message;

    // "FILE:LINE:COLUMN: warning: message" ("FILE: error: message" for the whole file).
    std::string format(std::string_view file) const;
};

}  // namespace daridez
