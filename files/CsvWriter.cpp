#include "files/CsvWriter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "lin/Columns.h"
#include "lin/FrameCheck.h"

namespace daridez {

namespace {

// Bytes gathered before out is called: few, large writes.
constexpr std::size_t kBlockSize = 65536;

// The header: the device's fields, the row's colour and the verdict; with an LDF, the
// frame's name and its signals too.
std::string headerLine(bool withLdf) {
    std::string line;
    for (int column = 0; column < kStoredColumnCount; ++column) {
        line += ColumnAt(column).name;
        line += ',';
    }
    line += "Colour,";
    line += ColumnAt(Column::Check).name;
    if (withLdf) {
        line += ',';
        line += ColumnAt(Column::Frame).name;
        line += ",Signals";
    }
    return line + "\r\n";
}

// What makes a field need quotes: a comma, a quote, a line break.
constexpr const char* kSpecial = ",\"\r\n";

// The text, quoted with its quotes doubled when quote is set.
char* putQuoted(char* out, const char* text, std::size_t length, bool quote) {
    if (!quote) {
        return std::copy_n(text, length, out);
    }
    *out++ = '"';
    for (const char* c = text; c != text + length; ++c) {
        if (*c == '"') {
            *out++ = '"';
        }
        *out++ = *c;
    }
    *out++ = '"';
    return out;
}

}  // namespace

CsvWriter::CsvWriter(ByteOutput& out, const TextForm& form, const LdfModel* ldf)
    : out_(out), form_(form), ldf_(ldf), buffer_(kBlockSize + 4096) {
    putRaw(headerLine(ldf != nullptr));
    if (ldf != nullptr) {
        signals_.emplace(ldf);
    }
}

bool CsvWriter::writeRow(const TraceEntry& entry) {
    if (!ok_) {
        return false;
    }
    CellScratch scratch;
    putField(CellText(entry, form_, Column::MsgNr, scratch), true);
    for (int column = 1; column < kStoredColumnCount; ++column) {
        putField(CellText(entry, form_, static_cast<Column>(column), scratch));
    }
    putField(ColourWord(entry.textColour));
    scratch.ldf = ldf_;
    putField(CellText(entry, form_, Column::Check, scratch));
    if (signals_) {
        const LinFrame frame = ReadLinFrame(entry);
        putField(signals_->frameName(frame).c_str());
        putField(signals_->signalList(frame, CheckFrame(entry, frame, ldf_)).c_str());
    }
    putRaw("\r\n");
    return used_ < kBlockSize || flush();
}

void CsvWriter::skipRow(const TraceEntry& entry) {
    if (signals_) {
        signals_->skip(ReadLinFrame(entry));
    }
}

bool CsvWriter::finish() {
    return ok_ && flush();
}

// Room for size more bytes behind the used ones.
char* CsvWriter::room(std::size_t size) {
    if (buffer_.size() - used_ < size) {
        buffer_.resize(used_ + size);
    }
    return buffer_.data() + used_;
}

void CsvWriter::putRaw(std::string_view bytes) {
    bytes.copy(room(bytes.size()), bytes.size());
    used_ += bytes.size();
}

// Writes the text behind its comma (none for the first field of a record), quoted when
// it holds a comma, a quote or a line break. Most texts hold none: one search (the C
// library's, which is fast) finds that and their length at once.
void CsvWriter::putField(const char* text, bool first) {
    const std::size_t plain = std::strcspn(text, kSpecial);
    const bool quote = text[plain] != '\0';
    const std::size_t length = quote ? plain + std::strlen(text + plain) : plain;
    char* const start = room(2 * length + 3);
    char* out = start;
    if (!first) {
        *out++ = ',';
    }
    out = putQuoted(out, text, length, quote);
    used_ += static_cast<std::size_t>(out - start);
}

bool CsvWriter::flush() {
    ok_ = used_ == 0 || out_.write(buffer_.data(), used_);
    used_ = 0;
    return ok_;
}

}  // namespace daridez
