#include "serial/SerialSettings.h"

#include <string>

#include "lin/LinRates.h"
#include "serial/PortPaths.h"
#include "serial/Profile.h"
#include "serial/SerialChoices.h"
#include "serial/SerialPlatform.h"

namespace daridez {

namespace {

constexpr const char* kSection = "SIO_CFG";
constexpr const char* kLinSection = "LIN";
constexpr const char* kLinRateKey = "Baudrate";

// The status line names each setting by a piece of text; a value with no piece of its own
// is shown as "?".
struct Piece {
    std::int64_t value;
    const char* text;
};

template <std::size_t N>
const char* pieceOf(const Piece (&pieces)[N], std::int64_t value, const char* unknown) {
    for (const Piece& piece : pieces) {
        if (piece.value == value) {
            return piece.text;
        }
    }
    return unknown;
}

constexpr Piece kPortPieces[] = {{1, "Com1, "}, {2, "Com2, "}, {3, "Com3, "}, {4, "Com4, "}};
constexpr Piece kByteSizePieces[] = {{7, "7 Bit, "}, {8, "8 Bit, "}};
constexpr Piece kStopBitsPieces[] = {{kOneStopBit, "1 Stop, "}, {kTwoStopBits, "2 Stop, "}};
constexpr Piece kParityPieces[] = {
    {kNoParity, "no Parity"}, {kOddParity, "odd Parity"}, {kEvenParity, "even Parity"}};

std::string baudPiece(std::uint32_t baudRate) {
    for (const SerialRate& entry : kSerialRates) {
        if (entry.rate == baudRate && entry.named) {
            return std::to_string(baudRate) + " Baud, ";
        }
    }
    return "? Baud, ";
}

}  // namespace

void InitSerialSettings(SerialSettings& settings) {
    settings.DCBlength = 28;
    settings.fBinary = 1;
    settings.fParity = 0;
    settings.fOutxCtsFlow = 0;
    settings.fOutxDsrFlow = 0;
    settings.fDtrControl = 0;  // DTR_CONTROL_DISABLE
    settings.fDsrSensitivity = 0;
    settings.fTXContinueOnXoff = 0;
    settings.fOutX = 0;
    settings.fInX = 0;
    settings.fErrorChar = 0;
    settings.fNull = 0;
    settings.fRtsControl = 0;  // RTS_CONTROL_DISABLE
    settings.fAbortOnError = 0;
    settings.fDummy2 = 0;
    settings.XonLim = 1000;
    settings.XoffLim = 1000;
    settings.XonChar = 0x11;
    settings.XoffChar = 0x13;
}

void LoadSerialSettings(const Profile* profile, SerialSettings& settings) {
    if (profile == nullptr) {
        return;
    }
    // The 8-bit fields keep the low 8 bits of what the profile holds.
    settings.StopBits = static_cast<std::uint8_t>(profile->GetProfileInt(kSection, "StopBits", 0));
    settings.Parity = static_cast<std::uint8_t>(profile->GetProfileInt(kSection, "Parity", 0));
    settings.BaudRate = static_cast<std::uint32_t>(profile->GetProfileInt(
        kSection, "BaudRate", static_cast<std::int32_t>(kDefaultSerialRate)));
    settings.ByteSize = static_cast<std::uint8_t>(profile->GetProfileInt(kSection, "ByteSize", 8));
    settings.ComPort = profile->GetProfileInt(kSection, "ComPort", 2);
    settings.EndChar = static_cast<std::int8_t>(
        static_cast<std::uint8_t>(profile->GetProfileInt(kSection, "EndChar", 13)));
}

int LoadLinRate(const Profile& profile, int fallback) {
    const int rate = profile.GetProfileInt(kLinSection, kLinRateKey, 0);
    return IsLinRate(rate) ? rate : fallback;
}

void SaveLinRate(Profile& profile, int rate) {
    profile.WriteProfileInt(kLinSection, kLinRateKey, rate);
}

// Also adds the "PORTS" section with its paths when the profile lacks it, so that a
// user finds it beside the settings and can point a port anywhere. The only place
// that does: a profile without the section has the default paths loaded.
void SaveSerialSettings(Profile* profile, const SerialSettings& settings) {
    if (profile == nullptr) {
        return;
    }
    profile->WriteProfileInt(kSection, "StopBits", settings.StopBits);
    profile->WriteProfileInt(kSection, "Parity", settings.Parity);
    profile->WriteProfileInt(kSection, "BaudRate", static_cast<std::int32_t>(settings.BaudRate));
    profile->WriteProfileInt(kSection, "ByteSize", settings.ByteSize);
    profile->WriteProfileInt(kSection, "ComPort", settings.ComPort);
    profile->WriteProfileInt(kSection, "EndChar", settings.EndChar);
    if (PortsHavePaths()) {
        PortPaths().saveIfMissing(*profile);
    }
}

std::string DescribeSerialSettings(const SerialSettings& settings) {
    return std::string(pieceOf(kPortPieces, settings.ComPort, "Com?, ")) +
           baudPiece(settings.BaudRate) + pieceOf(kByteSizePieces, settings.ByteSize, "? Bit, ") +
           pieceOf(kStopBitsPieces, settings.StopBits, "? Stop, ") +
           pieceOf(kParityPieces, settings.Parity, "? Parity");
}

}  // namespace daridez
