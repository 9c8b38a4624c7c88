#include "view/RowIndex.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace daridez {

RowIndex::~RowIndex() {
    std::free(rows_);
}

bool RowIndex::grow() {
    if (capacity_ > std::numeric_limits<std::uint32_t>::max() - kGrowthStep) {
        return false;
    }
    const std::uint32_t capacity = capacity_ + kGrowthStep;
    const std::size_t size = std::size_t{capacity} * sizeof(TraceEntry*);
    void* block =
        reallocator_ ? reallocator_(rows_, size, reallocatorContext_) : std::realloc(rows_, size);
    if (block == nullptr) {
        return false;  // realloc keeps the old block: nothing changed
    }
    rows_ = static_cast<TraceEntry**>(block);
    capacity_ = capacity;
    return true;
}

bool RowIndex::append(TraceEntry* entry) {
    if (entry == nullptr) {
        return false;
    }
    if (count_ == capacity_ && !grow()) {
        return false;
    }
    rows_[count_++] = entry;
    return true;
}

void RowIndex::dropFront(std::uint32_t rows) {
    rows = rows < count_ ? rows : count_;
    std::memmove(rows_, rows_ + rows, std::size_t{count_ - rows} * sizeof(TraceEntry*));
    count_ -= rows;
}

void RowIndex::setReallocator(Reallocator reallocator, void* context) {
    reallocator_ = reallocator;
    reallocatorContext_ = context;
}

}  // namespace daridez
