#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/ByteReader.h"
#include "files/FileHandle.h"
#include "files/TraceTranslator.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/StreamDecoder.h"

namespace daridez {

enum class LoadResult {
    Ok,           // the whole file was decoded (an incomplete last frame dropped)
    OpenError,    // the file could not be opened: nothing was changed ("load error")
    ReadError,    // a read failed part-way: the rows decoded so far stay ("load error")
    Cancelled,    // the caller stopped it: the rows decoded so far stay
    OutOfMemory,  // rows ran out: the load stopped, the rows made so far stay
};

// Reads a trace file through the program's receive buffer, in blocks of 32,768 bytes,
// with SplitFrames in file mode. LoadTrace (files/TraceLoad.h) drives it. A dump file
// is read as it is; an ASC log or a pcapng/pcap capture (known by its first bytes) is
// first turned into the device's byte stream, so every kind is decoded alike.
class DumpLoader {
  public:
    DumpLoader(StreamDecoder& decoder, ReceiveBuffer& buffer);
    ~DumpLoader();
    DumpLoader(const DumpLoader&) = delete;
    DumpLoader& operator=(const DumpLoader&) = delete;

    // False when the file cannot be opened; error() then says why.
    bool open(const std::string& path);
    // Reads an open stream (standard input) to its end; the caller keeps and closes it.
    // Its size is not known: fileSize() is 0.
    void open(std::FILE* stream);
    // Why the last open or read failed, in words: "no such file", "is a directory",
    // "permission denied"; "" when nothing failed.
    const std::string& error() const { return error_; }
    std::uint64_t fileSize() const { return fileSize_; }
    TraceFileKind kind() const { return kind_; }
    // What reading another tool's file left out or did not understand; "" for a dump.
    std::string note() const;
    std::uint64_t bytesRead() const { return bytesRead_; }

    // Reads and decodes the next block. Returns true while there is more to read.
    bool step();

    // Ends the load (carry-over dropped, file closed) and says how it went; a load
    // stopped before the end of the file is Cancelled unless a read failed.
    LoadResult finish();

  private:
    StreamDecoder& decoder_;
    ReceiveBuffer& buffer_;
    void close();
    void start();
    std::size_t translated(std::uint8_t* out, std::size_t wanted);

    FileHandle owned_;           // a file opened here
    std::FILE* file_ = nullptr;  // the stream read: owned_, or one the caller keeps
    std::unique_ptr<ByteReader> reader_;
    std::unique_ptr<TraceTranslator> translator_;
    std::vector<std::uint8_t> pending_;  // translated bytes not yet decoded
    std::size_t pendingAt_ = 0;
    bool translatorDone_ = false;
    TraceFileKind kind_ = TraceFileKind::Dump;
    std::string error_;
    std::string note_;  // the translator's note, kept past the end of the load
    std::uint64_t fileSize_ = 0;
    std::uint64_t bytesRead_ = 0;
    bool atEnd_ = false;
    bool readFailed_ = false;
};

}  // namespace daridez
