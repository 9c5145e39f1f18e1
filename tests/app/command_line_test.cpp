// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

struct Outcome {
    std::optional<int> exit;
    std::string out, err;
};

Outcome Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tavrin");
    std::ostringstream out, err;
    const auto exit =
        tavrin::HandleCommandLine(static_cast<int>(args.size()), args.data(), out, err);
    return {exit, out.str(), err.str()};
}

TEST(CommandLine, WithoutArgumentsTheFaceStarts) {
    const Outcome o = Parse({});
    EXPECT_FALSE(o.exit.has_value());
    EXPECT_EQ(o.out + o.err, "");
}

TEST(CommandLine, HelpAndVersionPrintAndEndWell) {
    for (const char* help : {"--help", "-h"}) {
        const Outcome o = Parse({help});
        EXPECT_EQ(o.exit, 0) << help;
        EXPECT_TRUE(o.out.starts_with("Usage: tavrin")) << help;
        EXPECT_EQ(o.err, "") << help;
    }
    const Outcome version = Parse({"--version"});
    EXPECT_EQ(version.exit, 0);
    EXPECT_EQ(version.out, "tavrin " TAVRIN_VERSION "\n");
}

TEST(CommandLine, AnythingElseIsAUsageErrorOnStandardError) {
    const std::vector<std::vector<const char*>> wrong = {
        {"--nonsense"}, {"-x"}, {"file.txt"}, {""}, {"--help", "extra"}, {"--version", "--help"}};
    for (const auto& args : wrong) {
        const Outcome o = Parse(args);
        EXPECT_EQ(o.exit, 2) << args[0];
        EXPECT_EQ(o.out, "") << args[0];
        EXPECT_TRUE(o.err.starts_with("tavrin: ")) << o.err;
        EXPECT_NE(o.err.find(args.back()), std::string::npos) << o.err;
    }
}

}  // namespace
