#include "SchedulePlayer.h"

#include <algorithm>

#include "ldf/DiagnosticIds.h"
#include "lin/FrameCheck.h"

namespace daridez::sim {

namespace {

constexpr std::uint8_t kReadById = 0xB2;
constexpr std::uint8_t kPositive = 0x40;  // added to the service identifier
constexpr std::uint8_t kBroadcast = 0x7F;
constexpr std::uint8_t kSleep = 0x00;
// A ramp crosses its range in about this many transmissions.
constexpr std::uint64_t kRampSteps = 50;

std::uint8_t low(std::uint16_t value) {
    return static_cast<std::uint8_t>(value);
}
std::uint8_t high(std::uint16_t value) {
    return static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

std::uint64_t SignalValueAt(const SimSignal& signal, std::uint32_t n) {
    switch (signal.motion) {
        case SimSignal::Motion::Ramp: {
            const std::uint64_t range = signal.high > signal.low ? signal.high - signal.low : 0;
            if (range == 0) {
                return signal.low;
            }
            const std::uint64_t step = std::max<std::uint64_t>(1, range / kRampSteps);
            const std::uint64_t at = n * step % (2 * range);
            return signal.low + (at <= range ? at : 2 * range - at);
        }
        case SimSignal::Motion::Step:
            return signal.values.empty() ? signal.init : signal.values[n % signal.values.size()];
        case SimSignal::Motion::Hold:
            break;
    }
    return signal.init;
}

void PutBits(std::uint8_t* data, int length, int offset, int width, std::uint64_t value) {
    for (int bit = 0; bit < width; ++bit) {
        const int at = offset + bit;
        if (at < 0 || at >= length * 8) {
            return;
        }
        const auto mask = static_cast<std::uint8_t>(1u << (at % 8));
        if ((value >> bit & 1u) != 0) {
            data[at / 8] |= mask;
        } else {
            data[at / 8] &= static_cast<std::uint8_t>(~mask);
        }
    }
}

SchedulePlayer::SchedulePlayer(SimSchedule schedule, std::uint32_t seed)
    : schedule_(std::move(schedule)), random_(seed) {
    for (const SimSlot& slot : schedule_.entries) {
        if (slot.kind != SimSlot::Kind::EventTriggered) {
            continue;
        }
        for (const SimFrame& frame : slot.associated) {
            eventAnswers_.push_back(frame.id);
        }
    }
}

PlayedSlot SchedulePlayer::next() {
    PlayedSlot played;
    if (empty()) {
        return played;
    }
    if (schedule_.sleepAfterMicros > 0 && awakeMicros_ >= schedule_.sleepAfterMicros) {
        // Go to sleep; the schedule resumes where it was once the bus wakes up.
        awakeMicros_ = 0;
        played.id = kMasterRequestId;
        played.length = 8;
        played.classic = true;
        played.data = {kSleep, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        played.delayMicros = kSleepMicros;
        requestPending_ = false;
        return played;
    }
    const SimSlot& slot = nextSlot();
    played.delayMicros = slot.delayMicros;
    played.id = slot.frame.id;
    play(slot, played);
    awakeMicros_ += played.delayMicros;
    return played;
}

// The next entry of the table, or of the collision-resolving table while one plays.
const SimSlot& SchedulePlayer::nextSlot() {
    if (resolving_ != nullptr) {
        const SimSlot& slot = resolving_->resolving[resolvingIndex_];
        if (++resolvingIndex_ == resolving_->resolving.size()) {
            resolving_ = nullptr;
        }
        return slot;
    }
    const SimSlot& slot = schedule_.entries[index_];
    index_ = (index_ + 1) % schedule_.entries.size();
    return slot;
}

void SchedulePlayer::play(const SimSlot& slot, PlayedSlot& played) {
    switch (slot.kind) {
        case SimSlot::Kind::Frame:
            fill(slot.frame, played);
            news_[slot.frame.id & 0x3F] = false;  // sent: whatever was new is known now
            break;
        case SimSlot::Kind::EventTriggered:
            playEvent(slot, played);
            break;
        case SimSlot::Kind::Sporadic:
            playSporadic(slot, played);
            break;
        case SimSlot::Kind::MasterRequest:
            playRequest(slot, played);
            break;
        case SimSlot::Kind::SlaveResponse:
            playResponse(played);
            break;
    }
}

bool SchedulePlayer::chance(double rate) {
    return rate > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < rate;
}

// Now and then one publisher has news, with the collision rate two at once; every
// associated frame with news answers. One answer is heard; two or more make a garbled
// response, after which the collision-resolving table asks each frame in turn (without
// one, the slaves' retries leave one answer for the next event slot).
void SchedulePlayer::playEvent(const SimSlot& slot, PlayedSlot& played) {
    const std::size_t count = slot.associated.size();
    auto pick = [this, count] {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    };
    if (count >= 2 && chance(schedule_.collisionRate)) {
        const std::size_t first = pick();
        const std::size_t second = (first + 1 + pick() % (count - 1)) % count;
        news_[slot.associated[first].id & 0x3F] = true;
        news_[slot.associated[second].id & 0x3F] = true;
    } else if (count > 0 && chance(kEventAnswerRate)) {
        news_[slot.associated[pick()].id & 0x3F] = true;
    }
    std::vector<const SimFrame*> answering;
    for (const SimFrame& frame : slot.associated) {
        if (news_[frame.id & 0x3F]) {
            answering.push_back(&frame);
        }
    }
    played.responds = !answering.empty();
    if (!played.responds) {
        return;
    }
    fill(*answering.front(), played);
    news_[answering.front()->id & 0x3F] = false;
    if (answering.size() == 1) {
        return;
    }
    // The bus is a wired AND: the dominant bits of every answer win.
    PlayedSlot other;
    fill(*answering[1], other);
    for (std::size_t i = 0; i < played.data.size(); ++i) {
        played.data[i] &= other.data[i];
    }
    played.length = std::max(played.length, other.length);
    played.collided = true;
    if (!slot.resolving.empty() && resolving_ == nullptr) {
        resolving_ = &slot;
        resolvingIndex_ = 0;
    }
}

// The first frame whose publisher has news is sent; without news the slot stays empty.
void SchedulePlayer::playSporadic(const SimSlot& slot, PlayedSlot& played) {
    for (const SimFrame& frame : slot.associated) {
        if (!news_[frame.id & 0x3F] && chance(kEventAnswerRate)) {
            news_[frame.id & 0x3F] = true;
        }
    }
    for (const SimFrame& frame : slot.associated) {
        if (news_[frame.id & 0x3F]) {
            played.id = frame.id;
            fill(frame, played);
            news_[frame.id & 0x3F] = false;
            return;
        }
    }
    played.header = false;
    played.responds = false;
}

// The frame's bytes start as all ones (unused bits are recessive), then each signal
// takes its value for this transmission. A frame that may answer an event-triggered
// slot carries its protected identifier first, also in its own slot.
void SchedulePlayer::fill(const SimFrame& frame, PlayedSlot& played) {
    played.length = std::clamp(frame.length, 1, 8);
    played.classic = frame.classic;
    played.data.fill(0xFF);
    const std::uint32_t n = countSent(frame.id);
    for (const SimSignal& signal : frame.parts) {
        PutBits(played.data.data(), played.length, signal.offset, signal.width,
                SignalValueAt(signal, n));
    }
    if (std::find(eventAnswers_.begin(), eventAnswers_.end(), frame.id) != eventAnswers_.end()) {
        played.data[0] = ProtectedId(frame.id);
    }
}

std::uint32_t SchedulePlayer::countSent(std::uint8_t id) {
    auto found = std::find_if(sent_.begin(), sent_.end(),
                              [id](const FrameState& state) { return state.id == id; });
    if (found == sent_.end()) {
        sent_.push_back({id, 0});
        found = sent_.end() - 1;
    }
    return found->sent++;
}

// A fixed request goes out as written; a plain master request slot reads the identity
// (product identification, identifier 0) of the nodes in turn.
void SchedulePlayer::playRequest(const SimSlot& slot, PlayedSlot& played) {
    played.length = 8;
    played.classic = true;
    if (slot.fixedRequest) {
        played.data = slot.request;
    } else if (schedule_.nodes.empty()) {
        played.data = {kBroadcast, 0x06, kReadById, 0x00, 0xFF, 0x7F, 0xFF, 0xFF};
    } else {
        const SimNode& node = schedule_.nodes[nextNode_];
        nextNode_ = (nextNode_ + 1) % schedule_.nodes.size();
        played.data = {node.nad,           0x06,
                       kReadById,          0x00,
                       low(node.supplier), high(node.supplier),
                       low(node.function), high(node.function)};
    }
    lastRequest_ = played.data;
    requestPending_ = true;
}

// The addressed node answers the request before: its identity for a read, a positive
// response for any other service. Nobody answers a sleep command, a request to a node
// the schedule does not know, or no request at all.
void SchedulePlayer::playResponse(PlayedSlot& played) {
    played.length = 8;
    played.classic = true;
    played.responds = false;
    if (!requestPending_ || lastRequest_[0] == kSleep) {
        return;
    }
    requestPending_ = false;
    const std::uint8_t nad = lastRequest_[0];
    const auto node = std::find_if(schedule_.nodes.begin(), schedule_.nodes.end(),
                                   [nad](const SimNode& n) { return n.nad == nad; });
    const SimNode* answering = node != schedule_.nodes.end() ? &*node : nullptr;
    if (nad == kBroadcast && !schedule_.nodes.empty()) {
        answering = &schedule_.nodes.front();
    }
    if (answering == nullptr) {
        return;
    }
    played.responds = true;
    const auto sid = static_cast<std::uint8_t>(lastRequest_[2] + kPositive);
    if (lastRequest_[2] == kReadById) {
        played.data = {answering->nad,
                       0x06,
                       sid,
                       low(answering->supplier),
                       high(answering->supplier),
                       low(answering->function),
                       high(answering->function),
                       answering->variant};
    } else {
        played.data = {answering->nad, 0x01, sid, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    }
}

}  // namespace daridez::sim
