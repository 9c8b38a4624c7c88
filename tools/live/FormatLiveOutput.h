#pragma once

#include <functional>
#include <memory>

#include "files/RowFormat.h"
#include "tools/live/LiveOutput.h"
#include "trace/TraceEntry.h"

namespace daridez {

// A live trace written through the export pipeline (text lines, CSV, the identifier
// table), row by row as each is complete.
class FormatLiveOutput : public LiveOutput {
  public:
    // flush: hands the bytes written so far on; false once they were refused.
    explicit FormatLiveOutput(std::function<bool()> flush) : flush_(std::move(flush)) {}

    // The format is made once the capture's texts exist; rows before it are dropped.
    void setFormat(std::unique_ptr<RowFormat> format) { format_ = std::move(format); }
    RowFormat* format() const { return format_.get(); }

    void row(const TraceEntry& entry, bool open) override {
        if (format_ == nullptr) {
            return;
        }
        if (!open) {
            format_->row(entry);
            return;
        }
        // The trace goes on past a row the quiet bus settled: its frame is judged alone,
        // never as cut by the end of the recording.
        TraceEntry settled = entry;
        settled.flags |= RowFlag::kContinued;
        format_->row(settled);
    }
    void note(const std::string& text) override {
        if (format_ != nullptr) {
            format_->note(text);
        }
    }
    bool flush() override { return (format_ == nullptr || format_->flush()) && flush_(); }

  private:
    std::function<bool()> flush_;
    std::unique_ptr<RowFormat> format_;
};

}  // namespace daridez
