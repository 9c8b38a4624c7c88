#pragma once
// Test helper: a port channel whose bytes the test queues before each poll or tick.
#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <string>

#include "DecoderFixture.h"
#include "protocol/PortChannel.h"

namespace daridez::test {

// Purging the input throws the queued bytes away, as a real port does; what is written
// is kept in hexadecimal.
struct ScriptedPort : PortChannel {
    bool isConnected() const override { return connected; }
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max) override {
        const qsizetype n = std::min<qsizetype>(lastMax = max, pending.size());
        std::copy_n(pending.constData(), n, buffer);
        pending.remove(0, n);
        return std::uint32_t(n);
    }
    std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count) override {
        writes << bytesOf(bytes, count).toHex(' ');
        return count;
    }
    std::uint32_t PurgeInput() override { return pending.clear(), purges += 'I', 1; }
    std::uint32_t PurgeOutput() override { return purges += 'O', 1; }
    bool deviceVanished() const override { return vanished; }

    // An unplugged adapter: the device is gone and the port with it.
    void unplug() { vanished = true, connected = false; }

    bool connected = true, vanished = false;
    QByteArray pending;
    std::uint32_t lastMax = 0;  // the room the last Read was given
    QStringList writes;         // in hexadecimal
    std::string purges;         // "O" and "I" in the order they happened
};

}  // namespace daridez::test
