#pragma once

#include <cstdint>
#include <string>

namespace daridez {

class Profile;

// The serial configuration, kept in the profile: the fields of a serial device-control
// block (the port channel applies baud rate, byte size, parity and stop bits through Qt;
// the flow-control fields are set once and stay off), then the port number and the end
// character. The field names are those of that block, as the profile's keys are.
struct SerialSettings {
    std::uint32_t DCBlength;
    std::uint32_t BaudRate;
    std::uint32_t fBinary : 1;
    std::uint32_t fParity : 1;
    std::uint32_t fOutxCtsFlow : 1;
    std::uint32_t fOutxDsrFlow : 1;
    std::uint32_t fDtrControl : 2;
    std::uint32_t fDsrSensitivity : 1;
    std::uint32_t fTXContinueOnXoff : 1;
    std::uint32_t fOutX : 1;
    std::uint32_t fInX : 1;
    std::uint32_t fErrorChar : 1;
    std::uint32_t fNull : 1;
    std::uint32_t fRtsControl : 2;
    std::uint32_t fAbortOnError : 1;
    std::uint32_t fDummy2 : 17;
    std::uint16_t wReserved;
    std::uint16_t XonLim;
    std::uint16_t XoffLim;
    std::uint8_t ByteSize;
    std::uint8_t Parity;    // 0 none, 1 odd, 2 even
    std::uint8_t StopBits;  // 0 one, 1 one and a half, 2 two
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    std::uint16_t wReserved1;
    std::int32_t ComPort;  // 1 to 4 can be opened
    std::int8_t EndChar;
};

inline constexpr std::uint8_t kNoParity = 0;
inline constexpr std::uint8_t kOddParity = 1;
inline constexpr std::uint8_t kEvenParity = 2;
inline constexpr std::uint8_t kOneStopBit = 0;
inline constexpr std::uint8_t kOne5StopBits = 1;
inline constexpr std::uint8_t kTwoStopBits = 2;

// Sets the fixed fields (length, flags, XON/XOFF limits and characters).
void InitSerialSettings(SerialSettings& settings);
// Reads the six keys of section "SIO_CFG"; a missing profile does nothing.
void LoadSerialSettings(const Profile* profile, SerialSettings& settings);
// Sets the six keys in their fixed order, and the ports when missing, in the profile's
// document; Profile::save() writes them.
void SaveSerialSettings(Profile* profile, const SerialSettings& settings);
// The LIN rate last set on the tracer ([LIN] Baudrate) when the profile holds a usable one,
// otherwise `fallback`.
int LoadLinRate(const Profile& profile, int fallback);
void SaveLinRate(Profile& profile, int rate);
// "Com2, 57600 Baud, 8 Bit, 1 Stop, no Parity" and its "?" pieces.
std::string DescribeSerialSettings(const SerialSettings& settings);

}  // namespace daridez
