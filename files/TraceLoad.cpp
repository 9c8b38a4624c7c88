#include "files/TraceLoad.h"

namespace daridez {

LoadResult LoadTrace(TraceSession& session, const std::string& path, const LoadHooks& hooks) {
    DumpLoader loader(session.decoder, session.buffer);
    if (!loader.open(path)) {
        return LoadResult::OpenError;
    }
    session.clear();
    if (hooks.cleared) {
        hooks.cleared();
    }
    while (loader.step()) {
        if (session.decoder.rowsRanOut()) {
            loader.finish();
            return LoadResult::OutOfMemory;
        }
        if (hooks.progress && !hooks.progress(loader.bytesRead(), loader.fileSize())) {
            break;
        }
    }
    const LoadResult result = loader.finish();
    return session.decoder.rowsRanOut() && result == LoadResult::Ok ? LoadResult::OutOfMemory
                                                                    : result;
}

}  // namespace daridez
