#include "app/CommandLineWords.h"

#include <gtest/gtest.h>

namespace {
struct TSplitCase {
    const char* Line;
    std::vector<std::string> Words;
};

class CommandLineWords : public testing::TestWithParam<TSplitCase> {};

TEST_P(CommandLineWords, SplitsLikeAShellOnSpacesAndDoubleQuotes) {
    EXPECT_EQ(SplitCommandLine(GetParam().Line), GetParam().Words);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineWords,
    testing::Values(TSplitCase{"", {}}, TSplitCase{"   ", {}},
                    TSplitCase{"gimp /pics/a.jpg", {"gimp", "/pics/a.jpg"}},
                    TSplitCase{"  a   b  ", {"a", "b"}},
                    TSplitCase{"viewer \"/my pics/a b.jpg\" -x",
                               {"viewer", "/my pics/a b.jpg", "-x"}},
                    TSplitCase{"a\"b c\"d", {"ab cd"}}, TSplitCase{"a \"\" b", {"a", "", "b"}},
                    TSplitCase{"a \"unterminated rest", {"a", "unterminated rest"}},
                    TSplitCase{"tab\tseparated", {"tab", "separated"}},
                    TSplitCase{"$HOME; rm *", {"$HOME;", "rm", "*"}}));
} // namespace
