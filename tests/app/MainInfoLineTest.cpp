#include "BrowsingFixture.h"

#include "display/FastIMG.h"

#include <cstring>

namespace {
class MainInfoLine : public BrowsingFixture {
protected:
    std::string Line() const { return Window->DisplaySurface->InfoLine(); }
};

TEST_F(MainInfoLine, TheKeyShowsWhoWhereAndHowBigUntilItIsPressedAgain) {
    TfrmMain& window = Browse(3);
    EXPECT_FALSE(window.actInfoLine->isChecked());
    EXPECT_EQ(Line(), "");
    const std::vector<uint8_t> pixels(window.DisplayBuffer->PixelData,
                                      window.DisplayBuffer->PixelData +
                                          window.DisplayBuffer->ByteSize);

    QTest::keyClick(&window, Qt::Key_I);
    EXPECT_TRUE(window.actInfoLine->isChecked());
    EXPECT_EQ(Line(), "00.tbmp   1/3   4 x 3   100%");
    // Drawn by the surface: the picture's pixels stay as they were.
    EXPECT_EQ(std::memcmp(window.DisplayBuffer->PixelData, pixels.data(), pixels.size()), 0);

    window.GoNext();
    window.actZoomInExecute();
    EXPECT_EQ(Line(), "01.tbmp   2/3   4 x 3   150%");
    window.actRotate90cwExecute();
    EXPECT_EQ(Line(), "01.tbmp   2/3   3 x 4   150%");

    window.actInfoLine->trigger();
    EXPECT_FALSE(window.actInfoLine->isChecked());
    EXPECT_EQ(Line(), "");
}
} // namespace
