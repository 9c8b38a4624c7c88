#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "protocol/RowSink.h"
#include "trace/TraceList.h"

namespace daridez {

// Prints rows as daridez-dump shows them: the 14 column texts and the colour word,
// TAB-separated, and with the check the row's verdict as a 16th field. Streaming, a
// row is printed as soon as the next one begins (it cannot change after that) and
// the rows before it are freed; otherwise the rows are printed from the list at the
// end. Lines are gathered in a large buffer and written in blocks.
class RowPrinter : public RowSink {
  public:
    struct Options {
        bool check = false;
        bool streaming = false;
    };

    RowPrinter(std::FILE* out, TraceList& list, Options options);

    bool AppendRow(TraceEntry* entry, std::int32_t number) override;

    // The rows not printed yet: the last one when streaming, else all of them.
    void printRemaining();
    void printLine(std::string_view line);
    // Writes what is buffered; false when the output failed.
    bool flush();

  private:
    void print(const TraceEntry& entry);
    void append(std::string_view text);

    std::FILE* out_;
    TraceList& list_;
    Options options_;
    TraceEntry* pending_ = nullptr;  // the row still being filled (streaming)
    std::string buffer_;
    bool failed_ = false;
};

}  // namespace daridez
