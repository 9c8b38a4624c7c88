#include "files/CopiedRows.h"

#include "files/RowFormat.h"

namespace daridez {

namespace {

class StringOutput : public ByteOutput {
  public:
    bool write(const void* data, std::size_t size) override {
        text.append(static_cast<const char*>(data), size);
        return true;
    }

    std::string text;
};

}  // namespace

std::string CopiedRows(const std::vector<const TraceEntry*>& rows, const TextForm& form,
                       const LdfModel* ldf) {
    RowFormat::Options options;
    options.check = true;
    options.ldf = ldf;
    options.frame = true;
    StringOutput out;
    const auto format = RowFormat::make(options, form, out);
    for (const TraceEntry* entry : rows) {
        format->row(*entry);
    }
    format->finish({});
    return out.text;
}

}  // namespace daridez
