#pragma once

#include <string>

#include "ldf/LdfModel.h"

namespace daridez {

// The model as text for a reader: nodes with their protocol versions, frames with
// identifier, length, publisher, checksum model and signals (offset, width, init value,
// encoding), and schedule tables with their entries and delays.
class LdfDescription {
  public:
    explicit LdfDescription(const LdfModel& model) : model_(model) {}

    std::string text() const;

  private:
    void nodes(std::string& out) const;
    void frames(std::string& out) const;
    void frame(std::string& out, const LdfFrame& frame) const;
    void signal(std::string& out, const LdfFrameSignal& placed) const;
    void schedules(std::string& out) const;
    std::string encoding(int index) const;

    const LdfModel& model_;
};

}  // namespace daridez
