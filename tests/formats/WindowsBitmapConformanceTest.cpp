// Bitmap and icon files that other programs wrote, decoded and compared with the digests of
// other programs' decodes (MANIFEST.tsv of the shared corpus: sha256 of RGB rows, top first,
// transparency over white).
#include "formats/BMPGraphic.h"
#include "formats/Icon.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "support/PictureRendering.h"
#include "support/Sha256.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

enum class TExpect {
    Reference, // the corpus digest: Pillow's, or ImageMagick's where Pillow has none
    Digest,    // the digest given in the row, with its source in the comment
    Decodes,   // no trustworthy reference: decodes to the given size
    Error      // refused with EInvalidGraphic
};

struct TCase {
    const char* Path;
    TExpect Expect;
    const char* Digest = "";
    int32_t Width = 0;
    int32_t Height = 0;
};

// ImageMagick digests: /usr/bin/convert 'FILE[0]' -background white -flatten -depth 8 rgb:- |
// sha256sum (Debian 12, ImageMagick 6.9.11).
constexpr const char* ImRgb16 = "36f95a4dad58e9e8c692fedf33f25b1a83928db4d834efd28d17a190f6d77a0f";
constexpr const char* ImRgb16565 =
    "291fe6204e40c6ffe9917d40f972ae18185332d3e212a977fa12862958d93a25";
constexpr const char* ImPal8RleTrns =
    "c37e483b96ea753561d587d8a4788b18d4917132f3bb0be8ee953bbba8a5f7e5";
// The corpus digest of smile.ico, which Bad_smile differs from only in a wrong image length.
constexpr const char* SmileIco = "edb27688e9ac606a6357459866060c19f214498ae6ef751f00c60a9dae0190b4";
// The corpus digest of the bmpsuite picture that most of its variants show.
constexpr const char* Rgba32 = "394f8721380c679a7412d1269ce1ba16c136db063f967a31865c11155ef7a145";
constexpr const char* Bmpsuite8 =
    "0e623e8b8909b1f884690726ca4ae9e1be44cc240a1cbf2c2ba980814c76c149";

const TCase Cases[] = {
    {"bmp/pal1.bmp", TExpect::Reference},
    {"bmp/pal1wb.bmp", TExpect::Reference},
    {"bmp/pal1p1.bmp", TExpect::Reference},
    // Two-bit pixels: no program here reads them.
    {"bmp/pal2.bmp", TExpect::Decodes, "", 127, 64},
    {"bmp/pal4.bmp", TExpect::Reference},
    {"bmp/pal4rle.bmp", TExpect::Reference},
    {"bmp/pal4rletrns.bmp", TExpect::Reference},
    {"bmp/pal8-0.bmp", TExpect::Reference},
    {"bmp/pal8.bmp", TExpect::Reference},
    {"bmp/pal8offs.bmp", TExpect::Reference},
    {"bmp/pal8os2.bmp", TExpect::Reference},
    {"bmp/pal8os2v2.bmp", TExpect::Reference},
    {"bmp/pal8rle.bmp", TExpect::Reference},
    // Skipped pixels keep palette entry 0, as ImageMagick fills them (Pillow differs).
    {"bmp/pal8rletrns.bmp", TExpect::Digest, ImPal8RleTrns},
    {"bmp/pal8topdown.bmp", TExpect::Reference},
    {"bmp/pal8v4.bmp", TExpect::Reference},
    {"bmp/pal8v5.bmp", TExpect::Reference},
    {"bmp/pal8w125.bmp", TExpect::Reference},
    {"bmp/pal8w126.bmp", TExpect::Reference},
    // 5- and 6-bit channels widen by repeating their top bits, as ImageMagick does; Pillow
    // rounds differently (at most 1 apart).
    {"bmp/rgb16.bmp", TExpect::Digest, ImRgb16},
    {"bmp/rgb16-565.bmp", TExpect::Digest, ImRgb16565},
    // Channels of 1 to 4 bits are scaled to the full range; ImageMagick only shifts them up
    // (white would be 192, 224, 128). Pixels checked by hand in WindowsBitmapTest.
    {"bmp/rgb16-231.bmp", TExpect::Decodes, "", 127, 64},
    {"bmp/rgba16-4444.bmp", TExpect::Decodes, "", 127, 64},
    {"bmp/rgb24.bmp", TExpect::Reference},
    {"bmp/rgb32.bmp", TExpect::Reference},
    {"bmp/rgb32bf.bmp", TExpect::Reference},
    {"bmp/rgb32fakealpha.bmp", TExpect::Reference},
    {"bmp/rgba32.bmp", TExpect::Reference},
    // The same picture as rgba32.bmp with its masks after a 40-byte header.
    {"bmp/rgba32abf.bmp", TExpect::Digest, Rgba32},
    // OS/2 24-bit run-length encoding of the bmpsuite picture.
    {"bmp/rgb24rle24.bmp", TExpect::Digest, Bmpsuite8},
    {"bmp/rgbrle4.bmp", TExpect::Reference},
    // A PNG inside a bitmap file is not read.
    {"bmp/rgb24png.bmp", TExpect::Error},
    {"bmp/badbitcount.bmp", TExpect::Error},
    // A run past the end of the data: the rest stays palette entry 0.
    {"bmp/badrle.bmp", TExpect::Decodes, "", 127, 64},
    // Indices past the palette show black: a partial picture, no reference to compare with.
    {"bmp/pal8badindex.bmp", TExpect::Decodes, "", 127, 64},
    // Three quarters of the pixel data are missing.
    {"bmp/shortfile.bmp", TExpect::Error},

    {"ico/black_and_white.ico", TExpect::Reference},
    {"ico/bmp-24bpp-mask.ico", TExpect::Reference},
    {"ico/deerstalker.cur", TExpect::Reference},
    {"ico/graphic.ico", TExpect::Reference},
    {"ico/hopper.ico", TExpect::Reference},
    {"ico/python.ico", TExpect::Reference},
    {"ico/smile.ico", TExpect::Reference},
    // Its largest image is a PNG, decoded by the PNG reader.
    {"ico/pillow.ico", TExpect::Reference},
    {"ico/Bad_smile-incorrect-image-length.ico", TExpect::Digest, SmileIco},
};

std::filesystem::path CorpusDir() {
    return PELORAMA_CONFORMANCE;
}

// path -> digest: reference_sha256, else im_sha256.
std::map<std::string, std::string> ManifestDigests() {
    std::map<std::string, std::string> digests;
    std::ifstream manifest(CorpusDir() / "MANIFEST.tsv");
    std::string line;
    while (std::getline(manifest, line)) {
        std::vector<std::string> columns;
        std::stringstream fields(line);
        std::string column;
        while (std::getline(fields, column, '\t'))
            columns.push_back(column);
        if (columns.size() >= 9)
            digests[columns[0]] = !columns[5].empty() ? columns[5] : columns[8];
    }
    return digests;
}

std::unique_ptr<TGraphic> Load(const std::filesystem::path& path) {
    std::unique_ptr<TGraphic> picture;
    if (path.extension() == ".bmp")
        picture = std::make_unique<TBMPGraphic>();
    else
        picture = std::make_unique<TIcon>();
    picture->LoadFromFile(path.string());
    return picture;
}

class WindowsBitmapConformance : public ::testing::TestWithParam<TCase> {};

TEST_P(WindowsBitmapConformance, DecodesLikeTheReference) {
    if (!std::filesystem::is_directory(CorpusDir() / "bmp"))
        GTEST_SKIP() << "no conformance corpus at " << CorpusDir();
    const TCase& c = GetParam();
    const auto path = CorpusDir() / c.Path;
    if (c.Expect == TExpect::Error) {
        EXPECT_THROW(Load(path), EInvalidGraphic);
        return;
    }
    const std::unique_ptr<TGraphic> picture = Load(path);
    if (c.Expect == TExpect::Decodes) {
        EXPECT_EQ(picture->Width(), c.Width);
        EXPECT_EQ(picture->Height(), c.Height);
        return;
    }
    const std::vector<uint8_t> rgb = RenderRgbTopDown(*picture);
    const std::string expected = c.Expect == TExpect::Digest ? c.Digest : ManifestDigests()[c.Path];
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Sha256Hex(rgb.data(), rgb.size()), expected);
}

std::string CaseName(const ::testing::TestParamInfo<TCase>& info) {
    return TestNameFromText(info.param.Path);
}

INSTANTIATE_TEST_SUITE_P(Corpus, WindowsBitmapConformance, ::testing::ValuesIn(Cases), CaseName);

// The digests the table borrows from other rows are those rows' references.
TEST(WindowsBitmapConformance, SharedDigestsAreThoseOfTheCorpus) {
    if (!std::filesystem::is_directory(CorpusDir() / "bmp"))
        GTEST_SKIP() << "no conformance corpus";
    auto digests = ManifestDigests();
    EXPECT_EQ(digests["ico/smile.ico"], SmileIco);
    EXPECT_EQ(digests["bmp/pal8.bmp"], Bmpsuite8);
    EXPECT_EQ(digests["bmp/rgba32.bmp"], Rgba32);
}

} // namespace
