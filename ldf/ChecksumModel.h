#pragma once

#include <string_view>

#include "ldf/LdfModel.h"

namespace daridez {

enum class LdfChecksum { Classic, Enhanced };

// Which checksum each frame of an LDF uses: 0x3C/0x3D always classic; otherwise the
// publisher's protocol version decides (1.x classic; 2.x, ISO 17987 and J2602
// enhanced); a master frame is classic when any of its subscribers speaks 1.x; an LDF
// of protocol 1.x is classic throughout.
class ChecksumModel {
  public:
    explicit ChecksumModel(const LdfModel& model) : model_(model) {}

    LdfChecksum of(const LdfFrame& frame) const;
    // The model of the frame with this identifier, or Classic for 0x3C/0x3D and
    // identifiers the LDF does not name (the caller decides what those mean).
    LdfChecksum ofId(int id) const;

    // True for protocol versions "1.0" .. "1.3".
    static bool classicProtocol(std::string_view version);
    static const char* name(LdfChecksum checksum);

  private:
    std::string_view protocolOf(const LdfNode* node) const;
    bool anySubscriberClassic(const LdfFrame& frame) const;

    const LdfModel& model_;
};

}  // namespace daridez
