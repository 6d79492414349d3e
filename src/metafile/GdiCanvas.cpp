#include "metafile/GdiCanvas.h"

#include "metafile/PathClipping.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>

#include <cmath>
#include <numbers>

namespace {

// Deeper nesting than this is a broken or hostile file; further saves are ignored.
constexpr size_t MaxSavedStates = 1024;

constexpr double Pi = std::numbers::pi;

double Normalised360(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d <= 0)
        d += 360.0;
    return d;
}

double ScaleOf(const QTransform& t) {
    return std::sqrt(std::abs(t.determinant()));
}

// The face names of metafiles are those of another platform; the family the font asks for
// and the usual names pick the kind of face that stands in for a missing one.
QFont::StyleHint FontStyleHint(const TGdiFont& font) {
    const QString face = font.FaceName.toLower();
    const uint8_t family = font.PitchAndFamily & 0xF0;
    auto named = [&](std::initializer_list<const char*> words) {
        for (const char* word : words)
            if (face.contains(QLatin1String(word)))
                return true;
        return false;
    };
    if (family == 0x30 || (font.PitchAndFamily & 3) == 1 ||
        named({"courier", "mono", "consol", "fixed", "typewriter"}))
        return QFont::TypeWriter;
    if (family == 0x10 || named({"times", "roman", "serif", "georgia", "garamond", "book"}))
        return named({"sans"}) ? QFont::SansSerif : QFont::Serif;
    if (family == 0x40)
        return QFont::Cursive;
    if (family == 0x50)
        return QFont::Decorative;
    return QFont::SansSerif;
}

bool HasFontSupport() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

TGdiCanvas::TGdiCanvas(QPainter& painter, const QTransform& deviceToImage, QSizeF devicePixelsPerMm)
    : Painter(painter), DeviceToImageTransform(deviceToImage),
      DevicePixelsPerMm(devicePixelsPerMm) {
    S.Font.FaceName = QStringLiteral("Sans Serif");
}

void TGdiCanvas::SetObjectTableSize(size_t count) {
    Objects.assign(count, std::nullopt);
}

bool TGdiCanvas::AddObject(TGdiObject object) {
    for (auto& slot : Objects) {
        if (!slot) {
            slot = std::move(object);
            return true;
        }
    }
    return false;
}

void TGdiCanvas::SetObject(size_t index, TGdiObject object) {
    if (index < Objects.size())
        Objects[index] = std::move(object);
}

const TGdiObject* TGdiCanvas::Object(size_t index) const {
    if (index < Objects.size() && Objects[index])
        return &*Objects[index];
    return nullptr;
}

void TGdiCanvas::SelectObject(size_t index) {
    const TGdiObject* object = Object(index);
    if (!object)
        return;
    if (auto pen = std::get_if<TGdiPen>(object))
        S.Pen = *pen;
    else if (auto brush = std::get_if<TGdiBrush>(object))
        S.Brush = *brush;
    else if (auto font = std::get_if<TGdiFont>(object))
        S.Font = *font;
    else if (auto region = std::get_if<TGdiRegion>(object))
        SelectClipRegion(region, TClipCombine::ccCopy);
}

void TGdiCanvas::SelectStockObject(uint32_t stock) {
    static const int brushGreys[] = {255, 192, 128, 64, 0};
    if (stock <= 4) {
        S.Brush = {bsSolid, QColor(brushGreys[stock], brushGreys[stock], brushGreys[stock]), 0, {}};
    } else if (stock == 5) {
        S.Brush.Style = bsNull;
    } else if (stock == 6 || stock == 7) {
        S.Pen = {psSolid, 0, stock == 6 ? Qt::white : Qt::black};
    } else if (stock == 8) {
        S.Pen.Style = psNull;
    } else if (stock >= 10 && stock <= 17 && stock != 15) {
        S.Font = TGdiFont();
        S.Font.FaceName = (stock == 10 || stock == 11 || stock == 16)
                              ? QStringLiteral("Monospace")
                              : QStringLiteral("Sans Serif");
        S.Font.Height = -13; // the platform's system font size at 96 dots per inch
    }
}

void TGdiCanvas::DeleteObject(size_t index) {
    if (index < Objects.size())
        Objects[index].reset();
}

void TGdiCanvas::SaveDC() {
    if (Saved.size() < MaxSavedStates)
        Saved.push_back(S);
}

void TGdiCanvas::RestoreDC(int level) {
    size_t target;
    if (level < 0) {
        const size_t back = size_t(-int64_t(level));
        if (back > Saved.size())
            return;
        target = Saved.size() - back;
    } else {
        if (level == 0 || size_t(level) > Saved.size())
            return;
        target = size_t(level) - 1;
    }
    S = Saved[target];
    Saved.resize(target);
    ClipDirty = true;
}

QTransform TGdiCanvas::LogicalToDevice() const {
    double sx = 1, sy = 1;
    auto metric = [&](double mmPerUnit) {
        sx = mmPerUnit * DevicePixelsPerMm.width();
        sy = -mmPerUnit * DevicePixelsPerMm.height();
    };
    switch (S.MapMode) {
    case mmLoMetric:
        metric(0.1);
        break;
    case mmHiMetric:
        metric(0.01);
        break;
    case mmLoEnglish:
        metric(0.254);
        break;
    case mmHiEnglish:
        metric(0.0254);
        break;
    case mmTwips:
        metric(25.4 / 1440);
        break;
    case mmIsotropic:
    case mmAnisotropic: {
        const double wx = S.WindowExt.width() ? S.WindowExt.width() : 1;
        const double wy = S.WindowExt.height() ? S.WindowExt.height() : 1;
        sx = S.ViewportExt.width() / wx;
        sy = S.ViewportExt.height() / wy;
        if (S.MapMode == mmIsotropic) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    }
    default:
        break;
    }
    const QTransform page(sx, 0, 0, sy, S.ViewportOrg.x() - S.WindowOrg.x() * sx,
                          S.ViewportOrg.y() - S.WindowOrg.y() * sy);
    return S.World * page;
}

QTransform TGdiCanvas::LogicalToImage() const {
    return LogicalToDevice() * DeviceToImageTransform;
}

void TGdiCanvas::ApplyClip() {
    if (!ClipDirty)
        return;
    Painter.resetTransform();
    if (S.Clip)
        Painter.setClipPath(*S.Clip);
    else
        Painter.setClipping(false);
    ClipDirty = false;
}

QPen TGdiCanvas::ImagePen() const {
    const uint32_t style = S.Pen.Style & psStyleMask;
    if (style == psNull)
        return Qt::NoPen;
    // A pen wider than the picture covers it whole; wider still only costs stroking time.
    const double widest = 2.0 * std::max(Painter.device()->width(), Painter.device()->height());
    double width = S.Pen.Width * ScaleOf(LogicalToImage());
    width = std::isfinite(width) ? std::clamp(width, 1.0, std::max(1.0, widest)) : 1.0;
    QPen pen(S.Pen.Color, width);
    switch (style) {
    case psDash:
        pen.setStyle(Qt::DashLine);
        break;
    case psDot:
        pen.setStyle(Qt::DotLine);
        break;
    case psDashDot:
        pen.setStyle(Qt::DashDotLine);
        break;
    case psDashDotDot:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        break;
    }
    switch (S.Pen.Style & psEndcapMask) {
    case psEndcapSquare:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case psEndcapFlat:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
    }
    switch (S.Pen.Style & psJoinMask) {
    case psJoinBevel:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case psJoinMiter:
        pen.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

QPainter::CompositionMode TGdiCanvas::Rop2Mode() const {
    switch (S.Rop2) {
    case 7: // xor pen
        return QPainter::RasterOp_SourceXorDestination;
    case 9: // mask pen
        return QPainter::RasterOp_SourceAndDestination;
    case 15: // merge pen
        return QPainter::RasterOp_SourceOrDestination;
    case 6: // not
        return QPainter::RasterOp_NotDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

void TGdiCanvas::Fill(const QPainterPath& imagePath, const TGdiBrush& brush) {
    switch (brush.Style) {
    case bsNull:
        return;
    case bsHatched: {
        if (S.BkOpaque)
            Painter.fillPath(imagePath, S.BkColor);
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                 Qt::FDiagPattern, Qt::BDiagPattern,
                                                 Qt::CrossPattern, Qt::DiagCrossPattern};
        Painter.fillPath(imagePath, QBrush(brush.Color, hatches[brush.Hatch % 6]));
        return;
    }
    case bsPattern:
    case bsDibPattern:
        if (!brush.Pattern.isNull()) {
            Painter.fillPath(imagePath, QBrush(brush.Pattern));
            return;
        }
        [[fallthrough]];
    default:
        Painter.fillPath(imagePath, brush.Color);
    }
}

QRectF TGdiCanvas::DeviceRect(double margin) const {
    return QRectF(0, 0, Painter.device()->width(), Painter.device()->height())
        .adjusted(-margin, -margin, margin, margin);
}

// How far a pen's stroke, caps and miters reach from the line they follow.
static double PenReach(const QPen& pen) {
    return pen.style() == Qt::NoPen ? 0 : pen.widthF() * (pen.miterLimit() + 1);
}

QPainterPath TGdiCanvas::WithinReach(const QPainterPath& imagePath, const QPen& pen) const {
    // Far enough out that nothing cut away could reach the picture.
    const QRectF reach = DeviceRect(PenReach(pen) + 2);
    return reach.contains(imagePath.controlPointRect()) ? imagePath
                                                        : ClipPathToRect(imagePath, reach);
}

void TGdiCanvas::Stroke(const QPainterPath& imagePath, const QPen& pen) {
    // Qt strokes by filling the pen's outline, at a cost that grows with the outline's size:
    // a pen many times wider than a thin picture is filled as its outline cut to the picture.
    const double reach = PenReach(pen);
    const QRectF roomy =
        DeviceRect(std::max(Painter.device()->width(), Painter.device()->height()));
    if (roomy.contains(imagePath.controlPointRect().adjusted(-reach, -reach, reach, reach))) {
        Painter.strokePath(imagePath, pen);
        return;
    }
    QPainterPathStroker stroker(pen);
    const QPainterPath outline = stroker.createStroke(imagePath);
    Painter.fillPath(ClipPathToRect(outline, DeviceRect(2)), pen.brush());
}

void TGdiCanvas::Draw(const QPainterPath& imagePath, bool fill, bool stroke) {
    if (S.Rop2 == 11) // the pen and brush leave the picture alone
        return;
    ApplyClip();
    Painter.resetTransform();
    Painter.setCompositionMode(Rop2Mode());
    const QPen pen = stroke ? ImagePen() : QPen(Qt::NoPen);
    QPainterPath visible = WithinReach(imagePath, pen);
    if (fill) {
        visible.setFillRule(S.Winding ? Qt::WindingFill : Qt::OddEvenFill);
        Fill(visible, S.Brush);
    }
    if (pen.style() != Qt::NoPen)
        Stroke(visible, pen);
    Painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TGdiCanvas::AddFigure(const QPainterPath& logicalPath, bool closed) {
    const QPainterPath image = LogicalToImage().map(logicalPath);
    if (InPath)
        Path.addPath(image);
    else
        Draw(image, closed, true);
}

void TGdiCanvas::ContinueFigure(const QPainterPath& logical) {
    const QPainterPath image = LogicalToImage().map(logical);
    if (InPath) {
        if (Path.elementCount() == 0)
            Path.moveTo(image.elementAt(0));
        Path.connectPath(image);
    } else {
        Draw(image, false, true);
    }
    S.Position = logical.currentPosition();
}

void TGdiCanvas::MoveTo(QPointF p) {
    S.Position = p;
    if (InPath)
        Path.moveTo(LogicalToImage().map(p));
}

void TGdiCanvas::LineTo(QPointF p) {
    QPainterPath line(S.Position);
    line.lineTo(p);
    ContinueFigure(line);
}

void TGdiCanvas::Polyline(const QPolygonF& points) {
    if (points.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(points);
    AddFigure(path, false);
}

void TGdiCanvas::PolylineTo(const QPolygonF& points) {
    if (points.isEmpty())
        return;
    QPainterPath lines(S.Position);
    for (const QPointF& p : points)
        lines.lineTo(p);
    ContinueFigure(lines);
}

namespace {
QPainterPath BezierPath(QPointF from, const QPolygonF& controls) {
    QPainterPath path(from);
    for (qsizetype i = 0; i + 2 < controls.size(); i += 3)
        path.cubicTo(controls[i], controls[i + 1], controls[i + 2]);
    return path;
}
} // namespace

void TGdiCanvas::PolyBezier(const QPolygonF& points) {
    if (points.size() < 4)
        return;
    AddFigure(BezierPath(points.first(), points.mid(1)), false);
}

void TGdiCanvas::PolyBezierTo(const QPolygonF& points) {
    if (points.size() < 3)
        return;
    ContinueFigure(BezierPath(S.Position, points));
}

void TGdiCanvas::PolyPolyline(const std::vector<QPolygonF>& lines) {
    QPainterPath path;
    for (const QPolygonF& line : lines)
        if (line.size() >= 2)
            path.addPolygon(line);
    AddFigure(path, false);
}

void TGdiCanvas::PolyPolygon(const std::vector<QPolygonF>& polygons) {
    QPainterPath path;
    for (const QPolygonF& polygon : polygons) {
        if (polygon.size() < 2)
            continue;
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    AddFigure(path, true);
}

void TGdiCanvas::Rectangle(const QRectF& box) {
    QPainterPath path;
    path.addRect(box.normalized());
    AddFigure(path, true);
}

void TGdiCanvas::RoundRect(const QRectF& box, QSizeF corner) {
    QPainterPath path;
    path.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2,
                        std::abs(corner.height()) / 2);
    AddFigure(path, true);
}

void TGdiCanvas::Ellipse(const QRectF& box) {
    QPainterPath path;
    path.addEllipse(box.normalized());
    AddFigure(path, true);
}

QPainterPath TGdiCanvas::ArcPath(const QRectF& rawBox, QPointF start, QPointF end,
                                 TArcKind kind) const {
    const QRectF box = rawBox.normalized();
    const QPointF c = box.center();
    const double rx = std::max(box.width() / 2, 1e-9), ry = std::max(box.height() / 2, 1e-9);
    // Angles as Qt counts them: counter-clockwise on a y-down surface.
    const double a1 = std::atan2(-(start.y() - c.y()) / ry, (start.x() - c.x()) / rx) * 180 / Pi;
    const double a2 = std::atan2(-(end.y() - c.y()) / ry, (end.x() - c.x()) / rx) * 180 / Pi;
    const double sweep = S.ArcClockwise ? -Normalised360(a1 - a2) : Normalised360(a2 - a1);
    QPainterPath path;
    if (kind == TArcKind::akPie)
        path.moveTo(c);
    else
        path.arcMoveTo(box, a1);
    path.arcTo(box, a1, sweep);
    if (kind == TArcKind::akPie || kind == TArcKind::akChord)
        path.closeSubpath();
    return path;
}

void TGdiCanvas::Arc(const QRectF& box, QPointF start, QPointF end, TArcKind kind) {
    const QPainterPath path = ArcPath(box, start, end, kind);
    if (kind != TArcKind::akArcTo) {
        AddFigure(path, kind != TArcKind::akArc);
        return;
    }
    QPainterPath joined(S.Position);
    joined.connectPath(path);
    ContinueFigure(joined);
}

void TGdiCanvas::AngleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees) {
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(box, startDegrees);
    arc.arcTo(box, startDegrees, sweepDegrees);
    QPainterPath joined(S.Position);
    joined.connectPath(arc);
    ContinueFigure(joined);
}

void TGdiCanvas::SetPixel(QPointF p, const QColor& color) {
    ApplyClip();
    const QPointF at = LogicalToImage().map(p);
    Painter.resetTransform();
    Painter.fillRect(QRectF(std::floor(at.x()), std::floor(at.y()), 1, 1), color);
}

QFont TGdiCanvas::ImageFont(double& pixelSize) const {
    QFont font(S.Font.FaceName.isEmpty() ? QStringLiteral("Sans Serif") : S.Font.FaceName);
    font.setStyleHint(FontStyleHint(S.Font));
    const QTransform t = LogicalToImage();
    const double verticalScale = std::hypot(t.m21(), t.m22());
    double size = std::abs(S.Font.Height) * verticalScale;
    if (S.Font.Height == 0)
        size = 13;
    font.setPixelSize(100);
    if (S.Font.Height > 0) {
        // A positive height is the cell height: ascent plus descent.
        const QFontMetricsF m(font);
        const double cell = m.ascent() + m.descent();
        if (cell > 0)
            size = size * 100 / cell;
    }
    // Larger glyphs than any picture side are not worth their rasterising cost.
    pixelSize = std::isfinite(size) ? std::clamp(size, 0.5, 8192.0) : 13.0;
    font.setPointSizeF(pixelSize * 72 / 96);
    font.setWeight(QFont::Weight(std::clamp(S.Font.Weight ? S.Font.Weight : 400, 1, 1000)));
    font.setItalic(S.Font.Italic);
    font.setUnderline(S.Font.Underline);
    font.setStrikeOut(S.Font.StrikeOut);
    return font;
}

void TGdiCanvas::TextOut(QPointF reference, const QString& text, uint32_t options,
                         const std::optional<QRectF>& rect, const std::vector<double>& dx) {
    ApplyClip();
    const QTransform t = LogicalToImage();
    Painter.resetTransform();
    if (rect && (options & etoOpaque))
        Painter.fillPath(t.map([&] {
            QPainterPath p;
            p.addRect(rect->normalized());
            return p;
        }()),
                         S.BkColor);
    // Glyph indices belong to the font the metafile was made with, which is not here: drawn
    // through another font they would be wrong letters.
    if (text.isEmpty() || (options & etoGlyphIndex) || !HasFontSupport())
        return;
    const bool updatePosition = S.TextAlign & 1;
    if (updatePosition)
        reference = S.Position;
    double pixelSize = 0;
    const QFont font = ImageFont(pixelSize);
    const QFontMetricsF metrics(font, Painter.device());
    const double horizontalScale = std::hypot(t.m11(), t.m12());
    // Advances along the baseline, in image pixels.
    std::vector<double> advances(size_t(text.size()));
    double total = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        advances[size_t(i)] = size_t(i) < dx.size() ? dx[size_t(i)] * horizontalScale
                                                    : metrics.horizontalAdvance(text[i]);
        total += advances[size_t(i)];
    }
    double x = 0, y = 0;
    switch (S.TextAlign & 6) {
    case 6: // centre
        x = -total / 2;
        break;
    case 2: // right
        x = -total;
        break;
    default:
        break;
    }
    switch (S.TextAlign & 24) {
    case 24: // baseline
        break;
    case 8: // bottom
        y = -metrics.descent();
        break;
    default: // top
        y = metrics.ascent();
    }
    const QPointF origin = t.map(reference);
    const double worldAngle = std::atan2(t.m12(), t.m11()) * 180 / Pi;
    const bool flippedY = t.m22() < 0;
    Painter.translate(origin);
    Painter.rotate(flippedY ? -S.Font.Escapement / 10.0 - worldAngle
                            : -S.Font.Escapement / 10.0 + worldAngle);
    if (rect && (options & etoClipped))
        Painter.setClipRect(t.mapRect(rect->normalized()).translated(-origin), Qt::IntersectClip);
    if (S.BkOpaque)
        Painter.fillRect(QRectF(x, y - metrics.ascent(), total, metrics.height()), S.BkColor);
    Painter.setFont(font);
    Painter.setPen(S.TextColor);
    if (dx.empty()) {
        Painter.drawText(QPointF(x, y), text);
    } else {
        for (qsizetype i = 0; i < text.size(); ++i) {
            Painter.drawText(QPointF(x, y), QString(text[i]));
            x += advances[size_t(i)];
        }
    }
    Painter.resetTransform();
    if (rect && (options & etoClipped))
        ClipDirty = true;
    if (updatePosition)
        S.Position = t.inverted().map(t.map(reference) + QPointF(total, 0));
}

void TGdiCanvas::StretchImage(const QRectF& dest, const QImage& image, const QRectF& source,
                              uint32_t rop) {
    ApplyClip();
    const QTransform t = LogicalToImage();
    QPainterPath area;
    area.addRect(dest);
    const QPainterPath imageArea = t.map(area);
    Painter.resetTransform();
    switch (rop) {
    case ropBlackness:
        Painter.fillPath(imageArea, Qt::black);
        return;
    case ropWhiteness:
        Painter.fillPath(imageArea, Qt::white);
        return;
    case ropPatCopy:
        Fill(imageArea, S.Brush);
        return;
    case ropPatInvert:
    case ropDstInvert:
        Painter.setCompositionMode(rop == ropDstInvert ? QPainter::RasterOp_NotDestination
                                                       : QPainter::RasterOp_SourceXorDestination);
        Painter.fillPath(imageArea, rop == ropDstInvert ? QColor(Qt::black) : S.Brush.Color);
        Painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    default:
        break;
    }
    if (image.isNull())
        return;
    QImage src = image;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case ropSrcAnd:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case ropSrcPaint:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case ropSrcInvert:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case ropNotSrcCopy:
        src.invertPixels();
        break;
    default:
        break;
    }
    Painter.setTransform(t);
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, S.HalftoneStretch);
    Painter.setCompositionMode(mode);
    Painter.drawImage(dest, src, source);
    Painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    Painter.resetTransform();
}

void TGdiCanvas::AlphaBlend(const QRectF& dest, const QImage& image, const QRectF& source,
                            uint8_t constantAlpha) {
    if (image.isNull())
        return;
    ApplyClip();
    Painter.setTransform(LogicalToImage());
    Painter.setOpacity(constantAlpha / 255.0);
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    Painter.drawImage(dest, image, source);
    Painter.setOpacity(1);
    Painter.resetTransform();
}

void TGdiCanvas::GradientRect(const QRectF& box, const QColor& from, const QColor& to,
                              bool vertical) {
    ApplyClip();
    const QRectF r = box.normalized();
    QLinearGradient gradient(r.topLeft(), vertical ? r.bottomLeft() : r.topRight());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    Painter.setTransform(LogicalToImage());
    Painter.fillRect(r, gradient);
    Painter.resetTransform();
}

void TGdiCanvas::FillDevicePolygon(const QPolygonF& devicePoints, const QColor& color) {
    ApplyClip();
    QPainterPath path;
    path.addPolygon(LogicalToImage().map(devicePoints));
    Painter.resetTransform();
    Painter.fillPath(path, color);
}

QPainterPath TGdiCanvas::RegionPath(const TGdiRegion& region) const {
    QPainterPath path;
    // Beyond this many rectangles a region is taken as their bounding box: uniting them
    // costs more than a picture is worth.
    constexpr size_t MaxRegionRects = 4096;
    if (region.Rects.size() > MaxRegionRects) {
        QRectF box;
        for (const QRectF& r : region.Rects)
            box |= r.normalized();
        path.addRect(box);
    } else {
        for (const QRectF& r : region.Rects)
            path.addRect(r.normalized());
    }
    return DeviceToImageTransform.map(path).simplified();
}

void TGdiCanvas::FillRegion(const TGdiRegion& region, const TGdiBrush& brush) {
    ApplyClip();
    Painter.resetTransform();
    Fill(RegionPath(region), brush);
}

void TGdiCanvas::InvertRegion(const TGdiRegion& region) {
    ApplyClip();
    Painter.resetTransform();
    Painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    Painter.fillPath(RegionPath(region), Qt::black);
    Painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TGdiCanvas::CombineClip(const QPainterPath& shape, TClipCombine mode) {
    const QRectF whole(QPointF(-1e7, -1e7), QPointF(1e7, 1e7));
    QPainterPath current;
    if (S.Clip)
        current = *S.Clip;
    else
        current.addRect(whole);
    switch (mode) {
    case TClipCombine::ccAnd:
        S.Clip = current.intersected(shape);
        break;
    case TClipCombine::ccOr:
        S.Clip = current.united(shape);
        break;
    case TClipCombine::ccXor:
        S.Clip = current.united(shape).subtracted(current.intersected(shape));
        break;
    case TClipCombine::ccDiff:
        S.Clip = current.subtracted(shape);
        break;
    case TClipCombine::ccCopy:
        S.Clip = shape;
        break;
    }
    ClipDirty = true;
}

void TGdiCanvas::SelectClipRegion(const TGdiRegion* region, TClipCombine mode) {
    if (!region) {
        if (mode == TClipCombine::ccCopy) {
            S.Clip.reset();
            ClipDirty = true;
        }
        return;
    }
    CombineClip(RegionPath(*region), mode);
}

void TGdiCanvas::OffsetClip(QPointF logicalOffset) {
    if (!S.Clip)
        return;
    const QTransform t = LogicalToImage();
    const QPointF shift = t.map(logicalOffset) - t.map(QPointF(0, 0));
    S.Clip->translate(shift);
    ClipDirty = true;
}

void TGdiCanvas::IntersectClipRect(const QRectF& box) {
    QPainterPath path;
    path.addRect(box.normalized());
    CombineClip(LogicalToImage().map(path), TClipCombine::ccAnd);
}

void TGdiCanvas::ExcludeClipRect(const QRectF& box) {
    QPainterPath path;
    path.addRect(box.normalized());
    CombineClip(LogicalToImage().map(path), TClipCombine::ccDiff);
}

void TGdiCanvas::BeginPath() {
    Path = QPainterPath();
    Path.moveTo(LogicalToImage().map(S.Position));
    InPath = true;
}

void TGdiCanvas::AbortPath() {
    Path = QPainterPath();
    InPath = false;
}

void TGdiCanvas::CloseFigure() {
    if (InPath)
        Path.closeSubpath();
}

void TGdiCanvas::FinishPath(bool fill, bool stroke) {
    InPath = false;
    Draw(Path, fill, stroke);
    Path = QPainterPath();
}

void TGdiCanvas::SelectClipPath(TClipCombine mode) {
    InPath = false;
    QPainterPath shape = Path;
    shape.setFillRule(S.Winding ? Qt::WindingFill : Qt::OddEvenFill);
    CombineClip(shape.simplified(), mode);
    Path = QPainterPath();
}
