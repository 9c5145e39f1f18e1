// SPDX-License-Identifier: GPL-3.0-or-later
// tavrin --show-report on a real X server when no browser can be found at all: the
// message must wait to be read. (The page handed to xdg-open is checked by the
// install test, through the desktop entry's own action.)

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "x_session.h"

namespace tavrin::x11 {
namespace {

namespace fs = std::filesystem;

TEST(ShowReportOnScreen, WithoutABrowserOneMessageSaysSoAndWaits) {
    for (const char* tool : {"Xvfb", "xsetroot", "xdotool"})
        if (!Installed(tool))
            GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
    char pattern[] = "/tmp/tavrin-report-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    const fs::path empty = folder / "runtime";  // and nowhere to look for a browser
    fs::create_directories(empty);
    fs::permissions(empty, fs::perms::owner_all);
    XServer server;
    ChildProcess program;
    const std::string error = server.Start(folder, "#3070b0");
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_TRUE(program.Start({TAVRIN_BINARY_DIR "/bin/tavrin", "--show-report"},
                              {"DISPLAY=" + server.display(), "PATH=" + empty.string(), "BROWSER=",
                               "DEFAULT_BROWSER=", "XDG_CACHE_HOME=" + (folder / "cache").string(),
                               "XDG_DATA_HOME=" + (folder / "data").string(),
                               "XDG_RUNTIME_DIR=" + empty.string(), "QT_QPA_PLATFORM=xcb"},
                              (folder / "program.log").string()));
    std::vector<unsigned long> windows;
    EXPECT_TRUE(
        WaitFor([&] { return !(windows = server.VisibleWindows(program.pid())).empty(); }, 20s))
        << "no message box";
    EXPECT_EQ(windows.size(), 1u);
    EXPECT_FALSE(program.WaitExit(300ms)) << "the message did not wait to be read";
    EXPECT_TRUE(server.Keys("Return"));
    EXPECT_EQ(program.WaitExit(10s), std::optional<int>(1)) << "Enter left the message open";
    EXPECT_EQ(ProgramTrouble(program.Stop(), (folder / "program.log").string(), 1), "");
    server.Stop();
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tavrin::x11
