#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace daridez::sim {

// One signal the simulator moves in its frame: a physical one ramps between its raw
// limits and back, a logical one steps through its values, others keep their initial
// value.
struct SimSignal {
    enum class Motion : std::uint8_t { Hold, Ramp, Step };

    int offset = 0;  // first bit in the frame (bit k is bit k%8 of byte k/8)
    int width = 0;   // 1 to 64 bits
    Motion motion = Motion::Hold;
    std::uint64_t init = 0;
    std::uint64_t low = 0;  // Ramp: the raw limits
    std::uint64_t high = 0;
    std::vector<std::uint64_t> values;  // Step: the raw values in turn
};

// A frame as the simulator sends it.
struct SimFrame {
    std::uint8_t id = 0;
    int length = 8;  // data bytes
    bool classic = false;
    std::vector<SimSignal> parts;  // its signals
};

// A node that answers diagnostic requests.
struct SimNode {
    std::uint8_t nad = 0;
    std::uint16_t supplier = 0;
    std::uint16_t function = 0;
    std::uint8_t variant = 0;
};

// One entry of a schedule table and the time until the next one.
struct SimSlot {
    enum class Kind : std::uint8_t {
        Frame,
        EventTriggered,
        Sporadic,
        MasterRequest,
        SlaveResponse
    };

    Kind kind = Kind::Frame;
    std::uint64_t delayMicros = 10000;
    SimFrame frame;  // Frame: the frame; EventTriggered: its identifier
    // EventTriggered: the frames that may answer; Sporadic: the frames that may be sent,
    // the first first.
    std::vector<SimFrame> associated;
    // EventTriggered: the table played once after a collision (empty: none).
    std::vector<SimSlot> resolving;
    // MasterRequest: the request's bytes; fixed: as given (a configuration command),
    // else a read of the next node's identity.
    std::array<std::uint8_t, 8> request{};
    bool fixedRequest = false;
};

struct SimSchedule {
    std::vector<SimSlot> entries;
    std::vector<SimNode> nodes;
    // The probability (0 to 1) that two associated frames answer an event slot at once.
    double collisionRate = 0.0;
    // The go-to-sleep command after this much bus time awake, then 1 s of silence before
    // the schedule resumes, again and again; 0: never.
    std::uint64_t sleepAfterMicros = 0;
};

// What the master and the slaves put on the bus in one slot.
struct PlayedSlot {
    std::uint8_t id = 0;
    int length = 0;         // data bytes of the response
    bool header = true;     // false: the slot stays empty (a sporadic frame with no news)
    bool responds = true;   // false: a header nobody answered
    bool collided = false;  // two slaves answered at once: the response is garbled
    bool classic = false;   // the checksum model of the response
    std::uint64_t delayMicros = 0;
    std::array<std::uint8_t, 8> data{};
};

// Plays a schedule table slot after slot, round and round: signals move from one
// transmission of their frame to the next, and the slave response slot answers the
// request before it. The publishers of event-triggered and sporadic frames have news now
// and then: an event slot is answered by every associated frame with news (its protected
// identifier in the first byte), two at once being a collision after which the
// collision-resolving table plays once; a sporadic slot sends the first of its frames
// with news, else stays empty. Deterministic for a seed.
class SchedulePlayer {
  public:
    // The probability that a frame's publisher has news for a slot.
    static constexpr double kEventAnswerRate = 0.3;
    static constexpr std::uint64_t kSleepMicros = 1'000'000;

    SchedulePlayer(SimSchedule schedule, std::uint32_t seed);

    bool empty() const { return schedule_.entries.empty(); }
    PlayedSlot next();

  private:
    struct FrameState {
        std::uint8_t id;
        std::uint32_t sent;  // transmissions so far
    };

    const SimSlot& nextSlot();
    void play(const SimSlot& slot, PlayedSlot& played);
    void playEvent(const SimSlot& slot, PlayedSlot& played);
    void playSporadic(const SimSlot& slot, PlayedSlot& played);
    bool chance(double rate);
    void fill(const SimFrame& frame, PlayedSlot& played);
    std::uint32_t countSent(std::uint8_t id);
    void playRequest(const SimSlot& slot, PlayedSlot& played);
    void playResponse(PlayedSlot& played);

    SimSchedule schedule_;
    std::mt19937 random_;
    std::size_t index_ = 0;
    std::vector<FrameState> sent_;
    std::vector<std::uint8_t> eventAnswers_;  // identifiers of frames that answer events
    std::size_t nextNode_ = 0;
    std::array<std::uint8_t, 8> lastRequest_{};
    bool requestPending_ = false;
    std::array<bool, 64> news_{};         // per identifier: its publisher has news to send
    const SimSlot* resolving_ = nullptr;  // the event slot whose collision is being resolved
    std::size_t resolvingIndex_ = 0;
    std::uint64_t awakeMicros_ = 0;  // bus time since the start or the last wake-up
};

// The raw value a moving signal has at its n-th transmission.
std::uint64_t SignalValueAt(const SimSignal& signal, std::uint32_t n);
// Writes value into data at the signal's bits (little-endian bit order, crossing bytes).
void PutBits(std::uint8_t* data, int length, int offset, int width, std::uint64_t value);

}  // namespace daridez::sim
