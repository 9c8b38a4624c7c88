#include "files/TraceLoad.h"

namespace daridez {

namespace {

// Decodes what the opened loader reads, block by block.
LoadResult decodeAll(TraceSession& session, DumpLoader& loader, const LoadHooks& hooks) {
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
    const TraceFileKind kind = loader.kind();
    const LoadResult result = loader.finish();
    if (kind != TraceFileKind::Dump) {
        session.list.lastRowComplete();
    }
    if (result == LoadResult::ReadError && hooks.failed) {
        hooks.failed(loader.error());
    }
    if (result != LoadResult::ReadError && hooks.note && !loader.note().empty()) {
        hooks.note(loader.note());
    }
    return session.decoder.rowsRanOut() && result == LoadResult::Ok ? LoadResult::OutOfMemory
                                                                    : result;
}

}  // namespace

LoadResult LoadTrace(TraceSession& session, const std::string& path, const LoadHooks& hooks) {
    DumpLoader loader(session.decoder, session.buffer);
    if (!loader.open(path)) {
        if (hooks.failed) {
            hooks.failed(loader.error());
        }
        return LoadResult::OpenError;
    }
    return decodeAll(session, loader, hooks);
}

LoadResult LoadTrace(TraceSession& session, std::FILE* stream, const LoadHooks& hooks) {
    DumpLoader loader(session.decoder, session.buffer);
    loader.open(stream);
    return decodeAll(session, loader, hooks);
}

}  // namespace daridez
