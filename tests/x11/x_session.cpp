// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace tavrin::x11 {

namespace {

// Displays tried for the private server; numbers below 90 are left to people.
constexpr int kFirstDisplay = 90;
constexpr int kLastDisplay = 160;

bool DisplayTaken(int n) {
    namespace fs = std::filesystem;
    std::error_code error;
    return fs::exists("/tmp/.X11-unix/X" + std::to_string(n), error) ||
           fs::exists("/tmp/.X" + std::to_string(n) + "-lock", error);
}

// A grab that falls off the screen must fail the test, not end the process.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// True when a line arrives on `fd` before the time is up; false at its end.
bool ReadsLine(int fd, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::string text;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char c;
        if (read(fd, &c, 1) != 1) return false;
        if (c == '\n') return !text.empty();
        text += c;
    }
}

}  // namespace

Output Run(const std::string& command) {
    Output out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, n);
    const int status = pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
}

bool ChildProcess::Start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& logPath,
                         int fd3) {
    Stop();
    status_.reset();
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        // A test that crashes or is killed by its timeout must not leave an X
        // server or the program behind.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        setpgid(0, 0);
        for (const std::string& setting : environment) putenv(strdup(setting.c_str()));
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            close(log);
        }
        if (fd3 >= 0) {
            if (fd3 != 3) {
                dup2(fd3, 3);
                close(fd3);
            } else {
                fcntl(3, F_SETFD, 0);
            }
        }
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    pid_ = pid;
    return true;
}

void ChildProcess::Reaped(int status) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
}

std::optional<int> ChildProcess::WaitExit(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return std::nullopt;
    std::optional<int> result;
    WaitFor(
        [&] {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
            Reaped(status);
            result = status_;
            return true;
        },
        timeout);
    return result;
}

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        Reaped(status);
        return false;
    }
    return true;
}

std::optional<int> ChildProcess::Stop() {
    if (pid_ <= 0) return status_;
    kill(pid_, SIGTERM);
    if (WaitExit(2s)) return status_;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    status_.reset();
    return status_;
}

std::string ProgramTrouble(std::optional<int> stopped, const std::string& logPath, int expected) {
    const std::string log = ReadFile(logPath);
    std::string trouble;
    if (!stopped) {
        trouble = "it did not end on SIGTERM";
    } else if (*stopped != expected && *stopped != 128 + SIGTERM) {
        trouble = "it ended with status " + std::to_string(*stopped);
    }
    for (const char* report : {"runtime error:", "ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                               "WARNING: ThreadSanitizer", "ERROR: UndefinedBehaviorSanitizer"}) {
        if (log.find(report) != std::string::npos) {
            trouble +=
                std::string(trouble.empty() ? "" : "; ") + "its log holds \"" + report + "\"";
            break;
        }
    }
    return trouble.empty() ? trouble : trouble + "; its log:\n" + log;
}

std::string XServer::Start(const std::string& logFolder, const std::string& desktopColour,
                           const std::string& screen) {
    const std::string log = logFolder + "/xvfb.log";
    for (int n = kFirstDisplay; n <= kLastDisplay; ++n) {
        if (DisplayTaken(n)) continue;
        const std::string display = ":" + std::to_string(n);
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0) return "cannot make a pipe";
        const bool started = xvfb_.Start({"Xvfb", display, "-displayfd", "3", "-screen", "0",
                                          screen, "-noreset", "-nolisten", "tcp"},
                                         {}, log, ready[1]);
        close(ready[1]);
        // The server itself says when it listens, so a server of another run
        // that took the same number a moment earlier is never mistaken for
        // ours: ours then ends without a word and the next number is tried.
        const bool listening = started && ReadsLine(ready[0], 10s);
        close(ready[0]);
        if (!started) return "cannot start Xvfb";
        if (listening) connection_ = XOpenDisplay(display.c_str());
        if (connection_) {
            XSetErrorHandler(IgnoreXErrors);
            display_ = display;
            const Output root =
                Run("DISPLAY=" + display_ + " xsetroot -solid '" + desktopColour + "' 2>&1");
            if (root.status != 0) return "xsetroot failed: " + root.text;
            XSync(connection_, False);
            return {};
        }
        xvfb_.Stop();
    }
    return "no free display between :" + std::to_string(kFirstDisplay) +
           " and :" + std::to_string(kLastDisplay) + " (see " + log + ")";
}

void XServer::Stop() {
    if (connection_) XCloseDisplay(connection_);
    connection_ = nullptr;
    xvfb_.Stop();
}

std::optional<PointerPicture> XServer::Pointer() {
    if (!connection_) return std::nullopt;
    XFixesCursorImage* image = XFixesGetCursorImage(connection_);
    if (!image) return std::nullopt;
    const PointerPicture picture{image->width, image->height, image->xhot, image->yhot};
    XFree(image);
    return picture;
}

std::vector<Rgb> XServer::Grab(const Geometry& area) {
    std::vector<Rgb> pixels;
    if (!connection_) return pixels;
    XImage* image = XGetImage(connection_, DefaultRootWindow(connection_), area.x, area.y,
                              static_cast<unsigned>(area.width), static_cast<unsigned>(area.height),
                              AllPlanes, ZPixmap);
    if (!image) return pixels;
    pixels.reserve(static_cast<std::size_t>(area.width * area.height));
    for (int y = 0; y < area.height; ++y)
        for (int x = 0; x < area.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            pixels.push_back({static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                              static_cast<int>(p & 0xFF)});
        }
    XDestroyImage(image);
    return pixels;
}

bool XServer::OverrideRedirect(unsigned long window) {
    XWindowAttributes attributes{};
    if (!connection_ || !XGetWindowAttributes(connection_, window, &attributes)) return false;
    return attributes.override_redirect;
}

bool XServer::Keys(const std::string& keysyms) {
    if (!connection_) return false;
    std::istringstream names(keysyms);
    for (std::string name; names >> name;) {
        const KeySym keysym = XStringToKeysym(name.c_str());
        const KeyCode code = keysym == NoSymbol ? 0 : XKeysymToKeycode(connection_, keysym);
        if (code == 0) return false;
        XTestFakeKeyEvent(connection_, code, True, CurrentTime);
        XTestFakeKeyEvent(connection_, code, False, CurrentTime);
    }
    XSync(connection_, False);
    return true;
}

Output XServer::Xdotool(const std::string& arguments) {
    return Run("DISPLAY=" + display_ + " timeout 10 xdotool " + arguments + " 2>/dev/null");
}

std::vector<unsigned long> XServer::VisibleWindows(pid_t pid) {
    std::vector<unsigned long> windows;
    std::istringstream in(Xdotool("search --onlyvisible --pid " + std::to_string(pid)).text);
    for (unsigned long w; in >> w;) windows.push_back(w);
    return windows;
}

std::optional<Geometry> XServer::WindowGeometry(unsigned long window) {
    const Output out = Xdotool("getwindowgeometry --shell " + std::to_string(window));
    if (out.status != 0) return std::nullopt;
    Geometry g;
    std::istringstream in(out.text);
    int found = 0;
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X") g.x = value, ++found;
        if (key == "Y") g.y = value, ++found;
        if (key == "WIDTH") g.width = value, ++found;
        if (key == "HEIGHT") g.height = value, ++found;
    }
    if (found != 4) return std::nullopt;
    return g;
}

bool Installed(const std::string& tool) {
    return Run("command -v " + tool + " >/dev/null 2>&1").status == 0;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void SuiteXServer::Start(const std::string& name, const std::string& desktopColour,
                         const std::string& missing, const std::string& screen) {
    for (const char* tool : {"Xvfb", "xdotool", "xsetroot"})
        if (!Installed(tool)) {
            skipReason_ = std::string(tool) + " is not installed" + missing;
            return;
        }
    std::string pattern = "/tmp/" + name + "-XXXXXX";
    folder_ = mkdtemp(pattern.data());
    server_ = std::make_unique<XServer>();
    startError_ = server_->Start(folder_, desktopColour, screen);
}

void SuiteXServer::Stop() {
    server_.reset();
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    skipReason_.clear();
    startError_.clear();
    folder_.clear();
}

}  // namespace tavrin::x11
