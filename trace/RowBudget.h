#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "trace/TraceEntry.h"

namespace daridez {

// How many rows memory allows: decided once at start-up from the memory the process can
// really have, so that a hostile or endless stream ends in "Running out of memory..."
// rather than in the kernel's out-of-memory killer (Linux overcommits: calloc does not
// fail, the program is killed later when it touches the pages).
//
// The window reads its configured value from the profile key MaxRows in section [MEMORY]
// (0 or absent: automatic) and passes it to ChooseRowBudget.

inline constexpr std::uint64_t kNoLimit = UINT64_MAX;

// Bytes one row costs: the record in its block (blocks hold thousands of rows, so their
// headers do not count), plus the list view's 8-byte row index. bench-memory measures it
// from the resident size.
inline constexpr std::uint64_t kRowCost = sizeof(TraceEntry) + 8;

// Where the figures are read; tests point them at files of their own.
struct MemorySources {
    std::string meminfo = "/proc/meminfo";
    std::string selfCgroup = "/proc/self/cgroup";
    std::string cgroupRoot = "/sys/fs/cgroup";
    // Used instead of getrlimit(RLIMIT_AS) when set; kNoLimit means unlimited.
    std::optional<std::uint64_t> addressSpaceLimit;
};

// The smallest of MemAvailable, the memory limit of the process's control group (and of
// each group above it) and RLIMIT_AS, in bytes; kNoLimit when none is known. A source
// that is missing or unreadable is left out.
std::uint64_t AvailableMemory(const MemorySources& sources);

// The rows that fit in memory bytes once the rest of the program has its room.
std::uint64_t RowsForMemory(std::uint64_t memory);

// configuredRows when it is not 0, else the rows the available memory allows
// (kNoLimit when nothing limits them).
std::uint64_t ChooseRowBudget(std::uint64_t configuredRows, const MemorySources& sources = {});

}  // namespace daridez
