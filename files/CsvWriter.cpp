#include "files/CsvWriter.h"

#include "lin/FrameCheck.h"
#include "view/Columns.h"

namespace daridez {

namespace {

// Bytes gathered before out is called: few, large writes.
constexpr std::size_t kBlockSize = 65536;

constexpr std::string_view kHeader =
    "MsgNr,TimeStamp,Info,Sync,ID,DB0,DB1,DB2,DB3,DB4,DB5,DB6,DB7,CS,Colour,Check\r\n";

bool needsQuotes(std::string_view text) {
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

}  // namespace

CsvWriter::CsvWriter(ByteOutput& out) : out_(out) {
    buffer_.reserve(kBlockSize + 1024);
    buffer_.insert(buffer_.end(), kHeader.begin(), kHeader.end());
}

bool CsvWriter::writeRow(const TraceEntry& entry) {
    if (!ok_) {
        return false;
    }
    putField(StoredText(entry, Column::MsgNr));
    for (int column = 1; column < kStoredColumnCount; ++column) {
        buffer_.push_back(',');
        putField(StoredText(entry, static_cast<Column>(column)));
    }
    buffer_.push_back(',');
    putField(ColourWord(entry.textColour));
    char verdict[FrameVerdict::kTextSize];
    CheckFrame(entry).format(verdict);
    buffer_.push_back(',');
    putField(verdict);
    return endRecord();
}

bool CsvWriter::finish() {
    return ok_ && flush();
}

// A field with a comma, a quote or a line break is quoted, its quotes doubled.
void CsvWriter::putField(std::string_view text) {
    if (!needsQuotes(text)) {
        buffer_.insert(buffer_.end(), text.begin(), text.end());
        return;
    }
    buffer_.push_back('"');
    for (const char c : text) {
        if (c == '"') {
            buffer_.push_back('"');
        }
        buffer_.push_back(c);
    }
    buffer_.push_back('"');
}

bool CsvWriter::endRecord() {
    buffer_.push_back('\r');
    buffer_.push_back('\n');
    return buffer_.size() < kBlockSize || flush();
}

bool CsvWriter::flush() {
    ok_ = buffer_.empty() || out_.write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok_;
}

}  // namespace daridez
