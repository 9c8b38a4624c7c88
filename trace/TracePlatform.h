#pragma once

#include <cstdint>

namespace daridez {

// The process's address-space limit (RLIMIT_AS) in bytes; kNoLimit where there is none
// or the system has no such limit (Windows commits what it grants: a failed allocation
// tells).
std::uint64_t ProcessAddressSpaceLimit();

}  // namespace daridez
