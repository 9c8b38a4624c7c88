#include "protocol/ProgramWide.h"

namespace daridez {

ProgramWide& programWide() {
    static ProgramWide values;
    return values;
}

}  // namespace daridez
