#pragma once

#include <cstdint>

#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"

namespace daridez {

class LdfModel;

// The header-click sort of the row index, with its memory of the last text sort.
// Each column sorts by its rule in the column table: "MsgNr" by number ascending,
// leaving the memory alone; every other column toggles between ascending and
// descending on repeated clicks and starts ascending when it was not the last one.
// Only the row index is reordered; rows with equal keys may swap.
class RowSort {
  public:
    // Sorts rows[0..count) for a click on column, by its texts made in form; false
    // (nothing done) for a column that does not exist.
    bool sortByColumn(TraceEntry** rows, std::uint32_t count, int column, const TextForm& form);

    int sortColumn() const { return sortColumn_; }
    // The LDF the Check and Frame columns are read with (nullptr: none).
    void setLdf(const LdfModel* ldf) { ldf_ = ldf; }

  private:
    const LdfModel* ldf_ = nullptr;
    int sortColumn_ = 0;
    bool sortAscending_ = false;
};

// Text comparison of the sort: negative, 0 or positive as a sorts before, with or
// after b. Bytes compare as unsigned characters; ignoring case folds A..Z to a..z.
int CompareBytes(const char* a, const char* b);
int CompareIgnoringCase(const char* a, const char* b);

}  // namespace daridez
