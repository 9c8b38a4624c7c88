#pragma once

#include <QObject>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "protocol/PortChannel.h"
#include "serial/PortPaths.h"
#include "serial/SerialSettings.h"

class QSerialPort;

namespace daridez {

// The program's only channel to the tracer device: one serial port opened by number,
// configured from the settings, without flow control, read without ever waiting.
// Reports trouble by return value and by deviceVanished(), never by a dialog.
class SerialPort : public QObject, public PortChannel {
    Q_OBJECT

  public:
    // None: never opened, or marked not connected by the window. Invalid: the last
    // Open failed to open the port, or Close closed it. Open: a port is held.
    enum class Channel { None, Invalid, Open };

    explicit SerialPort(const PortPaths& paths, QObject* parent = nullptr);
    ~SerialPort() override;

    // Nothing when ComPort is outside 1 to 4 (nothing touched); otherwise "" on success
    // or "INVLID_HANDLE_VALUE", "Could not set comm timeouts", "Could not set the
    // comstate" (the port then stays open in the channel).
    std::optional<std::string> Open(const SerialSettings& settings);
    std::uint32_t Close();
    std::uint32_t BytesWaiting();
    std::uint32_t PurgeInput() override;
    std::uint32_t PurgeOutput() override;
    std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count) override;
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) override;

    // After a failed Open: the device and why it could not be opened, for the user
    // ("/dev/ttyUSB0: no such device"); empty otherwise.
    const std::string& openProblem() const { return openProblem_; }

    Channel channel() const { return channel_; }
    bool isConnected() const override { return channel_ == Channel::Open; }
    void markNotConnected();  // the window forgets the port (Channel::None)
    bool deviceVanished() const override { return vanished_; }

  private:
    bool makeReadsReturnAtOnce();
    bool applySettings(const SerialSettings& settings);
    bool portOpen() const;
    std::uint32_t queuedCount() const;
    void takeArrivedBytes();
    void onPortError(int error);
    bool hasHungUp() const;
    void loseDevice();
    void releasePort();

    const PortPaths& paths_;
    std::unique_ptr<QSerialPort> port_;
    Channel channel_ = Channel::None;
    bool vanished_ = false;
    bool lineError_ = false;             // a transient error reported since the last poll
    std::deque<std::uint8_t> received_;  // bytes taken from a port that has vanished
    std::string openProblem_;
};

}  // namespace daridez
