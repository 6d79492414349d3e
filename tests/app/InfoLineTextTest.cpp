#include "app/InfoLineText.h"

#include <gtest/gtest.h>

namespace {
struct TCase {
    TInfoLineFacts Facts;
    const char* Text;
};

TEST(InfoLineText, SaysWhatIsKnownAndLeavesOutTheRest) {
    const TCase cases[] = {
        {{"IMG_0012.jpg", 11, 240, 4000, 3000, 1000, 750},
         "IMG_0012.jpg   12/240   4000 x 3000   25%"},
        {{"a.png", 0, 1, 3, 2, 5, 3}, "a.png   1/1   3 x 2   167%"},
        // A tall picture is measured along its height.
        {{"t.png", 0, 1, 3, 4, 4, 6}, "t.png   1/1   3 x 4   150%"},
        // The error picture, shown before any list was built.
        {{"", -1, 0, 200, 80, 200, 80}, "200 x 80   100%"},
        // A position a shortened list no longer has.
        {{"b.gif", 5, 5, 10, 10, 10, 10}, "b.gif   10 x 10   100%"},
        {{"empty.pcx", 0, 2, 0, 0, 0, 0}, "empty.pcx   1/2   0 x 0"},
    };
    for (const TCase& test : cases)
        EXPECT_EQ(InfoLineText(test.Facts), test.Text) << test.Text;
}
} // namespace
