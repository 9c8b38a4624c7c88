#include "files/DumpLoader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "files/AscReader.h"
#include "files/PcapReader.h"

namespace daridez {

namespace {

// The reason of a failed open or read in a few words.
std::string reasonOf(int error) {
    switch (error) {
        case 0:
            return "read failed";
        case ENOENT:
        case ENOTDIR:
            return "no such file";
        case EISDIR:
            return "is a directory";
        case EACCES:
        case EPERM:
            return "permission denied";
        default:
            break;
    }
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

// Enough of the head to know a file's kind: an ASC log's first line.
constexpr std::size_t kHeadSize = 4096;

}  // namespace

DumpLoader::DumpLoader(StreamDecoder& decoder, ReceiveBuffer& buffer)
    : decoder_(decoder), buffer_(buffer) {}

DumpLoader::~DumpLoader() = default;

void DumpLoader::close() {
    translator_.reset();
    reader_.reset();
    pending_.clear();
    pendingAt_ = 0;
    translatorDone_ = false;
    owned_.reset();
    file_ = nullptr;
}

// Learns the file's kind from its head and chooses how its bytes reach the decoder.
void DumpLoader::start() {
    reader_ = std::make_unique<ByteReader>(file_);
    kind_ = DetectTraceFileKind(reader_->peek(kHeadSize));
    switch (kind_) {
        case TraceFileKind::Asc:
            translator_ = std::make_unique<AscReader>(*reader_, decoder_.list().notes());
            break;
        case TraceFileKind::Pcapng:
        case TraceFileKind::Pcap:
            translator_ = std::make_unique<PcapReader>(*reader_, kind_ == TraceFileKind::Pcapng);
            break;
        case TraceFileKind::Dump:
            break;
    }
}

std::string DumpLoader::note() const {
    return translator_ ? translator_->note() : note_;
}

// Up to wanted bytes of the device stream another tool's file stands for.
std::size_t DumpLoader::translated(std::uint8_t* out, std::size_t wanted) {
    while (pending_.size() - pendingAt_ < wanted && !translatorDone_) {
        pending_.erase(pending_.begin(),
                       pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_));
        pendingAt_ = 0;
        translatorDone_ = !translator_->translate(pending_);
    }
    const std::size_t got = std::min(wanted, pending_.size() - pendingAt_);
    if (got > 0) {  // an empty vector may have no storage to copy from
        std::memcpy(out, pending_.data() + pendingAt_, got);
    }
    pendingAt_ += got;
    return got;
}

bool DumpLoader::open(const std::string& path) {
    close();
    // A folder opens for reading on some systems: it is no dump file, and the trace
    // must stay as it is.
    std::error_code error;
    const bool folder = std::filesystem::is_directory(path, error);
    errno = 0;
    owned_.reset(folder ? nullptr : std::fopen(path.c_str(), "rb"));
    file_ = owned_.get();
    bytesRead_ = 0;
    atEnd_ = false;
    readFailed_ = false;
    error_.clear();
    if (file_ == nullptr) {
        error_ = reasonOf(folder ? EISDIR : errno);
        fileSize_ = 0;
        return false;
    }
    buffer_.carryOver = 0;  // a load starts with an empty buffer
    start();
    const auto size = std::filesystem::file_size(path, error);
    fileSize_ = error ? 0 : size;
    return true;
}

void DumpLoader::open(std::FILE* stream) {
    close();
    file_ = stream;
    bytesRead_ = 0;
    fileSize_ = 0;
    atEnd_ = false;
    readFailed_ = false;
    error_.clear();
    buffer_.carryOver = 0;
    start();
}

bool DumpLoader::step() {
    if (file_ == nullptr || atEnd_) {
        return false;
    }
    // New bytes go behind those of a frame cut off by the last block.
    const std::int32_t carried = buffer_.carryOver;
    const auto wanted = static_cast<std::size_t>(ReceiveBuffer::kSize - carried);
    std::uint8_t* into = buffer_.bytes.data() + carried;
    const std::size_t got = translator_ ? translated(into, wanted) : reader_->read(into, wanted);
    bytesRead_ = reader_->bytesRead();
    if (got < wanted) {
        atEnd_ = true;
        readFailed_ = reader_->failed();
        error_ = readFailed_ ? reasonOf(reader_->error()) : std::string();
        if (!readFailed_ && translator_ && !translator_->nothingRead().empty()) {
            // Another tool's file without one LIN event: say so rather than show nothing.
            readFailed_ = true;
            error_ = translator_->nothingRead();
        }
    }
    if (got > 0) {
        buffer_.carryOver =
            decoder_
                .SplitFrames(buffer_.bytes.data(), carried + static_cast<std::int32_t>(got), true)
                .carryOver;
    }
    return !atEnd_;
}

LoadResult DumpLoader::finish() {
    // The bytes of a frame cut off by the end of the file are dropped.
    buffer_.carryOver = 0;
    note_ = note();
    close();
    if (readFailed_) {
        return LoadResult::ReadError;
    }
    return atEnd_ ? LoadResult::Ok : LoadResult::Cancelled;
}

}  // namespace daridez
