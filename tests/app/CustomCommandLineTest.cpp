#include "app/CustomCommandLine.h"
#include "app/TextReplace.h"

#include <gtest/gtest.h>

namespace {
using Words = std::vector<std::string>;

struct TExpansionCase {
    const char* Template;
    const char* Path;
    Words Expected;
};

class ExpandCustomCommandCases : public testing::TestWithParam<TExpansionCase> {};

TEST_P(ExpandCustomCommandCases, SplitsIntoWordsThenReplacesThePlaceholdersInTheirOrder) {
    EXPECT_EQ(ExpandCustomCommand(GetParam().Template, GetParam().Path), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, ExpandCustomCommandCases,
    testing::Values(
        TExpansionCase{"notepad \"%n\"", "/pics/./a.jpg", {"notepad", "/pics/./a.jpg"}},
        TExpansionCase{
            "%n|%p|%f|%e", "/pics/2001/a.b.jpg", {"/pics/2001/a.b.jpg|/pics/2001/|a.b.jpg|.jpg"}},
        TExpansionCase{"cp %n %n.bak", "/a/./x.png", {"cp", "/a/./x.png", "/a/./x.png.bak"}},
        // Whatever the path holds stays inside its word.
        TExpansionCase{"rm \"%n\"", "/p/./a\" -rf \"b", {"rm", "/p/./a\" -rf \"b"}},
        TExpansionCase{"view %n", "/my pics/./a b.jpg", {"view", "/my pics/./a b.jpg"}},
        TExpansionCase{"view \"%p\"x%f", "/p q/./a.jpg", {"view", "/p q/./xa.jpg"}},
        // Placeholders are case-sensitive.
        TExpansionCase{"x %P %N %F %E", "/a/./x.png", {"x", "%P", "%N", "%F", "%E"}},
        // Each replacement works on the result of the one before.
        TExpansionCase{"%n", "/pics/./50%f.jpg", {"/pics/./5050%f.jpg.jpg"}},
        TExpansionCase{"%f", "/pics/./50%f.jpg", {"50%f.jpg"}},
        TExpansionCase{"%n", "/pics/./50%e.jpg", {"/pics/./50.jpg.jpg"}},
        TExpansionCase{"[%e]", "/pics/./README", {"[]"}},
        TExpansionCase{"[%e]", "/pics/v1.0/README", {"[]"}},
        TExpansionCase{"[%e][%f]", "/pics/./.hidden", {"[.hidden][.hidden]"}},
        TExpansionCase{"", "/pics/./a.jpg", {}}, TExpansionCase{" ", "/pics/./a.jpg", {}}));

TEST(ReplaceAll, ReplacesLeftToRightWithoutSearchingTheReplacementAgain) {
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(ReplaceAll("a/./b/./c", "/./", "/"), "a/b/c");
    EXPECT_EQ(ReplaceAll("Abc", "a", "x"), "Abc");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("", "a", "x"), "");
}
} // namespace
