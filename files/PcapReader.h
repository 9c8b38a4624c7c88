#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/ByteReader.h"
#include "files/TraceTranslator.h"
#include "protocol/DeviceStreamWriter.h"

namespace daridez {

// Reads a pcapng or pcap capture of LIN frames (link type 212: the pseudo-header with
// identifier, checksum and error bits, then the data) as the tracer would have reported
// them: each packet's fields timed from its time stamp at 19,200 bit/s. The device
// events a capture of Daridez carries (a device error, a buffer overflow) come back as
// such; packets of other link types and LIN events (sleep, wake-up) are counted.
class PcapReader : public TraceTranslator {
  public:
    PcapReader(ByteReader& in, bool pcapng) : in_(in), pcapng_(pcapng) {}

    bool translate(std::vector<std::uint8_t>& out) override;
    std::string note() const override;
    std::string nothingRead() const override;

  private:
    struct Interface {
        bool lin = false;
        std::uint64_t unitsPerSecond = 1'000'000;
    };

    bool readBytes(std::vector<std::uint8_t>& into, std::size_t count);
    bool pcapngBlock(std::vector<std::uint8_t>& out);
    bool pcapRecord(std::vector<std::uint8_t>& out);
    bool pcapHeader();
    void sectionHeader(const std::vector<std::uint8_t>& block);
    void interfaceDescription(const std::vector<std::uint8_t>& block);
    void packet(std::uint64_t stamp, const Interface& interface, const std::uint8_t* data,
                std::size_t length, std::vector<std::uint8_t>& out);
    std::uint32_t get32(const std::uint8_t* at) const;
    std::uint16_t get16(const std::uint8_t* at) const;

    ByteReader& in_;
    bool pcapng_;
    bool bigEndian_ = false;
    bool started_ = false;
    std::vector<Interface> interfaces_;
    Interface pcapInterface_;
    std::vector<std::uint8_t> block_;
    DeviceStreamWriter writer_;
    bool baseKnown_ = false;
    std::uint64_t base_ = 0;  // the stamp of trace time 0
    std::string broken_;      // why the capture could not be read on
    std::uint64_t frames_ = 0;
    std::uint64_t otherPackets_ = 0;
    std::uint64_t linEvents_ = 0;
};

}  // namespace daridez
