#pragma once

#include <cstddef>
#include <string>

#include "files/ByteOutput.h"

namespace daridez {

// The one way a file is replaced: the bytes go to a temporary file beside the target,
// reach the disk, and are renamed over it only when every one of them was written, so
// a reader sees the old file or the new one and a failure leaves the old one as it
// was. Links are followed to the file they finally name (they stay links); a pipe or
// a device is written in place; a write-protected file is refused.
class SafeReplace : public ByteOutput {
  public:
    // The calls that make the new file last, in the order commit() makes them: the
    // bytes synced to the disk, the file closed, then renamed over the target. The
    // system's own by default; a test substitutes calls that also note the order.
    class DiskCalls {
      public:
        virtual ~DiskCalls() = default;
        virtual int sync(int fd) const;
        virtual int close(int fd) const;
        virtual bool rename(const std::string& from, const std::string& to) const;
    };
    static const DiskCalls& systemCalls();

    explicit SafeReplace(std::string target, const DiskCalls& calls = systemCalls());
    ~SafeReplace() override;  // an uncommitted temporary file is removed
    SafeReplace(const SafeReplace&) = delete;
    SafeReplace& operator=(const SafeReplace&) = delete;

    // Creates the temporary file (or opens a pipe or device); false with error() set
    // when the target cannot be replaced. Nothing exists on disk after a false.
    bool open();
    // A short write is a failure: the rest of the bytes would be lost.
    bool write(const void* data, std::size_t size) override;
    // Flushes to disk and puts the new file in place; false leaves the old file.
    bool commit();

    // Why the last step failed, in a few words ("write-protected", "No space left
    // on device"); empty while all went well.
    const std::string& error() const { return error_; }
    // The file the bytes end up in once open() ran: the target with its links followed.
    const std::string& destination() const { return destination_; }

  private:
    bool fail(std::string reason);
    bool failWithErrno();
    bool openInPlace();
    bool createTemporary(bool keepMode, unsigned mode);
    void discard();

    const DiskCalls& calls_;
    std::string target_;
    std::string destination_;
    std::string temporary_;  // empty when writing in place
    std::string error_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
};

}  // namespace daridez
