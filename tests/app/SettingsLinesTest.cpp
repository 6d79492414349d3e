#include "app/SettingsLines.h"

#include <gtest/gtest.h>

namespace {
using Lines = std::vector<std::string>;
using namespace std::string_literals;

struct TSplitCase {
    std::string Text;
    Lines Expected;
};

class SplitSettingsLinesCases : public testing::TestWithParam<TSplitCase> {};

TEST_P(SplitSettingsLinesCases, EndsLinesAtEveryKindOfBreak) {
    EXPECT_EQ(SplitSettingsLines(GetParam().Text), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitSettingsLinesCases,
    testing::Values(TSplitCase{"", {}}, TSplitCase{"a", {"a"}}, TSplitCase{"a\r\nb", {"a", "b"}},
                    TSplitCase{"a\rb", {"a", "b"}}, TSplitCase{"a\nb", {"a", "b"}},
                    TSplitCase{"a\r\n", {"a"}}, TSplitCase{"a\n\rb", {"a", "", "b"}},
                    TSplitCase{"a\r\r\nb", {"a", "", "b"}}, TSplitCase{"\r\n\r\n", {"", ""}},
                    TSplitCase{"a=1\0b=2"s, {"a=1"}}, TSplitCase{"\0a"s, {}}));

TEST(FindSettingsValue, TakesTheFirstMatchOfTheKeyWithAnyLetterCase) {
    const Lines lines{"[General]", "shrink=1", "SHRINK=0", "Filter=1", "Filtering"};
    EXPECT_EQ(FindSettingsValue(lines, "Shrink"), "1");
    EXPECT_EQ(FindSettingsValue(lines, "Filtering"), std::nullopt);
    EXPECT_EQ(FindSettingsValue(lines, "General"), std::nullopt);
}

TEST(FindSettingsValue, KeepsTheValueAfterTheFirstEqualsSignUnchanged) {
    const Lines lines{"CustomCommand2=notepad %f", "CustomCommand3= a=b ", "Empty=", " Shrink=1"};
    EXPECT_EQ(FindSettingsValue(lines, "CustomCommand2"), "notepad %f");
    EXPECT_EQ(FindSettingsValue(lines, "CustomCommand3"), " a=b ");
    EXPECT_EQ(FindSettingsValue(lines, "Empty"), "");
    // The key is not trimmed either.
    EXPECT_EQ(FindSettingsValue(lines, "Shrink"), std::nullopt);
    EXPECT_EQ(FindSettingsValue(lines, " Shrink"), "1");
}
} // namespace
