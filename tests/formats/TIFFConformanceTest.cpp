#include "formats/TIFFGraphic.h"

#include "formats/EPSGraphic.h"
#include "formats/ReaderRgb.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// What the viewer makes of a corpus file.
enum class TOutcome { Matches, Differs, Empty, Refused };

const char* Name(TOutcome outcome) {
    switch (outcome) {
    case TOutcome::Matches:
        return "matches";
    case TOutcome::Differs:
        return "differs";
    case TOutcome::Empty:
        return "empty";
    default:
        return "refused";
    }
}

// Files the viewer shows differently from the reference, with the reason as far as known.
// Every other valid file with a reference must match it pixel for pixel.
const std::map<std::string, TOutcome>& DesignedDifferences() {
    static const std::map<std::string, TOutcome> table = {
        {"tiff/dscf0013.tif", TOutcome::Differs}, // the reference leaves YCbCr unconverted;
                                                  // libtiff's decode is within 1 of ours
        {"tiff/ladoga.tif",
         TOutcome::Differs}, // 16-bit samples are divided by 257; the reference keeps the high byte
        {"tiff/off_luv24.tif", TOutcome::Refused}, // SGI LogLuv is not supported
        {"tiff/quad-tile.tif", TOutcome::Empty},   // tiled pictures load empty
        {"tiff/smallliz.tif", TOutcome::Refused},  // old-style JPEG is not supported
        {"tiff/strike.tif",
         TOutcome::Differs}, // alpha is kept in the bitmap, not composited as the reference does
        {"tiff/ycbcr-cat.tif", TOutcome::Differs}, // the colour manager's YCbCr arithmetic rounds
                                                   // differently (within 1)
        {"tiff/flower-minisblack-12.tif", TOutcome::Refused}, // 12-bit samples are refused
        {"tiff/flower-palette-02.tif", TOutcome::Differs}, // 16-bit palette values are divided by
                                                           // 257; the reference keeps the high byte
        {"tiff/flower-rgb-contig-04.tif",
         TOutcome::Differs}, // the colour manager has no 4-bit colour routine
        {"tiff/flower-separated-contig-08.tif",
         TOutcome::Differs}, // CMYK converted by the colour manager, not Pillow's naive way
        {"tiff/flower-separated-contig-16.tif",
         TOutcome::Differs}, // 16-bit samples are divided by 257; the reference keeps the high byte
        {"tiff/flower-separated-planar-08.tif",
         TOutcome::Differs}, // CMYK converted by the colour manager, not Pillow's naive way
        {"tiff/seq-1c-8b-tiled-deflate-20f3db0c.tiff",
         TOutcome::Empty}, // tiled pictures load empty
        {"tiff/seq-1c-32f-deflate-fpredict-390fe673.tiff",
         TOutcome::Refused}, // floating-point samples exceed 16 bits
        {"tiff/issue_69_packbits.tiff",
         TOutcome::Differs}, // 16-bit samples are divided by 257; the reference keeps the high byte
        {"tiff/BigTIFFMotorola.tif", TOutcome::Refused}, // BigTIFF (version 43) is not TIFF 6.0
        {"tiff/minisblack-1c-16b.tiff",
         TOutcome::Differs}, // 16-bit samples are divided by 257; the reference keeps the high byte
        {"tiff/minisblack-2c-8b-alpha.tiff",
         TOutcome::Differs}, // the alpha plane of a gray picture is dropped, not composited
        {"tiff/palette-1c-4b.tiff", TOutcome::Differs}, // 16-bit palette values are divided by 257;
                                                        // the reference keeps the high byte
        {"tiff/palette-1c-8b.tiff", TOutcome::Differs}, // 16-bit palette values are divided by 257;
                                                        // the reference keeps the high byte
        {"tiff/rgb-3c-16b.tiff",
         TOutcome::Differs}, // 16-bit samples are divided by 257; the reference keeps the high byte
        {"tiff/quad-tile.jpg.tiff", TOutcome::Empty}, // tiled pictures load empty
        {"tiff/32bpp-None.tiff",
         TOutcome::Differs}, // alpha is kept in the bitmap, not composited as the reference does
        {"tiff/ojpeg_chewey_subsamp21_multi_strip.tiff",
         TOutcome::Refused}, // old-style JPEG is not supported
        {"tiff/rgb_palette_alpha.tiff",
         TOutcome::Differs}, // alpha is kept in the bitmap, not composited as the reference does
        {"tiff/tiled.tiff", TOutcome::Empty},         // tiled pictures load empty
        {"tiff/orientation.tiff", TOutcome::Differs}, // the Orientation tag is not read
        {"tiff/tiff_tiled_ycbcr_jpeg_1x1_sampling.tif",
         TOutcome::Empty}, // tiled pictures load empty
        {"tiff/tiff_strip_cmyk_jpeg.tif",
         TOutcome::Differs}, // CMYK converted by the colour manager, not Pillow's naive way
        {"tiff/tiff_16bit_RGBa.tiff",
         TOutcome::Differs}, // 16-bit samples are divided by 257; the reference keeps the high byte
        {"tiff/hopper4IR.tif", TOutcome::Differs},   // fill order applies to fax strips only
        {"tiff/hopper_lzma.tif", TOutcome::Refused}, // LZMA is not supported
        {"eps/zero_bb.eps", TOutcome::Refused}, // no TIFF preview: PostScript is not interpreted
    };
    return table;
}

class TIFFConformance : public ::testing::TestWithParam<TConformanceCase> {};

TEST_P(TIFFConformance, MatchesAReferenceOrItsDesignedDifference) {
    const TConformanceCase& c = GetParam();
    if (c.Path.empty())
        GTEST_SKIP() << "conformance corpus not found";
    TOutcome outcome;
    std::string message;
    try {
        const std::string path = ConformanceDirectory() + "/" + c.Path;
        const TRgbPicture picture =
            c.Format == "eps" ? LoadRgb<TEPSGraphic>(path) : LoadRgb<TTIFFGraphic>(path);
        const std::string digest = picture.Sha256();
        if (picture.Width == 0 || picture.Height == 0)
            outcome = TOutcome::Empty;
        else if (digest == c.ReferenceSha256)
            outcome = TOutcome::Matches;
        else
            outcome = TOutcome::Differs;
    } catch (const Exception& e) {
        outcome = TOutcome::Refused;
        message = e.what();
    }
    if (!c.Valid || c.ReferenceSha256.empty())
        return; // corrupt files and files nobody could decode only have to be survived
    const auto designed = DesignedDifferences().find(c.Path);
    const TOutcome expected =
        designed == DesignedDifferences().end() ? TOutcome::Matches : designed->second;
    EXPECT_EQ(Name(outcome), std::string(Name(expected)))
        << c.Path << " (" << c.Features << ") " << message;
}

std::vector<TConformanceCase> Cases() {
    std::vector<TConformanceCase> cases = ConformanceCases("tiff");
    for (const TConformanceCase& c : ConformanceCases("eps"))
        cases.push_back(c);
    if (cases.empty())
        cases.emplace_back();
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Corpus, TIFFConformance, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return ConformanceTestName(info.param); });

} // namespace
