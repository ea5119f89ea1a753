// EMF and WMF records, little-endian, as the published formats lay them out.
#include "ui/chart/MetafileRecords.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace wl {

namespace {

constexpr int Dpi = 96;

// Little-endian output.
class TBytes {
public:
    QByteArray Data;
    void U8(int v) { Data.append(static_cast<char>(v & 0xFF)); }
    void U16(int v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(qint64 v) {
        U16(static_cast<int>(v & 0xFFFF));
        U16(static_cast<int>((v >> 16) & 0xFFFF));
    }
    void F32(float v) {
        quint32 bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U32(bits);
    }
    void Pad(int multiple) {
        while (Data.size() % multiple != 0)
            U8(0);
    }
    void Utf16(const QString& text) {
        for (QChar c : text)
            U16(c.unicode());
    }
    void Colorref(QRgb c) {
        U8(qRed(c));
        U8(qGreen(c));
        U8(qBlue(c));
        U8(0);
    }
    void Append(const QByteArray& bytes) { Data.append(bytes); }
    qsizetype Size() const { return Data.size(); }
};

// A bottom-up 24-bit DIB: its BITMAPINFOHEADER and its rows, each padded to four bytes.
struct TDib {
    QByteArray Header;
    QByteArray Bits;
};

TDib MakeDib(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int stride = (image.width() * 3 + 3) & ~3;
    TBytes header;
    header.U32(40);
    header.U32(image.width());
    header.U32(image.height());
    header.U16(1);
    header.U16(24);
    header.U32(0); // BI_RGB
    header.U32(static_cast<qint64>(stride) * image.height());
    header.U32(3780); // 96 dpi in pixels per metre
    header.U32(3780);
    header.U32(0);
    header.U32(0);
    QByteArray bits(static_cast<qsizetype>(stride) * image.height(), '\0');
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(image.height() - 1 - y));
        char* out = bits.data() + static_cast<qsizetype>(y) * stride;
        for (int x = 0; x < image.width(); ++x) {
            out[3 * x] = static_cast<char>(qBlue(line[x]));
            out[3 * x + 1] = static_cast<char>(qGreen(line[x]));
            out[3 * x + 2] = static_cast<char>(qRed(line[x]));
        }
    }
    return {header.Data, bits};
}

QRect BoundsOf(const QList<QPolygon>& polygons) {
    QRect bounds;
    for (const QPolygon& p : polygons)
        bounds |= p.boundingRect();
    return bounds;
}

// --- enhanced metafiles ---

enum : int {
    EmrHeader = 1,
    EmrEof = 14,
    EmrSetMapMode = 17,
    EmrSetBkMode = 18,
    EmrSetPolyFillMode = 19,
    EmrSetTextAlign = 22,
    EmrSetTextColor = 24,
    EmrIntersectClipRect = 30,
    EmrSaveDC = 33,
    EmrRestoreDC = 34,
    EmrSelectObject = 37,
    EmrCreatePen = 38,
    EmrCreateBrushIndirect = 39,
    EmrDeleteObject = 40,
    EmrStretchDIBits = 81,
    EmrExtCreateFontIndirectW = 82,
    EmrExtTextOutW = 84,
    EmrPolyline16 = 87,
    EmrPolyPolygon16 = 91,
};

class TEmfRecords final : public TMetafileRecords {
public:
    explicit TEmfRecords(const QSize& size) : FSize(size) {
        Record(EmrSetMapMode, [](TBytes& b) { b.U32(1); });      // MM_TEXT
        Record(EmrSetBkMode, [](TBytes& b) { b.U32(1); });       // TRANSPARENT
        Record(EmrSetTextAlign, [](TBytes& b) { b.U32(24); });   // TA_BASELINE | TA_LEFT
        Record(EmrSetPolyFillMode, [](TBytes& b) { b.U32(1); }); // ALTERNATE
    }

    int FirstObjectIndex() const override { return 1; }
    int CharSetFor(const QString&) const override { return 1; } // DEFAULT_CHARSET: the text is UTF-16

    void CreatePen(int index, const TGdiPen& pen) override {
        Record(EmrCreatePen, [&](TBytes& b) {
            b.U32(index);
            b.U32(pen.Style);
            b.U32(pen.Width);
            b.U32(0);
            b.Colorref(pen.Color);
        });
    }
    void CreateBrush(int index, const TGdiBrush& brush) override {
        Record(EmrCreateBrushIndirect, [&](TBytes& b) {
            b.U32(index);
            b.U32(brush.Null ? 1 : 0); // BS_NULL or BS_SOLID
            b.Colorref(brush.Color);
            b.U32(0);
        });
    }
    void CreateFont(int index, const TGdiFont& font) override {
        Record(EmrExtCreateFontIndirectW, [&](TBytes& b) {
            b.U32(index);
            b.U32(-font.Height);
            b.U32(0);
            b.U32(font.Escapement);
            b.U32(font.Escapement);
            b.U32(font.Weight);
            b.U8(font.Italic ? 1 : 0);
            b.U8(font.Underline ? 1 : 0);
            b.U8(font.StrikeOut ? 1 : 0);
            b.U8(font.CharSet);
            b.U8(0); // OUT_DEFAULT_PRECIS
            b.U8(0); // CLIP_DEFAULT_PRECIS
            b.U8(4); // ANTIALIASED_QUALITY
            b.U8(0);
            QString face = font.Face.left(31);
            b.Utf16(face);
            for (qsizetype i = face.size(); i < 32; ++i)
                b.U16(0);
            // The rest of the extended form (full name, style, script, PANOSE) left empty: readers expect its size.
            for (int i = 0; i < 320 - 92; ++i)
                b.U8(0);
        });
    }
    void SelectObject(int index) override {
        Record(EmrSelectObject, [&](TBytes& b) { b.U32(index); });
    }
    void DeleteObject(int index) override {
        Record(EmrDeleteObject, [&](TBytes& b) { b.U32(index); });
    }
    void SetTextColor(QRgb color) override {
        Record(EmrSetTextColor, [&](TBytes& b) { b.Colorref(color); });
    }
    void SetPolyFillMode(int mode) override {
        Record(EmrSetPolyFillMode, [&](TBytes& b) { b.U32(mode); });
    }
    void SaveDC() override {
        Record(EmrSaveDC, [](TBytes&) {});
    }
    void RestoreDC() override {
        Record(EmrRestoreDC, [](TBytes& b) { b.U32(-1); });
    }
    void IntersectClipRect(const QRect& r) override {
        Record(EmrIntersectClipRect, [&](TBytes& b) {
            b.U32(r.left());
            b.U32(r.top());
            b.U32(r.left() + r.width());
            b.U32(r.top() + r.height());
        });
    }
    void Polyline(const QPolygon& points) override {
        Record(EmrPolyline16, [&](TBytes& b) {
            Bounds(b, points.boundingRect());
            b.U32(points.size());
            for (const QPoint& p : points) {
                b.U16(p.x());
                b.U16(p.y());
            }
        });
    }
    void PolyPolygon(const QList<QPolygon>& polygons) override {
        Record(EmrPolyPolygon16, [&](TBytes& b) {
            Bounds(b, BoundsOf(polygons));
            qsizetype total = 0;
            for (const QPolygon& p : polygons)
                total += p.size();
            b.U32(polygons.size());
            b.U32(total);
            for (const QPolygon& p : polygons)
                b.U32(p.size());
            for (const QPolygon& p : polygons)
                for (const QPoint& q : p) {
                    b.U16(q.x());
                    b.U16(q.y());
                }
        });
    }
    void Text(const QPoint& origin, const QString& text, const QList<int>& dx) override {
        Record(EmrExtTextOutW, [&](TBytes& b) {
            int width = 0;
            for (int d : dx)
                width += d;
            Bounds(b, QRect(origin.x(), origin.y(), width, 1));
            b.U32(1); // GM_COMPATIBLE
            b.F32(1.0f);
            b.F32(1.0f);
            b.U32(origin.x());
            b.U32(origin.y());
            b.U32(text.size());
            constexpr int StringOffset = 76;
            const int dxOffset = StringOffset + ((static_cast<int>(text.size()) * 2 + 3) & ~3);
            b.U32(StringOffset);
            b.U32(0); // no options
            for (int i = 0; i < 4; ++i)
                b.U32(0);
            b.U32(dxOffset);
            b.Utf16(text);
            b.Pad(4);
            for (int d : dx)
                b.U32(d);
        });
    }
    void StretchImage(const QRect& target, const QImage& image) override {
        const TDib dib = MakeDib(image);
        Record(EmrStretchDIBits, [&](TBytes& b) {
            Bounds(b, target);
            b.U32(target.x());
            b.U32(target.y());
            b.U32(0);
            b.U32(0);
            b.U32(image.width());
            b.U32(image.height());
            constexpr int HeaderSize = 80;
            b.U32(HeaderSize);
            b.U32(dib.Header.size());
            b.U32(HeaderSize + dib.Header.size());
            b.U32(dib.Bits.size());
            b.U32(0);          // DIB_RGB_COLORS
            b.U32(0x00CC0020); // SRCCOPY
            b.U32(target.width());
            b.U32(target.height());
            b.Append(dib.Header);
            b.Append(dib.Bits);
        });
    }

    QByteArray Finish(const QString& description, int objects) override {
        Record(EmrEof, [](TBytes& b) {
            b.U32(0);
            b.U32(16);
            b.U32(20);
        });
        QString text = QStringLiteral("Wagerlens") + QChar(0) + description + QChar(0) + QChar(0);
        TBytes header;
        constexpr int HeaderSize = 108;
        const int textBytes = (static_cast<int>(text.size()) * 2 + 3) & ~3;
        const int w = FSize.width();
        const int h = FSize.height();
        header.U32(EmrHeader);
        header.U32(HeaderSize + textBytes);
        // Readers take the picture's size as right minus left, so the edges are those of the pixels' outline.
        for (int v : {0, 0, w, h})
            header.U32(v);
        for (int v : {0, 0, HundredthsOfMm(w) - 1, HundredthsOfMm(h) - 1})
            header.U32(v);
        header.U32(0x464D4520);
        header.U32(0x10000);
        header.U32(HeaderSize + textBytes + FBody.Size());
        header.U32(FRecords + 1);
        header.U16(objects + 1); // the table's slot 0 is reserved
        header.U16(0);
        header.U32(text.size());
        header.U32(HeaderSize);
        header.U32(0);
        // A reference device of 1920 x 960 pixels on 508 x 254 mm is 96 dpi exactly.
        header.U32(1920);
        header.U32(960);
        header.U32(508);
        header.U32(254);
        header.U32(0);
        header.U32(0);
        header.U32(0);
        header.U32(508000);
        header.U32(254000);
        header.Utf16(text);
        header.Pad(4);
        return header.Data + FBody.Data;
    }

private:
    static int HundredthsOfMm(int pixels) { return static_cast<int>(std::lround(pixels * 2540.0 / Dpi)); }

    static void Bounds(TBytes& b, const QRect& r) {
        b.U32(r.left());
        b.U32(r.top());
        b.U32(r.right());
        b.U32(r.bottom());
    }

    template <typename TFill> void Record(int type, TFill fill) {
        TBytes params;
        fill(params);
        params.Pad(4);
        FBody.U32(type);
        FBody.U32(8 + params.Size());
        FBody.Append(params.Data);
        ++FRecords;
    }

    QSize FSize;
    TBytes FBody;
    int FRecords = 0;
};

// --- Windows metafiles ---

enum : int {
    MetaEof = 0x0000,
    MetaSaveDC = 0x001E,
    MetaSetBkMode = 0x0102,
    MetaSetMapMode = 0x0103,
    MetaSetPolyFillMode = 0x0106,
    MetaRestoreDC = 0x0127,
    MetaSelectObject = 0x012D,
    MetaSetTextAlign = 0x012E,
    MetaDeleteObject = 0x01F0,
    MetaSetTextColor = 0x0209,
    MetaSetWindowOrg = 0x020B,
    MetaSetWindowExt = 0x020C,
    MetaCreatePenIndirect = 0x02FA,
    MetaCreateFontIndirect = 0x02FB,
    MetaCreateBrushIndirect = 0x02FC,
    MetaPolyline = 0x0325,
    MetaIntersectClipRect = 0x0416,
    MetaPolyPolygon = 0x0538,
    MetaExtTextOut = 0x0A32,
    MetaStretchDib = 0x0F43,
};

constexpr int AnsiCharSet = 0;
constexpr int RussianCharSet = 204;

bool IsLatin1(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

// Windows-1251 for Cyrillic text, Latin-1 (the printable part of Windows-1252) for the rest; '?' where neither has
// the character.
QByteArray EncodeText(const QString& text, int charSet) {
    QByteArray bytes;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        int b = '?';
        if (u < 0x80)
            b = u;
        else if (charSet == RussianCharSet && u >= 0x410 && u <= 0x44F)
            b = u - 0x410 + 0xC0;
        else if (charSet == RussianCharSet && u == 0x401)
            b = 0xA8;
        else if (charSet == RussianCharSet && u == 0x451)
            b = 0xB8;
        else if (charSet != RussianCharSet && u >= 0xA0 && u < 0x100)
            b = u;
        bytes.append(static_cast<char>(b));
    }
    return bytes;
}

class TWmfRecords final : public TMetafileRecords {
public:
    explicit TWmfRecords(const QSize& size) : FSize(size) {
        Record(MetaSetMapMode, [](TBytes& b) { b.U16(8); }); // MM_ANISOTROPIC: the window below maps onto the frame
        Record(MetaSetWindowOrg, [](TBytes& b) {
            b.U16(0);
            b.U16(0);
        });
        Record(MetaSetWindowExt, [&](TBytes& b) {
            b.U16(size.height());
            b.U16(size.width());
        });
        Record(MetaSetBkMode, [](TBytes& b) { b.U16(1); });
        Record(MetaSetTextAlign, [](TBytes& b) { b.U16(24); });
        Record(MetaSetPolyFillMode, [](TBytes& b) { b.U16(1); });
    }

    int FirstObjectIndex() const override { return 0; }
    int CharSetFor(const QString& text) const override {
        const bool cyrillic = std::any_of(text.begin(), text.end(),
                                          [](QChar c) { return (c.unicode() >= 0x400 && c.unicode() <= 0x45F); });
        return cyrillic && !IsLatin1(text) ? RussianCharSet : AnsiCharSet;
    }

    void CreatePen(int, const TGdiPen& pen) override {
        Record(MetaCreatePenIndirect, [&](TBytes& b) {
            b.U16(pen.Style);
            b.U16(pen.Width);
            b.U16(0);
            b.Colorref(pen.Color);
        });
    }
    void CreateBrush(int, const TGdiBrush& brush) override {
        Record(MetaCreateBrushIndirect, [&](TBytes& b) {
            b.U16(brush.Null ? 1 : 0);
            b.Colorref(brush.Color);
            b.U16(0);
        });
    }
    void CreateFont(int, const TGdiFont& font) override {
        Record(MetaCreateFontIndirect, [&](TBytes& b) {
            b.U16(-font.Height);
            b.U16(0);
            b.U16(font.Escapement);
            b.U16(font.Escapement);
            b.U16(font.Weight);
            b.U8(font.Italic ? 1 : 0);
            b.U8(font.Underline ? 1 : 0);
            b.U8(font.StrikeOut ? 1 : 0);
            b.U8(font.CharSet);
            b.U8(0);
            b.U8(0);
            b.U8(4);
            b.U8(0);
            QByteArray face = EncodeText(font.Face, AnsiCharSet).left(31);
            face.append('\0');
            b.Append(face);
            b.Pad(2);
        });
    }
    void SelectObject(int index) override {
        Record(MetaSelectObject, [&](TBytes& b) { b.U16(index); });
    }
    void DeleteObject(int index) override {
        Record(MetaDeleteObject, [&](TBytes& b) { b.U16(index); });
    }
    void SetTextColor(QRgb color) override {
        Record(MetaSetTextColor, [&](TBytes& b) { b.Colorref(color); });
    }
    void SetPolyFillMode(int mode) override {
        Record(MetaSetPolyFillMode, [&](TBytes& b) { b.U16(mode); });
    }
    void SaveDC() override {
        Record(MetaSaveDC, [](TBytes&) {});
    }
    void RestoreDC() override {
        Record(MetaRestoreDC, [](TBytes& b) { b.U16(-1); });
    }
    void IntersectClipRect(const QRect& r) override {
        Record(MetaIntersectClipRect, [&](TBytes& b) {
            b.U16(r.top() + r.height());
            b.U16(r.left() + r.width());
            b.U16(r.top());
            b.U16(r.left());
        });
    }
    void Polyline(const QPolygon& points) override {
        Record(MetaPolyline, [&](TBytes& b) {
            b.U16(points.size());
            for (const QPoint& p : points) {
                b.U16(p.x());
                b.U16(p.y());
            }
        });
    }
    void PolyPolygon(const QList<QPolygon>& polygons) override {
        Record(MetaPolyPolygon, [&](TBytes& b) {
            b.U16(polygons.size());
            for (const QPolygon& p : polygons)
                b.U16(p.size());
            for (const QPolygon& p : polygons)
                for (const QPoint& q : p) {
                    b.U16(q.x());
                    b.U16(q.y());
                }
        });
    }
    void Text(const QPoint& origin, const QString& text, const QList<int>& dx) override {
        // The font was made for this text, so its character set is the one CharSetFor gives.
        const QByteArray bytes = EncodeText(text, CharSetFor(text));
        Record(MetaExtTextOut, [&](TBytes& b) {
            b.U16(origin.y());
            b.U16(origin.x());
            b.U16(bytes.size());
            b.U16(0);
            b.Append(bytes);
            b.Pad(2);
            for (int d : dx)
                b.U16(d);
        });
    }
    void StretchImage(const QRect& target, const QImage& image) override {
        const TDib dib = MakeDib(image);
        Record(MetaStretchDib, [&](TBytes& b) {
            b.U32(0x00CC0020); // SRCCOPY
            b.U16(0);          // DIB_RGB_COLORS
            b.U16(image.height());
            b.U16(image.width());
            b.U16(0);
            b.U16(0);
            b.U16(target.height());
            b.U16(target.width());
            b.U16(target.y());
            b.U16(target.x());
            b.Append(dib.Header);
            b.Append(dib.Bits);
        });
    }

    QByteArray Finish(const QString&, int objects) override {
        Record(MetaEof, [](TBytes&) {});
        TBytes placeable;
        placeable.U32(0x9AC6CDD7);
        placeable.U16(0);
        placeable.U16(0);
        placeable.U16(0);
        placeable.U16(FSize.width());
        placeable.U16(FSize.height());
        placeable.U16(Dpi);
        placeable.U32(0);
        int checksum = 0;
        for (int i = 0; i < 20; i += 2)
            checksum ^= qFromLittleEndian<quint16>(placeable.Data.constData() + i);
        placeable.U16(checksum);

        constexpr int HeaderWords = 9;
        TBytes header;
        header.U16(1); // a metafile in memory
        header.U16(HeaderWords);
        header.U16(0x0300);
        header.U32(HeaderWords + FBody.Size() / 2);
        header.U16(objects);
        header.U32(FMaxRecordWords);
        header.U16(0);
        return placeable.Data + header.Data + FBody.Data;
    }

private:
    template <typename TFill> void Record(int function, TFill fill) {
        TBytes params;
        fill(params);
        params.Pad(2);
        const qint64 words = 3 + params.Size() / 2;
        FBody.U32(words);
        FBody.U16(function);
        FBody.Append(params.Data);
        FMaxRecordWords = std::max(FMaxRecordWords, words);
    }

    QSize FSize;
    TBytes FBody;
    qint64 FMaxRecordWords = 3;
};

} // namespace

std::unique_ptr<TMetafileRecords> TMetafileRecords::Create(TMetafileKind kind, const QSize& size) {
    if (kind == TMetafileKind::Enhanced)
        return std::make_unique<TEmfRecords>(size);
    return std::make_unique<TWmfRecords>(size);
}

} // namespace wl
