#include "app/PictureList.h"

#include <gtest/gtest.h>

namespace {
using Names = std::vector<std::string>;

TEST(PictureListItems, TopLevelPicturesShowTheirNameAndOthersTheirRelativePath) {
    EXPECT_EQ(PictureListItems(
                  {"/pics/./a.jpg", "/pics/./B.PNG", "/pics/2001/b.jpg", "/pics/2001/deeper/c.jpg"},
                  "/pics/"),
              (Names{"a.jpg", "B.PNG", "2001/b.jpg", "2001/deeper/c.jpg"}));
}

TEST(PictureListItems, OnlyTheLeadingDirectoryGoesAndLetterCaseCounts) {
    EXPECT_EQ(PictureListItems({"/pics/old/pics/a.jpg", "/PICS/./b.jpg", "/pics./c.jpg"}, "/pics/"),
              (Names{"old/pics/a.jpg", "/PICS/b.jpg", "/pics./c.jpg"}));
    EXPECT_EQ(PictureListItems({"/pics/./a.jpg"}, ""), (Names{"/pics/a.jpg"}));
    EXPECT_TRUE(PictureListItems({}, "/pics/").empty());
}
} // namespace
