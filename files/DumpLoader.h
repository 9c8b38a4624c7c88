#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "files/FileHandle.h"
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

// Reads a dump file through the program's receive buffer, in blocks of 32,768 bytes,
// with SplitFrames in file mode. LoadTrace (files/TraceLoad.h) drives it.
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

    FileHandle owned_;           // a file opened here
    std::FILE* file_ = nullptr;  // the stream read: owned_, or one the caller keeps
    std::string error_;
    std::uint64_t fileSize_ = 0;
    std::uint64_t bytesRead_ = 0;
    bool atEnd_ = false;
    bool readFailed_ = false;
};

}  // namespace daridez
