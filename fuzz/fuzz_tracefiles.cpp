// libFuzzer target over loading other tools' trace files: any bytes as a file, read as
// the load path knows them (an ASC log, a pcapng or pcap capture, else a dump). Every
// load ends, every row it makes fits its texts, and a file that yields nothing says why.
#include <cstdint>
#include <string>

#include "files/TraceLoad.h"
#include "fuzz/FuzzRows.h"
#include "lin/FrameCheck.h"

using namespace daridez;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::InputFile input("tracefiles", data, size);
    if (!input.written)
        return 0;
    fuzz::FuzzTrace trace;
    std::string reason;
    LoadHooks hooks;
    hooks.failed = [&reason](const std::string& why) { reason = why; };
    const LoadResult result = LoadTrace(trace.session, input.path, hooks);
    fuzz::check(result == LoadResult::Ok || (result == LoadResult::ReadError && !reason.empty()));
    trace.verify();
    for (const TraceEntry& entry : trace.list) CheckFrame(entry);
    return 0;
}
