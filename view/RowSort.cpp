#include "view/RowSort.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "lin/Columns.h"

#include "trace/AsciiCase.h"
namespace daridez {

namespace {

constexpr std::array<unsigned char, 256> makeFoldTable(bool ignoreCase) {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const char byte = static_cast<char>(c);
        table[c] = static_cast<unsigned char>(ignoreCase ? AsciiLower(byte) : byte);
    }
    return table;
}

constexpr auto kSameCase = makeFoldTable(false);
constexpr auto kFoldCase = makeFoldTable(true);

int compareFolded(const char* a, const char* b, const std::array<unsigned char, 256>& fold) {
    for (;; ++a, ++b) {
        const int ca = fold[static_cast<unsigned char>(*a)];
        const int cb = fold[static_cast<unsigned char>(*b)];
        if (ca != cb || ca == 0) {
            return ca - cb;
        }
    }
}

// The first 24 bytes of a row's sort key, folded and packed big-endian, so that
// comparing the words compares the texts. Sorting these small records instead of
// following row pointers keeps a million-row sort inside the cache; only texts of 24
// bytes or more with equal heads go back to the rows.
constexpr int kKeyWords = 3;
constexpr std::size_t kKeyBytes = kKeyWords * 8;

struct SortKey {
    std::uint64_t words[kKeyWords];
    TraceEntry* entry;
};

void packText(SortKey& key, const char* text, const std::array<unsigned char, 256>& fold) {
    std::fill(std::begin(key.words), std::end(key.words), 0);
    bool ended = false;
    for (std::size_t i = 0; i < kKeyBytes; ++i) {
        const unsigned char c = ended ? 0 : fold[static_cast<unsigned char>(text[i])];
        ended = c == 0;
        std::uint64_t& word = key.words[i / 8];
        word = (word << 8) | c;
    }
}

void packNumber(SortKey& key, std::int32_t number) {
    key.words[0] = static_cast<std::uint32_t>(number) ^ 0x80000000u;  // order of signed
    key.words[1] = 0;
    key.words[2] = 0;
}

// How a sort orders two rows.
struct SortOrder {
    const TextForm* form = nullptr;
    Column column = Column::MsgNr;
    const std::array<unsigned char, 256>* fold = &kSameCase;
    bool byNumber = false;
    bool ascending = true;
    const LdfModel* ldf = nullptr;  // what the LDF-read columns are read with

    const char* text(const TraceEntry* entry, CellScratch& scratch) const {
        scratch.ldf = ldf;
        return CellText(*entry, *form, column, scratch);
    }
    int compareTexts(const TraceEntry* a, const TraceEntry* b, std::size_t from) const {
        CellScratch scratchA;
        CellScratch scratchB;
        return compareFolded(text(a, scratchA) + from, text(b, scratchB) + from, *fold);
    }
    int compareEntries(const TraceEntry* a, const TraceEntry* b) const {
        if (byNumber) {
            return a->number < b->number ? -1 : (a->number > b->number ? 1 : 0);
        }
        return compareTexts(a, b, 0);
    }
    // Whether a goes before b, given their keys' comparison: equal keys in MsgNr order,
    // whichever the direction.
    bool before(int result, const TraceEntry* a, const TraceEntry* b) const {
        if (result == 0) {
            return a->number < b->number;
        }
        return ascending ? result < 0 : result > 0;
    }
    int compareKeys(const SortKey& a, const SortKey& b) const {
        for (int w = 0; w < kKeyWords; ++w) {
            if (a.words[w] != b.words[w]) {
                return a.words[w] < b.words[w] ? -1 : 1;
            }
        }
        const bool textGoesOn = (a.words[kKeyWords - 1] & 0xFF) != 0;
        if (byNumber || !textGoesOn) {
            return 0;
        }
        return compareTexts(a.entry, b.entry, kKeyBytes);
    }
};

void sortKeys(TraceEntry** rows, std::uint32_t count, const SortOrder& order, SortKey* keys) {
    CellScratch scratch;
    for (std::uint32_t i = 0; i < count; ++i) {
        keys[i].entry = rows[i];
        if (order.byNumber) {
            packNumber(keys[i], rows[i]->number);
        } else {
            packText(keys[i], order.text(rows[i], scratch), *order.fold);
        }
    }
    std::sort(keys, keys + count, [&order](const SortKey& a, const SortKey& b) {
        const int result = order.compareKeys(a, b);
        return order.before(result, a.entry, b.entry);
    });
    for (std::uint32_t i = 0; i < count; ++i) {
        rows[i] = keys[i].entry;
    }
}

// Without memory for the keys the rows are sorted in place, only more slowly.
void sortInPlace(TraceEntry** rows, std::uint32_t count, const SortOrder& order) {
    std::sort(rows, rows + count, [&order](const TraceEntry* a, const TraceEntry* b) {
        return order.before(order.compareEntries(a, b), a, b);
    });
}

void sortRows(TraceEntry** rows, std::uint32_t count, const SortOrder& order) {
    if (count < 2) {
        return;
    }
    std::unique_ptr<SortKey[]> keys(new (std::nothrow) SortKey[count]);
    if (keys) {
        sortKeys(rows, count, order, keys.get());
    } else {
        sortInPlace(rows, count, order);
    }
}

}  // namespace

int CompareBytes(const char* a, const char* b) {
    return compareFolded(a, b, kSameCase);
}

int CompareIgnoringCase(const char* a, const char* b) {
    return compareFolded(a, b, kFoldCase);
}

bool RowSort::sortByColumn(TraceEntry** rows, std::uint32_t count, int column,
                           const TextForm& form) {
    if (!IsColumn(column)) {
        return false;
    }
    SortOrder order;
    order.form = &form;
    const SortRule rule = ColumnAt(column).sort;
    if (rule == SortRule::Number) {
        order.byNumber = true;
    } else {
        sortAscending_ = sortColumn_ == column ? !sortAscending_ : true;
        sortColumn_ = column;
        order.column = static_cast<Column>(column);
        order.fold = rule == SortRule::Bytes ? &kSameCase : &kFoldCase;
        order.ascending = sortAscending_;
        order.ldf = ldf_;
    }
    sortRows(rows, count, order);
    shownColumn_ = column;
    shownAscending_ = order.ascending;
    return true;
}

}  // namespace daridez
