// SPDX-License-Identifier: GPL-3.0-or-later
// tavrin --show-report on a real X server, with a stand-in for xdg-open: the
// page it is handed, and the message when no browser can be found at all.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "x_session.h"

namespace tavrin::x11 {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ShowReportOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xsetroot", "xdotool"})
            if (x11::Run(std::string("command -v ") + tool + " >/dev/null 2>&1").status != 0)
                GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
        char pattern[] = "/tmp/tavrin-report-XXXXXX";
        folder_ = mkdtemp(pattern);
        const std::string error = server_.Start(folder_, "#3070b0");
        ASSERT_TRUE(error.empty()) << error;
        fs::create_directories(folder_ / "bin");
        fs::create_directories(folder_ / "runtime");
        fs::permissions(folder_ / "runtime", fs::perms::owner_all);
    }
    void TearDown() override {
        program_.Stop();
        server_.Stop();
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }

    // Starts `tavrin --show-report` with only `path` to look for programs in.
    void Start(const std::string& path) {
        ASSERT_TRUE(program_.Start(
            {TAVRIN_BINARY_DIR "/bin/tavrin", "--show-report"},
            {"DISPLAY=" + server_.display(), "PATH=" + path,
             "BROWSER=", "DEFAULT_BROWSER=", "XDG_CACHE_HOME=" + (folder_ / "cache").string(),
             "XDG_DATA_HOME=" + (folder_ / "data").string(),
             "XDG_RUNTIME_DIR=" + (folder_ / "runtime").string(), "QT_QPA_PLATFORM=xcb"},
            (folder_ / "program.log").string()));
    }

    fs::path folder_;
    XServer server_;
    ChildProcess program_;
};

TEST_F(ShowReportOnScreen, HandsXdgOpenTheURLOfTheWrittenPage) {
    const fs::path opener = folder_ / "bin/xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.url\"\n";
    fs::permissions(opener, fs::perms::owner_all);
    Start((folder_ / "bin").string() + ":/usr/bin:/bin");
    const auto status = program_.WaitExit(20s);
    ASSERT_TRUE(status) << ReadFile(folder_ / "program.log");
    EXPECT_EQ(*status, 0) << ReadFile(folder_ / "program.log");
    std::string url;
    ASSERT_TRUE(WaitFor([&] { return !(url = ReadFile(folder_ / "bin/xdg-open.url")).empty(); }))
        << "xdg-open was never run";
    const std::string page = (folder_ / "cache/tavrin/report.html").string();
    EXPECT_EQ(url, "file://" + page);
    EXPECT_NE(ReadFile(page).find("还没有练习记录"), std::string::npos) << ReadFile(page);
}

TEST_F(ShowReportOnScreen, WithoutABrowserOneMessageSaysSo) {
    Start((folder_ / "bin").string());  // nothing to open a page with
    std::vector<unsigned long> windows;
    ASSERT_TRUE(
        WaitFor([&] { return !(windows = server_.VisibleWindows(program_.pid())).empty(); }, 20s))
        << "no message box; " << ReadFile(folder_ / "program.log");
    EXPECT_EQ(windows.size(), 1u);
    EXPECT_FALSE(program_.WaitExit(300ms)) << "the message did not wait to be read";
    ASSERT_TRUE(server_.Keys("Return"));
    const auto status = program_.WaitExit(10s);
    ASSERT_TRUE(status) << "Enter left the message open";
    EXPECT_EQ(*status, 1);
}

}  // namespace
}  // namespace tavrin::x11
