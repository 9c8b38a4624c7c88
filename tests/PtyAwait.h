#pragma once
// What the tests of the live tools share: waiting for the bytes a host writes to a
// simulated device, as hex, with a patience generous enough for a shared machine.
#include <QByteArray>
#include <QElapsedTimer>
#include <cstdint>

#include "sim/PtyDevice.h"

namespace daridez::test {

// Reads what the host wrote to the device until it holds want (hex), or patienceMs runs
// out; a wait ends as soon as it holds.
inline bool awaitFromHost(sim::PtyDevice& device, QByteArray& seen, const QByteArray& want,
                          int patienceMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!seen.contains(want) && timer.elapsed() < patienceMs) {
        for (std::uint8_t byte : device.read(100)) {
            seen += QByteArray(1, char(byte)).toHex();
        }
    }
    return seen.contains(want);
}

}  // namespace daridez::test
