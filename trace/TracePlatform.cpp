#include "trace/TracePlatform.h"

#include "trace/RowBudget.h"

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

namespace daridez {

std::uint64_t ProcessAddressSpaceLimit() {
#if defined(_WIN32)
    return kNoLimit;
#else
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kNoLimit;
    }
    return limit.rlim_cur;
#endif
}

}  // namespace daridez
