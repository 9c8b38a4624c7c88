#include "serial/SerialPort.h"

#include <QSerialPort>
#include <algorithm>
#include <cstring>

#include "serial/PortProblem.h"
#include "serial/SerialPlatform.h"

#include <fcntl.h>
#include <poll.h>

namespace daridez {

namespace {

constexpr const char* kOpenFailed = "INVLID_HANDLE_VALUE";
constexpr const char* kTimeoutsFailed = "Could not set comm timeouts";
constexpr const char* kStateFailed = "Could not set the comstate";

bool applyDataBits(QSerialPort& port, std::uint8_t byteSize) {
    switch (byteSize) {
        case 5:
            return port.setDataBits(QSerialPort::Data5);
        case 6:
            return port.setDataBits(QSerialPort::Data6);
        case 7:
            return port.setDataBits(QSerialPort::Data7);
        case 8:
            return port.setDataBits(QSerialPort::Data8);
        default:
            return false;
    }
}

bool applyParity(QSerialPort& port, std::uint8_t parity) {
    switch (parity) {
        case kNoParity:
            return port.setParity(QSerialPort::NoParity);
        case kOddParity:
            return port.setParity(QSerialPort::OddParity);
        case kEvenParity:
            return port.setParity(QSerialPort::EvenParity);
        case 3:
            return port.setParity(QSerialPort::MarkParity);
        case 4:
            return port.setParity(QSerialPort::SpaceParity);
        default:
            return false;
    }
}

// As the serial drivers rule it: one and a half stop bits go only with 5 data bits,
// two never do. Qt would quietly run 1.5 as one stop bit; the port refuses it instead.
bool applyStopBits(QSerialPort& port, std::uint8_t stopBits, std::uint8_t byteSize) {
    switch (stopBits) {
        case kOneStopBit:
            return port.setStopBits(QSerialPort::OneStop);
        case kOne5StopBits:
            return byteSize == 5 && port.setStopBits(QSerialPort::OneAndHalfStop);
        case kTwoStopBits:
            return byteSize != 5 && port.setStopBits(QSerialPort::TwoStop);
        default:
            return false;
    }
}

// A line the port cannot drive (a pseudo-terminal, an adapter without DTR or RTS) is
// not an error: the line is simply not there to hold high.
bool holdLineOff(QSerialPort& port, bool (QSerialPort::*set)(bool)) {
    if ((port.*set)(false)) {
        return true;
    }
    bool unsupported = port.error() == QSerialPort::UnsupportedOperationError;
    port.clearError();
    return unsupported;
}

}  // namespace

SerialPort::SerialPort(const PortPaths& paths, QObject* parent) : QObject(parent), paths_(paths) {}

SerialPort::~SerialPort() {
    releasePort();
}

std::optional<std::string> SerialPort::Open(const SerialSettings& settings) {
    openProblem_.clear();
    if (settings.ComPort < 1 || settings.ComPort > 4) {
        return std::nullopt;
    }
    // A port still held would otherwise stay open behind the new one.
    releasePort();
    vanished_ = false;
    lineError_ = false;
    received_.clear();

    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(QString::fromStdString(paths_.path(settings.ComPort)));
    connect(port_.get(), &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onPortError(error); });
    if (!port_->open(QIODevice::ReadWrite)) {
        releasePort();
        channel_ = Channel::Invalid;
        openProblem_ = DescribePortProblem(paths_.path(settings.ComPort));
        return kOpenFailed;
    }
    channel_ = Channel::Open;
    if (!makeReadsReturnAtOnce()) {
        return kTimeoutsFailed;
    }
    return applySettings(settings) ? "" : kStateFailed;
}

// QSerialPort never waits unless asked to; what remains is that the descriptor is
// non-blocking, so that no read of the descriptor can stall the user interface.
bool SerialPort::makeReadsReturnAtOnce() {
    int fd = static_cast<int>(port_->handle());
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) {
        return false;
    }
    return (flags & O_NONBLOCK) != 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool SerialPort::applySettings(const SerialSettings& settings) {
    QSerialPort& port = *port_;
    bool ok = port.setBaudRate(static_cast<qint32>(settings.BaudRate)) &&
              applyDataBits(port, settings.ByteSize) && applyParity(port, settings.Parity) &&
              applyStopBits(port, settings.StopBits, settings.ByteSize) &&
              port.setFlowControl(QSerialPort::NoFlowControl) &&
              holdLineOff(port, &QSerialPort::setDataTerminalReady) &&
              holdLineOff(port, &QSerialPort::setRequestToSend);
    port.clearError();
    return ok;
}

std::uint32_t SerialPort::Close() {
    if (channel_ != Channel::Open) {
        return 0;
    }
    PurgeInput();
    PurgeOutput();
    releasePort();
    received_.clear();
    channel_ = Channel::Invalid;
    return 1;
}

void SerialPort::markNotConnected() {
    releasePort();
    received_.clear();
    channel_ = Channel::None;
}

std::uint32_t SerialPort::BytesWaiting() {
    if (channel_ != Channel::Open) {
        return 0;
    }
    if (portOpen()) {
        takeArrivedBytes();
    }
    // One transient line error reported since the last poll: this poll reports
    // nothing, and the bytes are delivered by the next one.
    if (lineError_) {
        lineError_ = false;
        return 0;
    }
    return queuedCount();
}

std::uint32_t SerialPort::PurgeInput() {
    if (channel_ != Channel::Open || BytesWaiting() == 0) {
        return 0;
    }
    received_.clear();
    if (portOpen()) {
        return port_->clear(QSerialPort::Input) ? 1 : 0;
    }
    return 1;
}

std::uint32_t SerialPort::PurgeOutput() {
    if (channel_ != Channel::Open || !portOpen()) {
        return 0;
    }
    return port_->clear(QSerialPort::Output) ? 1 : 0;
}

std::uint32_t SerialPort::Write(const std::uint8_t* bytes, std::uint32_t count) {
    if (channel_ != Channel::Open || !portOpen() || bytes == nullptr) {
        return 0;
    }
    qint64 accepted = port_->write(reinterpret_cast<const char*>(bytes), count);
    if (accepted <= 0) {
        port_->clearError();
        return 0;
    }
    // Handed to the driver now as far as it takes them, never waited for (the window's
    // thread calls this): a command frame is a few bytes, and what a device that stopped
    // reading refuses stays queued in the port and goes out from the event loop.
    port_->flush();
    // A device that vanished meanwhile took nothing, whatever Qt had buffered.
    if (vanished_ || !portOpen()) {
        return 0;
    }
    port_->clearError();
    return static_cast<std::uint32_t>(accepted);
}

std::uint32_t SerialPort::Read(std::uint8_t* buffer, std::uint32_t max) {
    if (buffer == nullptr || channel_ != Channel::Open) {
        return 0;
    }
    std::uint32_t n = std::min(BytesWaiting(), max);
    if (n == 0) {
        return 0;
    }
    std::uint32_t fromKept =
        std::min<std::uint32_t>(n, static_cast<std::uint32_t>(received_.size()));
    std::copy_n(received_.begin(), fromKept, buffer);
    received_.erase(received_.begin(), received_.begin() + fromKept);
    std::uint32_t delivered = fromKept;
    if (delivered < n && portOpen()) {
        qint64 got = port_->read(reinterpret_cast<char*>(buffer + delivered), n - delivered);
        delivered += got > 0 ? static_cast<std::uint32_t>(got) : 0;
    }
    return delivered;
}

int SerialPort::descriptor() const {
    return portOpen() ? PollableDescriptor(port_->handle()) : -1;
}

bool SerialPort::portOpen() const {
    return port_ != nullptr && port_->isOpen();
}

std::uint32_t SerialPort::queuedCount() const {
    qint64 inPort = portOpen() ? port_->bytesAvailable() : 0;
    return static_cast<std::uint32_t>(received_.size() + static_cast<std::size_t>(inPort));
}

// Pulls what the driver holds into the port's read buffer without an event loop: a
// zero time-out poll of the descriptor, repeated while it yields bytes.
void SerialPort::takeArrivedBytes() {
    for (int round = 0; round < 64 && portOpen(); ++round) {
        if (!port_->waitForReadyRead(0)) {
            break;
        }
    }
    if (portOpen() && port_->error() == QSerialPort::TimeoutError) {
        port_->clearError();
    }
}

// A terminal that has hung up (a closed pseudo-terminal) reads as end of file, which
// QSerialPort reports as a read error again and again; an unplugged adapter reports a
// resource error. Both mean the device is gone; any other read error is transient.
void SerialPort::onPortError(int error) {
    switch (static_cast<QSerialPort::SerialPortError>(error)) {
        case QSerialPort::ResourceError:
            loseDevice();
            break;
        case QSerialPort::ReadError:
        case QSerialPort::UnknownError:
            if (hasHungUp()) {
                loseDevice();
            } else {
                lineError_ = true;
            }
            break;
        default:
            break;
    }
}

bool SerialPort::hasHungUp() const {
    if (!portOpen()) {
        return false;
    }
    pollfd probe{static_cast<int>(port_->handle()), POLLIN, 0};
    return ::poll(&probe, 1, 0) > 0 && (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// The device is gone (adapter unplugged, pseudo-terminal closed). The bytes that had
// arrived are kept for Read; the port is closed so that nothing polls a dead
// descriptor. The owner hears of it from the event loop, never from inside a call
// it is making on this channel.
void SerialPort::loseDevice() {
    if (vanished_ || port_ == nullptr) {
        return;
    }
    vanished_ = true;
    lineError_ = false;
    QByteArray rest = port_->readAll();
    received_.insert(received_.end(), rest.begin(), rest.end());
    port_->close();
}

// Never called from inside the port's own signals: the owner hears of a lost device
// through a queued signal, so deleting the port here is safe.
void SerialPort::releasePort() {
    if (port_ == nullptr) {
        return;
    }
    port_->disconnect(this);
    port_.reset();
}

}  // namespace daridez
