#include "lin/Diagnostic.h"

#include <algorithm>

#include "ldf/DiagnosticIds.h"
#include "trace/FieldText.h"

namespace daridez {

namespace {

constexpr std::uint8_t kNegativeResponse = 0x7F;
constexpr std::uint8_t kPositiveOffset = 0x40;
constexpr std::uint8_t kGoToSleepNad = 0x00;

struct Named {
    std::uint8_t code;
    const char* name;
};

// The node configuration and identification services of the LIN transport layer.
constexpr Named kServices[] = {
    {0xB0, "AssignNAD"},         {0xB1, "AssignFrameIdentifier"},
    {0xB2, "ReadByIdentifier"},  {0xB3, "ConditionalChangeNAD"},
    {0xB4, "DataDump"},          {0xB5, "AssignNAD via slave node position detection"},
    {0xB6, "SaveConfiguration"}, {0xB7, "AssignFrameIdentifierRange"},
};

// The response codes a negative response carries.
constexpr Named kErrors[] = {
    {0x10, "general reject"},
    {0x11, "service not supported"},
    {0x12, "subfunction not supported"},
    {0x13, "incorrect message length or invalid format"},
    {0x22, "conditions not correct"},
    {0x31, "request out of range"},
    {0x78, "response pending"},
};

template <std::size_t N>
const char* nameOf(const Named (&table)[N], std::uint8_t code) {
    const auto found = std::find_if(std::begin(table), std::end(table),
                                    [code](const Named& named) { return named.code == code; });
    return found == std::end(table) ? nullptr : found->name;
}

// "B2 ReadByIdentifier", or "22" for services without a name here.
std::string service(std::uint8_t sid) {
    const char* name = nameOf(kServices, sid);
    return name == nullptr ? HexByteText(sid) : HexByteText(sid) + " " + name;
}

std::string nad(const LinFrame& frame, const LdfModel* ldf) {
    const std::uint8_t value = frame.response[0];
    std::string text = "NAD " + HexByteText(value);
    const LdfNode* node = ldf != nullptr ? ldf->nodeByNad(value) : nullptr;
    if (node != nullptr) {
        text += " (" + node->name + ")";
    } else if (value == 0x7F) {
        text += " (broadcast)";
    } else if (value == 0x7E) {
        text += " (functional)";
    }
    return text;
}

// The service part of a single or first frame: what the bytes from the SID on say.
std::string servicePart(const LinFrame& frame, const std::uint8_t* bytes, int count) {
    const std::uint8_t sid = bytes[0];
    const bool response = frame.id() == kSlaveResponseId;
    if (response && sid == kNegativeResponse && count >= 3) {
        const char* error = nameOf(kErrors, bytes[2]);
        return "negative response to " + service(bytes[1]) + ", error " + HexByteText(bytes[2]) +
               (error != nullptr ? std::string(" ") + error : std::string());
    }
    std::string text;
    if (response && sid >= kPositiveOffset) {
        text = "RSID " + HexByteText(sid) + " positive response to " +
               service(static_cast<std::uint8_t>(sid - kPositiveOffset));
    } else {
        text = "SID " + service(sid);
    }
    if (count > 1) {
        text += ", data " + HexBytesText(bytes + 1, count - 1);
    }
    return text;
}

}  // namespace

bool IsDiagnosticFrame(const LinFrame& frame) {
    return frame.isLinFrame && frame.hasId && IsDiagnosticId(frame.id());
}

std::string DescribeDiagnostic(const LinFrame& frame, const LdfModel* ldf) {
    const std::string kind = frame.id() == kMasterRequestId ? "MasterReq" : "SlaveResp";
    const int count = frame.dataLength();
    const std::uint8_t* data = frame.response;
    if (count == 0) {
        return kind + ": no data";
    }
    if (frame.id() == kMasterRequestId && data[0] == kGoToSleepNad) {
        return kind + ": go-to-sleep";
    }
    if (count < 2) {
        return kind + " " + nad(frame, ldf) + ": no PCI";
    }
    const std::uint8_t pci = data[1];
    const std::string head = kind + " " + nad(frame, ldf) + ", ";
    switch (pci >> 4) {
        case 0: {  // single frame: the length counts the SID and its data
            const int length = pci & 0x0F;
            const int carried = std::min(length, count - 2);
            if (carried == 0) {
                return head + "SF length " + std::to_string(length);
            }
            return head + "SF length " + std::to_string(length) + ": " +
                   servicePart(frame, data + 2, carried);
        }
        case 1: {  // first frame: a 12-bit length, then the SID
            const int length = (pci & 0x0F) << 8 | (count > 2 ? data[2] : 0);
            const std::string text = head + "FF length " + std::to_string(length);
            return count > 3 ? text + ": " + servicePart(frame, data + 3, count - 3) : text;
        }
        case 2:  // consecutive frame
            return head + "CF " + std::to_string(pci & 0x0F) +
                   (count > 2 ? ": data " + HexBytesText(data + 2, count - 2) : std::string());
        default:
            return head + "PCI " + HexByteText(pci) + " unknown";
    }
}

std::string DiagnosticTitle(const LinFrame& frame) {
    const std::string kind = frame.id() == kMasterRequestId ? "MasterReq" : "SlaveResp";
    const int count = frame.dataLength();
    const std::uint8_t* data = frame.response;
    if (count == 0) {
        return kind;
    }
    if (frame.id() == kMasterRequestId && data[0] == kGoToSleepNad) {
        return kind + " go-to-sleep";
    }
    const std::string head = kind + " NAD " + HexByteText(data[0]);
    const int type = count >= 2 ? data[1] >> 4 : -1;
    const int at = type == 0 ? 2 : type == 1 ? 3 : -1;
    if (type == 2) {
        return head + " CF " + std::to_string(data[1] & 0x0F);
    }
    if (at < 0 || at >= count) {
        return head;
    }
    auto named = [](std::uint8_t sid) {
        const char* name = nameOf(kServices, sid);
        return name != nullptr ? std::string(name) : "SID " + HexByteText(sid);
    };
    const std::uint8_t sid = data[at];
    if (frame.id() == kSlaveResponseId && sid == kNegativeResponse) {
        return at + 1 < count ? head + " " + named(data[at + 1]) + " negative" : head;
    }
    if (frame.id() == kSlaveResponseId && sid >= kPositiveOffset) {
        return head + " " + named(static_cast<std::uint8_t>(sid - kPositiveOffset)) + " positive";
    }
    return head + " " + named(sid);
}

bool CarriesService(const LinFrame& frame, std::uint8_t sid) {
    if (!IsDiagnosticFrame(frame) || frame.dataLength() < 3) {
        return false;
    }
    const std::uint8_t* data = frame.response;
    const int type = data[1] >> 4;
    const int at = type == 0 ? 2 : type == 1 ? 3 : -1;
    if (at < 0 || at >= frame.dataLength()) {
        return false;
    }
    const std::uint8_t carried = data[at];
    if (frame.id() == kMasterRequestId) {
        return carried == sid;
    }
    if (carried == kNegativeResponse) {
        return at + 1 < frame.dataLength() && data[at + 1] == sid;
    }
    return carried == static_cast<std::uint8_t>(sid + kPositiveOffset);
}

}  // namespace daridez
