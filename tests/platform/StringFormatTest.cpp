#include "platform/StringFormat.h"

#include <gtest/gtest.h>

TEST(Format, SubstitutesInOrderAndKeepsUnmatchedDirectives) {
    EXPECT_EQ(Format("Cannot load image. Invalid or unexpected %s image format.", "GIF"),
              "Cannot load image. Invalid or unexpected GIF image format.");
    EXPECT_EQ(Format("Cannot load image. %s not supported for %s files.",
                     "The compression scheme is", "TIF/TIFF"),
              "Cannot load image. The compression scheme is not supported for TIF/TIFF files.");
    EXPECT_EQ(Format("Erreur JPEG #%d", 42), "Erreur JPEG #42");
    EXPECT_EQ(Format("100%% of %s and %s", "x"), "100% of x and %s");
    EXPECT_EQ(Format("trailing %"), "trailing %");
}
