#include "MetafileBuilders.h"

#include "formats/FileFormatList.h"
#include "metafile/Metafile.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureClassTable.h"
#include "platform/Streams.h"

#include <QImage>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using TPixel = std::array<int, 3>; // red, green, blue
constexpr TPixel White{255, 255, 255};
constexpr TPixel Red{255, 0, 0};
constexpr TPixel Blue{0, 0, 255};

TMetafile Load(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    TMetafile metafile;
    metafile.LoadFromStream(stream);
    return metafile;
}

TBitmap Render(const TGraphic& picture) {
    TBitmap canvas;
    canvas.SetPixelFormat(TPixelFormat::pf24bit);
    canvas.SetSize(picture.Width(), picture.Height());
    canvas.Fill({255, 255, 255});
    picture.Draw(canvas, 0, 0);
    return canvas;
}

TPixel At(const TBitmap& canvas, int x, int y) {
    const uint8_t* p = canvas.ScanLine(y) + x * 3;
    return {p[2], p[1], p[0]};
}

struct TExpectedPixel {
    int X, Y;
    TPixel Color;
};

void ExpectPixels(const TBitmap& canvas, std::initializer_list<TExpectedPixel> pixels) {
    for (const TExpectedPixel& p : pixels)
        EXPECT_EQ(At(canvas, p.X, p.Y), p.Color) << p.X << "," << p.Y;
}

bool IsDark(const TPixel& p) {
    return p[0] < 128 && p[1] < 128 && p[2] < 128;
}

int DarkPixels(const TBitmap& canvas, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += IsDark(At(canvas, x, y));
    return count;
}

// 16-bit records used by the tests.
enum : uint16_t {
    wmfSelectObject = 0x012D,
    wmfCreatePen = 0x02FA,
    wmfCreateBrush = 0x02FC,
    wmfCreateFont = 0x02FB,
    wmfRectangle = 0x041B,
    wmfPolygon = 0x0324,
    wmfSetWindowOrg = 0x020B,
    wmfSetWindowExt = 0x020C,
    wmfSetMapMode = 0x0103,
    wmfTextOut = 0x0521,
    wmfSetBkMode = 0x0102,
    wmfDibStretchBlt = 0x0B41,
    wmfSaveDc = 0x001E,
    wmfRestoreDc = 0x0127,
    wmfIntersectClipRect = 0x0416,
};

// A red brush in slot 0 and a null pen in slot 1, both selected.
TWmfBuilder RedFillWithoutOutline() {
    TWmfBuilder wmf;
    wmf.Record(wmfCreateBrush, {0, 0x00FF, 0x0000, 0}) // solid, red
        .Record(wmfSelectObject, {0})
        .Record(wmfCreatePen, {5, 0, 0, 0, 0}) // null pen
        .Record(wmfSelectObject, {1});
    return wmf;
}

TEST(Metafile, PlaceableRectangleLandsAtItsCoordinates) {
    TWmfBuilder wmf = RedFillWithoutOutline();
    wmf.Record(wmfRectangle, {20, 30, 10, 10}); // bottom, right, top, left
    const TMetafile picture = Load(wmf.Build(0, 0, 100, 50, 96, 2));
    ASSERT_EQ(picture.Width(), 100);
    ASSERT_EQ(picture.Height(), 50);
    EXPECT_FALSE(picture.Enhanced());
    ExpectPixels(Render(picture), {{20, 15, Red},
                                   {11, 11, Red},
                                   {28, 18, Red},
                                   {5, 5, White},
                                   {35, 15, White},
                                   {20, 25, White}});
}

TEST(Metafile, PlaceableBoxAtItsUnitsPerInchGivesTheNaturalSize) {
    // 1440 units per inch: 2880 units are two inches, 192 pixels at 96 dots per inch.
    TWmfBuilder wmf = RedFillWithoutOutline();
    wmf.Record(wmfRectangle, {1440, 1440, 0, 0});
    const TMetafile picture = Load(wmf.Build(0, 0, 2880, 1440, 1440, 2));
    ASSERT_EQ(picture.Width(), 192);
    ASSERT_EQ(picture.Height(), 96);
    const TBitmap canvas = Render(picture);
    EXPECT_EQ(At(canvas, 50, 50), Red);
    EXPECT_EQ(At(canvas, 100, 50), White);
}

TEST(Metafile, PlainWindowExtentIsTheNaturalSizeAndMapsTheDrawing) {
    TWmfBuilder wmf = RedFillWithoutOutline();
    wmf.Record(wmfSetWindowOrg, {0, 100}) // y, x
        .Record(wmfSetWindowExt, {100, 200})
        .Record(wmfRectangle, {100, 150, 0, 100});
    const TMetafile picture = Load(wmf.Build(0, 0, 0, 0, 0, 2));
    ASSERT_EQ(picture.Width(), 200);
    ASSERT_EQ(picture.Height(), 100);
    const TBitmap canvas = Render(picture);
    EXPECT_EQ(At(canvas, 25, 50), Red);
    EXPECT_EQ(At(canvas, 75, 50), White);
}

TEST(Metafile, PolygonFillsItsInsideOnly) {
    TWmfBuilder wmf = RedFillWithoutOutline();
    // A right triangle with corners (10,10), (90,10), (10,90).
    wmf.Record(wmfPolygon, {3, 10, 10, 90, 10, 10, 90});
    const TBitmap canvas = Render(Load(wmf.Build(0, 0, 100, 100, 96, 2)));
    EXPECT_EQ(At(canvas, 20, 20), Red);
    EXPECT_EQ(At(canvas, 40, 40), Red);
    EXPECT_EQ(At(canvas, 60, 60), White); // beyond the hypotenuse
    EXPECT_EQ(At(canvas, 95, 95), White);
}

// Found by fuzzing: a tiny window extent scales a polygon and its wide miter pen to tens of
// thousands of pixels, which once took Qt most of a second to stroke for a 100-pixel picture.
// Only the visible corner must come out, and come out right.
TEST(Metafile, FigureScaledFarBeyondThePictureShowsItsVisibleCorner) {
    TWmfBuilder wmf = RedFillWithoutOutline();
    wmf.Record(wmfCreatePen, {0x2200, 1, 0, 0, 0}) // solid, flat ends, miter joins, black
        .Record(wmfSelectObject, {2})
        .Record(wmfSetMapMode, {8})      // anisotropic
        .Record(wmfSetWindowExt, {2, 2}) // one unit is 50 pixels
        .Record(wmfPolygon, {3, 1, 1, 1000, 1, 1, 1000});
    const TBitmap canvas = Render(Load(wmf.Build(0, 0, 100, 100, 96, 3)));
    // The pen, 50 pixels wide, runs along x = 50 and y = 50 and squares off their corner.
    const TPixel Black{0, 0, 0};
    ExpectPixels(canvas, {{10, 10, White},
                          {10, 90, White},
                          {30, 30, Black},
                          {30, 95, Black},
                          {95, 30, Black},
                          {80, 80, Red},
                          {99, 99, Red}});
}

TEST(Metafile, TextIsDrawnAtItsReferencePoint) {
    TWmfBuilder wmf;
    std::vector<uint8_t> font = TWmfBuilder::Words({-20, 0, 0, 0, 700});
    font.resize(18 + 32, 0);
    const std::string face = "DejaVu Sans";
    std::copy(face.begin(), face.end(), font.begin() + 18);
    wmf.Raw(wmfCreateFont, font).Record(wmfSelectObject, {0}).Record(wmfSetBkMode, {1});
    std::vector<uint8_t> text = TWmfBuilder::Words({4});
    for (char c : std::string("HHHH"))
        text.push_back(uint8_t(c));
    const auto at = TWmfBuilder::Words({20, 30}); // y, x: top-left alignment
    text.insert(text.end(), at.begin(), at.end());
    wmf.Raw(wmfTextOut, text);
    const TBitmap canvas = Render(Load(wmf.Build(0, 0, 200, 60, 96, 1)));
    EXPECT_GT(DarkPixels(canvas, 30, 20, 110, 42), 60);
    EXPECT_EQ(DarkPixels(canvas, 0, 0, 200, 18), 0);
    EXPECT_EQ(DarkPixels(canvas, 0, 0, 28, 60), 0);
    EXPECT_EQ(DarkPixels(canvas, 120, 0, 200, 60), 0);
}

// A 2 x 2 bitmap of 24 bits: bottom row blue, red; top row green, black.
std::vector<uint8_t> TinyDib() {
    std::vector<uint8_t> dib;
    for (uint32_t v : {40u, 2u, 2u})
        PutU32(dib, v);
    PutU16(dib, 1);
    PutU16(dib, 24);
    for (int i = 0; i < 6; ++i)
        PutU32(dib, 0);
    const uint8_t rows[] = {255, 0,   0, 0, 0, 255, 0, 0,  // bottom: blue, red (+pad)
                            0,   255, 0, 0, 0, 0,   0, 0}; // top: green, black (+pad)
    dib.insert(dib.end(), std::begin(rows), std::end(rows));
    return dib;
}

TEST(Metafile, EmbeddedBitmapIsStretchedRightSideUp) {
    TWmfBuilder wmf;
    std::vector<uint8_t> params;
    PutU32(params, 0x00CC0020);                // source copy
    for (int v : {2, 2, 0, 0, 40, 40, 10, 10}) // source h, w, y, x; dest h, w, y, x
        PutU16(params, uint16_t(v));
    const std::vector<uint8_t> dib = TinyDib();
    params.insert(params.end(), dib.begin(), dib.end());
    wmf.Raw(wmfDibStretchBlt, params);
    const TBitmap canvas = Render(Load(wmf.Build(0, 0, 60, 60, 96, 0)));
    EXPECT_EQ(At(canvas, 20, 20), (TPixel{0, 255, 0}));
    EXPECT_EQ(At(canvas, 40, 20), (TPixel{0, 0, 0}));
    EXPECT_EQ(At(canvas, 20, 40), Blue);
    EXPECT_EQ(At(canvas, 40, 40), Red);
    EXPECT_EQ(At(canvas, 5, 5), White);
    EXPECT_EQ(At(canvas, 55, 55), White);
}

TEST(Metafile, SaveAndRestoreBringBackTheClip) {
    TWmfBuilder wmf = RedFillWithoutOutline();
    wmf.Record(wmfSaveDc, {})
        .Record(wmfIntersectClipRect, {50, 50, 0, 0})
        .Record(wmfRectangle, {100, 100, 0, 0}) // clipped to the top-left quarter
        .Record(wmfRestoreDc, {-1})
        .Record(wmfRectangle, {100, 100, 90, 90}); // unclipped again
    const TBitmap canvas = Render(Load(wmf.Build(0, 0, 100, 100, 96, 2)));
    EXPECT_EQ(At(canvas, 25, 25), Red);
    EXPECT_EQ(At(canvas, 75, 25), White);
    EXPECT_EQ(At(canvas, 25, 75), White);
    EXPECT_EQ(At(canvas, 95, 95), Red);
}

// Enhanced records used by the tests.
enum : uint32_t {
    emfSetMapMode = 17,
    emfSetWindowExtEx = 9,
    emfSetViewportExtEx = 11,
    emfSelectObject = 37,
    emfCreatePen = 38,
    emfCreateBrush = 39,
    emfRectangle = 43,
    emfPolygon16 = 86,
    emfCreateFont = 82,
    emfExtTextOutW = 84,
    emfStretchDiBits = 81,
    emfSetBkMode = 18,
    emfSetBkColor = 25,
};

TEmfBuilder EmfRedFillWithoutOutline() {
    TEmfBuilder emf;
    emf.Record(emfCreateBrush, {1, 0, 0x0000FF, 0})
        .Record(emfSelectObject, {1})
        .Record(emfSelectObject, {0x80000008}); // stock null pen
    return emf;
}

TEST(EnhancedMetafile, FrameGivesTheNaturalSizeAndRectangleItsPlace) {
    TEmfBuilder emf = EmfRedFillWithoutOutline();
    emf.Record(emfRectangle, {10, 10, 30, 20});
    const TMetafile picture = Load(emf.Build(2540, 1270, 2));
    ASSERT_EQ(picture.Width(), 96);
    ASSERT_EQ(picture.Height(), 48);
    EXPECT_TRUE(picture.Enhanced());
    const TBitmap canvas = Render(picture);
    EXPECT_EQ(At(canvas, 20, 15), Red);
    EXPECT_EQ(At(canvas, 5, 5), White);
    EXPECT_EQ(At(canvas, 35, 15), White);
}

TEST(EnhancedMetafile, AnisotropicMappingScalesTheDrawing) {
    TEmfBuilder emf = EmfRedFillWithoutOutline();
    emf.Record(emfSetMapMode, {8})
        .Record(emfSetWindowExtEx, {1000, 1000})
        .Record(emfSetViewportExtEx, {96, 96})
        .Record(emfRectangle, {500, 500, 1000, 1000});
    const TBitmap canvas = Render(Load(emf.Build(2540, 2540, 2)));
    EXPECT_EQ(At(canvas, 70, 70), Red);
    EXPECT_EQ(At(canvas, 40, 40), White);
}

TEST(EnhancedMetafile, PolygonWithOutline) {
    TEmfBuilder emf;
    emf.Record(emfCreateBrush, {1, 0, 0xFF0000, 0}) // blue
        .Record(emfSelectObject, {1})
        .Record(emfCreatePen, {2, 0, 3, 0, 0x000000}) // black, 3 wide
        .Record(emfSelectObject, {2});
    std::vector<uint8_t> polygon;
    for (int v : {0, 0, 0, 0, 4}) // bounds, count
        PutU32(polygon, uint32_t(v));
    for (int v : {10, 10, 80, 10, 80, 80, 10, 80})
        PutU16(polygon, uint16_t(v));
    emf.Raw(emfPolygon16, polygon);
    const TBitmap canvas = Render(Load(emf.Build(2540, 2540, 3)));
    EXPECT_EQ(At(canvas, 45, 45), Blue);
    EXPECT_EQ(At(canvas, 45, 10), (TPixel{0, 0, 0}));
    EXPECT_EQ(At(canvas, 90, 45), White);
}

// A 16-pixel font in slot 1, selected, with a transparent background.
TEmfBuilder EmfWithFont() {
    TEmfBuilder emf;
    std::vector<uint8_t> font;
    for (int v : {1, -16, 0, 0, 0, 400, 0}) // handle, height, width, escapement, orientation,
        PutU32(font, uint32_t(v));          // weight, italic/underline/strike/charset
    PutU32(font, 0);
    for (char16_t c : std::u16string(u"DejaVu Sans"))
        PutU16(font, c);
    font.resize(4 + 92, 0);
    emf.Raw(emfCreateFont, font).Record(emfSelectObject, {1}).Record(emfSetBkMode, {1});
    return emf;
}

// Wide text at (X, Y) with its options and rectangle, without spacing array.
std::vector<uint8_t> ExtTextOutW(int x, int y, const std::u16string& string, uint32_t options,
                                 std::array<int, 4> rect) {
    std::vector<uint8_t> text;
    for (int v : {0, 0, 0, 0, 1, 0, 0}) // bounds, graphics mode, x and y scale
        PutU32(text, uint32_t(v));
    for (int v : {x, y, int(string.size()), 76, int(options)})
        PutU32(text, uint32_t(v));
    for (int v : rect)
        PutU32(text, uint32_t(v));
    PutU32(text, 0); // no spacing
    for (char16_t c : string)
        PutU16(text, c);
    return text;
}

TEST(EnhancedMetafile, WideTextAndBitmap) {
    TEmfBuilder emf = EmfWithFont();
    emf.Raw(emfExtTextOutW, ExtTextOutW(10, 5, u"MMM", 0, {0, 0, 0, 0}));
    // The 2 x 2 bitmap stretched onto (50,50)-(90,90).
    std::vector<uint8_t> blit;
    const std::vector<uint8_t> dib = TinyDib();
    for (int64_t v : {0, 0, 0, 0, 50, 50, 0, 0, 2, 2, 80, 40, 120, 16, 0, 0x00CC0020, 40, 40})
        PutU32(blit, uint32_t(v));
    blit.insert(blit.end(), dib.begin(), dib.end());
    emf.Raw(emfStretchDiBits, blit);
    const TBitmap canvas = Render(Load(emf.Build(2540, 2540, 2)));
    EXPECT_GT(DarkPixels(canvas, 10, 5, 50, 25), 30);
    EXPECT_EQ(DarkPixels(canvas, 0, 30, 48, 96), 0);
    EXPECT_EQ(At(canvas, 60, 60), (TPixel{0, 255, 0}));
    EXPECT_EQ(At(canvas, 80, 80), Red);
    EXPECT_EQ(At(canvas, 60, 80), Blue);
}

TEST(EnhancedMetafile, GlyphIndicesAreNotDrawnAsLettersButTheirBackgroundIs) {
    TEmfBuilder emf = EmfWithFont();
    emf.Record(emfSetBkColor, {0x0000FF})
        .Raw(emfExtTextOutW, ExtTextOutW(10, 10, u"\x0030\x0031", 0x10 | 2, {10, 10, 60, 40}));
    const TBitmap canvas = Render(Load(emf.Build(2540, 2540, 2)));
    EXPECT_EQ(At(canvas, 30, 25), Red);
    EXPECT_EQ(At(canvas, 70, 25), White);
    EXPECT_EQ(DarkPixels(canvas, 0, 0, 96, 96), 0);
}

TEST(Metafile, AbsurdNaturalSizeIsClamped) {
    TWmfBuilder wmf = RedFillWithoutOutline();
    wmf.Record(wmfRectangle, {100, 100, 0, 0});
    const TMetafile picture = Load(wmf.Build(-32768, 0, 32767, 16384, 1, 2));
    EXPECT_EQ(picture.Width(), TMetafile::MaxNaturalDimension);
    EXPECT_EQ(picture.Height(), TMetafile::MaxNaturalDimension / 4);
}

TEST(Metafile, RefusesWhatIsNoMetafile) {
    const std::vector<std::vector<uint8_t>> cases = {
        {},
        {1, 0, 9, 0},
        std::vector<uint8_t>(200, 0),
        std::vector<uint8_t>(200, 0xFF),
    };
    for (const auto& bytes : cases)
        EXPECT_THROW(Load(bytes), EInvalidGraphic);
}

TEST(Metafile, RecordLargerThanTheFileIsRefused) {
    std::vector<uint8_t> emf = EmfRedFillWithoutOutline().Build(2540, 2540, 2);
    emf[4] = 0xFF; // header record size beyond the file
    emf[5] = 0xFF;
    EXPECT_THROW(Load(emf), EInvalidGraphic);
}

// Every byte of the hand-made pictures changed in turn: each must be refused, or load with a
// size inside the limits and draw; a byte set to the value it had draws the picture itself.
TEST(Metafile, MutatedPicturesFailCleanly) {
    TWmfBuilder wmf = RedFillWithoutOutline();
    wmf.Record(wmfPolygon, {3, 10, 10, 90, 10, 10, 90}).Record(wmfRectangle, {20, 30, 10, 10});
    TEmfBuilder emf = EmfRedFillWithoutOutline();
    emf.Record(emfRectangle, {10, 10, 30, 20});
    for (const std::vector<uint8_t>& original :
         {wmf.Build(0, 0, 100, 100, 96, 2), emf.Build(2540, 2540, 2)}) {
        const TBitmap expected = Render(Load(original));
        int loaded = 0, refused = 0;
        for (size_t i = 0; i < original.size(); ++i) {
            for (uint8_t value : {uint8_t(0), uint8_t(0x7F), uint8_t(0xFF), original[i]}) {
                std::vector<uint8_t> bytes = original;
                bytes[i] = value;
                try {
                    const TMetafile picture = Load(bytes);
                    ++loaded;
                    ASSERT_GT(picture.Width(), 0) << i;
                    ASSERT_LE(picture.Width(), TMetafile::MaxNaturalDimension) << i;
                    ASSERT_GT(picture.Height(), 0) << i;
                    ASSERT_LE(picture.Height(), TMetafile::MaxNaturalDimension) << i;
                    if (picture.Width() * int64_t(picture.Height()) > 1 << 20)
                        continue;
                    const TBitmap canvas = Render(picture);
                    for (int y = 0; value == original[i] && y < canvas.Height(); ++y) {
                        ASSERT_EQ(0, std::memcmp(canvas.ScanLine(y), expected.ScanLine(y),
                                                 size_t(canvas.Width()) * 3))
                            << i;
                    }
                } catch (const EInvalidGraphic&) {
                    ASSERT_NE(value, original[i]) << i;
                    ++refused;
                }
            }
        }
        EXPECT_GT(loaded, int(original.size()));
        EXPECT_GT(refused, 0);
    }
}

TEST(Metafile, TheFormatRegistryRegistersBothExtensions) {
    RegisterFileFormats(&TMetafile::ClassInfo);
    const TPictureClassTable& table = PictureClassTable();
    ASSERT_NE(table.FindEntry("wmf"), nullptr);
    ASSERT_NE(table.FindEntry("EMF"), nullptr);
    EXPECT_EQ(table.FindClass("wmf"), &TMetafile::ClassInfo);
    EXPECT_EQ(table.FindEntry("wmf")->Description, "Windows metafiles");
    EXPECT_EQ(table.FindEntry("emf")->Description, "Windows enhanced meta files");
    EXPECT_NE(dynamic_cast<TMetafile*>(TMetafile::ClassInfo.Create().get()), nullptr);
    UnregisterFileFormats();
}

} // namespace
