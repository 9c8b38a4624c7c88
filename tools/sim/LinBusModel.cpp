#include "LinBusModel.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace daridez::sim {

namespace {

constexpr std::uint64_t kWrap = 65536;
constexpr std::uint64_t kMinimumSlot = 10000;  // 10 ms, the usual LIN time base

// A small body-electronics schedule: identifiers 0x00-0x1F carry 2 data bytes,
// 0x20-0x2F 4 and 0x30-0x3F 8, as LIN 1.x has it; 0x3C is a diagnostic request.
constexpr std::array<std::pair<std::uint8_t, int>, 6> kSchedule{{
    {0x10, 2},
    {0x22, 4},
    {0x31, 8},
    {0x05, 2},
    {0x28, 4},
    {0x3C, 8},
}};

constexpr std::array<std::uint8_t, 4> kErrorCodes{0x01, 0x02, 0x04, 0x08};

DeviceFrame stamped(std::uint64_t time, std::uint8_t kind, std::uint8_t value) {
    return DeviceFrame::make(time, {0x05, kind, highByte(time), lowByte(time), value});
}

}  // namespace

LinBusModel::LinBusModel(std::uint32_t seed, TroubleRates rates, std::uint16_t baudrate)
    : random_(seed), rates_(rates), baudrate_(19200) {
    setBaudrate(baudrate);
}

bool LinBusModel::setBaudrate(std::uint16_t baudrate) {
    if (baudrate < 1000 || baudrate > 20000) {
        return false;
    }
    baudrate_ = baudrate;
    return true;
}

void LinBusModel::restart(std::uint64_t now) {
    pending_.clear();
    nextSlot_ = now;
    nextWrap_ = (now / kWrap + 1) * kWrap;
}

std::uint64_t LinBusModel::nextDue() {
    if (pending_.empty()) {
        buildSlot();
    }
    return std::min(pending_.front().time, nextWrap_);
}

void LinBusModel::produceUntil(std::uint64_t until, std::vector<DeviceFrame>& out) {
    while (nextDue() <= until) {
        // A wrap at the same microsecond as a field goes first: the field's stamp then
        // belongs to the new round of the clock.
        if (nextWrap_ <= pending_.front().time) {
            out.push_back(DeviceFrame::make(nextWrap_, {0x02, kTimerWrap}));
            nextWrap_ += kWrap;
        } else {
            out.push_back(pending_.front());
            pending_.pop_front();
        }
    }
}

std::uint8_t LinBusModel::protectedId(std::uint8_t id) {
    auto bit = [id](int n) { return (id >> n) & 1; };
    int p0 = bit(0) ^ bit(1) ^ bit(2) ^ bit(4);
    int p1 = 1 ^ (bit(1) ^ bit(3) ^ bit(4) ^ bit(5));
    return static_cast<std::uint8_t>((id & 0x3F) | (p0 << 6) | (p1 << 7));
}

std::uint8_t LinBusModel::linChecksum(std::uint8_t pid, const std::uint8_t* data, int count) {
    std::uint8_t id = pid & 0x3F;
    unsigned sum = (id == 0x3C || id == 0x3D) ? 0 : pid;
    for (int i = 0; i < count; ++i) {
        sum += data[i];
        if (sum > 0xFF) {
            sum -= 0xFF;
        }
    }
    return static_cast<std::uint8_t>(~sum);
}

bool LinBusModel::chance(double rate) {
    if (rate <= 0.0) {
        return false;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < rate;
}

// Sensor-like data: a rolling counter, slowly moving values and, for the diagnostic
// request, a read-by-identifier request.
void LinBusModel::fillData(const ScheduleEntry& entry, std::uint8_t* data) {
    if (entry.id == 0x3C) {
        const std::array<std::uint8_t, 8> request{0x7F, 0x03, 0x22, 0xF1, 0x90, 0xFF, 0xFF, 0xFF};
        std::copy(request.begin(), request.end(), data);
        return;
    }
    data[0] = counter_;
    for (int i = 1; i < entry.length; ++i) {
        data[i] = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(random_));
    }
}

// One slot of the schedule: break, sync, identifier and response, each stamped at the
// end of its field, at the bus's bit rate with small gaps between bytes.
void LinBusModel::buildSlot() {
    const auto& [id, length] = kSchedule[scheduleIndex_];
    ScheduleEntry entry{id, length};
    scheduleIndex_ = (scheduleIndex_ + 1) % kSchedule.size();
    ++counter_;

    const double bit = bitTime();
    auto gap = [this, bit]() { return bit * std::uniform_int_distribution<int>(0, 2)(random_); };
    double t = static_cast<double>(nextSlot_);
    t += 13 * bit;
    auto now = [&t]() { return static_cast<std::uint64_t>(std::llround(t)); };
    pending_.push_back(
        DeviceFrame::make(now(), {0x04, kBreak, highByte(now()), lowByte(now())}, true));
    t += 11 * bit;
    pending_.push_back(stamped(now(), kSync, 0x55));
    const std::uint8_t pid = protectedId(entry.id);
    t += 10 * bit + gap();
    pending_.push_back(stamped(now(), kIdentifier, pid));

    if (chance(rates_.garbage)) {
        addGarbage(now(), pid);
    }
    t += 2 * bit + gap();
    if (chance(rates_.deviceErrors)) {
        t += 10 * bit;
        std::uint8_t code = kErrorCodes[std::uniform_int_distribution<std::size_t>(
            0, kErrorCodes.size() - 1)(random_)];
        pending_.push_back(DeviceFrame::make(
            now(), {0x05, kDeviceError, highByte(now()), lowByte(now()), code}, true));
    } else {
        std::array<std::uint8_t, 9> response{};
        fillData(entry, response.data());
        response[entry.length] = linChecksum(pid, response.data(), entry.length);
        for (int i = 0; i <= entry.length; ++i) {
            t += 10 * bit + (i > 0 ? gap() / 2 : 0.0);
            pending_.push_back(
                stamped(now(), static_cast<std::uint8_t>(kResponseByte1 + i), response[i]));
        }
    }
    if (chance(rates_.bufferOverflows)) {
        std::uint8_t lost =
            static_cast<std::uint8_t>(std::uniform_int_distribution<int>(1, 255)(random_));
        pending_.push_back(DeviceFrame::make(now(), {0x03, kBufferOverflow, lost}, true));
    }

    // The slot fits the longest frame (8 data bytes) with room to spare.
    const double longest = (34 + 10 * 9) * 1.4 * bit;
    std::uint64_t slot = std::max<std::uint64_t>(
        kMinimumSlot, static_cast<std::uint64_t>(std::ceil(longest / 5000.0)) * 5000);
    nextSlot_ += slot;
}

// A frame that does not fit the grammar, as a disturbed line or a firmware fault
// produces it: a kind the device does not define, a response byte with a short
// length byte, or a second sync field. Its check byte is still right.
void LinBusModel::addGarbage(std::uint64_t time, std::uint8_t pid) {
    switch (std::uniform_int_distribution<int>(0, 2)(random_)) {
        case 0:
            pending_.push_back(
                DeviceFrame::make(time, {0x05, 0x9F, highByte(time), lowByte(time), pid}));
            break;
        case 1:
            pending_.push_back(
                DeviceFrame::make(time, {0x04, kResponseByte1, highByte(time), lowByte(time)}));
            break;
        default:
            pending_.push_back(stamped(time, kSync, 0x55));
            break;
    }
}

}  // namespace daridez::sim
