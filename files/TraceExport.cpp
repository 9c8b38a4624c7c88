#include "files/TraceExport.h"

#include "files/RowFormat.h"
#include "trace/AsciiCase.h"

namespace daridez {

ExportFormat ExportFormatOf(std::string_view path) {
    constexpr std::string_view kCsv = ".csv";
    if (path.size() < kCsv.size()) {
        return ExportFormat::Pcapng;
    }
    return EqualIgnoringAsciiCase(path.substr(path.size() - kCsv.size()), kCsv)
               ? ExportFormat::Csv
               : ExportFormat::Pcapng;
}

bool ExportTrace(const TraceList& list, ExportFormat format, std::int64_t epochMicros,
                 const LdfModel* ldf, const std::function<bool(const TraceEntry&)>& select,
                 ByteOutput& out) {
    RowFormat::Options options;
    options.kind = format == ExportFormat::Csv ? RowFormat::Kind::Csv : RowFormat::Kind::Pcapng;
    options.epochMicros = epochMicros;
    options.ldf = ldf;
    const std::unique_ptr<RowFormat> rows = RowFormat::make(options, list.textForm(), out);
    for (const TraceEntry& entry : list) {
        if (select && !select(entry)) {
            rows->skip(entry);
        } else if (!rows->row(entry)) {
            return false;  // a full disk: the rest would go nowhere
        }
    }
    return rows->finish("");
}

}  // namespace daridez
