#include "lin/Diagnostic.h"

#include <algorithm>

#include "ldf/DiagnosticIds.h"
#include "trace/FieldText.h"

namespace daridez {

namespace {

constexpr std::uint8_t kNegativeResponse = 0x7F;
constexpr std::uint8_t kPositiveOffset = 0x40;
constexpr std::uint8_t kGoToSleepNad = 0x00;
constexpr std::uint8_t kFunctionalNad = 0x7E;
constexpr std::uint8_t kBroadcastNad = 0x7F;
constexpr int kFirstMax = 0xFFF;
constexpr const char* kInvalid = "invalid";

struct Named {
    std::uint8_t code;
    const char* name;
    bool configuration;  // a node configuration service: named in the list's title too
    int identifier;      // bytes after the SID that identify what it reads or writes
};

// The node configuration services of the LIN transport layer and the diagnostic
// services met over LIN.
constexpr Named kServices[] = {
    {0x10, "DiagnosticSessionControl", false, 0},
    {0x11, "ECUReset", false, 0},
    {0x14, "ClearDiagnosticInformation", false, 0},
    {0x19, "ReadDTCInformation", false, 0},
    {0x22, "ReadDataByIdentifier", false, 2},
    {0x27, "SecurityAccess", false, 0},
    {0x28, "CommunicationControl", false, 0},
    {0x2E, "WriteDataByIdentifier", false, 2},
    {0x31, "RoutineControl", false, 0},
    {0x34, "RequestDownload", false, 0},
    {0x35, "RequestUpload", false, 0},
    {0x36, "TransferData", false, 0},
    {0x37, "RequestTransferExit", false, 0},
    {0x3E, "TesterPresent", false, 0},
    {0x85, "ControlDTCSetting", false, 0},
    {0xB0, "AssignNAD", true, 0},
    {0xB1, "AssignFrameIdentifier", true, 0},
    {0xB2, "ReadByIdentifier", true, 1},
    {0xB3, "ConditionalChangeNAD", true, 0},
    {0xB4, "DataDump", true, 0},
    {0xB5, "AssignNAD via slave node position detection", true, 0},
    {0xB6, "SaveConfiguration", true, 0},
    {0xB7, "AssignFrameIdentifierRange", true, 0},
};

struct Code {
    std::uint8_t code;
    const char* name;
};

// The negative response codes.
constexpr Code kErrors[] = {
    {0x10, "general reject"},
    {0x11, "service not supported"},
    {0x12, "subfunction not supported"},
    {0x13, "incorrect message length or invalid format"},
    {0x14, "response too long"},
    {0x21, "busy, repeat request"},
    {0x22, "conditions not correct"},
    {0x24, "request sequence error"},
    {0x31, "request out of range"},
    {0x33, "security access denied"},
    {0x35, "invalid key"},
    {0x36, "exceeded number of attempts"},
    {0x37, "required time delay not expired"},
    {0x70, "upload/download not accepted"},
    {0x71, "transfer data suspended"},
    {0x72, "general programming failure"},
    {0x73, "wrong block sequence counter"},
    {0x78, "response pending"},
    {0x7E, "subfunction not supported in active session"},
    {0x7F, "service not supported in active session"},
};

const Named* serviceOf(std::uint8_t sid) {
    const auto found = std::find_if(std::begin(kServices), std::end(kServices),
                                    [sid](const Named& named) { return named.code == sid; });
    return found == std::end(kServices) ? nullptr : found;
}

const char* errorOf(std::uint8_t code) {
    const auto found = std::find_if(std::begin(kErrors), std::end(kErrors),
                                    [code](const Code& named) { return named.code == code; });
    return found == std::end(kErrors) ? nullptr : found->name;
}

// "error 12 subfunction not supported", "error 99".
std::string errorText(std::uint8_t code) {
    const char* error = errorOf(code);
    return HexByteText(code) + (error != nullptr ? std::string(" ") + error : std::string());
}

// The fields of the bytes from the SID on of a single or first frame.
void addServiceFields(std::vector<TransportField>& fields, bool request, const std::uint8_t* bytes,
                      int count) {
    const std::uint8_t sid = bytes[0];
    if (!request && sid == kNegativeResponse && count >= 3) {
        fields.push_back({"negative", "response to " + ServiceText(bytes[1]), ':'});
        fields.push_back({"error", errorText(bytes[2]), ','});
        return;
    }
    if (!request && sid >= kPositiveOffset) {
        fields.push_back({"RSID",
                          HexByteText(sid) + " positive response to " +
                              ServiceText(static_cast<std::uint8_t>(sid - kPositiveOffset)),
                          ':'});
    } else {
        fields.push_back({"SID", ServiceText(sid), ':'});
    }
    if (count > 1) {
        fields.push_back({"data", HexBytesText(bytes + 1, count - 1), ','});
    }
}

void parsePci(DiagnosticFrame& parsed) {
    const std::uint8_t pci = parsed.pciByte;
    const int count = parsed.count;
    switch (pci >> 4) {
        case 0:
            parsed.pci = DiagnosticPci::Single;
            parsed.length = pci & 0x0F;
            parsed.at = 2;
            parsed.invalid = parsed.length < 1 || parsed.length > DiagnosticFrame::kSingleMax;
            parsed.carried = parsed.invalid ? 0 : std::min(parsed.length, count - 2);
            break;
        case 1:
            parsed.pci = DiagnosticPci::First;
            parsed.length = (pci & 0x0F) << 8 | (count > 2 ? parsed.data[2] : 0);
            parsed.at = 3;
            parsed.invalid = count > 2 && parsed.length < DiagnosticFrame::kFirstMin;
            parsed.carried = parsed.invalid ? 0 : std::max(0, count - 3);
            break;
        case 2:
            parsed.pci = DiagnosticPci::Consecutive;
            parsed.length = pci & 0x0F;
            parsed.at = 2;
            parsed.carried = std::max(0, count - 2);
            break;
        default:
            parsed.pci = DiagnosticPci::Unknown;
            break;
    }
}

// What a message's first bytes after the SID name: an identifier read or written.
std::string identifierText(const Named* service, const std::uint8_t* bytes, int count) {
    if (service == nullptr || service->identifier == 0 || count < service->identifier) {
        return {};
    }
    return ", identifier " + HexBytesText(bytes, service->identifier, "");
}

}  // namespace

bool IsDiagnosticFrame(const LinFrame& frame) {
    return frame.isLinFrame && frame.hasId && IsDiagnosticId(frame.id());
}

std::string DiagnosticFrame::invalidReason() const {
    if (!invalid) {
        return {};
    }
    if (pci == DiagnosticPci::Single) {
        return "single frame length " + std::to_string(length) + " (1 to " +
               std::to_string(kSingleMax) + ")";
    }
    return "first frame length " + std::to_string(length) + " (" + std::to_string(kFirstMin) +
           " to " + std::to_string(kFirstMax) + ")";
}

DiagnosticFrame ParseDiagnostic(const LinFrame& frame) {
    DiagnosticFrame parsed;
    parsed.request = frame.id() == kMasterRequestId;
    parsed.count = std::min(frame.dataLength(), static_cast<int>(parsed.data.size()));
    std::copy_n(frame.response, parsed.count, parsed.data.begin());
    if (parsed.count == 0) {
        return parsed;
    }
    parsed.nad = parsed.data[0];
    if (parsed.request && parsed.nad == kGoToSleepNad) {
        parsed.sleep = true;
        return parsed;
    }
    if (parsed.count >= 2) {
        parsed.pciByte = parsed.data[1];
        parsePci(parsed);
    }
    return parsed;
}

std::string NadText(std::uint8_t nad, const LdfModel* ldf) {
    std::string text = "NAD " + HexByteText(nad);
    const LdfNode* node = ldf != nullptr ? ldf->nodeByNad(nad) : nullptr;
    if (node != nullptr) {
        text += " (" + node->name + ")";
    } else if (nad == kBroadcastNad) {
        text += " (broadcast)";
    } else if (nad == kFunctionalNad) {
        text += " (functional)";
    }
    return text;
}

std::string ServiceText(std::uint8_t sid) {
    const Named* service = serviceOf(sid);
    return service == nullptr ? HexByteText(sid) : HexByteText(sid) + " " + service->name;
}

std::vector<TransportField> DiagnosticFields(const LinFrame& frame, const LdfModel* ldf) {
    const DiagnosticFrame parsed = ParseDiagnostic(frame);
    std::vector<TransportField> fields;
    if (parsed.count == 0) {
        fields.push_back({parsed.kind(), {}});
        fields.push_back({"no data", {}, ':'});
        return fields;
    }
    if (parsed.sleep) {
        fields.push_back({parsed.kind(), {}});
        fields.push_back({"go-to-sleep", {}, ':'});
        return fields;
    }
    fields.push_back({parsed.kind(), NadText(parsed.nad, ldf)});
    const std::uint8_t* bytes = parsed.data.data() + parsed.at;
    switch (parsed.pci) {
        case DiagnosticPci::None:
            fields.push_back({"no PCI", {}, ':'});
            return fields;
        case DiagnosticPci::Unknown:
            fields.push_back({"PCI", HexByteText(parsed.pciByte) + " unknown"});
            return fields;
        case DiagnosticPci::Single:
            fields.push_back({"SF", "length " + std::to_string(parsed.length)});
            break;
        case DiagnosticPci::First:
            fields.push_back({"FF", "length " + std::to_string(parsed.length)});
            break;
        case DiagnosticPci::Consecutive:
            fields.push_back({"CF", std::to_string(parsed.length)});
            if (parsed.carried > 0) {
                fields.push_back({"data", HexBytesText(bytes, parsed.carried), ':'});
            }
            return fields;
    }
    if (parsed.invalid) {
        fields.push_back({kInvalid, parsed.invalidReason(), ':'});
    } else if (parsed.carried > 0) {
        addServiceFields(fields, parsed.request, bytes, parsed.carried);
    }
    return fields;
}

std::string JoinDiagnosticFields(const std::vector<TransportField>& fields) {
    std::string text;
    for (const TransportField& field : fields) {
        if (!text.empty()) {
            text += field.before;
            text += ' ';
        }
        text += field.name;
        if (!field.value.empty()) {
            text += field.name == kInvalid ? ": " : " ";  // "invalid: single frame length 0"
            text += field.value;
        }
    }
    return text;
}

std::string DescribeDiagnostic(const LinFrame& frame, const LdfModel* ldf) {
    return JoinDiagnosticFields(DiagnosticFields(frame, ldf));
}

std::string DiagnosticTitle(const LinFrame& frame) {
    const DiagnosticFrame parsed = ParseDiagnostic(frame);
    const std::string kind = parsed.kind();
    if (parsed.count == 0) {
        return kind;
    }
    if (parsed.sleep) {
        return kind + " go-to-sleep";
    }
    const std::string head = kind + " NAD " + HexByteText(parsed.nad);
    if (parsed.invalid) {
        return head + " " + kInvalid;
    }
    if (parsed.pci == DiagnosticPci::Consecutive) {
        return head + " CF " + std::to_string(parsed.length);
    }
    const bool carriesSid =
        parsed.pci == DiagnosticPci::Single || parsed.pci == DiagnosticPci::First;
    if (!carriesSid || parsed.carried == 0) {
        return head;
    }
    auto named = [](std::uint8_t sid) {
        const Named* service = serviceOf(sid);
        return service != nullptr && service->configuration ? std::string(service->name)
                                                            : "SID " + HexByteText(sid);
    };
    const std::uint8_t* bytes = parsed.data.data() + parsed.at;
    const std::uint8_t sid = bytes[0];
    if (!parsed.request && sid == kNegativeResponse) {
        return parsed.carried > 1 ? head + " " + named(bytes[1]) + " negative" : head;
    }
    if (!parsed.request && sid >= kPositiveOffset) {
        return head + " " + named(static_cast<std::uint8_t>(sid - kPositiveOffset)) + " positive";
    }
    return head + " " + named(sid);
}

std::string DescribeMessage(bool request, const std::uint8_t* bytes, int count) {
    if (count == 0) {
        return {};
    }
    const std::uint8_t sid = bytes[0];
    if (!request && sid == kNegativeResponse && count >= 3) {
        return "negative response to " + ServiceText(bytes[1]) + ", error " + errorText(bytes[2]);
    }
    if (!request && sid >= kPositiveOffset) {
        const auto asked = static_cast<std::uint8_t>(sid - kPositiveOffset);
        return "positive response to " + ServiceText(asked) +
               identifierText(serviceOf(asked), bytes + 1, count - 1);
    }
    return "request " + ServiceText(sid) + identifierText(serviceOf(sid), bytes + 1, count - 1);
}

bool MessageCarriesService(bool request, const std::uint8_t* bytes, int count, std::uint8_t sid) {
    if (count < 1) {
        return false;
    }
    if (request) {
        return bytes[0] == sid;
    }
    if (bytes[0] == kNegativeResponse) {
        return count > 1 && bytes[1] == sid;
    }
    return bytes[0] == static_cast<std::uint8_t>(sid + kPositiveOffset);
}

bool CarriesService(const LinFrame& frame, std::uint8_t sid) {
    if (!IsDiagnosticFrame(frame)) {
        return false;
    }
    const DiagnosticFrame parsed = ParseDiagnostic(frame);
    const bool carriesSid =
        parsed.pci == DiagnosticPci::Single || parsed.pci == DiagnosticPci::First;
    return carriesSid && MessageCarriesService(parsed.request, parsed.data.data() + parsed.at,
                                               parsed.carried, sid);
}

}  // namespace daridez
