#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace daridez {

// One LIN frame as another tool logged it: which fields were on the bus and when
// (microseconds of the trace clock).
struct BusFrame {
    static constexpr int kMaxBytes = 9;
    std::uint64_t breakTime = 0;
    bool hasSync = true;
    std::uint8_t sync = 0x55;
    std::uint64_t syncTime = 0;
    bool hasId = true;
    std::uint8_t pid = 0;
    std::uint64_t idTime = 0;
    int count = 0;  // response bytes, the checksum among them
    std::uint8_t bytes[kMaxBytes] = {};
    std::uint64_t times[kMaxBytes] = {};
};

// Writes bus fields as the tracer device reports them: five-byte stamped frames (length
// byte, kind, the low 16 bits of the microsecond clock, value, 8-bit sum), with a timer
// wrap frame each time the clock passes a multiple of 65,536 us. Traces read from other
// tools' files become this stream, so they are decoded, checked and shown exactly as a
// dump file is.
class DeviceStreamWriter {
  public:
    DeviceStreamWriter() = default;
    explicit DeviceStreamWriter(std::vector<std::uint8_t>& out) : out_(&out) {}
    // Where the frames from now on go; the clock goes on.
    void setOutput(std::vector<std::uint8_t>& out) { out_ = &out; }

    void breakField(std::uint64_t time);
    void syncField(std::uint64_t time, std::uint8_t sync);
    void identifier(std::uint64_t time, std::uint8_t pid);
    // Response byte index 0..8 (the ninth is the checksum after eight data bytes).
    void responseByte(std::uint64_t time, int index, std::uint8_t value);
    void deviceError(std::uint64_t time, std::uint8_t code);
    void bufferOverflow(std::uint64_t time);
    // The fields of a whole frame, in bus order.
    void frame(const BusFrame& frame);

    // The clock never runs backwards in the stream: an earlier time is taken as the
    // latest one written. Nor does it run past kLongestSpan: a later time (a broken or
    // hostile log) is taken as that, so a file never turns into more timer wraps than
    // four days of trace hold.
    static constexpr std::uint64_t kLongestSpan = 4ull * 24 * 3600 * 1'000'000;
    std::uint64_t clock() const { return latest_; }

  private:
    void stamped(std::uint64_t time, std::uint8_t kind, std::uint8_t value);
    void wrapUpTo(std::uint64_t time);
    // The frame's bytes, then their 8-bit sum.
    void put(std::initializer_list<std::uint8_t> frame);

    std::vector<std::uint8_t>* out_ = nullptr;
    std::uint64_t wrapped_ = 0;  // the last multiple of 65,536 us reported
    std::uint64_t latest_ = 0;
};

}  // namespace daridez
