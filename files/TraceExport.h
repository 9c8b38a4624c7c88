#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "files/ByteOutput.h"
#include "ldf/LdfModel.h"
#include "trace/TraceList.h"

namespace daridez {

enum class ExportFormat { Pcapng, Csv, Asc };

// The format a file name asks for by its suffix, case ignored: ".csv" is CSV, ".asc" an
// ASC log, anything else a pcapng capture.
ExportFormat ExportFormatOf(std::string_view path);

// Writes the rows of the list that select keeps (every row when select is empty) to
// out in format, through the export pipeline daridez-dump uses (RowFormat); epochMicros
// is the wall-clock time of trace time 0, for pcapng; with an ldf (null: none) the rows
// are judged and decoded with it, as daridez-dump --ldf does. False when out refused
// bytes.
bool ExportTrace(const TraceList& list, ExportFormat format, std::int64_t epochMicros,
                 const LdfModel* ldf, const std::function<bool(const TraceEntry&)>& select,
                 ByteOutput& out);

}  // namespace daridez
