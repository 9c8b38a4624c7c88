#pragma once

#include <cstddef>
#include <cstdint>

#include "trace/TraceEntry.h"

namespace daridez {

// The list's rows in display order: borrowed TraceEntry pointers in an array that
// grows in steps of 500 and keeps its memory when cleared. The TraceList owns the rows.
class RowIndex {
  public:
    static constexpr std::uint32_t kGrowthStep = 500;

    // Resizes a block as std::realloc does (nullptr: the block is left as it was).
    // The default is std::realloc; tests install their own to make growth fail.
    using Reallocator = void* (*)(void* block, std::size_t size, void* context);

    RowIndex() = default;
    ~RowIndex();
    RowIndex(const RowIndex&) = delete;
    RowIndex& operator=(const RowIndex&) = delete;

    // Stores entry at the end, growing the array when it is full. False when entry
    // is missing or the array cannot grow; the index is then as it was.
    bool append(TraceEntry* entry);
    // Forgets every row; the array and its capacity stay for the next rows.
    void clear() { count_ = 0; }
    // Forgets the first rows rows (at most count()); the others move up.
    void dropFront(std::uint32_t rows);
    // Forgets the rows keep() refuses, the others keeping their order.
    template <typename Keep>
    void keepOnly(Keep&& keep) {
        std::uint32_t kept = 0;
        for (std::uint32_t i = 0; i < count_; ++i) {
            if (keep(rows_[i])) {
                rows_[kept++] = rows_[i];
            }
        }
        count_ = kept;
    }

    std::uint32_t count() const { return count_; }
    std::uint32_t capacity() const { return capacity_; }
    // The row at position index, or nullptr beyond the count.
    TraceEntry* at(std::uint32_t index) const { return index < count_ ? rows_[index] : nullptr; }
    TraceEntry** rows() { return rows_; }

    void setReallocator(Reallocator reallocator, void* context);

  private:
    bool grow();

    TraceEntry** rows_ = nullptr;
    std::uint32_t count_ = 0;
    std::uint32_t capacity_ = 0;
    Reallocator reallocator_ = nullptr;
    void* reallocatorContext_ = nullptr;
};

}  // namespace daridez
