#include "metafile/EmfPlayer.h"

#include "metafile/DeviceIndependentBitmap.h"
#include "metafile/GdiCanvas.h"
#include "metafile/RecordCursor.h"
#include "platform/Exceptions.h"

#include <cmath>

namespace {

constexpr uint32_t EmfSignature = 0x464D4520; // " EMF"
constexpr size_t MinHeaderSize = 88;
constexpr size_t RecordHeaderSize = 8;
constexpr uint32_t StockObjectFlag = 0x80000000;

enum : uint32_t {
    erHeader = 1,
    erPolyBezier = 2,
    erPolygon = 3,
    erPolyline = 4,
    erPolyBezierTo = 5,
    erPolylineTo = 6,
    erPolyPolyline = 7,
    erPolyPolygon = 8,
    erSetWindowExtEx = 9,
    erSetWindowOrgEx = 10,
    erSetViewportExtEx = 11,
    erSetViewportOrgEx = 12,
    erEof = 14,
    erSetPixelV = 15,
    erSetMapMode = 17,
    erSetBkMode = 18,
    erSetPolyFillMode = 19,
    erSetRop2 = 20,
    erSetStretchBltMode = 21,
    erSetTextAlign = 22,
    erSetTextColor = 24,
    erSetBkColor = 25,
    erOffsetClipRgn = 26,
    erMoveToEx = 27,
    erExcludeClipRect = 29,
    erIntersectClipRect = 30,
    erScaleViewportExtEx = 31,
    erScaleWindowExtEx = 32,
    erSaveDc = 33,
    erRestoreDc = 34,
    erSetWorldTransform = 35,
    erModifyWorldTransform = 36,
    erSelectObject = 37,
    erCreatePen = 38,
    erCreateBrushIndirect = 39,
    erDeleteObject = 40,
    erAngleArc = 41,
    erEllipse = 42,
    erRectangle = 43,
    erRoundRect = 44,
    erArc = 45,
    erChord = 46,
    erPie = 47,
    erCreatePalette = 49,
    erLineTo = 54,
    erArcTo = 55,
    erSetArcDirection = 57,
    erBeginPath = 59,
    erEndPath = 60,
    erCloseFigure = 61,
    erFillPath = 62,
    erStrokeAndFillPath = 63,
    erStrokePath = 64,
    erSelectClipPath = 67,
    erAbortPath = 68,
    erFillRgn = 71,
    erInvertRgn = 73,
    erPaintRgn = 74,
    erExtSelectClipRgn = 75,
    erBitBlt = 76,
    erStretchBlt = 77,
    erSetDiBitsToDevice = 80,
    erStretchDiBits = 81,
    erExtCreateFontIndirectW = 82,
    erExtTextOutA = 83,
    erExtTextOutW = 84,
    erPolyBezier16 = 85,
    erPolygon16 = 86,
    erPolyline16 = 87,
    erPolyBezierTo16 = 88,
    erPolylineTo16 = 89,
    erPolyPolyline16 = 90,
    erPolyPolygon16 = 91,
    erCreateMonoBrush = 93,
    erCreateDibPatternBrushPt = 94,
    erExtCreatePen = 95,
    erCreateColorSpace = 99,
    erSmallTextOut = 108,
    erAlphaBlend = 114,
    erTransparentBlt = 116,
    erGradientFill = 118,
    erCreateColorSpaceW = 122,
};

QRectF RectL(const TByteCursor& r, size_t offset) {
    return QRectF(QPointF(r.I32At(offset), r.I32At(offset + 4)),
                  QPointF(r.I32At(offset + 8), r.I32At(offset + 12)));
}

QPointF PointL(const TByteCursor& r, size_t offset) {
    return QPointF(r.I32At(offset), r.I32At(offset + 4));
}

QPolygonF Points(const TByteCursor& r, size_t offset, uint64_t count, bool small) {
    const size_t size = small ? 4 : 8;
    r.RequireArray(offset, count, size);
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i) {
        const size_t at = offset + i * size;
        points << (small ? QPointF(r.I16At(at), r.I16At(at + 2)) : PointL(r, at));
    }
    return points;
}

TDibColorUsage Usage(uint32_t value) {
    return value == 1 ? TDibColorUsage::duPalColors : TDibColorUsage::duRgbColors;
}

// A bitmap given by offsets and sizes of its info and bits inside the record.
QImage RecordDib(const TByteCursor& r, size_t fieldOffset, uint32_t usage, bool keepAlpha = false) {
    const uint32_t offBmi = r.U32At(fieldOffset), cbBmi = r.U32At(fieldOffset + 4);
    const uint32_t offBits = r.U32At(fieldOffset + 8), cbBits = r.U32At(fieldOffset + 12);
    if (cbBmi == 0)
        return {};
    return DecodeDib(r.Sub(offBmi, cbBmi), r.Sub(offBits, cbBits), Usage(usage), keepAlpha);
}

TGdiRegion Region(const TByteCursor& r, size_t offset, uint32_t size) {
    const TByteCursor data = r.Sub(offset, size);
    const uint32_t headerSize = data.U32At(0), count = data.U32At(8);
    data.RequireArray(headerSize, count, 16);
    TGdiRegion region;
    for (uint32_t i = 0; i < count; ++i)
        region.Rects.push_back(RectL(data, headerSize + size_t(i) * 16));
    return region;
}

QString Utf16Text(const TByteCursor& r, size_t offset, uint64_t count) {
    r.RequireArray(offset, count, 2);
    QString text(qsizetype(count), Qt::Uninitialized);
    for (size_t i = 0; i < count; ++i)
        text[qsizetype(i)] = QChar(r.U16At(offset + 2 * i));
    return text;
}

QString AnsiText(const TByteCursor& r, size_t offset, uint64_t count) {
    r.RequireArray(offset, count, 1);
    return QString::fromLatin1(reinterpret_cast<const char*>(r.Data() + offset), qsizetype(count));
}

class TEmfRecordPlayer {
public:
    explicit TEmfRecordPlayer(TGdiCanvas& canvas) : Canvas(canvas) {}
    void Play(uint32_t type, const TByteCursor& r);

private:
    void Poly(uint32_t type, const TByteCursor& r);
    void PolyPoly(uint32_t type, const TByteCursor& r);
    void SelectObject(uint32_t index);
    void ModifyWorldTransform(const TByteCursor& r);
    void CreateFont(const TByteCursor& r);
    void ExtCreatePen(const TByteCursor& r);
    void ExtTextOut(uint32_t type, const TByteCursor& r);
    void SmallTextOut(const TByteCursor& r);
    void Blit(uint32_t type, const TByteCursor& r);
    void GradientFill(const TByteCursor& r);
    void ObjectPlaceholder(const TByteCursor& r) {
        Canvas.SetObject(r.U32At(8), TGdiOtherObject{});
    }

    TGdiCanvas& Canvas;
};

void TEmfRecordPlayer::Poly(uint32_t type, const TByteCursor& r) {
    const bool small = type >= erPolyBezier16;
    const QPolygonF points = Points(r, 28, r.U32At(24), small);
    switch (small ? type - (erPolyBezier16 - erPolyBezier) : type) {
    case erPolyBezier:
        Canvas.PolyBezier(points);
        break;
    case erPolygon:
        Canvas.PolyPolygon({points});
        break;
    case erPolyline:
        Canvas.Polyline(points);
        break;
    case erPolyBezierTo:
        Canvas.PolyBezierTo(points);
        break;
    case erPolylineTo:
        Canvas.PolylineTo(points);
        break;
    }
}

void TEmfRecordPlayer::PolyPoly(uint32_t type, const TByteCursor& r) {
    const bool small = type >= erPolyPolyline16;
    const uint32_t polygons = r.U32At(24), total = r.U32At(28);
    r.RequireArray(32, polygons, 4);
    size_t offset = 32 + size_t(polygons) * 4;
    const QPolygonF points = Points(r, offset, total, small);
    std::vector<QPolygonF> all;
    uint64_t used = 0;
    for (uint32_t i = 0; i < polygons; ++i) {
        const uint32_t count = r.U32At(32 + size_t(i) * 4);
        if (count > total - used)
            break;
        all.push_back(points.mid(qsizetype(used), qsizetype(count)));
        used += count;
    }
    if (type == erPolyPolygon || type == erPolyPolygon16)
        Canvas.PolyPolygon(all);
    else
        Canvas.PolyPolyline(all);
}

void TEmfRecordPlayer::SelectObject(uint32_t index) {
    if (index & StockObjectFlag)
        Canvas.SelectStockObject(index & ~StockObjectFlag);
    else
        Canvas.SelectObject(index);
}

QTransform XForm(const TByteCursor& r, size_t offset) {
    return QTransform(r.F32At(offset), r.F32At(offset + 4), r.F32At(offset + 8),
                      r.F32At(offset + 12), r.F32At(offset + 16), r.F32At(offset + 20));
}

bool IsFinite(const QTransform& t) {
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
           std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

void TEmfRecordPlayer::ModifyWorldTransform(const TByteCursor& r) {
    const QTransform x = XForm(r, 8);
    QTransform world = Canvas.State().World;
    switch (r.U32At(32)) {
    case 1: // identity
        world.reset();
        break;
    case 2: // left multiply: the new transform applies first
        world = x * world;
        break;
    case 3:
        world = world * x;
        break;
    case 4:
        world = x;
        break;
    }
    // Transforms that overflow would make every later coordinate meaningless.
    if (IsFinite(world))
        Canvas.State().World = world;
}

void TEmfRecordPlayer::CreateFont(const TByteCursor& r) {
    TGdiFont font;
    font.Height = r.I32At(12);
    font.Width = r.I32At(16);
    font.Escapement = r.I32At(20);
    font.Weight = r.I32At(28);
    font.Italic = r.U8At(32);
    font.Underline = r.U8At(33);
    font.StrikeOut = r.U8At(34);
    font.CharSet = r.U8At(35);
    font.PitchAndFamily = r.U8At(39);
    QString face = Utf16Text(r, 40, 32);
    face.truncate(face.indexOf(QChar(0)) >= 0 ? face.indexOf(QChar(0)) : face.size());
    font.FaceName = face;
    Canvas.SetObject(r.U32At(8), font);
}

void TEmfRecordPlayer::ExtCreatePen(const TByteCursor& r) {
    const uint32_t style = r.U32At(28);
    const bool geometric = style & 0x00010000;
    TGdiPen pen{style, geometric ? double(r.U32At(32)) : 0.0, ColorFromRef(r.U32At(40))};
    if (r.U32At(36) == bsNull)
        pen.Style = psNull;
    Canvas.SetObject(r.U32At(8), pen);
}

void TEmfRecordPlayer::ExtTextOut(uint32_t type, const TByteCursor& r) {
    const QPointF at = PointL(r, 36);
    const uint32_t count = r.U32At(44), offString = r.U32At(48), options = r.U32At(52);
    const QRectF rect = RectL(r, 56);
    const uint32_t offDx = r.U32At(72);
    const QString text =
        type == erExtTextOutW ? Utf16Text(r, offString, count) : AnsiText(r, offString, count);
    std::vector<double> dx;
    // With vertical spacing each entry is a pair; the horizontal part is what is used here.
    const size_t step = (options & 0x2000) ? 8 : 4;
    if (offDx && r.Has(offDx, uint64_t(count) * step))
        for (size_t i = 0; i < count; ++i)
            dx.push_back(r.I32At(offDx + i * step));
    Canvas.TextOut(at, text, options, rect.isNull() ? std::nullopt : std::optional<QRectF>(rect),
                   dx);
}

void TEmfRecordPlayer::SmallTextOut(const TByteCursor& r) {
    const QPointF at = PointL(r, 8);
    const uint32_t count = r.U32At(16), options = r.U32At(20);
    size_t offset = 36;
    std::optional<QRectF> rect;
    if (!(options & 0x100)) {
        rect = RectL(r, 36);
        offset += 16;
    }
    const QString text =
        (options & 0x200) ? AnsiText(r, offset, count) : Utf16Text(r, offset, count);
    Canvas.TextOut(at, text, options, rect, {});
}

void TEmfRecordPlayer::Blit(uint32_t type, const TByteCursor& r) {
    if (type == erStretchDiBits || type == erSetDiBitsToDevice) {
        const QPointF dest = PointL(r, 24);
        const QRectF source(PointL(r, 32), QSizeF(r.I32At(40), r.I32At(44)));
        const QImage image = RecordDib(r, 48, r.U32At(64));
        const QSizeF destSize =
            type == erStretchDiBits ? QSizeF(r.I32At(72), r.I32At(76)) : source.size();
        // Source rows count from the bottom of the bitmap.
        const QRectF flipped(source.x(), image.height() - source.y() - source.height(),
                             source.width(), source.height());
        Canvas.StretchImage(QRectF(dest, destSize), image, flipped,
                            type == erStretchDiBits ? r.U32At(68) : ropSrcCopy);
        return;
    }
    const QRectF dest(PointL(r, 24), QSizeF(r.I32At(32), r.I32At(36)));
    const uint32_t rop = r.U32At(40);
    const bool stretched = type != erBitBlt;
    const QRectF source(PointL(r, 44),
                        stretched ? QSizeF(r.I32At(100), r.I32At(104)) : dest.size());
    QImage image = RecordDib(r, 84, r.U32At(80), type == erAlphaBlend);
    switch (type) {
    case erAlphaBlend:
        Canvas.AlphaBlend(dest, image, source, uint8_t(rop >> 16));
        return;
    case erTransparentBlt:
        if (!image.isNull()) {
            // The raster-operation field holds the colour that stays transparent.
            const QRgb key = ColorFromRef(rop).rgb();
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < image.height(); ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                        row[x] = 0;
            }
        }
        Canvas.AlphaBlend(dest, image, source, 255);
        return;
    default:
        Canvas.StretchImage(dest, image, source, rop);
    }
}

void TEmfRecordPlayer::GradientFill(const TByteCursor& r) {
    const uint32_t vertices = r.U32At(24), meshes = r.U32At(28), mode = r.U32At(32);
    r.RequireArray(36, vertices, 16);
    auto vertex = [&](uint32_t i, QPointF& at, QColor& color) {
        if (i >= vertices)
            return false;
        const size_t o = 36 + size_t(i) * 16;
        at = PointL(r, o);
        color = QColor(r.U16At(o + 8) >> 8, r.U16At(o + 10) >> 8, r.U16At(o + 12) >> 8);
        return true;
    };
    const size_t meshOffset = 36 + size_t(vertices) * 16;
    const size_t meshSize = mode == 2 ? 12 : 8;
    r.RequireArray(meshOffset, meshes, meshSize);
    for (uint32_t m = 0; m < meshes; ++m) {
        const size_t o = meshOffset + size_t(m) * meshSize;
        QPointF a, b, c;
        QColor ca, cb, cc;
        if (!vertex(r.U32At(o), a, ca) || !vertex(r.U32At(o + 4), b, cb))
            continue;
        if (mode != 2) {
            Canvas.GradientRect(QRectF(a, b), ca, cb, mode == 1);
            continue;
        }
        // Triangles take the mean of their corner colours.
        if (!vertex(r.U32At(o + 8), c, cc))
            continue;
        const QColor mean((ca.red() + cb.red() + cc.red()) / 3,
                          (ca.green() + cb.green() + cc.green()) / 3,
                          (ca.blue() + cb.blue() + cc.blue()) / 3);
        Canvas.FillDevicePolygon(QPolygonF({a, b, c}), mean);
    }
}

void TEmfRecordPlayer::Play(uint32_t type, const TByteCursor& r) {
    TDcState& s = Canvas.State();
    switch (type) {
    case erPolyBezier:
    case erPolygon:
    case erPolyline:
    case erPolyBezierTo:
    case erPolylineTo:
    case erPolyBezier16:
    case erPolygon16:
    case erPolyline16:
    case erPolyBezierTo16:
    case erPolylineTo16:
        Poly(type, r);
        break;
    case erPolyPolyline:
    case erPolyPolygon:
    case erPolyPolyline16:
    case erPolyPolygon16:
        PolyPoly(type, r);
        break;
    case erSetWindowExtEx:
        s.WindowExt = QSizeF(r.I32At(8), r.I32At(12));
        break;
    case erSetWindowOrgEx:
        s.WindowOrg = PointL(r, 8);
        break;
    case erSetViewportExtEx:
        s.ViewportExt = QSizeF(r.I32At(8), r.I32At(12));
        break;
    case erSetViewportOrgEx:
        s.ViewportOrg = PointL(r, 8);
        break;
    case erScaleViewportExtEx:
    case erScaleWindowExtEx: {
        if (!r.I32At(12) || !r.I32At(20))
            break;
        QSizeF& ext = type == erScaleWindowExtEx ? s.WindowExt : s.ViewportExt;
        ext = QSizeF(ext.width() * r.I32At(8) / r.I32At(12),
                     ext.height() * r.I32At(16) / r.I32At(20));
        break;
    }
    case erSetPixelV:
        Canvas.SetPixel(PointL(r, 8), ColorFromRef(r.U32At(16)));
        break;
    case erSetMapMode:
        if (r.U32At(8) >= mmText && r.U32At(8) <= mmAnisotropic)
            s.MapMode = int(r.U32At(8));
        break;
    case erSetBkMode:
        s.BkOpaque = r.U32At(8) == 2;
        break;
    case erSetPolyFillMode:
        s.Winding = r.U32At(8) == 2;
        break;
    case erSetRop2:
        s.Rop2 = int(r.U32At(8));
        break;
    case erSetStretchBltMode:
        s.HalftoneStretch = r.U32At(8) == 4;
        break;
    case erSetTextAlign:
        s.TextAlign = r.U32At(8);
        break;
    case erSetTextColor:
        s.TextColor = ColorFromRef(r.U32At(8));
        break;
    case erSetBkColor:
        s.BkColor = ColorFromRef(r.U32At(8));
        break;
    case erOffsetClipRgn:
        Canvas.OffsetClip(PointL(r, 8));
        break;
    case erMoveToEx:
        Canvas.MoveTo(PointL(r, 8));
        break;
    case erLineTo:
        Canvas.LineTo(PointL(r, 8));
        break;
    case erExcludeClipRect:
        Canvas.ExcludeClipRect(RectL(r, 8));
        break;
    case erIntersectClipRect:
        Canvas.IntersectClipRect(RectL(r, 8));
        break;
    case erSaveDc:
        Canvas.SaveDC();
        break;
    case erRestoreDc:
        Canvas.RestoreDC(r.I32At(8));
        break;
    case erSetWorldTransform:
        if (IsFinite(XForm(r, 8)))
            s.World = XForm(r, 8);
        break;
    case erModifyWorldTransform:
        ModifyWorldTransform(r);
        break;
    case erSelectObject:
        SelectObject(r.U32At(8));
        break;
    case erCreatePen:
        Canvas.SetObject(r.U32At(8),
                         TGdiPen{r.U32At(12), double(r.I32At(16)), ColorFromRef(r.U32At(24))});
        break;
    case erCreateBrushIndirect:
        Canvas.SetObject(r.U32At(8),
                         TGdiBrush{r.U32At(12), ColorFromRef(r.U32At(16)), r.U32At(20), {}});
        break;
    case erCreateDibPatternBrushPt:
    case erCreateMonoBrush:
        Canvas.SetObject(r.U32At(8),
                         TGdiBrush{bsDibPattern, Qt::black, 0, RecordDib(r, 16, r.U32At(12))});
        break;
    case erExtCreatePen:
        ExtCreatePen(r);
        break;
    case erExtCreateFontIndirectW:
        CreateFont(r);
        break;
    case erCreatePalette:
    case erCreateColorSpace:
    case erCreateColorSpaceW:
        ObjectPlaceholder(r);
        break;
    case erDeleteObject:
        Canvas.DeleteObject(r.U32At(8));
        break;
    case erAngleArc:
        if (std::isfinite(r.F32At(20)) && std::isfinite(r.F32At(24)))
            Canvas.AngleArc(PointL(r, 8), r.U32At(16), r.F32At(20), r.F32At(24));
        break;
    case erEllipse:
        Canvas.Ellipse(RectL(r, 8));
        break;
    case erRectangle:
        Canvas.Rectangle(RectL(r, 8));
        break;
    case erRoundRect:
        Canvas.RoundRect(RectL(r, 8), QSizeF(r.I32At(24), r.I32At(28)));
        break;
    case erArc:
    case erChord:
    case erPie:
    case erArcTo:
        Canvas.Arc(RectL(r, 8), PointL(r, 24), PointL(r, 32),
                   type == erArc     ? TArcKind::akArc
                   : type == erChord ? TArcKind::akChord
                   : type == erPie   ? TArcKind::akPie
                                     : TArcKind::akArcTo);
        break;
    case erSetArcDirection:
        s.ArcClockwise = r.U32At(8) == 2;
        break;
    case erBeginPath:
        Canvas.BeginPath();
        break;
    case erEndPath:
        Canvas.EndPath();
        break;
    case erCloseFigure:
        Canvas.CloseFigure();
        break;
    case erFillPath:
        Canvas.FillPath();
        break;
    case erStrokeAndFillPath:
        Canvas.StrokeAndFillPath();
        break;
    case erStrokePath:
        Canvas.StrokePath();
        break;
    case erAbortPath:
        Canvas.AbortPath();
        break;
    case erSelectClipPath:
        if (r.U32At(8) >= 1 && r.U32At(8) <= 5)
            Canvas.SelectClipPath(TClipCombine(r.U32At(8)));
        break;
    case erFillRgn: {
        const TGdiObject* object = Canvas.Object(r.U32At(28));
        if (const auto* brush = object ? std::get_if<TGdiBrush>(object) : nullptr)
            Canvas.FillRegion(Region(r, 32, r.U32At(24)), *brush);
        break;
    }
    case erPaintRgn:
        Canvas.FillRegion(Region(r, 28, r.U32At(24)), s.Brush);
        break;
    case erInvertRgn:
        Canvas.InvertRegion(Region(r, 28, r.U32At(24)));
        break;
    case erExtSelectClipRgn: {
        const uint32_t size = r.U32At(8), mode = r.U32At(12);
        if (mode < 1 || mode > 5)
            break;
        if (size == 0) {
            Canvas.SelectClipRegion(nullptr, TClipCombine(mode));
        } else {
            const TGdiRegion region = Region(r, 16, size);
            Canvas.SelectClipRegion(&region, TClipCombine(mode));
        }
        break;
    }
    case erBitBlt:
    case erStretchBlt:
    case erAlphaBlend:
    case erTransparentBlt:
    case erStretchDiBits:
    case erSetDiBitsToDevice:
        Blit(type, r);
        break;
    case erExtTextOutA:
    case erExtTextOutW:
        ExtTextOut(type, r);
        break;
    case erSmallTextOut:
        SmallTextOut(r);
        break;
    case erGradientFill:
        GradientFill(r);
        break;
    default:
        break;
    }
}

} // namespace

TEmfHeader ReadEmfHeader(const std::vector<uint8_t>& data) {
    const TByteCursor file = RecordCursor(data.data(), data.size());
    if (!file.Has(0, MinHeaderSize) || file.U32At(0) != erHeader || file.U32At(40) != EmfSignature)
        throw EInvalidGraphic("Invalid metafile");
    const uint32_t headerSize = file.U32At(4);
    if (headerSize < MinHeaderSize || headerSize > data.size())
        throw EInvalidGraphic("Invalid metafile");
    TEmfHeader header;
    header.Frame = RectL(file, 24);
    header.HandleCount = file.U16At(56);
    const QSizeF device(file.I32At(72), file.I32At(76));
    QSizeF mm(file.I32At(80), file.I32At(84));
    if (headerSize >= 108 && file.I32At(100) > 0 && file.I32At(104) > 0)
        mm = QSizeF(file.I32At(100) / 1000.0, file.I32At(104) / 1000.0);
    header.DevicePixelsPerMm =
        device.width() > 0 && device.height() > 0 && mm.width() > 0 && mm.height() > 0
            ? QSizeF(device.width() / mm.width(), device.height() / mm.height())
            : QSizeF(96 / 25.4, 96 / 25.4);
    if (header.Frame.width() <= 0 || header.Frame.height() <= 0) {
        // No usable frame: the bounds, in reference-device pixels, give it.
        const QRectF bounds = RectL(file, 8);
        header.Frame = QRectF(bounds.x() * 100 / header.DevicePixelsPerMm.width(),
                              bounds.y() * 100 / header.DevicePixelsPerMm.height(),
                              (bounds.width() + 1) * 100 / header.DevicePixelsPerMm.width(),
                              (bounds.height() + 1) * 100 / header.DevicePixelsPerMm.height());
    }
    header.NaturalSize =
        QSizeF(header.Frame.width() * 96 / 2540, header.Frame.height() * 96 / 2540);
    header.FirstRecord = headerSize;
    size_t at = headerSize;
    while (data.size() - at >= RecordHeaderSize) {
        const uint32_t type = file.U32At(at), size = file.U32At(at + 4);
        if (size < RecordHeaderSize || size > data.size() - at)
            break;
        at += size;
        if (type == erEof)
            break;
    }
    header.End = at;
    return header;
}

void PlayEmf(const std::vector<uint8_t>& data, const TEmfHeader& header, QPainter& painter,
             QSize imageSize) {
    // Reference-device pixels to hundredths of a millimetre, then the frame onto the image.
    const double sx = imageSize.width() / header.Frame.width();
    const double sy = imageSize.height() / header.Frame.height();
    const double mmx = 100 / header.DevicePixelsPerMm.width();
    const double mmy = 100 / header.DevicePixelsPerMm.height();
    const QTransform deviceToImage(mmx * sx, 0, 0, mmy * sy, -header.Frame.x() * sx,
                                   -header.Frame.y() * sy);
    TGdiCanvas canvas(painter, deviceToImage, header.DevicePixelsPerMm);
    canvas.SetObjectTableSize(header.HandleCount);
    TEmfRecordPlayer player(canvas);
    size_t at = header.FirstRecord;
    while (at < header.End) {
        const TByteCursor head = RecordCursor(data.data() + at, header.End - at);
        const uint32_t type = head.U32At(0), size = head.U32At(4);
        if (type == erEof)
            break;
        try {
            player.Play(type, RecordCursor(data.data() + at, size));
        } catch (const ERecordTooShort&) {
            // A malformed record is skipped like an unknown one.
        }
        at += size;
    }
}
