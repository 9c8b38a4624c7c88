#pragma once

#include <cstdint>

namespace daridez {

// The identifiers of the diagnostic frames: the master's request and the slave's
// response, always eight bytes with the classic checksum.
inline constexpr std::uint8_t kMasterRequestId = 0x3C;
inline constexpr std::uint8_t kSlaveResponseId = 0x3D;

constexpr bool IsDiagnosticId(int id) {
    return id == kMasterRequestId || id == kSlaveResponseId;
}

}  // namespace daridez
