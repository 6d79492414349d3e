#pragma once

#include <QPainter>
#include <QRectF>
#include <QSizeF>

#include <cstdint>
#include <vector>

// What the header record of an enhanced metafile tells before playing it.
struct TEmfHeader {
    QRectF Frame;             // hundredths of a millimetre
    QSizeF DevicePixelsPerMm; // of the reference device
    QSizeF NaturalSize;       // pixels at 96 dots per inch, not yet clamped
    size_t FirstRecord = 0;
    size_t End = 0; // offset past the last record that lies wholly inside the file
    uint32_t HandleCount = 0;
};

// Raises EInvalidGraphic when the bytes are not an enhanced metafile whose header record
// lies inside the file.
TEmfHeader ReadEmfHeader(const std::vector<uint8_t>& data);

// Plays the records onto a painter whose device is ImageSize pixels, the frame filling it.
void PlayEmf(const std::vector<uint8_t>& data, const TEmfHeader& header, QPainter& painter,
             QSize imageSize);
