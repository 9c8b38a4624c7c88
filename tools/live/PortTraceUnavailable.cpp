#include "tools/live/PortTrace.h"

namespace daridez {

// Where no port channel of this system's own is built yet, --port says so.
int PortTrace::run(Options options, std::FILE*, std::FILE* err) {
    std::fprintf(err, "daridez-dump: %s: live traces are not available on this system\n",
                 options.device.c_str());
    return kDeviceError;
}

}  // namespace daridez
