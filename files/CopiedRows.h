#pragma once

#include <string>
#include <vector>

#include "ldf/LdfModel.h"
#include "trace/DisplayModes.h"
#include "trace/TraceEntry.h"

namespace daridez {

// What the window's Copy puts on the clipboard: the rows as the export pipeline writes
// text lines with the verdict (daridez-dump --check), judged with ldf, which adds the
// Frame column's text (as the CSV export has it) as the last field. ldf == nullptr: none.
std::string CopiedRows(const std::vector<const TraceEntry*>& rows, const TextForm& form,
                       const LdfModel* ldf);

}  // namespace daridez
