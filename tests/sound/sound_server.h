// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private sound server for tests and measurements: PulseAudio, or PipeWire with its
// PulseAudio service, in a scratch runtime folder, playing into a null sink whose monitor
// is recorded with the moment each sample reached it. Nothing reaches a sound card.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tavrin::sound_test {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

enum class ServerKind { PulseAudio, PipeWire };
const char* Name(ServerKind kind);

// A child process that dies with its parent; stdout goes to `out` when given, else to `log`.
struct Child {
    pid_t pid = -1;
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& log, int out = -1);
    void Signal(int sig) const;
    // SIGTERM, then SIGKILL after a second; reaps it.
    void Stop();
};

class SoundServer {
public:
    explicit SoundServer(ServerKind kind);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Starts the server, or starts it again after Kill, and waits until it answers and has
    // settled (a first stream in its first second or two starts late). Empty on success,
    // otherwise why it could not run. Only a program that is not installed
    // (MissingProgram()) lets a caller skip; an installed server that fails is a fault.
    std::string Start();
    bool MissingProgram() const { return missingProgram_; }
    // The server dies at once, as in a crash; Start brings it back on the same socket.
    void Kill();
    // The server stops answering (SIGSTOP) without closing its socket, and goes on.
    void Hang();
    void Resume();
    void Stop();

    ServerKind kind() const { return kind_; }
    // What a client of this server needs: runtime folder, socket, no autospawn.
    std::vector<std::string> ClientEnvironment() const;
    // Makes this process a client of the server, SDL included.
    void UseInThisProcess() const;
    const std::string& folder() const { return folder_; }
    std::string Log() const;

private:
    std::vector<std::string> ServerEnvironment() const;
    bool Answers() const;

    ServerKind kind_;
    bool missingProgram_ = false;
    std::string folder_;
    Child bus_;
    std::vector<Child> servers_;
    Child silence_;
};

// Under CI every tool the suite needs is installed: a case that would skip fails instead.
bool UnderCi();

// The null sink's monitor, mono 16-bit, each sample with the moment it left the sink.
class MonitorRecorder {
public:
    static constexpr int kRate = 48000;

    ~MonitorRecorder() { Stop(); }
    std::string Start(const SoundServer& server);
    void Stop();

    // The first moment in [after, after + within) at which the monitor carries a sample
    // louder than `level`; waits until the recording has reached the end of that span.
    std::optional<Clock::time_point> SoundAfter(Clock::time_point after, int level,
                                                Clock::duration within);

private:
    void Read(int fd);
    // Samples that had come before moment t, under mutex_.
    std::int64_t CountBefore(Clock::time_point t) const;
    bool Covers(Clock::time_point t);

    Child parec_;
    std::thread reader_;
    std::mutex mutex_;
    std::vector<std::int16_t> samples_;
    // Each read: when it came, and how many samples had come by then. A sample is dated by
    // the read that brought it, counting back from that read's last sample: a server rewinds
    // its sink when a stream joins and then sends a stretch twice, so a count from the start
    // of the recording would date later samples too early.
    std::vector<std::pair<Clock::time_point, std::int64_t>> reads_;
    std::atomic<bool> ended_{false};
};

}  // namespace tavrin::sound_test
