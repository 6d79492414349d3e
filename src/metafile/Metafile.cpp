#include "metafile/Metafile.h"

#include "metafile/EmfPlayer.h"
#include "metafile/WmfPlayer.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Metafiles are drawings; a file larger than this is not one.
constexpr int64_t MaxMetafileBytes = int64_t(256) << 20;

// Rounds the natural size to whole pixels, at least one, scaling both sides down together
// when one exceeds the maximum.
QSize ClampedSize(QSizeF size) {
    double w = std::isfinite(size.width()) ? std::abs(size.width()) : 1;
    double h = std::isfinite(size.height()) ? std::abs(size.height()) : 1;
    const double longest = std::max(w, h);
    if (longest > TMetafile::MaxNaturalDimension) {
        w = w * TMetafile::MaxNaturalDimension / longest;
        h = h * TMetafile::MaxNaturalDimension / longest;
    }
    return QSize(std::max(1, int(std::lround(w))), std::max(1, int(std::lround(h))));
}

bool LooksEnhanced(const std::vector<uint8_t>& data) {
    return data.size() >= 44 && data[0] == 1 && data[1] == 0 && data[2] == 0 && data[3] == 0 &&
           std::memcmp(data.data() + 40, " EMF", 4) == 0;
}

} // namespace

const TGraphicClassInfo TMetafile::ClassInfo = {
    "TMetafile", [] { return std::unique_ptr<TGraphic>(new TMetafile); }};

void TMetafile::LoadFromStream(TStream& stream) {
    const int64_t size = stream.Remaining();
    if (size > MaxMetafileBytes)
        throw EInvalidGraphic("Invalid metafile");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    stream.ReadBuffer(data.data(), size);
    const bool enhanced = LooksEnhanced(data);
    const QSize natural =
        ClampedSize(enhanced ? ReadEmfHeader(data).NaturalSize : ReadWmfHeader(data).NaturalSize);
    if (!MayAllocatePicture(natural.width(), natural.height()))
        throw EInvalidGraphic("Invalid metafile");
    Data = std::move(data);
    FEnhanced = enhanced;
    FWidth = natural.width();
    FHeight = natural.height();
}

void TMetafile::Draw(TBitmap& canvas, int32_t x, int32_t y) const {
    if (Empty() || canvas.Empty() || canvas.PixelFormat() != TPixelFormat::pf24bit)
        return;
    const int32_t left = std::max(0, -x), top = std::max(0, -y);
    const int32_t right = std::min(FWidth, canvas.Width() - x);
    const int32_t bottom = std::min(FHeight, canvas.Height() - y);
    if (left >= right || top >= bottom)
        return;
    // The picture starts as the canvas under it, so what the records leave alone shows
    // through.
    QImage image(FWidth, FHeight, QImage::Format_RGB32);
    if (image.isNull())
        return;
    image.fill(Qt::white);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    for (int32_t row = top; row < bottom; ++row) {
        const uint8_t* src = canvas.ScanLine(y + row) + size_t(x + left) * 3;
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int32_t col = left; col < right; ++col, src += 3)
            dst[col] = qRgb(src[2], src[1], src[0]);
    }
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        if (FEnhanced)
            PlayEmf(Data, ReadEmfHeader(Data), painter, image.size());
        else
            PlayWmf(Data, ReadWmfHeader(Data), painter, image.size());
    }
    for (int32_t row = top; row < bottom; ++row) {
        uint8_t* dst = canvas.ScanLine(y + row) + size_t(x + left) * 3;
        const QRgb* src = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        for (int32_t col = left; col < right; ++col, dst += 3) {
            dst[0] = uint8_t(qBlue(src[col]));
            dst[1] = uint8_t(qGreen(src[col]));
            dst[2] = uint8_t(qRed(src[col]));
        }
    }
}
