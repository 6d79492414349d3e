#include "formats/JPEGFirstView.h"

#include "platform/MetadataOptions.h"
#include "platform/PictureClassTable.h"

#include <algorithm>
#include <exception>

namespace {
// An upscale by a third at most keeps the first view from looking blurred.
constexpr double LeastShownFraction = 0.75;

// EXIF orientations 5 to 8 turn the picture a quarter.
bool TurnedAQuarter(const TPictureMetadata& metadata) {
    return MetadataOptions().Orientation && metadata.Orientation >= 5 && metadata.Orientation <= 8;
}
} // namespace

int32_t FirstViewDenominator(int32_t width, int32_t height, int32_t boundsWidth,
                             int32_t boundsHeight) {
    if (width <= 0 || height <= 0 || boundsWidth <= 0 || boundsHeight <= 0)
        return 1;
    const double shown =
        std::min({1.0, double(boundsWidth) / width, double(boundsHeight) / height});
    for (const int32_t denominator : {8, 4, 2})
        if (1.0 / denominator >= LeastShownFraction * shown)
            return denominator;
    return 1;
}

std::optional<TJPEGFirstView> OpenJPEGFirstView(const std::string& path, int32_t boundsWidth,
                                                int32_t boundsHeight) {
    TPictureClassTable& classes = PictureClassTable();
    if (classes.FindClass(ExtractFileExtension(path)) != &TJPEGImage::ClassInfo)
        return std::nullopt;
    std::unique_ptr<TGraphic> loaded;
    try {
        loaded = classes.LoadFromFile(path);
    } catch (const std::exception&) {
        return std::nullopt; // the full load tells why
    }
    std::unique_ptr<TJPEGImage> picture(static_cast<TJPEGImage*>(loaded.release()));
    const bool turned = TurnedAQuarter(picture->Metadata);
    TJPEGFirstView view;
    view.Width = turned ? picture->Data().Height : picture->Data().Width;
    view.Height = turned ? picture->Data().Width : picture->Data().Height;
    const int32_t denominator =
        FirstViewDenominator(view.Width, view.Height, boundsWidth, boundsHeight);
    if (denominator == 1)
        return std::nullopt;
    picture->SetScale(denominator == 8   ? TJPEGScale::jsEighth
                      : denominator == 4 ? TJPEGScale::jsQuarter
                                         : TJPEGScale::jsHalf);
    picture->SetPerformance(TJPEGPerformance::jpBestSpeed);
    view.Picture = std::move(picture);
    return view;
}
