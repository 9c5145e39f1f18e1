// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_server.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavrin::sound_test {

namespace fs = std::filesystem;

namespace {

bool Installed(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

template <typename Condition>
bool WaitUntil(Condition done, Clock::duration timeout) {
    const auto end = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs a command with the given environment and says whether it succeeded.
bool Succeeds(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
              const std::string& log) {
    Child child;
    if (!child.Start(argv, environment, log)) return false;
    int status = 0;
    waitpid(child.pid, &status, 0);
    child.pid = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

const char* Name(ServerKind kind) {
    return kind == ServerKind::PulseAudio ? "PulseAudio" : "PipeWire";
}

bool Child::Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                  const std::string& log, int out) {
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        // A test that crashes or times out must leave no server behind.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        setpgid(0, 0);
        for (const std::string& setting : environment) putenv(strdup(setting.c_str()));
        const int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, STDIN_FILENO);
        if (logFd >= 0) dup2(logFd, STDERR_FILENO);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
        } else if (logFd >= 0) {
            dup2(logFd, STDOUT_FILENO);
        }
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    pid = child;
    return true;
}

void Child::Signal(int sig) const {
    if (pid > 0) kill(pid, sig);
}

void Child::Stop() {
    if (pid <= 0) return;
    kill(pid, SIGCONT);
    kill(pid, SIGTERM);
    const bool ended = WaitUntil([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }, 1s);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

SoundServer::SoundServer(ServerKind kind) : kind_(kind) {
    char pattern[] = "/tmp/tavrin-sound-XXXXXX";
    folder_ = mkdtemp(pattern);
    for (const char* sub : {"run", "run/pulse", "home", "config/wireplumber/main.lua.d",
                            "config/wireplumber/bluetooth.lua.d", "state"})
        fs::create_directories(folder_ + "/" + sub);
    fs::permissions(folder_ + "/run", fs::perms::owner_all);
    fs::permissions(folder_ + "/run/pulse", fs::perms::owner_all);
    Write(folder_ + "/client.conf", "autospawn = no\n");
    // No PCM at all: a client that falls back to ALSA finds nothing, not the machine's card.
    Write(folder_ + "/alsa.conf", "");
    Write(folder_ + "/server.pa",
          "load-module module-null-sink sink_name=tavrin_null rate=48000\n"
          "load-module module-native-protocol-unix auth-anonymous=1 socket=" +
              folder_ +
              "/run/pulse/native\n"
              "set-default-sink tavrin_null\n");
    // WirePlumber would otherwise look for sound cards, cameras and Bluetooth.
    Write(folder_ + "/config/wireplumber/main.lua.d/51-no-devices.lua",
          "alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\n"
          "libcamera_monitor.enabled = false\n");
    Write(folder_ + "/config/wireplumber/bluetooth.lua.d/51-no-devices.lua",
          "bluez_monitor.enabled = false\n");
}

SoundServer::~SoundServer() {
    Stop();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::vector<std::string> SoundServer::ClientEnvironment() const {
    return {"XDG_RUNTIME_DIR=" + folder_ + "/run",
            "PULSE_RUNTIME_PATH=" + folder_ + "/run/pulse",
            "PULSE_SERVER=unix:" + folder_ + "/run/pulse/native",
            "PULSE_CLIENTCONFIG=" + folder_ + "/client.conf",
            "PIPEWIRE_RUNTIME_DIR=" + folder_ + "/run",
            "ALSA_CONFIG_PATH=" + folder_ + "/alsa.conf"};
}

std::vector<std::string> SoundServer::ServerEnvironment() const {
    auto environment = ClientEnvironment();
    environment.push_back("HOME=" + folder_ + "/home");
    environment.push_back("XDG_CONFIG_HOME=" + folder_ + "/config");
    environment.push_back("XDG_STATE_HOME=" + folder_ + "/state");
    environment.push_back("PULSE_STATE_PATH=" + folder_ + "/state");
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder_ + "/run/bus");
    return environment;
}

void SoundServer::UseInThisProcess() const {
    for (const std::string& setting : ClientEnvironment()) {
        const auto eq = setting.find('=');
        setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
    }
    unsetenv("SDL_AUDIODRIVER");
}

bool UnderCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

std::string SoundServer::Log() const { return ReadText(folder_ + "/server.log"); }

bool SoundServer::Answers() const {
    return Succeeds({"pactl", "info"}, ClientEnvironment(), folder_ + "/pactl.log");
}

std::string SoundServer::Start() {
    const std::string log = folder_ + "/server.log";
    const auto environment = ServerEnvironment();
    const std::vector<std::string> tools =
        kind_ == ServerKind::PulseAudio
            ? std::vector<std::string>{"pulseaudio", "pactl", "pacat", "parec"}
            : std::vector<std::string>{"pipewire", "pipewire-pulse", "wireplumber", "dbus-daemon",
                                       "pactl",    "pacat",          "parec"};
    missingProgram_ = false;
    for (const std::string& tool : tools) {
        if (!Installed(tool)) {
            missingProgram_ = true;
            return tool + " is not installed (scripts/install-deps.sh installs it)";
        }
    }

    if (kind_ == ServerKind::PulseAudio) {
        // -n: only our script's null sink and socket, never the machine's card.
        Child server;
        if (!server.Start(
                {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                 "--log-target=stderr", "-F", folder_ + "/server.pa"},
                environment, log))
            return "cannot start pulseaudio";
        servers_.push_back(server);
    } else {
        // WirePlumber needs a session bus; a private one keeps the desktop's out of it.
        if (bus_.pid <= 0 && !bus_.Start({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                                          "--address=unix:path=" + folder_ + "/run/bus"},
                                         environment, log))
            return "cannot start dbus-daemon";
        WaitUntil([&] { return fs::exists(folder_ + "/run/bus"); }, 5s);
        Child pipewire, wireplumber, pulse;
        if (!pipewire.Start({"pipewire"}, environment, log)) return "cannot start pipewire";
        servers_.push_back(pipewire);
        if (!WaitUntil([&] { return fs::exists(folder_ + "/run/pipewire-0"); }, 5s))
            return "pipewire did not open its socket:\n" + Log();
        if (!wireplumber.Start({"wireplumber"}, environment, log) ||
            !pulse.Start({"pipewire-pulse"}, environment, log))
            return "cannot start wireplumber or pipewire-pulse";
        servers_.push_back(wireplumber);
        servers_.push_back(pulse);
    }
    if (!WaitUntil([&] { return Answers(); }, 10s))
        return std::string(Name(kind_)) + " does not answer:\n" + Log();
    // pipewire-pulse makes the sink a moment after it has answered the load: until then
    // choosing it fails with "Not supported", more often on a loaded machine.
    if (kind_ == ServerKind::PipeWire &&
        (!Succeeds(
             {"pactl", "load-module", "module-null-sink", "sink_name=tavrin_null", "rate=48000"},
             ClientEnvironment(), log) ||
         !WaitUntil(
             [&] {
                 return Succeeds({"pactl", "set-default-sink", "tavrin_null"}, ClientEnvironment(),
                                 log);
             },
             5s)))
        return "pipewire-pulse cannot make a null sink:\n" + Log();
    // The sink streams silence throughout, as a desktop's sink that something plays into.
    if (!silence_.Start({"pacat", "--raw", "--format=s16le", "--rate=48000", "--channels=1",
                         "--client-name=silence", "/dev/zero"},
                        ClientEnvironment(), log))
        return "cannot start pacat";
    // A first stream in the server's first second or so starts about half a second late.
    std::this_thread::sleep_for(2500ms);
    return Answers() ? "" : std::string(Name(kind_)) + " stopped answering:\n" + Log();
}

void SoundServer::Kill() {
    for (Child& server : servers_) {
        server.Signal(SIGKILL);
        waitpid(server.pid, nullptr, 0);
    }
    servers_.clear();
    silence_.Stop();
    // A dead server leaves its sockets behind; the next one must not be taken as ready by them.
    std::error_code ignored;
    for (const char* socket : {"/run/pipewire-0", "/run/pipewire-0.lock", "/run/pulse/native"})
        fs::remove(folder_ + socket, ignored);
}

void SoundServer::Hang() {
    for (const Child& server : servers_) server.Signal(SIGSTOP);
}

void SoundServer::Resume() {
    for (const Child& server : servers_) server.Signal(SIGCONT);
}

void SoundServer::Stop() {
    silence_.Stop();
    // Clients before the daemon they talk to, the session bus last.
    for (auto it = servers_.rbegin(); it != servers_.rend(); ++it) it->Stop();
    servers_.clear();
    bus_.Stop();
}

std::string MonitorRecorder::Start(const SoundServer& server) {
    Stop();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return "no pipe";
    ended_ = false;
    {
        std::lock_guard lock(mutex_);
        samples_.clear();
        reads_.clear();
    }
    const bool started =
        parec_.Start({"parec", "--raw", "--format=s16le", "--rate=" + std::to_string(kRate),
                      "--channels=1", "--latency-msec=5", "--device=tavrin_null.monitor"},
                     server.ClientEnvironment(), server.folder() + "/parec.log", fds[1]);
    close(fds[1]);
    if (!started) {
        close(fds[0]);
        return "cannot start parec";
    }
    reader_ = std::thread(&MonitorRecorder::Read, this, fds[0]);
    const auto begun = Clock::now();
    if (!WaitUntil([&] { return Covers(begun + 200ms); }, 5s))
        return "the monitor records nothing:\n" + ReadText(server.folder() + "/parec.log");
    return "";
}

void MonitorRecorder::Stop() {
    parec_.Stop();
    if (reader_.joinable()) reader_.join();
}

void MonitorRecorder::Read(int fd) {
    std::vector<char> buffer(8192);
    std::size_t odd = 0;  // a byte of a sample split between reads
    for (;;) {
        const ssize_t n = read(fd, buffer.data() + odd, buffer.size() - odd);
        if (n <= 0) break;
        const auto now = Clock::now();
        const std::size_t bytes = odd + static_cast<std::size_t>(n);
        std::lock_guard lock(mutex_);
        const std::size_t old = samples_.size();
        samples_.resize(old + bytes / 2);
        std::memcpy(samples_.data() + old, buffer.data(), bytes / 2 * 2);
        odd = bytes % 2;
        if (odd) buffer[0] = buffer[bytes - 1];
        reads_.emplace_back(now, static_cast<std::int64_t>(samples_.size()));
    }
    close(fd);
    ended_ = true;
}

std::int64_t MonitorRecorder::CountBefore(Clock::time_point t) const {
    const auto later =
        std::lower_bound(reads_.begin(), reads_.end(), t,
                         [](const auto& read, Clock::time_point at) { return read.first < at; });
    return later == reads_.begin() ? 0 : std::prev(later)->second;
}

bool MonitorRecorder::Covers(Clock::time_point t) {
    std::lock_guard lock(mutex_);
    return !reads_.empty() && reads_.back().first > t;
}

std::optional<Clock::time_point> MonitorRecorder::SoundAfter(Clock::time_point after, int level,
                                                             Clock::duration within) {
    WaitUntil([&] { return ended_ || Covers(after + within); }, within + 5s);
    std::lock_guard lock(mutex_);
    const std::int64_t end = CountBefore(after + within);
    for (std::int64_t i = CountBefore(after); i < end; ++i) {
        if (std::abs(samples_[static_cast<std::size_t>(i)]) <= level) continue;
        const auto read =
            std::upper_bound(reads_.begin(), reads_.end(), i,
                             [](std::int64_t index, const auto& r) { return index < r.second; });
        return read->first - std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(double(read->second - i) / kRate));
    }
    return std::nullopt;
}

}  // namespace tavrin::sound_test
