#pragma once

#include "files/ByteOutput.h"
#include "files/PcapngWriter.h"
#include "tools/live/LiveOutput.h"

namespace daridez {

// A live capture as pcapng for Wireshark: each LIN frame a packet, and the device's
// errors and buffer overflows packets with their error bits.
class PcapngLiveOutput : public LiveOutput {
  public:
    // checks: the packets carry the verdict's error bits; ldf (may be null, outlives
    // this): the frames are judged with it, as the window and the pcapng export do.
    PcapngLiveOutput(ByteOutput& out, bool checks, const LdfModel* ldf = nullptr)
        : writer_(out, 0, checks) {
        writer_.setLdf(ldf);
    }

    void started(std::int64_t epochMicros) override { writer_.setEpochMicros(epochMicros); }
    void row(const TraceEntry& entry, bool open) override {
        writer_.writeRow(entry, open);
        writer_.writeDeviceEvent(entry);
    }
    // The capture's headers go out with the first flush, before the port is opened.
    bool flush() override { return writer_.flush(); }

  private:
    PcapngWriter writer_;
};

}  // namespace daridez
