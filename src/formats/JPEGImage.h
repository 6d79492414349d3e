#pragma once

#include "formats/RowTarget.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <cstdint>
#include <memory>
#include <span>

// A libjpeg failure: "Erreur JPEG #" and libjpeg's message code.
class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// The compressed file and what its header says; shared by the pictures assigned from one
// another, never changed once made.
struct TJPEGData {
    // The file's bytes, read once straight into memory counted against the load that read them.
    TPictureMemory Bytes;
    std::span<const uint8_t> File() const { return {Bytes.Data(), Bytes.Size()}; }
    int32_t Width = 0;
    int32_t Height = 0;
    bool Grayscale = false;
    bool Progressive = false;
};

enum class TJPEGPixelFormat { jf24Bit, jf8Bit };
enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum class TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };

// The picture class of JPEG/JFIF files: loading keeps the compressed file and reads its
// header only; the pixels are decoded the first time they are needed.
class TJPEGImage : public TGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    TJPEGImage();

    void LoadFromStream(TStream& stream) override;
    // Writes the compressed data as they are; a picture assigned from a bitmap is
    // compressed first.
    void SaveToStream(TStream& stream) override;

    int32_t Width() const override;
    int32_t Height() const override;
    // A JPEG picture cannot be resized: both raise EInvalidGraphic.
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);

    // Decodes on the first call; a libjpeg failure raises EJPEG and leaves no bitmap.
    const TBitmap& Bitmap() const;
    // Decodes straight into TARGET's rows, as the bitmap would hold them, when that bitmap
    // would be 24-bit colour; false, touching nothing, when it would be indexed (gray or
    // 8-bit), is decoded already or there are no data. Keeps no bitmap.
    bool DecodeInto(TRowTarget& target) const;
    void Draw(TBitmap& canvas, int32_t x, int32_t y) const override;
    // The decoded bitmap's palette; empty before decoding.
    const TLogPalette& Palette() const;

    void Assign(const TJPEGImage& source);
    void Assign(const TBitmap& source);
    // Replaces the data with the bitmap compressed at Quality.
    void Compress();

    // Settings of decoding; changing one drops a decoded bitmap that came from the data.
    bool Grayscale() const { return FGrayscale; }
    void SetGrayscale(bool value);
    TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat value);
    TJPEGPerformance Performance() const { return FPerformance; }
    void SetPerformance(TJPEGPerformance value);
    TJPEGScale Scale() const { return FScale; }
    void SetScale(TJPEGScale value);
    bool Smoothing() const { return FSmoothing; }
    void SetSmoothing(bool value);

    // Settings of compression.
    uint8_t CompressionQuality = 90;
    bool ProgressiveEncoding = false; // taken from the file when loading

    const TJPEGData& Data() const { return *FImage; }

private:
    void Decode() const;
    void DropDecodedBitmap();

    std::shared_ptr<const TJPEGData> FImage;
    mutable std::unique_ptr<TBitmap> FBitmap;
    bool FGrayscale = false;
    TJPEGPixelFormat FPixelFormat = TJPEGPixelFormat::jf24Bit;
    TJPEGPerformance FPerformance = TJPEGPerformance::jpBestQuality;
    TJPEGScale FScale = TJPEGScale::jsFullSize;
    bool FSmoothing = true;
};
