#include "metafile/WmfPlayer.h"

#include "metafile/DeviceIndependentBitmap.h"
#include "metafile/GdiCanvas.h"
#include "metafile/RecordCursor.h"
#include "platform/Exceptions.h"

#include <cstring>

namespace {

constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr size_t PlaceableHeaderSize = 22;
constexpr size_t WmfHeaderSize = 18;
constexpr size_t RecordHeaderSize = 6;
// Without a window extent or a placeable header the picture is drawn in pixels of this size.
constexpr QSizeF DefaultPlainSize(800, 600);

enum : uint16_t {
    wrEof = 0x0000,
    wrSaveDc = 0x001E,
    wrSetBkColor = 0x0201,
    wrSetBkMode = 0x0102,
    wrSetMapMode = 0x0103,
    wrSetRop2 = 0x0104,
    wrSetPolyFillMode = 0x0106,
    wrSetStretchBltMode = 0x0107,
    wrSetTextColor = 0x0209,
    wrSetWindowOrg = 0x020B,
    wrSetWindowExt = 0x020C,
    wrOffsetWindowOrg = 0x020F,
    wrScaleWindowExt = 0x0410,
    wrOffsetClipRgn = 0x0220,
    wrRestoreDc = 0x0127,
    wrSetTextAlign = 0x012E,
    wrSelectClipRegion = 0x012C,
    wrSelectObject = 0x012D,
    wrDeleteObject = 0x01F0,
    wrLineTo = 0x0213,
    wrMoveTo = 0x0214,
    wrPolygon = 0x0324,
    wrPolyline = 0x0325,
    wrPolyPolygon = 0x0538,
    wrRectangle = 0x041B,
    wrEllipse = 0x0418,
    wrRoundRect = 0x061C,
    wrArc = 0x0817,
    wrPie = 0x081A,
    wrChord = 0x0830,
    wrSetPixel = 0x041F,
    wrExcludeClipRect = 0x0415,
    wrIntersectClipRect = 0x0416,
    wrTextOut = 0x0521,
    wrExtTextOut = 0x0A32,
    wrCreatePenIndirect = 0x02FA,
    wrCreateBrushIndirect = 0x02FC,
    wrCreateFontIndirect = 0x02FB,
    wrDibCreatePatternBrush = 0x0142,
    wrCreatePatternBrush = 0x01F9,
    wrCreatePalette = 0x00F7,
    wrCreateRegion = 0x06FF,
    wrFillRegion = 0x0228,
    wrInvertRegion = 0x012A,
    wrPaintRegion = 0x012B,
    wrPatBlt = 0x061D,
    wrBitBlt = 0x0922,
    wrStretchBlt = 0x0B23,
    wrDibBitBlt = 0x0940,
    wrDibStretchBlt = 0x0B41,
    wrStretchDib = 0x0F43,
    wrSetDibToDev = 0x0D33,
};

bool CreatesObject(uint16_t function) {
    switch (function) {
    case wrCreatePenIndirect:
    case wrCreateBrushIndirect:
    case wrCreateFontIndirect:
    case wrDibCreatePatternBrush:
    case wrCreatePatternBrush:
    case wrCreatePalette:
    case wrCreateRegion:
        return true;
    default:
        return false;
    }
}

class TWmfRecordPlayer {
public:
    TWmfRecordPlayer(TGdiCanvas& canvas) : Canvas(canvas) {}
    void Play(uint16_t function, const TByteCursor& r);

private:
    // The 16-bit parameter I of a record.
    static int16_t P(const TByteCursor& r, size_t i) { return r.I16At(RecordHeaderSize + 2 * i); }
    static QPointF Point(const TByteCursor& r, size_t yIndex) {
        return QPointF(P(r, yIndex + 1), P(r, yIndex));
    }
    // Parameters bottom, right, top, left from index I.
    static QRectF Box(const TByteCursor& r, size_t i) {
        return QRectF(QPointF(P(r, i + 3), P(r, i + 2)), QPointF(P(r, i + 1), P(r, i)));
    }
    static QPolygonF Points(const TByteCursor& r, size_t offset, size_t count);
    static bool WithoutBitmap(uint16_t function, const TByteCursor& r) {
        return r.Size() / 2 == size_t(function >> 8) + 3;
    }
    void CreateFont(const TByteCursor& r);
    void TextOut(const TByteCursor& r);
    void ExtTextOut(const TByteCursor& r);
    void Blit(uint16_t function, const TByteCursor& r);
    void CreateRegion(const TByteCursor& r);
    void CreatePatternBrush(const TByteCursor& r);
    const TGdiRegion* RegionObject(const TByteCursor& r, size_t i) const {
        const TGdiObject* object = Canvas.Object(r.U16At(RecordHeaderSize + 2 * i));
        return object ? std::get_if<TGdiRegion>(object) : nullptr;
    }

    TGdiCanvas& Canvas;
};

QPolygonF TWmfRecordPlayer::Points(const TByteCursor& r, size_t offset, size_t count) {
    r.RequireArray(offset, count, 4);
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i)
        points << QPointF(r.I16At(offset + 4 * i), r.I16At(offset + 4 * i + 2));
    return points;
}

QString AnsiText(const uint8_t* bytes, size_t count) {
    // The legacy code page is close enough to Latin-1 for the characters pictures carry.
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes), qsizetype(count));
}

void TWmfRecordPlayer::CreateFont(const TByteCursor& r) {
    TGdiFont font;
    font.Height = P(r, 0);
    font.Width = P(r, 1);
    font.Escapement = P(r, 2);
    font.Weight = P(r, 4);
    font.Italic = r.U8At(16);
    font.Underline = r.U8At(17);
    font.StrikeOut = r.U8At(18);
    font.CharSet = r.U8At(19);
    font.PitchAndFamily = r.U8At(23);
    const size_t faceBytes = std::min<size_t>(32, r.Size() > 24 ? r.Size() - 24 : 0);
    const uint8_t* face = r.BytesAt(24, faceBytes);
    font.FaceName = AnsiText(face, strnlen(reinterpret_cast<const char*>(face), faceBytes));
    Canvas.AddObject(font);
}

void TWmfRecordPlayer::TextOut(const TByteCursor& r) {
    const size_t count = size_t(std::max<int16_t>(0, P(r, 0)));
    const size_t padded = (count + 1) & ~size_t(1);
    const uint8_t* text = r.BytesAt(8, count);
    const QPointF at(r.I16At(8 + padded + 2), r.I16At(8 + padded));
    Canvas.TextOut(at, AnsiText(text, count), 0, std::nullopt, {});
}

void TWmfRecordPlayer::ExtTextOut(const TByteCursor& r) {
    const QPointF at = Point(r, 0);
    const size_t count = size_t(std::max<int16_t>(0, P(r, 2)));
    const uint32_t options = r.U16At(12);
    size_t offset = 14;
    std::optional<QRectF> rect;
    if (options & (etoOpaque | etoClipped)) {
        rect = QRectF(QPointF(r.I16At(14), r.I16At(16)), QPointF(r.I16At(18), r.I16At(20)));
        offset += 8;
    }
    const uint8_t* text = r.BytesAt(offset, count);
    offset += (count + 1) & ~size_t(1);
    std::vector<double> dx;
    if (r.Has(offset, count * 2))
        for (size_t i = 0; i < count; ++i)
            dx.push_back(r.I16At(offset + 2 * i));
    Canvas.TextOut(at, AnsiText(text, count), options, rect, dx);
}

void TWmfRecordPlayer::CreateRegion(const TByteCursor& r) {
    // Scans of horizontal bands, each a list of left and right edges in logical units.
    const QTransform toDevice = Canvas.LogicalToDevice();
    const size_t scans = r.U16At(16);
    TGdiRegion region;
    size_t at = 28;
    for (size_t i = 0; i < scans; ++i) {
        const size_t edges = r.U16At(at);
        const int top = r.I16At(at + 2), bottom = r.I16At(at + 4);
        r.RequireArray(at + 6, edges / 2, 4);
        for (size_t e = 0; e + 1 < edges; e += 2) {
            const QRectF band(QPointF(r.I16At(at + 6 + e * 2), top),
                              QPointF(r.I16At(at + 8 + e * 2), bottom));
            region.Rects.push_back(toDevice.mapRect(band.normalized()));
        }
        at += 8 + edges * 2;
    }
    Canvas.AddObject(std::move(region));
}

void TWmfRecordPlayer::CreatePatternBrush(const TByteCursor& r) {
    // The bitmap header, 18 bytes the platform kept for itself, then the rows.
    constexpr size_t header = 10, reserved = 18;
    const uint8_t* head = r.BytesAt(RecordHeaderSize, header + reserved);
    std::vector<uint8_t> bitmap(head, head + header);
    const size_t rows = RecordHeaderSize + header + reserved;
    bitmap.insert(bitmap.end(), r.Data() + rows, r.Data() + r.Size());
    const TDcState& s = Canvas.State();
    Canvas.AddObject(TGdiBrush{bsPattern, Qt::black, 0,
                               DecodeBitmap16(RecordCursor(bitmap.data(), bitmap.size()),
                                              s.TextColor.rgb(), s.BkColor.rgb())});
}

void TWmfRecordPlayer::Blit(uint16_t function, const TByteCursor& r) {
    const uint32_t rop = r.U32At(6);
    const bool bare = WithoutBitmap(function, r);
    QRectF dest, source;
    QImage image;
    const QRgb fg = Canvas.State().TextColor.rgb(), bg = Canvas.State().BkColor.rgb();
    switch (function) {
    case wrBitBlt:
    case wrDibBitBlt: {
        // Without a bitmap the record carries one reserved word more.
        const size_t k = bare ? 1 : 0;
        dest = QRectF(Point(r, 6 + k), QSizeF(P(r, 5 + k), P(r, 4 + k)));
        source = QRectF(Point(r, 2), dest.size());
        if (!bare) {
            const TByteCursor bitmap = r.Sub(22, r.Size() - 22);
            image = function == wrBitBlt ? DecodeBitmap16(bitmap, fg, bg)
                                         : DecodePackedDib(bitmap, TDibColorUsage::duRgbColors);
        }
        break;
    }
    case wrStretchBlt:
    case wrDibStretchBlt: {
        const size_t k = bare ? 1 : 0;
        dest = QRectF(Point(r, 8 + k), QSizeF(P(r, 7 + k), P(r, 6 + k)));
        source = QRectF(Point(r, 4), QSizeF(P(r, 3), P(r, 2)));
        if (!bare) {
            const TByteCursor bitmap = r.Sub(26, r.Size() - 26);
            image = function == wrStretchBlt ? DecodeBitmap16(bitmap, fg, bg)
                                             : DecodePackedDib(bitmap, TDibColorUsage::duRgbColors);
        }
        break;
    }
    case wrStretchDib: {
        const auto usage =
            r.U16At(10) == 1 ? TDibColorUsage::duPalColors : TDibColorUsage::duRgbColors;
        dest = QRectF(Point(r, 9), QSizeF(P(r, 8), P(r, 7)));
        image = DecodePackedDib(r.Sub(28, r.Size() - 28), usage);
        // Source rows count from the bottom of the bitmap.
        const QSizeF size(P(r, 4), P(r, 3));
        source = QRectF(QPointF(P(r, 6), image.height() - P(r, 5) - size.height()), size);
        break;
    }
    case wrSetDibToDev: {
        const auto usage =
            r.U16At(6) == 1 ? TDibColorUsage::duPalColors : TDibColorUsage::duRgbColors;
        const QSizeF size(P(r, 6), P(r, 5));
        dest = QRectF(Point(r, 7), size);
        image = DecodePackedDib(r.Sub(24, r.Size() - 24), usage);
        source = QRectF(QPointF(P(r, 4), image.height() - P(r, 3) - size.height()), size);
        Canvas.StretchImage(dest, image, source, ropSrcCopy);
        return;
    }
    default: // pattern blit
        dest = QRectF(Point(r, 4), QSizeF(P(r, 3), P(r, 2)));
        break;
    }
    Canvas.StretchImage(dest, image, source, rop);
}

void TWmfRecordPlayer::Play(uint16_t function, const TByteCursor& r) {
    TDcState& s = Canvas.State();
    switch (function) {
    case wrSaveDc:
        Canvas.SaveDC();
        break;
    case wrRestoreDc:
        Canvas.RestoreDC(P(r, 0));
        break;
    case wrSetBkColor:
        s.BkColor = ColorFromRef(r.U32At(6));
        break;
    case wrSetBkMode:
        s.BkOpaque = P(r, 0) == 2;
        break;
    case wrSetMapMode:
        // The picture is always fitted to its rectangle; only the choice between equal
        // and independent axis scales is the metafile's.
        s.MapMode = P(r, 0) == mmIsotropic ? mmIsotropic : mmAnisotropic;
        break;
    case wrSetRop2:
        s.Rop2 = P(r, 0);
        break;
    case wrSetPolyFillMode:
        s.Winding = P(r, 0) == 2;
        break;
    case wrSetStretchBltMode:
        s.HalftoneStretch = P(r, 0) == 4;
        break;
    case wrSetTextColor:
        s.TextColor = ColorFromRef(r.U32At(6));
        break;
    case wrSetTextAlign:
        s.TextAlign = r.U16At(6);
        break;
    case wrSetWindowOrg:
        s.WindowOrg = Point(r, 0);
        break;
    case wrSetWindowExt:
        s.WindowExt = QSizeF(P(r, 1), P(r, 0));
        break;
    case wrOffsetWindowOrg:
        s.WindowOrg += Point(r, 0);
        break;
    case wrScaleWindowExt:
        if (P(r, 0) && P(r, 2))
            s.WindowExt = QSizeF(s.WindowExt.width() * P(r, 3) / P(r, 2),
                                 s.WindowExt.height() * P(r, 1) / P(r, 0));
        break;
    case wrOffsetClipRgn:
        Canvas.OffsetClip(Point(r, 0));
        break;
    case wrSelectClipRegion:
        Canvas.SelectClipRegion(RegionObject(r, 0), TClipCombine::ccCopy);
        break;
    case wrFillRegion: {
        const TGdiObject* brush = Canvas.Object(r.U16At(8));
        const TGdiRegion* region = RegionObject(r, 0);
        if (region && brush && std::holds_alternative<TGdiBrush>(*brush))
            Canvas.FillRegion(*region, std::get<TGdiBrush>(*brush));
        break;
    }
    case wrPaintRegion:
        if (const TGdiRegion* region = RegionObject(r, 0))
            Canvas.FillRegion(*region, s.Brush);
        break;
    case wrInvertRegion:
        if (const TGdiRegion* region = RegionObject(r, 0))
            Canvas.InvertRegion(*region);
        break;
    case wrSelectObject:
        Canvas.SelectObject(r.U16At(6));
        break;
    case wrDeleteObject:
        Canvas.DeleteObject(r.U16At(6));
        break;
    case wrMoveTo:
        Canvas.MoveTo(Point(r, 0));
        break;
    case wrLineTo:
        Canvas.LineTo(Point(r, 0));
        break;
    case wrPolygon:
    case wrPolyline: {
        const QPolygonF points = Points(r, 8, size_t(std::max<int16_t>(0, P(r, 0))));
        if (function == wrPolygon)
            Canvas.PolyPolygon({points});
        else
            Canvas.Polyline(points);
        break;
    }
    case wrPolyPolygon: {
        const size_t polygons = r.U16At(6);
        r.RequireArray(8, polygons, 2);
        size_t offset = 8 + polygons * 2;
        std::vector<QPolygonF> all;
        for (size_t i = 0; i < polygons; ++i) {
            const size_t count = r.U16At(8 + 2 * i);
            all.push_back(Points(r, offset, count));
            offset += count * 4;
        }
        Canvas.PolyPolygon(all);
        break;
    }
    case wrRectangle:
        Canvas.Rectangle(Box(r, 0));
        break;
    case wrEllipse:
        Canvas.Ellipse(Box(r, 0));
        break;
    case wrRoundRect:
        Canvas.RoundRect(Box(r, 2), QSizeF(P(r, 1), P(r, 0)));
        break;
    case wrArc:
    case wrPie:
    case wrChord:
        Canvas.Arc(Box(r, 4), Point(r, 2), Point(r, 0),
                   function == wrArc   ? TArcKind::akArc
                   : function == wrPie ? TArcKind::akPie
                                       : TArcKind::akChord);
        break;
    case wrSetPixel:
        Canvas.SetPixel(Point(r, 2), ColorFromRef(r.U32At(6)));
        break;
    case wrExcludeClipRect:
        Canvas.ExcludeClipRect(Box(r, 0));
        break;
    case wrIntersectClipRect:
        Canvas.IntersectClipRect(Box(r, 0));
        break;
    case wrTextOut:
        TextOut(r);
        break;
    case wrExtTextOut:
        ExtTextOut(r);
        break;
    case wrCreatePenIndirect:
        Canvas.AddObject(TGdiPen{r.U16At(6), double(P(r, 1)), ColorFromRef(r.U32At(12))});
        break;
    case wrCreateBrushIndirect:
        Canvas.AddObject(TGdiBrush{r.U16At(6), ColorFromRef(r.U32At(8)), r.U16At(12), {}});
        break;
    case wrCreateFontIndirect:
        CreateFont(r);
        break;
    case wrDibCreatePatternBrush: {
        const auto usage =
            r.U16At(8) == 1 ? TDibColorUsage::duPalColors : TDibColorUsage::duRgbColors;
        Canvas.AddObject(TGdiBrush{bsDibPattern, Qt::black, 0,
                                   DecodePackedDib(r.Sub(10, r.Size() - 10), usage)});
        break;
    }
    case wrCreatePatternBrush:
        CreatePatternBrush(r);
        break;
    case wrCreateRegion:
        CreateRegion(r);
        break;
    case wrCreatePalette:
        Canvas.AddObject(TGdiOtherObject{});
        break;
    case wrPatBlt:
    case wrBitBlt:
    case wrStretchBlt:
    case wrDibBitBlt:
    case wrDibStretchBlt:
    case wrStretchDib:
    case wrSetDibToDev:
        Blit(function, r);
        break;
    default:
        break;
    }
}

// Walks the records from First; returns the offset past the last whole one and the first
// window extent seen.
size_t WalkRecords(const std::vector<uint8_t>& data, size_t first, QSizeF& windowExt) {
    size_t at = first;
    while (data.size() - at >= RecordHeaderSize) {
        const TByteCursor head = RecordCursor(data.data() + at, data.size() - at);
        const uint64_t bytes = uint64_t(head.U32At(0)) * 2;
        if (bytes < RecordHeaderSize || bytes > data.size() - at)
            break;
        const uint16_t function = head.U16At(4);
        if (function == wrSetWindowExt && windowExt.isEmpty() && bytes >= 10)
            windowExt = QSizeF(std::abs(head.I16At(8)), std::abs(head.I16At(6)));
        at += size_t(bytes);
        if (function == wrEof)
            break;
    }
    return at;
}

} // namespace

TWmfHeader ReadWmfHeader(const std::vector<uint8_t>& data) {
    const TByteCursor file = RecordCursor(data.data(), data.size());
    TWmfHeader header;
    size_t at = 0;
    bool placeable = false;
    if (file.Has(0, PlaceableHeaderSize) && file.U32At(0) == PlaceableKey) {
        placeable = true;
        const QRectF box(QPointF(file.I16At(6), file.I16At(8)),
                         QPointF(file.I16At(10), file.I16At(12)));
        const double inch = file.U16At(14) ? file.U16At(14) : 1440;
        header.Window = box;
        header.NaturalSize =
            QSizeF(std::abs(box.width()) * 96 / inch, std::abs(box.height()) * 96 / inch);
        at = PlaceableHeaderSize;
    }
    if (!file.Has(at, WmfHeaderSize) || (file.U16At(at) != 1 && file.U16At(at) != 2) ||
        file.U16At(at + 2) != 9)
        throw EInvalidGraphic("Invalid metafile");
    header.ObjectCount = file.U16At(at + 10);
    header.FirstRecord = at + WmfHeaderSize;
    QSizeF windowExt;
    header.End = WalkRecords(data, header.FirstRecord, windowExt);
    if (header.End == header.FirstRecord)
        throw EInvalidGraphic("Invalid metafile");
    if (!placeable) {
        const QSizeF size = windowExt.isEmpty() ? DefaultPlainSize : windowExt;
        header.Window = QRectF(QPointF(0, 0), size);
        header.NaturalSize = size;
    }
    return header;
}

void PlayWmf(const std::vector<uint8_t>& data, const TWmfHeader& header, QPainter& painter,
             QSize imageSize) {
    TGdiCanvas canvas(painter, QTransform(), QSizeF(96 / 25.4, 96 / 25.4));
    canvas.SetObjectTableSize(header.ObjectCount);
    TDcState& s = canvas.State();
    s.MapMode = mmAnisotropic;
    s.WindowOrg = header.Window.topLeft();
    s.WindowExt = header.Window.size();
    s.ViewportExt = QSizeF(imageSize);
    TWmfRecordPlayer player(canvas);
    size_t at = header.FirstRecord;
    while (at < header.End) {
        const TByteCursor head = RecordCursor(data.data() + at, header.End - at);
        const size_t bytes = size_t(head.U32At(0)) * 2;
        const uint16_t function = head.U16At(4);
        if (function == wrEof)
            break;
        try {
            player.Play(function, RecordCursor(data.data() + at, bytes));
        } catch (const ERecordTooShort&) {
            // A malformed record is skipped like an unknown one; one that creates an object
            // still takes its slot, so that the indices of later objects stay right.
            if (CreatesObject(function))
                canvas.AddObject(TGdiOtherObject{});
        }
        at += bytes;
    }
}
