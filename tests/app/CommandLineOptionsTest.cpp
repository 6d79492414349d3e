#include "app/CommandLineOptions.h"

#include <gtest/gtest.h>

namespace {
using Words = std::vector<std::string>;

struct TOptionCase {
    Words Arguments;
    TCommandLine::TAction Action;
    Words Names;
    std::string BadOption;
};

class CommandLineOptions : public testing::TestWithParam<TOptionCase> {};

TEST_P(CommandLineOptions, SortsOptionsFromNames) {
    const TCommandLine parsed = ParseCommandLine(GetParam().Arguments);
    EXPECT_EQ(parsed.Action, GetParam().Action);
    EXPECT_EQ(parsed.Names, GetParam().Names);
    EXPECT_EQ(parsed.BadOption, GetParam().BadOption);
}

using C = TCommandLine;
INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineOptions,
    testing::Values(
        TOptionCase{{}, C::caRun, {}, ""},
        TOptionCase{{"/pics/a.jpg", "extra"}, C::caRun, {"/pics/a.jpg", "extra"}, ""},
        TOptionCase{{"--help"}, C::caHelp, {}, ""},
        TOptionCase{{"a.jpg", "-h"}, C::caHelp, {"a.jpg"}, ""},
        TOptionCase{{"--version", "--help"}, C::caVersion, {}, ""},
        TOptionCase{{"--help", "--bogus"}, C::caHelp, {}, ""},
        TOptionCase{{"-x", "--help"}, C::caBadOption, {}, "-x"},
        // Qt's own options are not taken either.
        TOptionCase{{"-platform", "offscreen"}, C::caBadOption, {"offscreen"}, "-platform"},
        TOptionCase{{"-", "--", "--help", "-x.jpg"}, C::caRun, {"-", "--help", "-x.jpg"}, ""}));

TEST(CommandLineTexts, HelpNamesTheUsageAndEveryExitCodeAndTheVersionItsNumber) {
    const std::string usage = UsageText();
    EXPECT_EQ(usage.rfind("Usage: pelorama ", 0), 0u);
    for (const char* text : {"--help", "--version", "0 normally", "1 when", "2 for", "3 when"})
        EXPECT_NE(usage.find(text), std::string::npos) << text;
    EXPECT_EQ(VersionText(), std::string("pelorama ") + PELORAMA_VERSION + "\n");
}
} // namespace
