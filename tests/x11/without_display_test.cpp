// SPDX-License-Identifier: GPL-3.0-or-later
// The real program where no display can be reached.

#include <gtest/gtest.h>

#include <algorithm>

#include "x_session.h"

namespace tavrin::x11 {
namespace {

TEST(WithoutADisplay, TheProgramSaysSoInOneLineAndExitsWithOne) {
    for (const char* display : {"-u DISPLAY", "DISPLAY=:1999"}) {
        const Output out =
            x11::Run(std::string("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") + display +
                     " XDG_CONFIG_HOME=/nonexistent " TAVRIN_BINARY_DIR "/bin/tavrin 2>&1");
        EXPECT_EQ(out.status, 1) << display << ": " << out.text;
        EXPECT_EQ(std::count(out.text.begin(), out.text.end(), '\n'), 1) << out.text;
        EXPECT_NE(out.text.find("display"), std::string::npos) << out.text;
    }
}

}  // namespace
}  // namespace tavrin::x11
