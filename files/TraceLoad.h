#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "files/DumpLoader.h"
#include "protocol/TraceSession.h"

namespace daridez {

// What a load tells its caller on the way.
struct LoadHooks {
    // The file opened and the trace was emptied: the caller forgets what it knew of
    // the old trace.
    std::function<void()> cleared;
    // After every block: bytes read so far and the file's size. False stops the load.
    std::function<bool(std::uint64_t done, std::uint64_t total)> progress;
    // The file could not be opened, or a read failed: why, in a few words ("no such
    // file", "is a directory", "permission denied").
    std::function<void(const std::string& reason)> failed;
    // At the end of a load of another tool's file (ASC, pcapng, pcap): what it left out
    // or did not understand ("12 lines not understood"); not called when nothing was.
    std::function<void(const std::string& note)> note;
};

// The one way a trace file becomes a trace ("load trace", daridez-dump, the fuzzer,
// the benchmarks): a file that cannot be opened leaves the trace as it was
// (OpenError); otherwise the trace is emptied and the file decoded block by block
// exactly as a live trace. Dump files, ASC logs and pcapng/pcap captures are known by
// their content. A load that runs out of rows stops at once (OutOfMemory;
// the decoder's takeOutOfMemory() still says so); the rows made so far stay, also on
// a read error or a cancel.
LoadResult LoadTrace(TraceSession& session, const std::string& path, const LoadHooks& hooks = {});
// The same from an open stream (standard input), read to its end; the caller closes it.
LoadResult LoadTrace(TraceSession& session, std::FILE* stream, const LoadHooks& hooks = {});

}  // namespace daridez
