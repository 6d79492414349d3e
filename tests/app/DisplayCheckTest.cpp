#include "app/DisplayCheck.h"

#include <gtest/gtest.h>

namespace {
struct TDisplayCase {
    TDisplayEnvironment Environment;
    bool ServerAnswers;
    std::optional<std::string> Problem;
};

class DisplayCheck : public testing::TestWithParam<TDisplayCase> {};

TEST_P(DisplayCheck, NamesWhatKeepsTheXDisplayAway) {
    const auto probe = [](const std::string&) { return GetParam().ServerAnswers; };
    EXPECT_EQ(DisplayProblem(GetParam().Environment, probe), GetParam().Problem);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayCheck,
    testing::Values(
        TDisplayCase{{"", ":0", ""}, true, std::nullopt},
        TDisplayCase{{"xcb", ":1", "wayland-0"}, true, std::nullopt},
        TDisplayCase{{"offscreen", "", ""}, false, std::nullopt},
        // Another platform chosen: X is not asked at all.
        TDisplayCase{{"wayland", ":0", "wayland-0"}, false, std::nullopt},
        TDisplayCase{{"", "", ""},
                     false,
                     "no X display (DISPLAY is not set); start the viewer from a desktop session"},
        TDisplayCase{{"xcb", "", "wayland-0"},
                     false,
                     "no X display: this Wayland session has no XWayland (DISPLAY is not set)"},
        TDisplayCase{{"", ":7", ""}, false, "cannot open the X display \":7\""}));

TEST(DisplayCheckProbe, NoServerAnswersOnADisplayThatCannotExist) {
    EXPECT_FALSE(CanConnectToX(":65000"));
}
} // namespace
