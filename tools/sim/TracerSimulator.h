#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DeviceFrame.h"
#include "LinBusModel.h"
#include "lin/LinRates.h"

namespace daridez::sim {

struct TracerSimulatorOptions {
    std::string linkPath;  // a symbolic link made to the device side; empty: none
    std::array<std::uint8_t, 3> version{1, 4, 2};
    bool silent = false;      // answer nothing, send nothing
    bool startMarker = true;  // StartTrace is answered with a StartMarker frame
    TroubleRates rates;
    std::uint32_t seed = 1;
    // Every byte sent from the first trace start on (its start marker first) is also
    // written here: a dump file as the program's own recording holds it.
    std::string recordPath;
    // Result code of every SetBaudrate answer; 0: a rate from 1000 to 20000 is taken
    // (result 0), any other refused (kBaudrateRefused).
    std::uint8_t baudResult = 0;
    std::uint16_t linBaudrate = kDefaultLinRate;
    // The bus's own rate, whatever the device is set to listen at; 0: the bus runs at
    // the device's rate.
    std::uint16_t busBaudrate = 0;
    ClassicIds classicIds;  // identifiers sent with the classic checksum
    SimSchedule schedule;   // the schedule table played; empty: the built-in one
};

// The result code of a SetBaudrate answer to a rate the device cannot run.
inline constexpr std::uint8_t kBaudrateRefused = 0x01;

// A LIN tracer device on a pseudo-terminal: answers the four commands, streams a LIN
// schedule in real time while tracing, and never blocks on its side of the terminal
// (frames that do not fit are dropped and reported by a BufferOverflow frame, as the
// device does). Used by the tracer-sim tool and, in-process, by tests: either call
// poll() from the test's own loop, or startThread(). All public calls are thread-safe.
class TracerSimulator {
  public:
    explicit TracerSimulator(TracerSimulatorOptions options = {});
    ~TracerSimulator();  // stops the thread, closes the device, removes the link

    TracerSimulator(const TracerSimulator&) = delete;
    TracerSimulator& operator=(const TracerSimulator&) = delete;

    // Opens the pseudo-terminal pair, puts the device side in raw mode and makes the
    // link. False (with errorText) when any of it fails.
    bool open();
    const std::string& errorText() const { return errorText_; }

    // The device side as a host opens it (/dev/pts/N), and the link if one was made.
    std::string devicePath() const;
    std::string linkPath() const { return options_.linkPath; }

    // One step: take the host's commands, queue the frames that are due, send what the
    // terminal takes. Never blocks.
    void poll();
    // Sleeps until the host writes, the terminal takes bytes again, or the next frame
    // is due (at most maxMs). For a loop of the caller's own.
    void waitForWork(int maxMs);

    // Runs poll() on a thread of its own until stop().
    void startThread();
    void stop();

    // The device disappears as an unplugged adapter does: both sides of the terminal
    // are closed and the link removed. The host's port sees the loss.
    void closeDevice();

    // Moves the device clock forward at once, as if that much time had passed: lets a
    // test fill the terminal without waiting.
    void advance(std::uint64_t micros);

    bool tracing() const;
    // Why the recording stopped ("cannot write FILE: No space left on device"); empty
    // while it goes on, or when there is none.
    std::string recordError() const;
    // The rate the device listens at: the last one a set-baud-rate command set.
    std::uint16_t linBaudrate() const;
    // Every whole command frame taken from the host, in order.
    std::vector<std::vector<std::uint8_t>> commands() const;
    std::uint64_t bytesSent() const;
    std::uint64_t framesDropped() const;

    // What the device sends after a StartTrace, over durationMicros of device time,
    // without any terminal or real time: the start marker (if enabled) and the trace.
    // The same options and seed give the same bytes.
    std::vector<std::uint8_t> generate(std::uint64_t durationMicros) const;

  private:
    void readCommands();
    void handleCommand(const std::uint8_t* frame);
    void startTrace();
    void queueAnswer(const DeviceFrame& frame);
    void queueTraceFrame(const DeviceFrame& frame);
    void flush();
    void send(const std::uint8_t* bytes, std::size_t count);
    std::uint64_t deviceNow() const;
    void closeFds();
    void removeLink();

    TracerSimulatorOptions options_;
    std::string errorText_;
    std::string recordError_;
    mutable std::mutex mutex_;
    int master_ = -1;
    int slave_ = -1;  // held open so the master never sees a hang-up between hosts
    std::string slaveName_;
    bool linkMade_ = false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> record_{nullptr, &std::fclose};

    std::chrono::steady_clock::time_point epoch_;
    std::uint64_t advanced_ = 0;  // device time added by advance()
    LinBusModel bus_;
    bool tracing_ = false;
    std::uint16_t startCount_ = 0;

    std::vector<std::uint8_t> input_;  // command bytes not yet a whole frame
    std::vector<std::vector<std::uint8_t>> commands_;
    std::chrono::steady_clock::time_point lastInput_;
    std::vector<std::uint8_t> output_;  // bytes the terminal has not taken yet
    bool dropping_ = false;             // the device buffer is full: frames are lost
    std::uint32_t droppedSinceOverflow_ = 0;
    std::uint32_t wrapsHeld_ = 0;  // wraps kept while dropping, so the clock stays right
    std::uint64_t framesDropped_ = 0;
    std::uint64_t bytesSent_ = 0;
    // Where in the stream sent the recording begins: the first trace start's first byte;
    // none before a trace was started.
    std::uint64_t recordFrom_ = UINT64_MAX;

    std::thread thread_;
    std::atomic<bool> stopThread_{false};
};

}  // namespace daridez::sim
