#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TStream;
class TBitmap;

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

enum class TPixelFormat : uint8_t {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit, // 5-5-5, blue in the low bits
    pf16bit, // 5-6-5, blue in the low bits
    pf24bit, // blue, green, red
    pf32bit, // blue, green, red, alpha
    pfCustom // no pixel storage of its own
};

// Bits one pixel takes in storage; 0 for formats that have no storage.
int PixelFormatBits(TPixelFormat format);

// One entry of a logical palette.
struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
    bool operator==(const TPaletteEntry&) const = default;
};

// The logical palette: at most 256 entries. This port's palette handle is the value itself.
using TLogPalette = std::vector<TPaletteEntry>;
constexpr size_t MaxPaletteEntries = 256;

// A colour as red, green, blue (the platform's TColor without system colours).
struct TColorRGB {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    bool operator==(const TColorRGB&) const = default;
};

enum class TProgressStage { psStarting, psRunning, psEnding };

// Progress notification of a picture while it loads; nothing depends on a listener.
using TProgressEvent = std::function<void(TProgressStage stage, uint8_t percentDone, bool redrawNow,
                                          const TRect& rect, const std::string& message)>;

// What a file says about how its pixels are meant to be seen: readers fill it, the load
// path applies it once the picture is decoded.
struct TPictureMetadata {
    uint8_t Orientation = 1;         // EXIF orientation, 1 to 8; 1 is upright
    std::vector<uint8_t> IccProfile; // the embedded colour profile; empty means sRGB
};

class TGraphic;

// The platform's class reference: identity of a picture class plus its factory.
struct TGraphicClassInfo {
    const char* ClassName;
    std::unique_ptr<TGraphic> (*Create)();
};
using TGraphicClass = const TGraphicClassInfo*;

// A picture that can load itself from a stream and draw itself.
class TGraphic {
public:
    virtual ~TGraphic() = default;

    // Pictures that cannot be read, or written, raise EInvalidGraphic.
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);

    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }

    // Draws the picture with its top-left corner at (X, Y) of a 24-bit canvas whose pixels
    // are already white; transparent parts leave the canvas as it is.
    virtual void Draw(TBitmap& canvas, int32_t x, int32_t y) const = 0;

    TPictureMetadata Metadata;
    // Texts of the warnings a load met and went on after (a strip cut short, say): the viewer
    // shows one once the load is done, never while it runs.
    std::vector<std::string> Warnings;

    TProgressEvent OnProgress;
    void Progress(TProgressStage stage, uint8_t percentDone, bool redrawNow, const TRect& rect,
                  const std::string& message) const;
};
