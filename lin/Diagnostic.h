#pragma once

#include <cstdint>
#include <string>

#include "ldf/LdfModel.h"
#include "lin/LinFrame.h"

namespace daridez {

// True for a LIN frame with identifier 0x3C (master request) or 0x3D (slave response).
bool IsDiagnosticFrame(const LinFrame& frame);

// The frame read as the LIN transport layer: NAD (with the node's name where the LDF
// names it; ldf may be null), PCI (single, first or consecutive frame, with its
// length or sequence number), the service identifier with its name for the node
// configuration services, positive (SID + 0x40) and negative (7F) responses, and the
// go-to-sleep command. One line, for example
// "MasterReq NAD 21 (Door), SF length 6: SID B2 ReadByIdentifier, data 00 FF 7F FF FF".
std::string DescribeDiagnostic(const LinFrame& frame, const LdfModel* ldf);

// The frame in a few words, for a column of the list: "MasterReq NAD 0A ReadByIdentifier",
// "SlaveResp NAD 0A ReadByIdentifier positive" (or "negative"), "MasterReq go-to-sleep",
// "SlaveResp NAD 0A CF 2"; a service without a name by its number ("SID 22").
std::string DiagnosticTitle(const LinFrame& frame);

// Whether the frame carries service sid: a request with that SID, a positive response
// to it (sid + 0x40) or a negative response to it (7F sid).
bool CarriesService(const LinFrame& frame, std::uint8_t sid);

}  // namespace daridez
