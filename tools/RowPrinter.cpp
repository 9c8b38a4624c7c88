#include "tools/RowPrinter.h"

#include "lin/FrameCheck.h"
#include "lin/Columns.h"

namespace daridez {

namespace {

constexpr std::size_t kFlushSize = 1 << 16;

const char* colourWord(Colour colour) {
    if (colour == kGreen) {
        return "green";
    }
    return colour == kRed ? "red" : "plain";
}

}  // namespace

RowPrinter::RowPrinter(std::FILE* out, TraceList& list, Options options)
    : out_(out), list_(list), options_(options) {
    buffer_.reserve(kFlushSize + 1024);
}

bool RowPrinter::AppendRow(TraceEntry* entry, std::int32_t /*number*/) {
    if (!options_.streaming) {
        return true;
    }
    if (pending_ != nullptr) {
        print(*pending_);
    }
    pending_ = entry;
    return true;
}

void RowPrinter::printRemaining() {
    if (options_.streaming) {
        if (pending_ != nullptr) {
            print(*pending_);
            pending_ = nullptr;
        }
        return;
    }
    for (const TraceEntry* row = list_.TraceListHead(); row != nullptr; row = row->next) {
        print(*row);
    }
}

void RowPrinter::print(const TraceEntry& entry) {
    for (int column = 0; column < kStoredColumnCount; ++column) {
        append(StoredText(entry, static_cast<Column>(column)));
        buffer_ += '\t';
    }
    append(colourWord(entry.textColour));
    if (options_.check) {
        char verdict[FrameVerdict::kTextSize];
        CheckFrame(entry).format(verdict);
        buffer_ += '\t';
        append(verdict);
    }
    buffer_ += '\n';
    if (buffer_.size() >= kFlushSize) {
        flush();
    }
}

void RowPrinter::printLine(std::string_view line) {
    append(line);
    buffer_ += '\n';
}

void RowPrinter::append(std::string_view text) {
    buffer_.append(text);
}

bool RowPrinter::flush() {
    if (!buffer_.empty() && !failed_) {
        failed_ = std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size();
    }
    buffer_.clear();
    return !failed_ && std::fflush(out_) == 0;
}

}  // namespace daridez
