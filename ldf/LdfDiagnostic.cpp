#include "ldf/LdfDiagnostic.h"

namespace daridez {

std::string LdfDiagnostic::format(std::string_view file) const {
    std::string text(file);
    if (at.line > 0) {
        text += ':' + std::to_string(at.line) + ':' + std::to_string(at.column);
    }
    text += severity == Severity::Error ? ": error: " : ": warning: ";
    return text + message;
}

}  // namespace daridez
