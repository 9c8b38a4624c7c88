#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ldf/LdfDiagnostic.h"
#include "ldf/LdfModel.h"

namespace daridez {

// Joins what the parser read, once the whole file is known (sections come in any order):
// names resolved to indexes, missing frame lengths filled in, and the LIN rules checked
// with a warning for each breach. Nothing that can still decode is dropped.
class LdfLinker {
  public:
    // A name as written, with the offset it came with (a signal in a frame).
    struct Ref {
        std::string name;
        int offset = 0;
        LdfPosition at;
    };
    // What a frame names before the names are resolved.
    struct FrameNames {
        std::vector<Ref> signalRefs;
        std::vector<Ref> associated;
        bool lengthGiven = false;
    };
    using Report = std::function<void(LdfDiagnostic::Severity, LdfPosition, std::string)>;

    LdfLinker(LdfModel& model, Report report) : model_(model), report_(std::move(report)) {}

    void addFrame(LdfFrame frame, FrameNames names);
    // Node_attributes of one node, or a Diagnostic_addresses line: merged into the node
    // of that name.
    void addAttributes(LdfNode attributes);
    void addRepresentation(std::string encoding, Ref signal);
    void link();

  private:
    void warn(LdfPosition at, std::string message);
    void mergeAttributes();
    void checkSignals();
    void linkFrame(LdfFrame& frame, FrameNames& names);
    void linkFrameSignals(LdfFrame& frame, const FrameNames& names);
    void checkIdentifiers();
    void checkPublishers();
    void linkRepresentations();
    void checkSchedules();
    bool isNode(const std::string& name) const;

    LdfModel& model_;
    Report report_;
    std::vector<FrameNames> frameNames_;
    std::vector<LdfNode> attributes_;
    std::vector<std::pair<std::string, Ref>> representations_;
};

}  // namespace daridez
