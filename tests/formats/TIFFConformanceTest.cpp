#include "formats/TIFFGraphic.h"

#include "formats/EPSGraphic.h"
#include "formats/ReaderRgb.h"
#include "support/LibtiffPicture.h"
#include "support/PictureChecks.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

namespace {

// What the viewer makes of a corpus file, measured against libtiff's decode (within 3 per
// sample) where libtiff reads it, else against the corpus's reference.
enum class TOutcome { Matches, Differs, Refused };

const char* Name(TOutcome outcome) {
    switch (outcome) {
    case TOutcome::Matches:
        return "matches";
    case TOutcome::Differs:
        return "differs";
    default:
        return "refused";
    }
}

// Files shown differently from the reference by design; every other valid file matches.
const std::map<std::string, TOutcome>& DesignedDifferences() {
    static const std::map<std::string, TOutcome> table = {
        // CIELab goes through Little CMS's Lab to sRGB transform, not libtiff's arithmetic.
        {"tiff/hopper.Lab.tif", TOutcome::Differs},
        {"tiff/lab.tif", TOutcome::Differs},
        {"eps/zero_bb.eps", TOutcome::Refused}, // no TIFF preview: PostScript is not interpreted
    };
    return table;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Files libtiff cannot read, and the same picture stored in a way it can.
const std::map<std::string, std::string>& Siblings() {
    static const std::map<std::string, std::string> table = {
        {"tiff/flower-separated-contig-16.tif", "tiff/flower-separated-contig-08.tif"},
    };
    return table;
}

// The TIFF inside an EPS file's binary header, or the whole file.
std::vector<uint8_t> TIFFSection(const TConformanceCase& c, const std::vector<uint8_t>& file) {
    if (c.Format != "eps" || file.size() < 30)
        return file;
    const auto at = [&](size_t i) {
        return size_t(file[i] | file[i + 1] << 8 | file[i + 2] << 16 | size_t(file[i + 3]) << 24);
    };
    const size_t offset = std::min(at(20), file.size());
    return {file.begin() + std::ptrdiff_t(offset),
            file.begin() + std::ptrdiff_t(std::min(file.size(), offset + at(24)))};
}

class TIFFConformance : public ::testing::TestWithParam<TConformanceCase> {};

TEST_P(TIFFConformance, MatchesLibtiffOrTheReference) {
    const TConformanceCase& c = GetParam();
    if (c.Path.empty())
        GTEST_SKIP() << "conformance corpus not found";
    const std::string path = ConformanceDirectory() + "/" + c.Path;
    TRgbPicture ours;
    std::string message;
    try {
        ours = c.Format == "eps" ? LoadRgb<TEPSGraphic>(path) : LoadRgb<TTIFFGraphic>(path);
    } catch (const Exception& e) {
        message = e.what();
    }
    if (!c.Valid)
        return; // corrupt files only have to be survived
    // A picture is shown or refused with a reason, never shown empty.
    EXPECT_TRUE(message.empty() == (ours.Width > 0 && ours.Height > 0)) << c.Path;
    const auto sibling = Siblings().find(c.Path);
    const std::optional<TRgbPicture> libtiff =
        sibling != Siblings().end() ? LibtiffRgb(ConformanceDirectory() + "/" + sibling->second)
                                    : LibtiffRgb(TIFFSection(c, ReadFileBytes(path)));
    TOutcome outcome = TOutcome::Refused;
    if (message.empty() && libtiff) {
        const bool sameSize = ours.Width == libtiff->Width && ours.Height == libtiff->Height;
        message = sameSize ? "largest difference " +
                                 std::to_string(MaxSampleDifference(ours.Pixels, libtiff->Pixels))
                           : "libtiff's size differs";
        outcome = sameSize && MaxSampleDifference(ours.Pixels, libtiff->Pixels) <= 3
                      ? TOutcome::Matches
                      : TOutcome::Differs;
    } else if (message.empty() && !c.ReferenceSha256.empty())
        outcome = ours.Sha256() == c.ReferenceSha256 ? TOutcome::Matches : TOutcome::Differs;
    else if (message.empty())
        outcome = TOutcome::Matches; // nobody else decodes it: shown is all that can be asked
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
