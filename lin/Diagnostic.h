#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ldf/LdfModel.h"
#include "lin/LinFrame.h"
#include "lin/RowReading.h"

namespace daridez {

// True for a LIN frame with identifier 0x3C (master request) or 0x3D (slave response).
bool IsDiagnosticFrame(const LinFrame& frame);

// The protocol control information of a transport frame: what the second byte says.
enum class DiagnosticPci : std::uint8_t { None, Single, First, Consecutive, Unknown };

// A diagnostic frame read once as the LIN transport layer; every text of it (the list's
// title, the one-line decode, the signal pane's fields) and the assembly of messages
// across frames are made from this.
struct DiagnosticFrame {
    static constexpr int kSingleMax = 6;  // data bytes a single frame carries at most
    static constexpr int kFirstMin = 7;   // a shorter message fits a single frame
    static constexpr int kFirstData = 5;  // message bytes in a first frame
    static constexpr int kNextData = 6;   // message bytes in a consecutive frame

    bool request = true;  // 0x3C; false: 0x3D
    bool sleep = false;   // the go-to-sleep command (a request with NAD 0)
    int count = 0;        // data bytes received
    std::array<std::uint8_t, 8> data{};
    std::uint8_t nad = 0;
    DiagnosticPci pci = DiagnosticPci::None;
    std::uint8_t pciByte = 0;
    int length = 0;        // single and first frame: the message length; consecutive: sequence
    int at = 0;            // where the service bytes of this frame start in data
    int carried = 0;       // how many of them it holds
    bool invalid = false;  // a length the transport layer forbids (see invalidReason)

    const char* kind() const { return request ? "MasterReq" : "SlaveResp"; }
    // "single frame length 13 (1 to 6)", "first frame length 6 (7 to 4095)"; "" when valid.
    std::string invalidReason() const;
};

DiagnosticFrame ParseDiagnostic(const LinFrame& frame);

// The frame's decode as fields: NAD (with the node's name where the LDF names it; ldf may
// be null), PCI (single, first or consecutive frame, with its length or sequence), the
// service with its name, positive (SID + 0x40) and negative (7F) responses, the
// go-to-sleep command, or why the frame is invalid. The signal pane shows them as rows.
std::vector<TransportField> DiagnosticFields(const LinFrame& frame, const LdfModel* ldf);

// The fields in one line, for example
// "MasterReq NAD 21 (Door), SF length 6: SID B2 ReadByIdentifier, data 00 FF 7F FF FF".
std::string DescribeDiagnostic(const LinFrame& frame, const LdfModel* ldf);
std::string JoinDiagnosticFields(const std::vector<TransportField>& fields);

// The frame in a few words, for a column of the list: "MasterReq NAD 0A ReadByIdentifier",
// "SlaveResp NAD 0A ReadByIdentifier positive" (or "negative"), "MasterReq go-to-sleep",
// "SlaveResp NAD 0A CF 2", "MasterReq NAD 0A invalid"; a service other than the node
// configuration ones by its number ("SID 22").
std::string DiagnosticTitle(const LinFrame& frame);

// "22 ReadDataByIdentifier", "B2 ReadByIdentifier", "A5" for a service without a name here.
std::string ServiceText(std::uint8_t sid);

// What a whole message says: "positive response to 22 ReadDataByIdentifier, identifier
// F190", "request 10 DiagnosticSessionControl, data 03", "negative response to 22
// ReadDataByIdentifier, error 78 response pending".
std::string DescribeMessage(bool request, const std::uint8_t* bytes, int count);

// Whether the frame carries service sid: a request with that SID, a positive response
// to it (sid + 0x40) or a negative response to it (7F sid).
bool CarriesService(const LinFrame& frame, std::uint8_t sid);
// The same for the first bytes of a message.
bool MessageCarriesService(bool request, const std::uint8_t* bytes, int count, std::uint8_t sid);

// "NAD 21", "NAD 21 (Door)" where the LDF names the node, "NAD 7F (broadcast)".
std::string NadText(std::uint8_t nad, const LdfModel* ldf);

}  // namespace daridez
