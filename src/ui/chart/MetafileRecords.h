// Record writers of the two metafile formats: enhanced metafiles (EMF) and Windows metafiles with a placeable
// header (WMF). Coordinates are logical units of one pixel at 96 dpi; the header frames the picture in 0.01 mm.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPolygon>
#include <QRect>
#include <QString>

#include <memory>

namespace wl {

enum class TMetafileKind { Enhanced, Windows };

// GDI pen styles and fill modes as the files store them.
enum TGdiPenStyle { PsSolid = 0, PsDash = 1, PsDot = 2, PsDashDot = 3, PsDashDotDot = 4, PsNull = 5 };
enum TGdiFillMode { FillAlternate = 1, FillWinding = 2 };

struct TGdiPen {
    int Style = PsSolid;
    int Width = 1;
    QRgb Color = 0;
    bool operator==(const TGdiPen&) const = default;
};

struct TGdiBrush {
    bool Null = false;
    QRgb Color = 0;
    bool operator==(const TGdiBrush&) const = default;
};

struct TGdiFont {
    int Height = 0;     // character height in logical units, without internal leading
    int Escapement = 0; // tenths of a degree, counter-clockwise
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int CharSet = 0;
    QString Face;
    bool operator==(const TGdiFont&) const = default;
};

class TMetafileRecords {
public:
    // The writer of one picture of size pixels.
    static std::unique_ptr<TMetafileRecords> Create(TMetafileKind kind, const QSize& size);
    virtual ~TMetafileRecords() = default;

    // The lowest object index the format uses; objects take the lowest free index from there.
    virtual int FirstObjectIndex() const = 0;
    // The character set a font needs for text: 8-bit files name the code page their bytes are in.
    virtual int CharSetFor(const QString& text) const = 0;
    virtual void CreatePen(int index, const TGdiPen& pen) = 0;
    virtual void CreateBrush(int index, const TGdiBrush& brush) = 0;
    virtual void CreateFont(int index, const TGdiFont& font) = 0;
    virtual void SelectObject(int index) = 0;
    virtual void DeleteObject(int index) = 0;

    virtual void SetTextColor(QRgb color) = 0;
    virtual void SetPolyFillMode(int mode) = 0;
    virtual void SaveDC() = 0;
    virtual void RestoreDC() = 0;
    // Pixels from left/top up to, not including, right/bottom.
    virtual void IntersectClipRect(const QRect& rect) = 0;

    // Points within -32767..32767.
    virtual void Polyline(const QPolygon& points) = 0;
    virtual void PolyPolygon(const QList<QPolygon>& polygons) = 0;
    // Text on its baseline from origin; dx holds the advance of each UTF-16 unit.
    virtual void Text(const QPoint& origin, const QString& text, const QList<int>& dx) = 0;
    virtual void StretchImage(const QRect& target, const QImage& image) = 0;

    // The whole file. description names the picture where the format keeps one; objects is the most objects
    // that existed at once.
    virtual QByteArray Finish(const QString& description, int objects) = 0;
};

} // namespace wl
