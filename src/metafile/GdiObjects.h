#pragma once

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

// A metafile colour reference: red in the low byte. Palette-relative references are
// taken by their RGB part.
inline QColor ColorFromRef(uint32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

enum : uint32_t {
    psSolid = 0,
    psDash = 1,
    psDot = 2,
    psDashDot = 3,
    psDashDotDot = 4,
    psNull = 5,
    psInsideFrame = 6,
    psStyleMask = 0x0F,
    psEndcapSquare = 0x100,
    psEndcapFlat = 0x200,
    psEndcapMask = 0xF00,
    psJoinBevel = 0x1000,
    psJoinMiter = 0x2000,
    psJoinMask = 0xF000,
};

// A pen as the metafile describes it; its width is in logical units.
struct TGdiPen {
    uint32_t Style = psSolid;
    double Width = 0; // 0: one device pixel
    QColor Color = Qt::black;
};

enum : uint32_t { bsSolid = 0, bsNull = 1, bsHatched = 2, bsPattern = 3, bsDibPattern = 5 };

struct TGdiBrush {
    uint32_t Style = bsSolid;
    QColor Color = Qt::white;
    uint32_t Hatch = 0;
    QImage Pattern;
};

// A logical font; Height and Width are in logical units.
struct TGdiFont {
    double Height = 0; // negative: character height; positive: cell height
    double Width = 0;
    double Escapement = 0; // tenths of a degree, counter-clockwise
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    uint8_t CharSet = 0;
    uint8_t PitchAndFamily = 0; // pitch in bits 0-1, family in bits 4-7
    QString FaceName;
};

// A region as a set of device rectangles.
struct TGdiRegion {
    std::vector<QRectF> Rects;
};

// Placeholder for the objects the player does not use (palettes, colour spaces) so that
// the indices of the others stay right.
struct TGdiOtherObject {};

using TGdiObject = std::variant<TGdiPen, TGdiBrush, TGdiFont, TGdiRegion, TGdiOtherObject>;
