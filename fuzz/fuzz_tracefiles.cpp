// libFuzzer target over loading other tools' trace files: any bytes as a file, read as
// the load path knows them (an ASC log, a pcapng or pcap capture, else a dump). Every
// load ends, every row it makes fits its texts, and a file that yields nothing says why.
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/TraceLoad.h"
#include "fuzz/FuzzRows.h"
#include "lin/Columns.h"
#include "lin/FrameCheck.h"

using namespace daridez;

namespace {

using fuzz::check;
using fuzz::CountingView;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = "/tmp/fuzz-tracefiles-" + std::to_string(::getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) {
        std::remove(path.c_str());
        return 0;
    }
    TraceList list;
    CountingView view;
    ReceiveBuffer buffer;
    TraceSession session(list, buffer, view);
    std::string reason;
    LoadHooks hooks;
    hooks.failed = [&reason](const std::string& why) { reason = why; };
    const LoadResult result = LoadTrace(session, path, hooks);
    std::remove(path.c_str());
    check(result == LoadResult::Ok || (result == LoadResult::ReadError && !reason.empty()));
    std::size_t rows = 0;
    CellScratch scratch;
    for (const TraceEntry& entry : list) {
        ++rows;
        for (int c = 0; c < kStoredColumnCount; ++c)
            check(std::strlen(CellText(entry, list.textForm(), Column(c), scratch)) <
                  kFieldTextSize);
        CheckFrame(entry);
    }
    check(rows == view.rows);
    return 0;
}
