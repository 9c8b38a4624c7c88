#include "LinBusModel.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "WrongRateReceiver.h"
#include "ldf/DiagnosticIds.h"
#include "lin/FrameCheck.h"
#include "lin/LinRates.h"

namespace daridez::sim {

namespace {

constexpr std::uint64_t kWrap = 65536;
constexpr std::uint64_t kMinimumSlot = 10000;  // 10 ms, the usual LIN time base
constexpr int kSlotsPerLook = 64;

// A small body-electronics schedule: identifiers 0x00-0x1F carry 2 data bytes,
// 0x20-0x2F 4 and 0x30-0x3F 8, as LIN 1.x has it; 0x3C and 0x3D are a diagnostic
// request and its response.
constexpr std::array<std::pair<std::uint8_t, int>, 7> kSchedule{{
    {0x10, 2},
    {0x22, 4},
    {0x31, 8},
    {0x05, 2},
    {0x28, 4},
    {kMasterRequestId, 8},
    {kSlaveResponseId, 8},
}};

// A read-by-identifier request to every node, and one node's short positive answer.
constexpr std::array<std::uint8_t, 8> kDiagnosticRequest{0x7F, 0x03, 0x22, 0xF1,
                                                         0x90, 0xFF, 0xFF, 0xFF};
constexpr std::array<std::uint8_t, 8> kDiagnosticResponse{0x0A, 0x06, 0x62, 0xF1,
                                                          0x90, 0x31, 0x2E, 0x34};

constexpr std::array<std::uint8_t, 4> kErrorCodes{0x01, 0x02, 0x04, 0x08};

DeviceFrame stamped(std::uint64_t time, std::uint8_t kind, std::uint8_t value) {
    return DeviceFrame::make(time, {0x05, kind, highByte(time), lowByte(time), value});
}

}  // namespace

LinBusModel::LinBusModel(std::uint32_t seed, TroubleRates rates, std::uint16_t baudrate,
                         ClassicIds classicIds, SimSchedule schedule)
    : random_(seed),
      rates_(rates),
      classicIds_(classicIds),
      baudrate_(kDefaultLinRate),
      player_(std::move(schedule), seed) {
    setBaudrate(baudrate);
}

bool LinBusModel::setBaudrate(std::uint16_t baudrate) {
    if (!IsBusRate(baudrate)) {
        return false;
    }
    baudrate_ = baudrate;
    return true;
}

bool LinBusModel::setBusBaudrate(std::uint16_t busBaudrate) {
    if (busBaudrate != 0 && !IsBusRate(busBaudrate)) {
        return false;
    }
    busBaudrate_ = busBaudrate;
    return true;
}

void LinBusModel::restart(std::uint64_t now) {
    pending_.clear();
    nextSlot_ = now;
    nextWrap_ = (now / kWrap + 1) * kWrap;
}

// A device listening at the wrong rate may hear nothing of a slot: a few more are built,
// and when they too bring nothing, only the clock's wraps are due for now.
std::uint64_t LinBusModel::nextDue() {
    for (int slots = 0; pending_.empty() && slots < kSlotsPerLook; ++slots) {
        buildSlot();
    }
    return pending_.empty() ? nextWrap_ : std::min(pending_.front().time, nextWrap_);
}

void LinBusModel::produceUntil(std::uint64_t until, std::vector<DeviceFrame>& out) {
    while (nextDue() <= until) {
        // A wrap at the same microsecond as a field goes first: the field's stamp then
        // belongs to the new round of the clock.
        if (pending_.empty() || nextWrap_ <= pending_.front().time) {
            out.push_back(DeviceFrame::make(nextWrap_, {0x02, kTimerWrap}));
            nextWrap_ += kWrap;
        } else {
            out.push_back(pending_.front());
            pending_.pop_front();
        }
    }
}

bool LinBusModel::chance(double rate) {
    if (rate <= 0.0) {
        return false;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < rate;
}

// Sensor-like data: a rolling counter and random values; fixed diagnostic frames.
void LinBusModel::fillBuiltInData(PlayedSlot& slot) {
    if (IsDiagnosticId(slot.id)) {
        const auto& frame = slot.id == kMasterRequestId ? kDiagnosticRequest : kDiagnosticResponse;
        std::copy(frame.begin(), frame.end(), slot.data.begin());
        return;
    }
    slot.data[0] = counter_;
    for (int i = 1; i < slot.length; ++i) {
        slot.data[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(random_));
    }
}

// The next slot of the built-in schedule; its data comes with the response.
PlayedSlot LinBusModel::builtInSlot() {
    const auto& [id, length] = kSchedule[scheduleIndex_];
    scheduleIndex_ = (scheduleIndex_ + 1) % kSchedule.size();
    ++counter_;
    PlayedSlot slot;
    slot.id = id;
    slot.length = length;
    slot.classic = ClassicOnly(id);
    return slot;
}

// The identifier byte as the master sends it; with bad parity, one or both parity bits
// are inverted, as a master with a broken parity table does.
std::uint8_t LinBusModel::identifierByte(std::uint8_t id) {
    const std::uint8_t pid = ProtectedId(id);
    if (!chance(rates_.badParity)) {
        return pid;
    }
    return static_cast<std::uint8_t>(pid ^ std::uniform_int_distribution<int>(1, 3)(random_) << 6);
}

// The checksum a node sends: classic for the diagnostic identifiers, the frames whose
// model is classic and the identifiers so configured, else enhanced over the
// identifier byte as it went on the bus.
std::uint8_t LinBusModel::checksum(std::uint8_t pid, const PlayedSlot& slot) {
    const std::uint8_t* data = slot.data.data();
    const int count = slot.length;
    const std::uint8_t id = pid & 0x3F;
    const bool classic = slot.classic || ClassicOnly(id) || classicIds_.test(id);
    const std::uint8_t right = LinChecksum(classic ? 0 : pid, data, count);
    return chance(rates_.badChecksums) ? wrongChecksum(pid, data, count, right) : right;
}

// A checksum no check accepts, from faults nodes really have: the enhanced sum over the
// identifier without its parity bits (or, where classic belongs, over the whole
// identifier byte), or a bit flipped on the line. A fault whose result a check would
// accept anyway becomes a flipped bit, so that every bad checksum shows.
std::uint8_t LinBusModel::wrongChecksum(std::uint8_t pid, const std::uint8_t* data, int count,
                                        std::uint8_t right) {
    const std::uint8_t classic = LinChecksum(0, data, count);
    const std::uint8_t enhanced = LinChecksum(pid, data, count);
    auto accepted = [&](std::uint8_t sum) {
        return sum == classic || (!ClassicOnly(pid) && sum == enhanced);
    };
    auto flipped = [right](int bit) { return static_cast<std::uint8_t>(right ^ 1 << bit); };
    std::uint8_t wrong;
    if (std::uniform_int_distribution<int>(0, 1)(random_) == 0) {
        wrong = right == classic ? enhanced : LinChecksum(pid & 0x3F, data, count);
    } else {
        wrong = flipped(std::uniform_int_distribution<int>(0, 7)(random_));
    }
    for (int bit = 0; accepted(wrong); ++bit) {
        wrong = flipped(bit);
    }
    return wrong;
}

// One slot of the schedule: break, sync, identifier and response, each stamped at the
// end of its field, at the bus's bit rate with small gaps between bytes.
void LinBusModel::buildSlot() {
    PlayedSlot entry = player_.empty() ? builtInSlot() : player_.next();
    if (!entry.header) {
        nextSlot_ += entry.delayMicros;  // the master leaves the slot empty
        return;
    }

    const double bit = bitTime();
    auto gap = [this, bit]() { return bit * std::uniform_int_distribution<int>(0, 2)(random_); };
    double t = static_cast<double>(nextSlot_);
    t += 13 * bit;
    auto now = [&t]() { return static_cast<std::uint64_t>(std::llround(t)); };
    pending_.push_back(
        DeviceFrame::make(now(), {0x04, kBreak, highByte(now()), lowByte(now())}, true));
    t += 11 * bit;
    pending_.push_back(stamped(now(), kSync, 0x55));
    const std::uint8_t pid = identifierByte(entry.id);
    t += 10 * bit + gap();
    pending_.push_back(stamped(now(), kIdentifier, pid));

    // A device at the wrong rate has troubles enough of its own making.
    if (!misread() && chance(rates_.garbage)) {
        addGarbage(now(), pid);
    }
    t += 2 * bit + gap();
    if (!misread() && chance(rates_.deviceErrors)) {
        t += 10 * bit;
        std::uint8_t code = kErrorCodes[std::uniform_int_distribution<std::size_t>(
            0, kErrorCodes.size() - 1)(random_)];
        pending_.push_back(DeviceFrame::make(
            now(), {0x05, kDeviceError, highByte(now()), lowByte(now()), code}, true));
    } else if (entry.responds) {
        if (player_.empty()) {
            fillBuiltInData(entry);
        }
        std::array<std::uint8_t, 9> response{};
        std::copy(entry.data.begin(), entry.data.end(), response.begin());
        response[static_cast<std::size_t>(entry.length)] = checksum(pid, entry);
        if (entry.collided) {
            response[static_cast<std::size_t>(entry.length)] = wrongChecksum(
                pid, entry.data.data(), entry.length,
                LinChecksum(entry.classic ? 0 : pid, entry.data.data(), entry.length));
        }
        for (int i = 0; i <= entry.length; ++i) {
            t += 10 * bit + (i > 0 ? gap() / 2 : 0.0);
            pending_.push_back(
                stamped(now(), static_cast<std::uint8_t>(kResponseByte1 + i), response[i]));
        }
    }
    if (!misread() && chance(rates_.bufferOverflows)) {
        std::uint8_t lost =
            static_cast<std::uint8_t>(std::uniform_int_distribution<int>(1, 255)(random_));
        pending_.push_back(DeviceFrame::make(now(), {0x03, kBufferOverflow, lost}, true));
    }

    // The slot fits the longest frame (8 data bytes) with room to spare; a schedule's
    // delay holds unless the bus is too slow for it, when the master overruns it.
    const double longest = (34 + 10 * 9) * 1.4 * bit;
    const auto fits = static_cast<std::uint64_t>(std::ceil(longest / 5000.0)) * 5000;
    if (player_.empty()) {
        nextSlot_ += std::max<std::uint64_t>(kMinimumSlot, fits);
    } else {
        const double frame = (34 + 10 * (entry.length + 1)) * 1.4 * bit;
        nextSlot_ += std::max<std::uint64_t>(entry.delayMicros,
                                             static_cast<std::uint64_t>(std::ceil(frame)));
    }
    if (misread()) {
        misreadSlot();
    }
}

// The slot as the device's receiver, listening at its own rate, makes it out; when it
// is still reading as the next slot would begin, the next slot waits.
void LinBusModel::misreadSlot() {
    const std::vector<DeviceFrame> sent(pending_.begin(), pending_.end());
    const std::vector<DeviceFrame> seen = WrongRateReceiver(busBaudrate(), baudrate_).receive(sent);
    pending_.assign(seen.begin(), seen.end());
    if (!pending_.empty() && pending_.back().time >= nextSlot_) {
        nextSlot_ = pending_.back().time + 1;
    }
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
