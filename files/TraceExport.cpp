#include "files/TraceExport.h"

#include "files/RowFormat.h"
#include "trace/AsciiCase.h"

namespace daridez {

namespace {

bool endsWith(std::string_view path, std::string_view suffix) {
    return path.size() >= suffix.size() &&
           EqualIgnoringAsciiCase(path.substr(path.size() - suffix.size()), suffix);
}

RowFormat::Kind kindOf(ExportFormat format) {
    switch (format) {
        case ExportFormat::Csv:
            return RowFormat::Kind::Csv;
        case ExportFormat::Asc:
            return RowFormat::Kind::Asc;
        case ExportFormat::Pcapng:
            break;
    }
    return RowFormat::Kind::Pcapng;
}

}  // namespace

ExportFormat ExportFormatOf(std::string_view path) {
    if (endsWith(path, ".csv")) {
        return ExportFormat::Csv;
    }
    return endsWith(path, ".asc") ? ExportFormat::Asc : ExportFormat::Pcapng;
}

bool ExportTrace(const TraceList& list, ExportFormat format, std::int64_t epochMicros,
                 const LdfModel* ldf, const std::function<bool(const TraceEntry&)>& select,
                 ByteOutput& out) {
    RowFormat::Options options;
    options.kind = kindOf(format);
    options.epochMicros = epochMicros;
    options.ldf = ldf;
    const std::unique_ptr<RowFormat> rows = RowFormat::make(options, list.textForm(), out);
    for (const TraceEntry& entry : list) {
        if ((!select || select(entry)) && !rows->row(entry)) {
            return false;  // a full disk: the rest would go nowhere
        }
    }
    return rows->finish("");
}

}  // namespace daridez
