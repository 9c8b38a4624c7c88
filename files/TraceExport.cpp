#include "files/TraceExport.h"

#include "files/CsvWriter.h"
#include "files/PcapngWriter.h"

#include "trace/AsciiCase.h"
namespace daridez {

namespace {

template <typename Writer>
bool writeRows(Writer& writer, const TraceList& list,
               const std::function<bool(const TraceEntry&)>& select) {
    for (const TraceEntry& entry : list) {
        if ((!select || select(entry)) && !writer.writeRow(entry)) {
            return false;
        }
    }
    return writer.finish();
}

}  // namespace

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
                 const std::function<bool(const TraceEntry&)>& select, ByteOutput& out) {
    if (format == ExportFormat::Csv) {
        CsvWriter writer(out, list.textForm());
        return writeRows(writer, list, select);
    }
    PcapngWriter writer(out, epochMicros);
    return writeRows(writer, list, select);
}

}  // namespace daridez
