#include "platform/StringFormat.h"
#include "platform/Exceptions.h"

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

TEST(StrToInt, AcceptsSignedDecimalsAndRefusesEverythingElse) {
    EXPECT_EQ(StrToInt("87"), 87);
    EXPECT_EQ(StrToInt("-12"), -12);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", "-", "8x", " 8", "2147483648", "99999999999999999999"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(StrToInt(bad), EConvertError);
    }
    try {
        StrToInt("x7");
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x7' is not a valid integer value");
    }
}
