// The metafile paint engine: turns painter calls into GDI-style records in pixel coordinates.
#include "ui/chart/MetafileDevice.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <type_traits>

namespace wl {

namespace {

constexpr int Dpi = 96;
// Records hold 16-bit coordinates.
constexpr double CoordinateLimit = 32000.0;
constexpr qsizetype MaxPolylinePoints = 8000;
// Objects are kept for reuse; a picture that makes more than this starts over with none.
constexpr int MaxObjects = 500;

// Cuts segment a-b to box (Liang-Barsky). False when nothing of it lies inside.
bool ClipToBox(QPointF& a, QPointF& b, const QRectF& box) {
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const auto edge = [&](double p, double q) {
        if (p == 0.0)
            return q >= 0.0;
        const double r = q / p;
        if (p < 0.0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!(edge(-dx, a.x() - box.left()) && edge(dx, box.right() - a.x()) && edge(-dy, a.y() - box.top()) &&
          edge(dy, box.bottom() - a.y())))
        return false;
    const QPointF start = a;
    a = start + QPointF(dx * t0, dy * t0);
    b = start + QPointF(dx * t1, dy * t1);
    return true;
}

QPoint Rounded(const QPointF& p) {
    const auto clamp = [](double v) {
        return static_cast<int>(std::lround(std::clamp(v, -CoordinateLimit, CoordinateLimit)));
    };
    return QPoint(clamp(p.x()), clamp(p.y()));
}

QPolygon Rounded(const QPolygonF& polygon) {
    QPolygon result;
    result.reserve(polygon.size());
    for (const QPointF& p : polygon)
        result.append(Rounded(p));
    return result;
}

} // namespace

class TMetafilePaintEngine final : public QPaintEngine {
public:
    TMetafilePaintEngine(TMetafileKind kind, const QSize& size)
        : QPaintEngine(QPaintEngine::AllFeatures), FKind(kind), FSize(size) {}

    using QPaintEngine::drawLines;
    using QPaintEngine::drawPoints;
    using QPaintEngine::drawPolygon;
    using QPaintEngine::drawRects;

    QString Description;
    QByteArray Bytes;

    bool begin(QPaintDevice*) override {
        FRecords = TMetafileRecords::Create(FKind, FSize);
        FObjects.clear();
        FMaxObjects = 0;
        FSelected = {-1, -1, -1};
        FTextColor.reset();
        FFillMode = FillAlternate;
        FClip.reset();
        FClipEnabled = false;
        FAppliedClip.reset();
        FClipSaved = false;
        FPending.clear();
        FTransform = QTransform();
        return true;
    }

    bool end() override {
        Flush();
        if (FClipSaved)
            FRecords->RestoreDC();
        Bytes = FRecords->Finish(Description, FMaxObjects);
        FRecords.reset();
        return true;
    }

    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& changed) override {
        Flush();
        const DirtyFlags flags = changed.state();
        if (flags & DirtyTransform)
            FTransform = changed.transform();
        if (flags & DirtyPen)
            FPen = changed.pen();
        if (flags & DirtyBrush)
            FBrush = changed.brush();
        if (flags & DirtyClipEnabled)
            FClipEnabled = changed.isClipEnabled();
        // The clip comes in the coordinates in force when it was set, which is the transform just taken.
        if (flags & DirtyClipRegion)
            SetClip(changed.clipOperation(), FTransform.map(changed.clipRegion()).boundingRect());
        if (flags & DirtyClipPath)
            SetClip(changed.clipOperation(), FTransform.map(changed.clipPath()).boundingRect());
    }

    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i)
            AddSegment(FTransform.map(lines[i].p1()), FTransform.map(lines[i].p2()));
    }

    void drawPoints(const QPointF* points, int count) override {
        for (int i = 0; i < count; ++i) {
            const QPointF p = FTransform.map(points[i]);
            Flush();
            AddSegment(p, p + QPointF(1, 0));
        }
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        const QPolygonF polygon = FTransform.map(QPolygonF(QList<QPointF>(points, points + count)));
        if (mode == PolylineMode) {
            Flush();
            for (qsizetype i = 1; i < polygon.size(); ++i)
                AddSegment(polygon[i - 1], polygon[i]);
            Flush();
            return;
        }
        DrawShape({polygon}, mode == WindingMode ? FillWinding : FillAlternate, true);
    }

    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i)
            DrawShape({FTransform.map(QPolygonF(rects[i]))}, FillAlternate, true);
    }

    void drawPath(const QPainterPath& path) override {
        const QPainterPath mapped = FTransform.map(path);
        const QList<QPolygonF> parts = mapped.toSubpathPolygons();
        if (parts.isEmpty())
            return;
        const int mode = path.fillRule() == Qt::WindingFill ? FillWinding : FillAlternate;
        // Open subpaths are filled as if closed but outlined as they are.
        DrawShape(parts, mode, false);
        if (PenSpec().Style == PsNull)
            return;
        for (const QPolygonF& part : parts) {
            Flush();
            for (qsizetype i = 1; i < part.size(); ++i)
                AddSegment(part[i - 1], part[i]);
        }
        Flush();
    }

    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& sr) override {
        drawImage(r, pixmap.toImage(), sr, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override {
        Flush();
        const QImage part = image.copy(sr.toAlignedRect()).convertToFormat(QImage::Format_ARGB32);
        if (part.isNull())
            return;
        const QRectF mapped = FTransform.mapRect(r);
        const QPoint topLeft = Rounded(mapped.topLeft());
        const QPoint extent = Rounded(mapped.bottomRight()) - topLeft;
        const QRect target(topLeft, QSize(extent.x(), extent.y()));
        if (target.width() <= 0 || target.height() <= 0)
            return;
        ApplyClip();
        // A one-colour picture (the chart's point markers) is a filled rectangle, far smaller and crisper.
        const QRgb first = part.pixel(0, 0);
        bool uniform = qAlpha(first) == 255;
        for (int y = 0; uniform && y < part.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(part.constScanLine(y));
            uniform = std::all_of(line, line + part.width(), [first](QRgb c) { return c == first; });
        }
        if (uniform) {
            SelectObject(TGdiPen{PsNull, 0, 0});
            SelectObject(TGdiBrush{false, first});
            FRecords->PolyPolygon({QPolygon(target, false)}); // corners at left + width
            return;
        }
        QImage flat(part.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, part);
        painter.end();
        FRecords->StretchImage(target, flat);
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        Flush();
        const QString text = item.text();
        if (text.isEmpty()) {
            // Glyphs without their characters: drawn as outlines.
            QPaintEngine::drawTextItem(p, item);
            return;
        }
        const TGdiPen pen = PenSpec();
        if (pen.Style == PsNull)
            return;
        const QFont font = item.font();
        const double sx = std::hypot(FTransform.m11(), FTransform.m12());
        const double sy = std::hypot(FTransform.m21(), FTransform.m22());
        const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * Dpi / 72.0;
        TGdiFont spec;
        spec.Height = std::max(1, static_cast<int>(std::lround(pixels * sy)));
        const double degrees = std::atan2(-FTransform.m12(), FTransform.m11()) * 180.0 / std::numbers::pi;
        spec.Escapement = (static_cast<int>(std::lround(degrees * 10.0)) + 3600) % 3600;
        spec.Weight = font.weight();
        spec.Italic = font.italic();
        spec.Underline = font.underline();
        spec.StrikeOut = font.strikeOut();
        spec.CharSet = FRecords->CharSetFor(text);
        spec.Face = font.family();

        // Each character's advance as laid out here, so a reader with other metrics keeps the same width.
        const QFontMetricsF metrics(font, paintDevice());
        QList<int> dx;
        dx.reserve(text.size());
        long previous = 0;
        for (qsizetype i = 1; i <= text.size(); ++i) {
            const long edge = std::lround(metrics.horizontalAdvance(text.left(i)) * sx);
            dx.append(static_cast<int>(edge - previous));
            previous = edge;
        }
        ApplyClip();
        SelectObject(spec);
        if (FTextColor != pen.Color) {
            FRecords->SetTextColor(pen.Color);
            FTextColor = pen.Color;
        }
        FRecords->Text(Rounded(FTransform.map(p)), text, dx);
    }

private:
    enum TObjectKind { PenObject, BrushObject, FontObject };

    struct TObject {
        TObjectKind Kind;
        TGdiPen Pen;
        TGdiBrush Brush;
        TGdiFont Font;
        int Index;
    };

    TGdiPen PenSpec() const {
        const QColor color = FPen.color();
        if (FPen.style() == Qt::NoPen || FPen.brush().style() == Qt::NoBrush || color.alpha() == 0)
            return {PsNull, 0, 0};
        int style = PsSolid;
        switch (FPen.style()) {
        case Qt::DashLine:
            style = PsDash;
            break;
        case Qt::DotLine:
            style = PsDot;
            break;
        case Qt::DashDotLine:
            style = PsDashDot;
            break;
        case Qt::DashDotDotLine:
            style = PsDashDotDot;
            break;
        default:
            break;
        }
        const double scale = FPen.isCosmetic() ? 1.0 : std::sqrt(std::abs(FTransform.determinant()));
        const int width = std::max(1, static_cast<int>(std::lround(FPen.widthF() * scale)));
        return {style, width, color.rgb() & 0xFFFFFF};
    }

    TGdiBrush BrushSpec() const {
        if (FBrush.style() == Qt::NoBrush)
            return {true, 0};
        QColor color = FBrush.color();
        if (const QGradient* gradient = FBrush.gradient(); gradient != nullptr && !gradient->stops().isEmpty())
            color = gradient->stops().first().second;
        if (color.alpha() == 0)
            return {true, 0};
        return {false, color.rgb() & 0xFFFFFF};
    }

    template <typename TSpec> void SelectObject(const TSpec& spec) {
        TObjectKind kind = PenObject;
        if constexpr (std::is_same_v<TSpec, TGdiBrush>)
            kind = BrushObject;
        else if constexpr (std::is_same_v<TSpec, TGdiFont>)
            kind = FontObject;
        const auto matches = [&](const TObject& o) {
            if (o.Kind != kind)
                return false;
            if constexpr (std::is_same_v<TSpec, TGdiPen>)
                return o.Pen == spec;
            else if constexpr (std::is_same_v<TSpec, TGdiBrush>)
                return o.Brush == spec;
            else
                return o.Font == spec;
        };
        auto found = std::find_if(FObjects.begin(), FObjects.end(), matches);
        int index = 0;
        if (found != FObjects.end()) {
            index = found->Index;
        } else {
            if (FObjects.size() >= MaxObjects)
                DropObjects();
            index = FRecords->FirstObjectIndex() + static_cast<int>(FObjects.size());
            TObject object{kind, {}, {}, {}, index};
            if constexpr (std::is_same_v<TSpec, TGdiPen>) {
                object.Pen = spec;
                FRecords->CreatePen(index, spec);
            } else if constexpr (std::is_same_v<TSpec, TGdiBrush>) {
                object.Brush = spec;
                FRecords->CreateBrush(index, spec);
            } else {
                object.Font = spec;
                FRecords->CreateFont(index, spec);
            }
            FObjects.append(object);
            FMaxObjects = std::max(FMaxObjects, static_cast<int>(FObjects.size()));
        }
        if (FSelected[kind] != index) {
            FRecords->SelectObject(index);
            FSelected[kind] = index;
        }
    }

    // Objects are never deleted while a saved state may still refer to them, except here, with no state saved.
    void DropObjects() {
        if (FClipSaved) {
            FRecords->RestoreDC();
            FClipSaved = false;
            FAppliedClip.reset();
            Forget();
        }
        for (const TObject& o : FObjects)
            FRecords->DeleteObject(o.Index);
        FObjects.clear();
        FSelected = {-1, -1, -1};
    }

    // After a restore the selection and text colour are the saved ones, whichever those were.
    void Forget() {
        FSelected = {-1, -1, -1};
        FTextColor.reset();
        FFillMode = -1;
    }

    void SetClip(Qt::ClipOperation operation, const QRectF& rect) {
        if (operation == Qt::NoClip)
            FClip.reset();
        else if (operation == Qt::IntersectClip && FClip)
            FClip = FClip->intersected(rect);
        else
            FClip = rect;
    }

    void ApplyClip() {
        std::optional<QRect> wanted;
        if (FClipEnabled && FClip) {
            const QRectF& c = *FClip;
            const QPoint topLeft(static_cast<int>(std::floor(c.left())), static_cast<int>(std::floor(c.top())));
            const QPoint bottomRight(static_cast<int>(std::ceil(c.right())), static_cast<int>(std::ceil(c.bottom())));
            wanted = QRect(Rounded(QPointF(topLeft)), Rounded(QPointF(bottomRight)) - QPoint(1, 1));
        }
        if (wanted == FAppliedClip)
            return;
        if (FClipSaved) {
            FRecords->RestoreDC();
            FClipSaved = false;
            Forget();
        }
        if (wanted) {
            FRecords->SaveDC();
            FRecords->IntersectClipRect(*wanted);
            FClipSaved = true;
        }
        FAppliedClip = wanted;
    }

    // The picture, within the clip: lines are cut here too, for readers that ignore clipping or that size the
    // picture by what is drawn.
    QRectF LineBox() const {
        const QRectF picture(QPointF(0, 0), QSizeF(FSize));
        return FClipEnabled && FClip ? FClip->intersected(picture) : picture;
    }

    void AddSegment(QPointF a, QPointF b) {
        if (!ClipToBox(a, b, LineBox()))
            return;
        const QPoint ia = Rounded(a);
        const QPoint ib = Rounded(b);
        if (!FPending.isEmpty() && FPending.last() == ia && FPending.size() < MaxPolylinePoints) {
            if (ib != ia)
                FPending.append(ib);
            return;
        }
        Flush();
        FPending = {ia, ib};
    }

    void Flush() {
        if (FPending.size() < 2 || (FPending.size() == 2 && FPending[0] == FPending[1])) {
            FPending.clear();
            return;
        }
        const TGdiPen pen = PenSpec();
        if (pen.Style != PsNull) {
            ApplyClip();
            SelectObject(pen);
            // Some readers fill a polyline with the current brush.
            SelectObject(TGdiBrush{true, 0});
            FRecords->Polyline(FPending);
        }
        FPending.clear();
    }

    void DrawShape(const QList<QPolygonF>& polygons, int fillMode, bool outline) {
        Flush();
        const TGdiBrush brush = BrushSpec();
        const TGdiPen pen = outline ? PenSpec() : TGdiPen{PsNull, 0, 0};
        if (brush.Null && pen.Style == PsNull)
            return;
        const QRectF box = LineBox();
        QList<QPolygon> parts;
        for (const QPolygonF& p : polygons) {
            if (p.size() < 2)
                continue;
            if (box.contains(p.boundingRect()))
                parts.append(Rounded(p));
            else if (const QPolygonF inside = p.intersected(QPolygonF(box)); inside.size() >= 3)
                parts.append(Rounded(inside));
        }
        if (parts.isEmpty())
            return;
        ApplyClip();
        SelectObject(pen);
        SelectObject(brush);
        if (FFillMode != fillMode) {
            FRecords->SetPolyFillMode(fillMode);
            FFillMode = fillMode;
        }
        FRecords->PolyPolygon(parts);
    }

    TMetafileKind FKind;
    QSize FSize;
    std::unique_ptr<TMetafileRecords> FRecords;
    QList<TObject> FObjects;
    int FMaxObjects = 0;
    std::array<int, 3> FSelected{-1, -1, -1};
    std::optional<QRgb> FTextColor;
    int FFillMode = FillAlternate;
    QPen FPen;
    QBrush FBrush;
    QTransform FTransform;
    std::optional<QRectF> FClip;
    bool FClipEnabled = false;
    std::optional<QRect> FAppliedClip;
    bool FClipSaved = false;
    QPolygon FPending;
};

TMetafileDevice::TMetafileDevice(const QSize& size, TMetafileKind kind)
    : FSize(size), FEngine(std::make_unique<TMetafilePaintEngine>(kind, size)) {}

TMetafileDevice::~TMetafileDevice() = default;

QByteArray TMetafileDevice::Bytes() const {
    return FEngine->Bytes;
}

QPaintEngine* TMetafileDevice::paintEngine() const {
    FEngine->Description = FDescription;
    return FEngine.get();
}

int TMetafileDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return FSize.width();
    case PdmHeight:
        return FSize.height();
    case PdmWidthMM:
        return static_cast<int>(std::lround(FSize.width() * 25.4 / Dpi));
    case PdmHeightMM:
        return static_cast<int>(std::lround(FSize.height() * 25.4 / Dpi));
    case PdmNumColors:
        return 0x7FFFFFFF;
    case PdmDepth:
        return 24;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return Dpi;
    case PdmDevicePixelRatio:
        return 1;
    default:
        return QPaintDevice::metric(metric);
    }
}

} // namespace wl
