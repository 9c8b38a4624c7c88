#include "protocol/DeviceStreamWriter.h"

#include <algorithm>

#include "protocol/CommandFrames.h"
#include "trace/FrameKind.h"

namespace daridez {

void DeviceStreamWriter::breakField(std::uint64_t time) {
    wrapUpTo(time);
    const auto stamp = static_cast<std::uint16_t>(latest_);
    put({0x04, FrameKind::BreakField, std::uint8_t(stamp >> 8), std::uint8_t(stamp)});
}

void DeviceStreamWriter::syncField(std::uint64_t time, std::uint8_t sync) {
    stamped(time, FrameKind::SyncField, sync);
}

void DeviceStreamWriter::identifier(std::uint64_t time, std::uint8_t pid) {
    stamped(time, FrameKind::IdentifierField, pid);
}

void DeviceStreamWriter::responseByte(std::uint64_t time, int index, std::uint8_t value) {
    const int kind = FrameKind::ResponseByte1 + std::clamp(index, 0, 8);
    stamped(time, static_cast<std::uint8_t>(kind), value);
}

void DeviceStreamWriter::deviceError(std::uint64_t time, std::uint8_t code) {
    stamped(time, FrameKind::DeviceError, code);
}

void DeviceStreamWriter::bufferOverflow(std::uint64_t time) {
    wrapUpTo(time);
    // The third byte counts the frames the device lost; another tool's log does not say.
    put({0x03, FrameKind::BufferOverflow, 0x00});
}

void DeviceStreamWriter::frame(const BusFrame& frame) {
    breakField(frame.breakTime);
    if (!frame.hasSync) {
        return;
    }
    syncField(frame.syncTime, frame.sync);
    if (!frame.hasId) {
        return;
    }
    identifier(frame.idTime, frame.pid);
    for (int i = 0; i < frame.count && i < BusFrame::kMaxBytes; ++i) {
        responseByte(frame.times[i], i, frame.bytes[i]);
    }
}

void DeviceStreamWriter::stamped(std::uint64_t time, std::uint8_t kind, std::uint8_t value) {
    wrapUpTo(time);
    const auto stamp = static_cast<std::uint16_t>(latest_);
    put({0x05, kind, std::uint8_t(stamp >> 8), std::uint8_t(stamp), value});
}

void DeviceStreamWriter::wrapUpTo(std::uint64_t time) {
    latest_ = std::max(latest_, std::min(time, kLongestSpan));
    while (wrapped_ + 0x10000 <= latest_) {
        wrapped_ += 0x10000;
        put({0x02, FrameKind::TimerWrap});
    }
}

void DeviceStreamWriter::put(std::initializer_list<std::uint8_t> frame) {
    out_->insert(out_->end(), frame);
    out_->push_back(frameChecksum(frame.begin(), static_cast<std::uint8_t>(frame.size())));
}

}  // namespace daridez
