#include "files/RowFormat.h"

#include "files/AscWriter.h"
#include "files/CsvWriter.h"
#include "files/PcapngWriter.h"
#include "lin/Columns.h"
#include "lin/FrameSignals.h"
#include "lin/IdSchedule.h"
#include "lin/IdSummary.h"

namespace daridez {

namespace {

constexpr std::size_t kBlockSize = 1 << 16;

// Lines gathered in a block and written when it is full.
class LineBlock {
  public:
    explicit LineBlock(ByteOutput& out) : out_(out) { text_.reserve(kBlockSize + 1024); }
    std::string& text() { return text_; }
    bool flushWhenFull() { return text_.size() < kBlockSize ? ok_ : flush(); }
    bool flush() {
        ok_ = ok_ && (text_.empty() || out_.write(text_.data(), text_.size()));
        text_.clear();
        return ok_;
    }
    bool finish(const std::string& statusLine) {
        if (!statusLine.empty()) {
            text_ += statusLine;
            text_ += '\n';
        }
        return flush();
    }

  private:
    ByteOutput& out_;
    std::string text_;
    bool ok_ = true;
};

class TextFormat : public RowFormat {
  public:
    TextFormat(ByteOutput& out, const TextForm& form, const Options& options)
        : lines_(out),
          form_(form),
          check_(options.check),
          ldf_(options.ldf),
          frame_(options.frame && options.ldf != nullptr),
          signalLines_(options.signals) {
        if (signalLines_ || frame_) {
            signals_.emplace(options.ldf);
        }
    }
    bool row(const TraceEntry& entry) override {
        std::string& text = lines_.text();
        AppendRowLine(text, entry, form_, check_, ldf_);
        if (frame_) {  // before the line's end
            text.back() = '\t';
            text += signals_->frameName(ReadLinFrame(entry));
            text += '\n';
        }
        if (signalLines_) {
            const LinFrame frame = ReadLinFrame(entry);
            signals_->appendLines(lines_.text(), frame, CheckFrame(entry, frame, ldf_));
        }
        return lines_.flushWhenFull();
    }
    void skip(const TraceEntry& entry) override {
        if (signals_) {
            signals_->skip(ReadLinFrame(entry));
        }
    }
    bool finish(const std::string& statusLine) override { return lines_.finish(statusLine); }
    bool flush() override { return lines_.flush(); }

  private:
    LineBlock lines_;
    const TextForm& form_;
    bool check_;
    const LdfModel* ldf_;
    bool frame_;
    bool signalLines_;
    std::optional<FrameSignals> signals_;
};

class CsvFormat : public RowFormat {
  public:
    CsvFormat(ByteOutput& out, const TextForm& form, const LdfModel* ldf)
        : writer_(out, form, ldf) {}
    bool row(const TraceEntry& entry) override { return writer_.writeRow(entry); }
    void skip(const TraceEntry& entry) override { writer_.skipRow(entry); }
    bool finish(const std::string& /*statusLine*/) override { return writer_.finish(); }
    bool flush() override { return writer_.finish(); }  // hands out what is buffered

  private:
    CsvWriter writer_;
};

class PcapngFormat : public RowFormat {
  public:
    PcapngFormat(ByteOutput& out, std::int64_t epochMicros, const LdfModel* ldf)
        : writer_(out, epochMicros) {
        writer_.setLdf(ldf);
    }
    bool row(const TraceEntry& entry) override { return writer_.writeRow(entry); }
    bool finish(const std::string& /*statusLine*/) override { return writer_.finish(); }
    bool flush() override { return writer_.flush(); }

  private:
    PcapngWriter writer_;
};

class AscFormat : public RowFormat {
  public:
    AscFormat(ByteOutput& out, std::int64_t epochMicros, const LdfModel* ldf, const RowNotes* notes)
        : writer_(out, epochMicros, ldf, notes) {}
    bool row(const TraceEntry& entry) override { return writer_.writeRow(entry); }
    bool finish(const std::string& /*statusLine*/) override { return writer_.finish(); }
    bool flush() override { return writer_.flush(); }

  private:
    AscWriter writer_;
};

// With an LDF, the bad frames are judged against it and the LDF's columns follow.
class IdsFormat : public RowFormat {
  public:
    IdsFormat(ByteOutput& out, int baud, const LdfModel* ldf) : lines_(out), baud_(baud) {
        if (ldf != nullptr) {
            summary_.setLdf(ldf);
            schedule_ = IdSchedule(*ldf, "");
        }
    }
    bool row(const TraceEntry& entry) override { return summary_.add(entry), true; }
    bool flush() override { return true; }
    bool finish(const std::string& statusLine) override {
        lines_.text() = schedule_.hasLdf() ? FormatIdTable(summary_, baud_, schedule_)
                                           : FormatIdTable(summary_, baud_);
        return lines_.finish(statusLine);
    }

  private:
    LineBlock lines_;
    int baud_;
    IdSummary summary_;
    IdSchedule schedule_;
};

}  // namespace

std::unique_ptr<RowFormat> RowFormat::make(const Options& options, const TextForm& form,
                                           ByteOutput& out) {
    switch (options.kind) {
        case Kind::Csv:
            return std::make_unique<CsvFormat>(out, form, options.ldf);
        case Kind::Pcapng:
            return std::make_unique<PcapngFormat>(out, options.epochMicros, options.ldf);
        case Kind::Asc:
            return std::make_unique<AscFormat>(out, options.epochMicros, options.ldf, form.notes);
        case Kind::Ids:
            return std::make_unique<IdsFormat>(out, options.baud, options.ldf);
        case Kind::Text:
            break;
    }
    return std::make_unique<TextFormat>(out, form, options);
}

}  // namespace daridez
