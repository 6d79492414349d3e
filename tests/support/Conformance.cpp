#include "support/Conformance.h"

#include "formats/FileFormatList.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureClassTable.h"
#include "support/Sha256.h"
#include "support/TestNames.h"

#include <filesystem>
#include <fstream>
#include <sstream>

std::string ConformanceDirectory() {
    const std::string directory = PELORAMA_CONFORMANCE;
    return std::filesystem::exists(directory + "/MANIFEST.tsv") ? directory : std::string();
}

bool CheckConformanceCases(
    const std::string& format,
    const std::function<void(const TConformanceCase& c, const std::string& path)>& check) {
    const std::vector<TConformanceCase> cases = ConformanceCases(format);
    if (cases.empty())
        return false;
    for (const TConformanceCase& c : cases) {
        SCOPED_TRACE(c.Path);
        const std::string path = ConformanceDirectory() + "/" + c.Path;
        if (c.Valid)
            check(c, path);
        else
            EXPECT_THROW(DecodeToRgb(path), Exception);
    }
    return true;
}

std::string ConformanceTestName(const TConformanceCase& c) {
    return c.Path.empty() ? "absent" : TestNameFromText(c.Path);
}

std::vector<TConformanceCase> ConformanceCases(const std::string& format) {
    std::vector<TConformanceCase> cases;
    const std::string directory = ConformanceDirectory();
    if (directory.empty())
        return cases;
    std::ifstream manifest(directory + "/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line); // column heads
    while (std::getline(manifest, line)) {
        std::vector<std::string> columns;
        std::stringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t'))
            columns.push_back(field);
        columns.resize(11);
        if (columns[1] != format)
            continue;
        TConformanceCase c;
        c.Path = columns[0];
        c.Format = columns[1];
        c.Features = columns[2];
        c.Valid = columns[4] == "valid";
        c.ReferenceSha256 = !columns[5].empty()   ? columns[5]
                            : !columns[8].empty() ? columns[8]
                                                  : columns[9];
        c.Width = columns[6].empty() ? 0 : std::stoi(columns[6]);
        c.Height = columns[7].empty() ? 0 : std::stoi(columns[7]);
        c.Notes = columns[10];
        cases.push_back(c);
    }
    return cases;
}

std::string TRgbPicture::Sha256() const {
    return Sha256Hex(Pixels.data(), Pixels.size());
}

TRgbPicture DecodeToRgb(const std::string& path) {
    const std::unique_ptr<TGraphic> graphic = PictureClassTable().LoadFromFile(path);
    TBitmap canvas;
    canvas.SetPixelFormat(TPixelFormat::pf24bit);
    canvas.SetSize(graphic->Width(), graphic->Height());
    canvas.Fill({255, 255, 255});
    graphic->Draw(canvas, 0, 0);
    TRgbPicture picture;
    picture.Width = canvas.Width();
    picture.Height = canvas.Height();
    picture.Pixels.resize(size_t(picture.Width) * picture.Height * 3);
    for (int y = 0; y < picture.Height; ++y) {
        const uint8_t* row = canvas.ScanLine(y);
        uint8_t* out = picture.Pixels.data() + size_t(y) * picture.Width * 3;
        for (int x = 0; x < picture.Width; ++x) {
            out[x * 3] = row[x * 3 + 2];
            out[x * 3 + 1] = row[x * 3 + 1];
            out[x * 3 + 2] = row[x * 3];
        }
    }
    return picture;
}

void TRegisteredFormatsTest::SetUp() {
    RegisterFileFormats(nullptr);
}

void TRegisteredFormatsTest::TearDown() {
    UnregisterFileFormats();
}

std::vector<uint8_t> JoinBytes(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const std::vector<uint8_t>& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}
