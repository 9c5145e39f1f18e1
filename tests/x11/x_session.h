// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private X server (Xvfb) and the real program running on it, driven from
// outside with xdotool and read back pixel by pixel, as a user would see it.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct _XDisplay;

namespace tavrin::x11 {

using namespace std::chrono_literals;

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// The pointer's picture as the server shows it, in screen pixels.
struct PointerPicture {
    int width = 0, height = 0, hotX = 0, hotY = 0;
};

struct Output {
    int status = -1;  // the exit status, -1 when the command did not end normally
    std::string text;
};

// True when `tool` is found on PATH.
bool Installed(const std::string& tool);

// A whole file's text; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Runs a shell command and collects what it printed on stdout.
Output Run(const std::string& command);

// True once `done` holds, polling until `timeout` has passed.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s);

// A child process that dies with the test, whatever way the test ends.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

    // Starts argv[0] (searched on PATH) with extra environment settings;
    // its output goes to `logPath`, and `fd3`, when given, becomes its fd 3.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& logPath, int fd3 = -1);
    // The exit status once the process has ended by itself within `timeout`.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout);
    bool Running();
    // Ends it with SIGTERM (SIGKILL a hung one) and returns how it ended: its exit status, or
    // 128 + the signal that ended it; nothing when SIGTERM did not end it within two seconds.
    // A process that had ended already keeps the status it ended with.
    std::optional<int> Stop();
    pid_t pid() const { return pid_; }

private:
    void Reaped(int status);

    pid_t pid_ = -1;
    std::optional<int> status_;
};

// What went wrong with a program a test started, judged by how Stop said it ended and by its
// log: an exit other than `expected` or by the SIGTERM that stopped it, or a sanitizer's
// report. Empty when nothing did.
std::string ProgramTrouble(std::optional<int> stopped, const std::string& logPath,
                           int expected = 0);

// Xvfb on the first free display from :90 up, with a plain coloured desktop.
class XServer {
public:
    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer() { Stop(); }

    // Empty on success, otherwise why the server could not be started. `screen` is the
    // framebuffer's WIDTHxHEIGHTxDEPTH.
    std::string Start(const std::string& logFolder, const std::string& desktopColour,
                      const std::string& screen = "1024x768x24");
    void Stop();
    const std::string& display() const { return display_; }

    // Screen pixels of a rectangle, row by row.
    std::vector<Rgb> Grab(const Geometry& area);
    Rgb Pixel(int x, int y) { return Grab({x, y, 1, 1}).front(); }
    bool OverrideRedirect(unsigned long window);
    // The pointer on show now (XFixes); nothing when the server cannot tell.
    std::optional<PointerPicture> Pointer();

    // Presses and releases each key of a blank-separated list of keysym names
    // ("1 2 Return") through XTest: as a keyboard would, and far quicker than
    // an xdotool process per key. False when a name is unknown.
    bool Keys(const std::string& keysyms);

    // An xdotool command line on this display, never waiting longer than ten seconds.
    Output Xdotool(const std::string& arguments);
    std::vector<unsigned long> VisibleWindows(pid_t pid);
    std::optional<Geometry> WindowGeometry(unsigned long window);

private:
    ChildProcess xvfb_;
    std::string display_;
    _XDisplay* connection_ = nullptr;
};

// One Xvfb shared by a whole test suite, in a scratch folder of its own that goes with it:
// Start in SetUpTestSuite, Stop in TearDownTestSuite. A missing tool skips the suite's tests;
// a server that would not start fails them.
class SuiteXServer {
public:
    // `missing` is added to the reason a missing tool gives for skipping.
    void Start(const std::string& name, const std::string& desktopColour,
               const std::string& missing = "", const std::string& screen = "1024x768x24");
    void Stop();
    // Empty, or why the suite's tests are skipped.
    const std::string& skipReason() const { return skipReason_; }
    // Empty, or why the server did not start.
    const std::string& startError() const { return startError_; }
    const std::string& folder() const { return folder_; }
    XServer& x() { return *server_; }

private:
    std::string skipReason_, startError_, folder_;
    std::unique_ptr<XServer> server_;
};

}  // namespace tavrin::x11
