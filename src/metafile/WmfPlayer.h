#pragma once

#include <QPainter>
#include <QRectF>
#include <QSizeF>

#include <cstdint>
#include <vector>

// What the header of a 16-bit metafile (placeable or plain) tells before playing it.
struct TWmfHeader {
    QRectF Window;          // logical rectangle that covers the picture
    QSizeF NaturalSize;     // pixels at 96 dots per inch, not yet clamped
    size_t FirstRecord = 0; // offset of the first record
    size_t End = 0;         // offset past the last record that lies wholly inside the file
    uint16_t ObjectCount = 0;
};

// Raises EInvalidGraphic when the bytes are not a 16-bit metafile with at least one
// well-formed record.
TWmfHeader ReadWmfHeader(const std::vector<uint8_t>& data);

// Plays the records onto a painter whose device is ImageSize pixels, the picture filling it.
void PlayWmf(const std::vector<uint8_t>& data, const TWmfHeader& header, QPainter& painter,
             QSize imageSize);
