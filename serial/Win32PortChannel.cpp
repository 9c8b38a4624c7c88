#include "serial/Win32PortChannel.h"

// Only the system calls: the full header would define "interface" as a macro.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <utility>

namespace daridez {

namespace {

HANDLE handleOf(void* handle) {
    return static_cast<HANDLE>(handle);
}

}  // namespace

std::string Win32PortChannel::reasonOf(unsigned long error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text),
        0, nullptr);
    std::string reason = length > 0 && text != nullptr ? std::string(text, length)
                                                       : "error " + std::to_string(error);
    ::LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason;
}

namespace {

// Why a device could not be opened, in the words the window uses where it has them.
std::string openProblem(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "no such device";
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return "in use by another program";
        default:
            return Win32PortChannel::reasonOf(error);
    }
}

// The name CreateFile takes for a device: "COM5" becomes "\\.\COM5" (without it COM10
// and above are not found); a name that starts with a backslash is taken as it is.
std::string devicePath(const std::string& name) {
    return name.starts_with('\\') ? name : "\\\\.\\" + name;
}

BYTE parityOf(std::uint8_t parity) {
    switch (parity) {
        case kOddParity:
            return ODDPARITY;
        case kEvenParity:
            return EVENPARITY;
        default:
            return NOPARITY;
    }
}

}  // namespace

Win32PortChannel::~Win32PortChannel() {
    close();
}

std::string Win32PortChannel::open(const std::string& name, const SerialSettings& settings) {
    close();
    vanished_ = false;
    const HANDLE handle = ::CreateFileA(devicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return name + ": " + openProblem(::GetLastError());
    }
    handle_ = handle;
    std::string problem;
    if (!configure(settings, problem)) {
        close();
        return name + ": " + problem;
    }
    return {};
}

bool Win32PortChannel::configure(const SerialSettings& settings, std::string& problem) {
    DCB line{};
    line.DCBlength = sizeof line;
    if (!::GetCommState(handleOf(handle_), &line)) {
        problem = "not a serial device";
        return false;
    }
    line.BaudRate = settings.BaudRate;
    line.ByteSize = settings.ByteSize;
    line.Parity = parityOf(settings.Parity);
    line.StopBits = settings.StopBits == kTwoStopBits    ? TWOSTOPBITS
                    : settings.StopBits == kOne5StopBits ? ONE5STOPBITS
                                                         : ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = settings.Parity != kNoParity;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fErrorChar = FALSE;
    line.fNull = FALSE;
    line.fAbortOnError = FALSE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    if (!::SetCommState(handleOf(handle_), &line)) {
        problem = "the line cannot run at " + std::to_string(settings.BaudRate) + " baud (" +
                  Win32PortChannel::reasonOf(::GetLastError()) + ")";
        return false;
    }
    // Reads return at once with what is queued; a command of a few bytes that the driver
    // has not taken in a second is stuck.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = 1000;
    if (!::SetCommTimeouts(handleOf(handle_), &timeouts)) {
        problem =
            "the time-outs were refused (" + Win32PortChannel::reasonOf(::GetLastError()) + ")";
        return false;
    }
    return true;
}

void Win32PortChannel::close() {
    if (handle_ != nullptr) {
        ::CloseHandle(handleOf(std::exchange(handle_, nullptr)));
    }
}

std::uint32_t Win32PortChannel::queued() const {
    COMSTAT status{};
    DWORD errors = 0;
    if (handle_ == nullptr || vanished_ || !::ClearCommError(handleOf(handle_), &errors, &status)) {
        return 0;
    }
    return status.cbInQue;
}

// With the device's abort-on-error off, a read or write on an open port fails only when
// the device is gone.
std::uint32_t Win32PortChannel::Read(std::uint8_t* buffer, std::uint32_t max) {
    if (handle_ == nullptr || vanished_ || max == 0) {
        return 0;
    }
    DWORD got = 0;
    if (!::ReadFile(handleOf(handle_), buffer, max, &got, nullptr)) {
        vanished_ = true;
        return 0;
    }
    // A read of nothing is also how some drivers answer once their device is gone; the
    // device's status then cannot be had either.
    COMSTAT status{};
    DWORD errors = 0;
    vanished_ = got == 0 && !::ClearCommError(handleOf(handle_), &errors, &status);
    return got;
}

std::uint32_t Win32PortChannel::Write(const std::uint8_t* bytes, std::uint32_t count) {
    std::uint32_t written = 0;
    while (handle_ != nullptr && !vanished_ && written < count) {
        DWORD put = 0;
        if (!::WriteFile(handleOf(handle_), bytes + written, count - written, &put, nullptr)) {
            vanished_ = true;
        } else if (put == 0) {
            break;  // the write time-out ran out
        }
        written += put;
    }
    return written;
}

std::uint32_t Win32PortChannel::PurgeInput() {
    return handle_ != nullptr && ::PurgeComm(handleOf(handle_), PURGE_RXCLEAR) ? 1 : 0;
}

std::uint32_t Win32PortChannel::PurgeOutput() {
    return handle_ != nullptr && ::PurgeComm(handleOf(handle_), PURGE_TXCLEAR) ? 1 : 0;
}

}  // namespace daridez
