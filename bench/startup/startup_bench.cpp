// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up benchmark: how long the program takes from process start until its
// face window is mapped and viewable on an X server, and how much resident
// memory it holds once it has settled.
//
// A process launch is not something Google Benchmark can repeat in a tight
// loop, so this is a plain timing tool. It starts its own Xvfb on a free
// display (or uses --display), watches the root window for MapNotify before
// forking, and takes the instant a viewable window carrying the child's
// _NET_WM_PID appears as "on screen".
//
// With --idle-s N it then leaves the program alone: after the sound device's
// quiet spell it takes the CPU time the program uses over N seconds, and whether
// SDL's audio thread (the open device) still runs at the end.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tavrin {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kStartupTargetMs = 300.0;
constexpr double kRssTargetMb = 60.0;
// Exit code for "could not measure"; 0 covers both measured and skipped.
constexpr int kCannotMeasure = 2;

struct Options {
    std::string program = TAVRIN_BINARY;
    std::string display;  // empty: start our own Xvfb
    int runs = 10;
    int settleMs = 300;
    int timeoutMs = 10000;
    bool dummyAudio = true;
    // The state of the sound options at start; both off is how a new user finds them.
    std::string settings;               // empty: no settings file
    int idleS = 0;                      // 0: no idle measurement
    int restWaitS = 15;                 // the start-up prompt, the quiet spell after it, a margin
    std::vector<std::string> extraEnv;  // KEY=VALUE, for investigating
};

struct Memory {
    double rssMb = 0;
    double hwmMb = 0;
    double anonMb = 0;
    double fileMb = 0;
    double pssMb = 0;  // 0 when smaps_rollup is not available
};

struct RunResult {
    double startupMs = 0;
    int width = 0;
    int height = 0;
    Memory memory;
    double idleCpuS = -1;  // CPU seconds over the idle time; -1 when not measured
    bool deviceOpen = false;
    bool soundLoaded = false;
};

void PrintUsage(FILE* to) {
    std::fprintf(to,
                 "usage: startup_bench [options]\n"
                 "  --runs N          launches to time (default 10)\n"
                 "  --display :N      use this X display instead of starting Xvfb\n"
                 "  --program PATH    program to launch (default %s)\n"
                 "  --settle-ms N     wait after the window appears before reading memory (300)\n"
                 "  --timeout-ms N    give up on a launch after this long (10000)\n"
                 "  --real-audio      do not set SDL_AUDIODRIVER=dummy for the program\n"
                 "  --sound off|effects|voice  the options at start (off: no settings file)\n"
                 "  --env KEY=VALUE   extra environment for the program (repeatable)\n"
                 "  --idle-s N        also measure CPU time over N idle seconds (0: off)\n"
                 "  --rest-wait-s N   wait this long before the idle time (15)\n",
                 TAVRIN_BINARY);
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string(argv[++i]);
        };
        auto number = [&](int& out, int minimum) {
            const auto v = value();
            if (!v) return false;
            char* end = nullptr;
            const long n = std::strtol(v->c_str(), &end, 10);
            if (*end != '\0' || n < minimum || n > 1000000) return false;
            out = static_cast<int>(n);
            return true;
        };
        bool ok = true;
        if (arg == "--runs") {
            ok = number(o.runs, 1);
        } else if (arg == "--settle-ms") {
            ok = number(o.settleMs, 0);
        } else if (arg == "--timeout-ms") {
            ok = number(o.timeoutMs, 1);
        } else if (arg == "--idle-s") {
            ok = number(o.idleS, 0);
        } else if (arg == "--rest-wait-s") {
            ok = number(o.restWaitS, 0);
        } else if (arg == "--display" || arg == "--program" || arg == "--env") {
            const auto v = value();
            ok = v.has_value();
            if (ok && arg == "--display") o.display = *v;
            if (ok && arg == "--program") o.program = *v;
            if (ok && arg == "--env") ok = v->find('=') != std::string::npos;
            if (ok && arg == "--env") o.extraEnv.push_back(*v);
        } else if (arg == "--sound") {
            const auto v = value();
            ok = v && (*v == "off" || *v == "effects" || *v == "voice");
            if (ok && *v == "effects") o.settings = "[menu]\nmenu3=0\nmenu6=1\n";
            if (ok && *v == "voice") o.settings = "[menu]\nmenu3=1\nmenu6=0\n";
        } else if (arg == "--real-audio") {
            o.dummyAudio = false;
        } else if (arg == "-h" || arg == "--help") {
            PrintUsage(stdout);
            std::exit(0);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "startup_bench: bad argument near '%s'\n", arg.c_str());
            PrintUsage(stderr);
            return std::nullopt;
        }
    }
    return o;
}

std::optional<std::string> FindInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Waits up to timeoutMs for a child to end; true when it has been reaped.
bool Reap(pid_t pid, int timeoutMs) {
    const auto start = Clock::now();
    while (MsSince(start) < timeoutMs) {
        const pid_t r = waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    if (!Reap(pid, 3000)) {
        kill(pid, SIGKILL);
        Reap(pid, 3000);
    }
}

// Our own X server, on whichever display Xvfb finds free (-displayfd).
class Xvfb {
public:
    ~Xvfb() {
        if (pid_ > 0) Stop(pid_);
    }

    // Displays from 0 up are what people and other tools pick by hand, so look
    // well above them; Xvfb itself refuses a display that is taken.
    std::optional<std::string> Start(const std::string& binary) {
        const int base = 200 + static_cast<int>(getpid() % 500);
        for (int n = base; n < base + 20; ++n) {
            if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock") ||
                fs::exists("/tmp/.X11-unix/X" + std::to_string(n)))
                continue;
            if (auto display = TryStart(binary, n)) return display;
        }
        return std::nullopt;
    }

private:
    std::optional<std::string> TryStart(const std::string& binary, int number) {
        int fds[2];
        if (pipe(fds) != 0) return std::nullopt;
        pid_ = fork();
        if (pid_ < 0) return std::nullopt;
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(fds[0]);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            const std::string display = ":" + std::to_string(number);
            const std::string fd = std::to_string(fds[1]);
            execl(binary.c_str(), "Xvfb", display.c_str(), "-displayfd", fd.c_str(), "-screen", "0",
                  "1024x768x24", "-noreset", "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes the display number once it accepts connections, and
        // closes the pipe without a word if it cannot start.
        std::string written;
        const auto start = Clock::now();
        while (MsSince(start) < 10000) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char c;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            written += c;
        }
        close(fds[0]);
        if (written.empty()) {
            Stop(pid_);
            pid_ = -1;
            return std::nullopt;
        }
        return ":" + written;
    }

    pid_t pid_ = -1;
};

std::map<std::string, double> ReadKbFields(const std::string& path) {
    std::map<std::string, double> fields;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::istringstream rest(line.substr(colon + 1));
        double kb;
        std::string unit;
        if (rest >> kb >> unit && unit == "kB") fields[line.substr(0, colon)] = kb / 1024.0;
    }
    return fields;
}

std::optional<Memory> ReadMemory(pid_t pid) {
    const std::string proc = "/proc/" + std::to_string(pid);
    auto status = ReadKbFields(proc + "/status");
    if (!status.count("VmRSS")) return std::nullopt;
    Memory m;
    m.rssMb = status["VmRSS"];
    m.hwmMb = status["VmHWM"];
    m.anonMb = status["RssAnon"];
    m.fileMb = status["RssFile"] + status["RssShmem"];
    auto rollup = ReadKbFields(proc + "/smaps_rollup");
    if (rollup.count("Pss")) m.pssMb = rollup["Pss"];
    return m;
}

// User plus system CPU seconds of a process and all its threads.
std::optional<double> CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name may hold spaces; the fields after it are plain.
    const auto close = text.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stod(field);
        if (i == 15) stime = std::stod(field);
    }
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// SDL names the thread of an open audio device "SDLAudioP<n>".
// SDL or libsndfile mapped into the program.
bool HasSoundLibraries(pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("libSDL2") != std::string::npos ||
            line.find("libsndfile") != std::string::npos)
            return true;
    return false;
}

bool HasAudioThread(pid_t pid) {
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name.rfind("SDLAudio", 0) == 0) return true;
    }
    return false;
}

class Session {
public:
    explicit Session(Display* display) : display_(display) {
        root_ = DefaultRootWindow(display_);
        pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
        // Before any fork, so that no MapNotify can slip past.
        XSelectInput(display_, root_, SubstructureNotifyMask);
        XSync(display_, False);
    }

    // The viewable window at or below `window` (two levels, for a reparenting
    // window manager's frame) whose _NET_WM_PID is `pid`.
    std::optional<Window> FindViewable(Window window, pid_t pid, int depth) {
        if (PidOf(window) == pid && Viewable(window)) return window;
        if (depth == 0) return std::nullopt;
        Window rootReturn, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &count))
            return std::nullopt;
        std::optional<Window> found;
        for (unsigned i = 0; i < count && !found; ++i)
            found = FindViewable(children[i], pid, depth - 1);
        if (children) XFree(children);
        return found;
    }

    // Milliseconds from `start` until the child's window is on screen, or
    // nothing, with the reason in `why`, if it ended or timed out first.
    // Sets the window's size.
    std::optional<double> WaitForWindow(pid_t pid, Clock::time_point start, int timeoutMs,
                                        int& width, int& height, std::string& why) {
        const int fd = ConnectionNumber(display_);
        auto lastScan = Clock::now();
        while (MsSince(start) < timeoutMs) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type != MapNotify) continue;
                const double at = MsSince(start);
                if (auto w = FindViewable(event.xmap.window, pid, 2)) {
                    SizeOf(*w, width, height);
                    return at;
                }
            }
            // Slow fallback, in case the pid property arrives after the map.
            if (MsSince(lastScan) >= 5) {
                lastScan = Clock::now();
                if (auto w = FindViewable(root_, pid, 3)) {
                    const double at = MsSince(start);
                    SizeOf(*w, width, height);
                    return at;
                }
            }
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                why = "the program ended before showing a window (" +
                      (WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                         : "signal " + std::to_string(WTERMSIG(status))) +
                      ")";
                return std::nullopt;
            }
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 1);
        }
        why = "no viewable window within " + std::to_string(timeoutMs) + " ms";
        return std::nullopt;
    }

    void Drain() {
        XSync(display_, False);
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
        }
    }

private:
    long PidOf(Window window) {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        long pid = -1;
        if (XGetWindowProperty(display_, window, pidAtom_, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &after, &data) == Success &&
            data && type == XA_CARDINAL && format == 32 && items == 1)
            pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
        if (data) XFree(data);
        return pid;
    }

    bool Viewable(Window window) {
        XWindowAttributes a;
        return XGetWindowAttributes(display_, window, &a) && a.map_state == IsViewable;
    }

    void SizeOf(Window window, int& width, int& height) {
        XWindowAttributes a;
        if (XGetWindowAttributes(display_, window, &a)) {
            width = a.width;
            height = a.height;
        }
    }

    Display* display_;
    Window root_;
    Atom pidAtom_;
};

// A window that goes away, or an X error from a half-made window, must not
// end the measurement.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

std::vector<std::string> ChildEnvironment(const Options& o, const std::string& display,
                                          const fs::path& configHome, const fs::path& runtimeDir) {
    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const auto eq = entry.find('=');
        if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    env["DISPLAY"] = display;
    env["XDG_CONFIG_HOME"] = configHome.string();
    // The test environment may ask for the offscreen platform; this is about X.
    env["QT_QPA_PLATFORM"] = "xcb";
    env.erase("WAYLAND_DISPLAY");
    // As a desktop session would have it; Qt warns and falls back without it.
    if (!env.count("XDG_RUNTIME_DIR")) env["XDG_RUNTIME_DIR"] = runtimeDir.string();
    if (o.dummyAudio) env["SDL_AUDIODRIVER"] = "dummy";
    for (const auto& kv : o.extraEnv) {
        const auto eq = kv.find('=');
        env[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    std::vector<std::string> out;
    for (const auto& [k, v] : env) out.push_back(k + "=" + v);
    return out;
}

std::string Tail(const fs::path& file, std::size_t maxBytes) {
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() > maxBytes) text = "…" + text.substr(text.size() - maxBytes);
    return text;
}

std::optional<RunResult> RunOnce(const Options& o, const std::string& display, Session& session,
                                 std::string& output, std::string& why) {
    char pattern[] = "/tmp/tavrin-startup-XXXXXX";
    if (!mkdtemp(pattern)) return std::nullopt;
    const fs::path work = pattern;
    const fs::path config = work / "config";
    const fs::path log = work / "output.txt";
    const fs::path runtime = work / "runtime";
    fs::create_directory(config);
    fs::create_directory(runtime);
    if (!o.settings.empty()) {
        fs::create_directory(config / "tavrin");
        std::ofstream(config / "tavrin" / "Qbx_R") << o.settings;
    }
    fs::permissions(runtime, fs::perms::owner_all);

    const auto env = ChildEnvironment(o, display, config, runtime);
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    std::string program = o.program;
    char* argv[] = {program.data(), nullptr};

    session.Drain();
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        execve(program.c_str(), argv, envp.data());
        std::perror("execve");
        _exit(127);
    }

    std::optional<RunResult> result;
    RunResult r;
    if (auto ms = session.WaitForWindow(pid, start, o.timeoutMs, r.width, r.height, why)) {
        r.startupMs = *ms;
        std::this_thread::sleep_for(std::chrono::milliseconds(o.settleMs));
        if (auto m = ReadMemory(pid)) {
            r.memory = *m;
            r.soundLoaded = HasSoundLibraries(pid);
            result = r;
        } else {
            why = "the program ended while settling";
        }
        if (result && o.idleS > 0) {
            std::this_thread::sleep_for(std::chrono::seconds(o.restWaitS));
            const auto before = CpuSeconds(pid);
            std::this_thread::sleep_for(std::chrono::seconds(o.idleS));
            const auto after = CpuSeconds(pid);
            if (before && after) {
                result->idleCpuS = *after - *before;
                result->deviceOpen = HasAudioThread(pid);
            } else {
                result.reset();
                why = "the program ended while idle";
            }
        }
    }
    Stop(pid);
    output = Tail(log, 2000);
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return result;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

const char* Verdict(double value, double target) { return value < target ? "under" : "OVER"; }

void Summarise(const char* label, const std::vector<RunResult>& runs) {
    std::vector<double> t, rss, hwm, pss;
    for (const auto& r : runs) {
        t.push_back(r.startupMs);
        rss.push_back(r.memory.rssMb);
        hwm.push_back(r.memory.hwmMb);
        pss.push_back(r.memory.pssMb);
    }
    std::printf("%-18s %4zu %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f\n", label, runs.size(),
                *std::min_element(t.begin(), t.end()), Median(t),
                *std::max_element(t.begin(), t.end()), Median(rss), Median(hwm), Median(pss));
}

int Main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) return kCannotMeasure;
    const Options& o = *options;

    if (access(o.program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "startup_bench: cannot run %s\n", o.program.c_str());
        return kCannotMeasure;
    }

    Xvfb xvfb;
    std::string display = o.display;
    if (display.empty()) {
        const auto binary = FindInPath("Xvfb");
        if (!binary) {
            std::printf(
                "SKIPPED: Xvfb is not installed (scripts/install-deps.sh installs it); "
                "nothing measured.\n");
            return 0;
        }
        const auto started = xvfb.Start(*binary);
        if (!started) {
            std::fprintf(stderr, "startup_bench: Xvfb did not report a display\n");
            return kCannotMeasure;
        }
        display = *started;
    }

    Display* x = nullptr;
    for (int i = 0; i < 100 && !x; ++i) {
        x = XOpenDisplay(display.c_str());
        if (!x) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!x) {
        std::fprintf(stderr, "startup_bench: cannot open display %s\n", display.c_str());
        return kCannotMeasure;
    }
    XSetErrorHandler(IgnoreXError);
    Session session(x);

    const char* inherited = std::getenv("SDL_AUDIODRIVER");
    std::printf("Start-up of %s on display %s, %d run(s), SDL_AUDIODRIVER=%s\n", o.program.c_str(),
                display.c_str(), o.runs,
                o.dummyAudio ? "dummy"
                : inherited  ? inherited
                             : "(unset)");
    std::printf("sound options at start: %s\n",
                o.settings.empty() ? "off (no settings file)" : o.settings.c_str());
    std::printf("\n%4s %12s %10s %9s %9s %9s %9s %9s %s\n", "run", "on screen ms", "window",
                "RSS MB", "HWM MB", "anon MB", "file MB", "PSS MB", "libs");

    std::vector<RunResult> results;
    for (int i = 0; i < o.runs; ++i) {
        std::string output, why;
        const auto r = RunOnce(o, display, session, output, why);
        if (!r) {
            std::fflush(stdout);
            std::fprintf(stderr, "startup_bench: run %d: %s\n%s\n", i + 1, why.c_str(),
                         output.c_str());
            XCloseDisplay(x);
            return kCannotMeasure;
        }
        if (i == 0 && !output.empty())
            std::printf("(the program's output on the first run: %s)\n", output.c_str());
        const std::string size = std::to_string(r->width) + "x" + std::to_string(r->height);
        std::printf("%4d %12.1f %10s %9.1f %9.1f %9.1f %9.1f %9.1f %s\n", i + 1, r->startupMs,
                    size.c_str(), r->memory.rssMb, r->memory.hwmMb, r->memory.anonMb,
                    r->memory.fileMb, r->memory.pssMb, r->soundLoaded ? "sound" : "-");
        if (r->idleCpuS >= 0)
            std::printf("     idle: %.2f CPU s over %d s (%.3f%% of a core), sound device %s\n",
                        r->idleCpuS, o.idleS, 100.0 * r->idleCpuS / o.idleS,
                        r->deviceOpen ? "OPEN" : "closed");
        results.push_back(*r);
    }
    XCloseDisplay(x);

    std::printf("\n%-18s %4s %9s %9s %9s %9s %9s %9s\n", "", "runs", "min ms", "median ms",
                "max ms", "RSS MB", "HWM MB", "PSS MB");
    Summarise("first (cold)", {results.front()});
    if (results.size() > 1) Summarise("later (warm)", {results.begin() + 1, results.end()});
    Summarise("all", results);

    std::vector<double> t, rss;
    for (const auto& r : results) {
        t.push_back(r.startupMs);
        rss.push_back(r.memory.rssMb);
    }
    const double medianMs = Median(t);
    const double medianRss = Median(rss);
    std::printf("\nmedian start-up %.1f ms: %s the %.0f ms target\n", medianMs,
                Verdict(medianMs, kStartupTargetMs), kStartupTargetMs);
    std::printf("median RSS %.1f MB: %s the %.0f MB target\n", medianRss,
                Verdict(medianRss, kRssTargetMb), kRssTargetMb);
    return 0;
}

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) { return tavrin::Main(argc, argv); }
