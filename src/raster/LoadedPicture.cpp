#include "raster/LoadedPicture.h"

#include "formats/GraphicReader.h"
#include "formats/JPEGImage.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureClassTable.h"
#include "platform/Streams.h"
#include "raster/PictureMetadata.h"

namespace {

// The buffer as the rows a reader writes: every pixel is written, so its storage is not
// cleared first.
class TBufferRows : public TRowTarget {
public:
    explicit TBufferRows(TFastBMP& buffer) : Buffer(buffer) {}
    void SetSize(int32_t width, int32_t height) override {
        Buffer.SetSize(width, height, TPictureMemory::TFill::Unset);
    }
    uint8_t* Row(int32_t y) override { return Buffer.TopRow(y); }

private:
    TFastBMP& Buffer;
};

// Whatever else the picture is, drawn over white.
void DrawOnWhite(const TGraphic& picture, TFastBMP& buffer) {
    TBitmap canvas;
    canvas.SetPixelFormat(TPixelFormat::pf24bit);
    canvas.SetSize(picture.Width(), picture.Height());
    canvas.Fill({255, 255, 255});
    picture.Draw(canvas, 0, 0);
    buffer.LoadFromBitmapHandle(canvas);
}

} // namespace

std::vector<std::string> LoadPictureBuffer(const std::string& path, TFastBMP& buffer) {
    std::unique_ptr<TGraphic> picture = PictureClassTable().CreateForFile(path);
    TBufferRows rows(buffer);
    auto* reader = dynamic_cast<TGraphicReader*>(picture.get());
    if (reader)
        reader->SetRowTarget(&rows);
    {
        TFileStream stream(path, TFileMode::fmOpenRead);
        picture->LoadFromStream(stream);
    }
    // An empty picture has nothing to show; it is as unreadable as a corrupt one.
    if (picture->Empty())
        throw EInvalidGraphic("The picture is empty");
    if (reader && reader->WroteRowTarget()) {
        // The rows are in the buffer already.
    } else if (const auto* bitmap = dynamic_cast<const TBitmap*>(picture.get())) {
        buffer.LoadFromBitmapHandle(*bitmap);
    } else if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(picture.get())) {
        // A JPEG over the budget is refused before a canvas is filled for it.
        if (!jpeg->DecodeInto(rows))
            buffer.LoadFromBitmapHandle(jpeg->Bitmap());
    } else {
        DrawOnWhite(*picture, buffer);
    }
    std::vector<std::string> warnings = std::move(picture->Warnings);
    const TPictureMetadata metadata = std::move(picture->Metadata);
    // Whatever the picture holds besides goes before the buffer is converted.
    picture.reset();
    // Effects, flips and Revert all start from the picture in sRGB and upright.
    ApplyPictureMetadata(buffer, metadata);
    return warnings;
}
