#pragma once

#include "metafile/GdiObjects.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <cstddef>
#include <optional>
#include <vector>

enum : int {
    mmText = 1,
    mmLoMetric = 2,
    mmHiMetric = 3,
    mmLoEnglish = 4,
    mmHiEnglish = 5,
    mmTwips = 6,
    mmIsotropic = 7,
    mmAnisotropic = 8,
};

enum class TArcKind { akArc, akChord, akPie, akArcTo };
enum class TClipCombine { ccAnd = 1, ccOr = 2, ccXor = 3, ccDiff = 4, ccCopy = 5 };

// Options of text output records.
enum : uint32_t { etoOpaque = 2, etoClipped = 4, etoGlyphIndex = 0x10 };

// Raster operations of the blit records that this player honours.
enum : uint32_t {
    ropSrcCopy = 0x00CC0020,
    ropSrcPaint = 0x00EE0086,
    ropSrcAnd = 0x008800C6,
    ropSrcInvert = 0x00660046,
    ropNotSrcCopy = 0x00330008,
    ropPatCopy = 0x00F00021,
    ropPatInvert = 0x005A0049,
    ropDstInvert = 0x00550009,
    ropBlackness = 0x00000042,
    ropWhiteness = 0x00FF0062,
};

// The drawing state that saving and restoring the device context keeps.
struct TDcState {
    int MapMode = mmText;
    QPointF WindowOrg, ViewportOrg;
    QSizeF WindowExt{1, 1}, ViewportExt{1, 1};
    QTransform World;
    TGdiPen Pen;
    TGdiBrush Brush;
    TGdiFont Font;
    QColor TextColor = Qt::black;
    QColor BkColor = Qt::white;
    bool BkOpaque = true;
    bool Winding = false;
    uint32_t TextAlign = 0;
    int Rop2 = 13; // copy pen
    bool HalftoneStretch = false;
    bool ArcClockwise = false;
    QPointF Position;                 // logical
    std::optional<QPainterPath> Clip; // image coordinates; none: no clipping
};

// The device context a metafile plays onto: a QPainter on the picture's image. Logical
// coordinates go through the world transform and the mapping mode to device units, and
// DeviceToImage takes device units to image pixels. Every drawing operation takes logical
// coordinates; regions take device units.
class TGdiCanvas {
public:
    TGdiCanvas(QPainter& painter, const QTransform& deviceToImage, QSizeF devicePixelsPerMm);

    TDcState& State() { return S; }
    void ClipChanged() { ClipDirty = true; }

    // Object table: bounded by the metafile's own count.
    void SetObjectTableSize(size_t count);
    size_t ObjectTableSize() const { return Objects.size(); }
    // Puts the object into the lowest free slot (16-bit metafiles); false when full.
    bool AddObject(TGdiObject object);
    void SetObject(size_t index, TGdiObject object);
    void SelectObject(size_t index);
    void SelectStockObject(uint32_t stock);
    void DeleteObject(size_t index);
    const TGdiObject* Object(size_t index) const;

    void SaveDC();
    // Relative (negative) or absolute level, as the records give it.
    void RestoreDC(int level);

    // The mapping from logical units to image pixels as it stands.
    QTransform LogicalToImage() const;
    QTransform LogicalToDevice() const;
    const QTransform& DeviceToImage() const { return DeviceToImageTransform; }

    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    void Polyline(const QPolygonF& points);
    void PolylineTo(const QPolygonF& points);
    void PolyBezier(const QPolygonF& points);
    void PolyBezierTo(const QPolygonF& points);
    void PolyPolyline(const std::vector<QPolygonF>& lines);
    void PolyPolygon(const std::vector<QPolygonF>& polygons);
    void Rectangle(const QRectF& box);
    void RoundRect(const QRectF& box, QSizeF corner);
    void Ellipse(const QRectF& box);
    void Arc(const QRectF& box, QPointF start, QPointF end, TArcKind kind);
    void AngleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees);
    void SetPixel(QPointF p, const QColor& color);
    void TextOut(QPointF reference, const QString& text, uint32_t options,
                 const std::optional<QRectF>& rect, const std::vector<double>& dx);
    // Blits an image onto a logical rectangle (a null image: the raster operation alone).
    void StretchImage(const QRectF& dest, const QImage& image, const QRectF& source, uint32_t rop);
    void AlphaBlend(const QRectF& dest, const QImage& image, const QRectF& source,
                    uint8_t constantAlpha);
    void GradientRect(const QRectF& box, const QColor& from, const QColor& to, bool vertical);
    void FillDevicePolygon(const QPolygonF& devicePoints, const QColor& color);

    void FillRegion(const TGdiRegion& region, const TGdiBrush& brush);
    void InvertRegion(const TGdiRegion& region);
    void SelectClipRegion(const TGdiRegion* region, TClipCombine mode);
    void OffsetClip(QPointF logicalOffset);
    void IntersectClipRect(const QRectF& box);
    void ExcludeClipRect(const QRectF& box);

    void BeginPath();
    void EndPath() { InPath = false; }
    void AbortPath();
    void CloseFigure();
    void FillPath() { FinishPath(true, false); }
    void StrokePath() { FinishPath(false, true); }
    void StrokeAndFillPath() { FinishPath(true, true); }
    void SelectClipPath(TClipCombine mode);

private:
    void Draw(const QPainterPath& imagePath, bool fill, bool stroke);
    // The part of a path that can show in the picture with this pen.
    QPainterPath WithinReach(const QPainterPath& imagePath, const QPen& pen) const;
    void Stroke(const QPainterPath& imagePath, const QPen& pen);
    // The painter's device, widened by MARGIN on every side.
    QRectF DeviceRect(double margin) const;
    void Fill(const QPainterPath& imagePath, const TGdiBrush& brush);
    void AddFigure(const QPainterPath& logicalPath, bool closed);
    // Draws an open figure that starts at the current position, or adds it to the path;
    // the current position moves to its end.
    void ContinueFigure(const QPainterPath& logical);
    void FinishPath(bool fill, bool stroke);
    void ApplyClip();
    void CombineClip(const QPainterPath& shape, TClipCombine mode);
    QPen ImagePen() const;
    QPainter::CompositionMode Rop2Mode() const;
    QPainterPath RegionPath(const TGdiRegion& region) const;
    QPainterPath ArcPath(const QRectF& box, QPointF start, QPointF end, TArcKind kind) const;
    QFont ImageFont(double& pixelSize) const;

    QPainter& Painter;
    QTransform DeviceToImageTransform;
    QSizeF DevicePixelsPerMm;
    TDcState S;
    std::vector<TDcState> Saved;
    std::vector<std::optional<TGdiObject>> Objects;
    bool ClipDirty = true;
    bool InPath = false;
    QPainterPath Path; // image coordinates
};
