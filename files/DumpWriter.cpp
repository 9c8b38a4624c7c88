#include "files/DumpWriter.h"

#include <cstring>

#include "files/SafeReplace.h"
#include "trace/RowFrames.h"

namespace daridez {

namespace {

constexpr std::uint8_t kTimerWrapRecord[] = {0x02, 0xA0, 0xA2};
constexpr std::size_t kBlockSize = 65536;

// Feeds the dump bytes of one row to put(bytes, count), which returns false to stop. A
// row contributes each kept frame with its check byte as 0x00 (none when wrapsOnly),
// then one timer-wrap record per wrap counted behind it; its first empty slot ends it.
template <typename Put>
bool forEachRowChunk(const TraceEntry& entry, bool wrapsOnly, Put&& put) {
    for (int k = 0; k < kSlotCount; ++k) {
        std::uint8_t slot[kSlotSize];
        SlotFrame(entry, static_cast<Slot>(k), slot);
        const int length = slot[0];
        if (length != 0 && !wrapsOnly) {
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
        for (std::uint32_t w = 0; w < entry.wrapCounts[k]; ++w) {
            if (!put(kTimerWrapRecord, sizeof kTimerWrapRecord)) {
                return false;
            }
        }
        if (length == 0) {
            break;
        }
    }
    return true;
}

// The dump bytes of the rows from head on, as forEachRowChunk feeds them.
template <typename Put>
bool forEachChunk(const TraceList& list, Put&& put) {
    for (const TraceEntry& entry : list) {
        if (!forEachRowChunk(entry, false, put)) {
            return false;
        }
    }
    return true;
}

// Writes the dump of the rows to out in large blocks; false when a write failed.
bool writeBlocks(const TraceList& list, ByteOutput& out) {
    std::vector<std::uint8_t> block;
    block.reserve(kBlockSize + 256);
    const auto flushBlock = [&block, &out] {
        const bool written = out.write(block.data(), block.size());
        block.clear();
        return written;
    };
    const bool ok = forEachChunk(list, [&](const std::uint8_t* bytes, std::size_t count) {
        block.insert(block.end(), bytes, bytes + count);
        return block.size() < kBlockSize || flushBlock();
    });
    return ok && flushBlock();
}

}  // namespace

void DumpWriter::serialize(const TraceList& list, std::vector<std::uint8_t>& out) {
    forEachChunk(list, [&out](const std::uint8_t* bytes, std::size_t count) {
        out.insert(out.end(), bytes, bytes + count);
        return true;
    });
}

void DumpWriter::serializeRow(const TraceEntry& entry, bool wrapsOnly,
                              std::vector<std::uint8_t>& out) {
    forEachRowChunk(entry, wrapsOnly, [&out](const std::uint8_t* bytes, std::size_t count) {
        out.insert(out.end(), bytes, bytes + count);
        return true;
    });
}

bool DumpWriter::save(const TraceList& list, const std::string& path, std::string* error) {
    SafeReplace out(path);
    if (out.open() && writeBlocks(list, out) && out.commit()) {
        return true;
    }
    if (error != nullptr) {
        *error = out.error();
    }
    return false;
}

}  // namespace daridez
