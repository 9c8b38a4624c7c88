#include "files/DumpWriter.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace daridez {

namespace {

constexpr std::uint8_t kTimerWrapRecord[] = {0x02, 0xA0, 0xA2};
constexpr std::size_t kBlockSize = 65536;

// Feeds the dump bytes of the rows from head on to put(bytes, count), which returns
// false to stop. A row contributes each kept frame with its check byte as 0x00, then
// one timer-wrap record per wrap counted behind it; its first empty slot ends it.
template <typename Put>
bool forEachChunk(const TraceEntry* head, Put&& put) {
    for (const TraceEntry* entry = head; entry != nullptr; entry = entry->next) {
        for (int k = 0; k < kSlotCount; ++k) {
            const std::uint8_t* slot = entry->frames[k];
            const int length = slot[0];
            if (length != 0) {
                // A bad frame may say it is longer than the 8 bytes a slot keeps: the
                // bytes past the slot were not kept and are written as zeros.
                std::uint8_t frame[256];
                const int kept = length + 1 < kSlotSize ? length + 1 : kSlotSize;
                std::memcpy(frame, slot, static_cast<std::size_t>(kept));
                std::memset(frame + kept, 0, static_cast<std::size_t>(length + 1 - kept));
                if (!put(frame, static_cast<std::size_t>(length) + 1)) {
                    return false;
                }
            }
            for (std::uint32_t w = 0; w < entry->wrapCounts[k]; ++w) {
                if (!put(kTimerWrapRecord, sizeof kTimerWrapRecord)) {
                    return false;
                }
            }
            if (length == 0) {
                break;
            }
        }
    }
    return true;
}

// A name beside the target that does not exist yet, created exclusively.
std::FILE* createTemporary(const std::string& path, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + ".saving" + (attempt > 0 ? std::to_string(attempt) : std::string());
        if (std::FILE* file = std::fopen(temporary.c_str(), "wbx")) {
            return file;
        }
        std::error_code error;
        if (!std::filesystem::exists(temporary, error)) {
            return nullptr;  // not a name clash: the folder cannot be written
        }
    }
    return nullptr;
}

// The file a save replaces: a link is followed, so the link stays and its target
// receives the trace.
std::string saveTarget(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        const auto target = std::filesystem::canonical(path, error);
        if (!error) {
            return target.string();
        }
    }
    return path;
}

// The new file takes the permissions of the one it replaces.
bool keepPermissions(const std::string& from, const std::string& to) {
    std::error_code error;
    const auto status = std::filesystem::status(from, error);
    if (error || !std::filesystem::exists(status)) {
        return true;  // a new file keeps the default permissions
    }
    std::filesystem::permissions(to, status.permissions(), error);
    return !error;
}

// Writes the dump of the rows to file in large blocks and closes it; false when any
// write, the flush or the close failed.
bool writeAndClose(const TraceEntry* head, std::FILE* file) {
    std::vector<std::uint8_t> block;
    block.reserve(kBlockSize + 256);
    const auto flushBlock = [&block, file] {
        const bool written = std::fwrite(block.data(), 1, block.size(), file) == block.size();
        block.clear();
        return written;
    };
    bool ok = forEachChunk(head, [&](const std::uint8_t* bytes, std::size_t count) {
        block.insert(block.end(), bytes, bytes + count);
        return block.size() < kBlockSize || flushBlock();
    });
    ok = ok && flushBlock();
    ok = std::fflush(file) == 0 && ok;
    return std::fclose(file) == 0 && ok;
}

// Writes straight into path, for what a rename cannot replace (a device, a pipe) or
// where the folder takes no temporary file.
bool writeInPlace(const TraceEntry* head, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    return file != nullptr && writeAndClose(head, file);
}

// A file may be written when it opens for update; opening changes nothing.
bool isWritable(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

}  // namespace

void DumpWriter::serialize(const TraceEntry* head, std::vector<std::uint8_t>& out) {
    forEachChunk(head, [&out](const std::uint8_t* bytes, std::size_t count) {
        out.insert(out.end(), bytes, bytes + count);
        return true;
    });
}

bool DumpWriter::save(const TraceEntry* head, const std::string& requestedPath) {
    const std::string path = saveTarget(requestedPath);
    std::error_code error;
    if (path == requestedPath && std::filesystem::is_symlink(path, error)) {
        return writeInPlace(head, path);  // a link that leads nowhere yet, or to a pipe
    }
    const auto status = std::filesystem::status(path, error);
    const bool exists = !error && std::filesystem::exists(status);
    if (exists && !std::filesystem::is_regular_file(status)) {
        return writeInPlace(head, path);  // a device or a pipe: nothing to replace
    }
    if (exists && !isWritable(path)) {
        return false;  // a write-protected file stays as it is
    }
    std::string temporary;
    std::FILE* file = createTemporary(path, temporary);
    if (file == nullptr) {
        // The folder takes no new file, yet the file itself may be writable.
        return exists && writeInPlace(head, path);
    }
    bool ok = writeAndClose(head, file);
    ok = ok && keepPermissions(path, temporary);
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(temporary.c_str());
    }
    return ok;
}

}  // namespace daridez
