#include "TestPictures.h"

#include "formats/FileFormatList.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <fstream>

namespace {
struct TDecoded {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Rgb;
    std::string Warning; // the bytes after the pixels
};

TDecoded Decode(TStream& stream) {
    if (TestPictureLoadHook)
        TestPictureLoadHook();
    TDecoded decoded;
    uint8_t size[2];
    stream.ReadBuffer(size, 2);
    decoded.Width = size[0];
    decoded.Height = size[1];
    decoded.Rgb.resize(size_t(decoded.Width) * size_t(decoded.Height) * 3);
    stream.ReadBuffer(decoded.Rgb.data(), int64_t(decoded.Rgb.size()));
    decoded.Warning.resize(size_t(stream.Remaining()));
    stream.ReadBuffer(decoded.Warning.data(), int64_t(decoded.Warning.size()));
    return decoded;
}

class TTestBitmap : public TBitmap {
public:
    static const TGraphicClassInfo ClassInfo;
    void LoadFromStream(TStream& stream) override {
        const TDecoded decoded = Decode(stream);
        if (!decoded.Warning.empty())
            Warnings.push_back(decoded.Warning);
        SetPixelFormat(TPixelFormat::pf24bit);
        SetSize(decoded.Width, decoded.Height);
        for (int32_t y = 0; y < decoded.Height; ++y) {
            uint8_t* row = ScanLine(y);
            for (int32_t x = 0; x < decoded.Width; ++x) {
                const uint8_t* rgb = &decoded.Rgb[(size_t(y) * size_t(decoded.Width) + x) * 3];
                row[x * 3] = rgb[2];
                row[x * 3 + 1] = rgb[1];
                row[x * 3 + 2] = rgb[0];
            }
        }
    }
};
const TGraphicClassInfo TTestBitmap::ClassInfo{
    "TTestBitmap", [] { return std::unique_ptr<TGraphic>(new TTestBitmap); }};

class TTestDrawing : public TGraphic {
public:
    static const TGraphicClassInfo ClassInfo;
    void LoadFromStream(TStream& stream) override { Picture = Decode(stream); }
    int32_t Width() const override { return Picture.Width; }
    int32_t Height() const override { return Picture.Height; }
    void Draw(TBitmap& canvas, int32_t x0, int32_t y0) const override {
        for (int32_t y = 0; y < Picture.Height; ++y) {
            uint8_t* row = canvas.ScanLine(y0 + y);
            for (int32_t x = 0; x < Picture.Width; ++x) {
                const uint8_t* rgb = &Picture.Rgb[(size_t(y) * size_t(Picture.Width) + x) * 3];
                if (rgb[0] == 0 && rgb[1] == 255 && rgb[2] == 0)
                    continue;
                uint8_t* bgr = row + (x0 + x) * 3;
                bgr[0] = rgb[2];
                bgr[1] = rgb[1];
                bgr[2] = rgb[0];
            }
        }
    }

private:
    TDecoded Picture;
};
const TGraphicClassInfo TTestDrawing::ClassInfo{
    "TTestDrawing", [] { return std::unique_ptr<TGraphic>(new TTestDrawing); }};
} // namespace

std::function<void()> TestPictureLoadHook;

TTestPictureClasses::TTestPictureClasses(const std::vector<std::string>& drawingExtensions) {
    TFileFormatList& registry = FormatRegistry();
    registry.RegisterFormat("tbmp", "Test bitmaps", "", ftRaster, true, &TTestBitmap::ClassInfo);
    registry.RegisterFormat("tdraw", "Test drawings", "", ftRaster, true, &TTestDrawing::ClassInfo);
    for (const std::string& extension : drawingExtensions)
        registry.RegisterFormat(extension, "", "", ftRaster, true, &TTestDrawing::ClassInfo);
}

TTestPictureClasses::~TTestPictureClasses() {
    FormatRegistry().UnregisterFormat("", &TTestBitmap::ClassInfo);
    FormatRegistry().UnregisterFormat("", &TTestDrawing::ClassInfo);
}

std::string WriteTestPicture(const std::string& path, int width, int height,
                             const std::vector<TRgb>& pixels) {
    std::ofstream file(path, std::ios::binary);
    file.put(char(width));
    file.put(char(height));
    for (const TRgb& pixel : pixels) {
        file.put(char(pixel.Red));
        file.put(char(pixel.Green));
        file.put(char(pixel.Blue));
    }
    return path;
}
