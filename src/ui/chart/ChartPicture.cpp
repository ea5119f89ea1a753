// Chart pictures: images, GIF through giflib, SVG, PDF and metafiles, all painted by one temporary chart view.
#include "ui/chart/ChartPicture.h"

#include "support/Exception.h"
#include "ui/chart/ChartView.h"
#include "ui/chart/MetafileDevice.h"

#include <QApplication>
#include <QBuffer>
#include <QChart>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <gif_lib.h>

#include <algorithm>
#include <memory>

namespace wl {

namespace {

constexpr int PictureDpi = 96;

void CheckSize(const QSize& size) {
    // Beyond this, a 32-bit image alone would take gigabytes.
    constexpr int MaxSide = 20000;
    if (size.width() < 1 || size.height() < 1 || size.width() > MaxSide || size.height() > MaxSide)
        throw Exception(QStringLiteral("A chart picture of %1 x %2 pixels cannot be made: each side must lie within "
                                       "1..%3")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(MaxSide));
}

QBuffer& OpenBuffer(QBuffer& buffer, QByteArray& bytes) {
    buffer.setBuffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return buffer;
}

int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

[[noreturn]] void RaiseGifError(int code) {
    const char* reason = GifErrorString(code);
    throw Exception(QStringLiteral("The GIF picture cannot be made: %1")
                        .arg(reason != nullptr ? QString::fromLatin1(reason) : QString::number(code)));
}

} // namespace

void PaintChart(TChart& model, QPainter& painter, const QSize& size, const QStringList& notes) {
    CheckSize(size);
    QSize chartSize = size;
    QRect noteRect;
    QFont noteFont = QApplication::font();
    noteFont.setPointSize(8);
    const QString noteText = notes.join(QLatin1Char('\n'));
    if (!notes.isEmpty()) {
        constexpr int Margin = 6;
        const QFontMetrics metrics(noteFont, painter.device());
        const QRect wanted =
            metrics.boundingRect(QRect(Margin, 0, std::max(1, size.width() - 2 * Margin), size.height()),
                                 Qt::AlignLeft | Qt::TextWordWrap, noteText);
        // The chart keeps at least half the picture; a longer note is cut at its foot.
        const int height = std::min(wanted.height() + Margin, size.height() / 2);
        chartSize.setHeight(size.height() - height);
        noteRect = QRect(Margin, chartSize.height(), std::max(1, size.width() - 2 * Margin), height);
    }
    // A view of its own: the one on screen may be hidden, mid-animation or of another size.
    TChartView view;
    view.SetModel(&model);
    view.resize(chartSize);
    // A hidden view gets its resize event only when shown, so the chart is sized here.
    view.chart()->resize(QSizeF(chartSize));
    view.chart()->layout()->activate();
    // The folded axis' labels and break marks follow the plot area, which the layout has only now settled.
    view.RefreshFold();
    view.chart()->layout()->activate();
    const QRectF area(QPointF(0, 0), QSizeF(chartSize));
    view.scene()->render(&painter, area, area);
    if (!notes.isEmpty()) {
        painter.save();
        painter.fillRect(QRect(0, chartSize.height(), size.width(), size.height() - chartSize.height()), Qt::white);
        painter.setFont(noteFont);
        painter.setPen(Qt::black);
        painter.drawText(noteRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, noteText);
        painter.restore();
    }
}

QImage ChartImage(TChart& model, const QSize& size, const QStringList& notes) {
    CheckSize(size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintChart(model, painter, size, notes);
    painter.end();
    return image;
}

QByteArray EncodeGif(const QImage& image) {
    if (image.isNull())
        throw Exception("The GIF picture cannot be made: the picture is empty");
    // Qt keeps every colour exactly when there are at most 256; giflib's own quantiser would shift them.
    const QImage indexed = image.convertToFormat(QImage::Format_RGB32)
                               .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    const QList<QRgb> table = indexed.colorTable();
    int mapSize = 2;
    while (mapSize < table.size())
        mapSize *= 2;
    std::vector<GifColorType> colors(static_cast<size_t>(mapSize), GifColorType{0, 0, 0});
    for (qsizetype i = 0; i < table.size(); ++i)
        colors[static_cast<size_t>(i)] =
            GifColorType{static_cast<GifByteType>(qRed(table[i])), static_cast<GifByteType>(qGreen(table[i])),
                         static_cast<GifByteType>(qBlue(table[i]))};
    const std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(GifMakeMapObject(mapSize, colors.data()),
                                                                         GifFreeMapObject);
    if (!map)
        RaiseGifError(E_GIF_ERR_NOT_ENOUGH_MEM);

    // Into memory, so that the file itself is written atomically like every other.
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, GifWrite, &error);
    if (gif == nullptr)
        RaiseGifError(error);
    const auto fail = [gif]() {
        const int code = gif->Error;
        EGifCloseFile(gif, nullptr);
        RaiseGifError(code);
    };
    if (EGifPutScreenDesc(gif, indexed.width(), indexed.height(), 8, 0, map.get()) == GIF_ERROR ||
        EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, nullptr) == GIF_ERROR)
        fail();
    for (int y = 0; y < indexed.height(); ++y) {
        // giflib takes the row as non-const but only reads it.
        auto* row = const_cast<GifPixelType*>(indexed.constScanLine(y));
        if (EGifPutLine(gif, row, indexed.width()) == GIF_ERROR)
            fail();
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        RaiseGifError(error);
    return bytes;
}

QByteArray ChartPictureBytes(TChart& model, const QSize& size, TPictureFormat format, const QString& title,
                             const QStringList& notes) {
    CheckSize(size);
    QByteArray bytes;
    QBuffer buffer;
    switch (format) {
    case TPictureFormat::Bitmap:
    case TPictureFormat::Png: {
        QImage image = ChartImage(model, size, notes);
        const bool png = format == TPictureFormat::Png;
        if (png)
            image.setText(QStringLiteral("Title"), title);
        if (!image.save(&OpenBuffer(buffer, bytes), png ? "PNG" : "BMP"))
            throw Exception("The chart picture cannot be encoded");
        break;
    }
    case TPictureFormat::Gif:
        bytes = EncodeGif(ChartImage(model, size, notes));
        break;
    case TPictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&OpenBuffer(buffer, bytes));
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(PictureDpi);
        svg.setTitle(title);
        svg.setDescription(QStringLiteral("Wagerlens"));
        QPainter painter(&svg);
        PaintChart(model, painter, size, notes);
        break;
    }
    case TPictureFormat::Pdf: {
        QPdfWriter pdf(&OpenBuffer(buffer, bytes));
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Wagerlens"));
        pdf.setResolution(PictureDpi);
        // One page of exactly the chart's size: 96 pixels make 72 points.
        const QPageSize page(QSizeF(size.width() * 72.0 / PictureDpi, size.height() * 72.0 / PictureDpi),
                             QPageSize::Point, QString(), QPageSize::ExactMatch);
        pdf.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF()));
        QPainter painter(&pdf);
        PaintChart(model, painter, size, notes);
        break;
    }
    case TPictureFormat::EnhancedMetafile:
    case TPictureFormat::Metafile: {
        TMetafileDevice device(size, format == TPictureFormat::EnhancedMetafile ? TMetafileKind::Enhanced
                                                                                : TMetafileKind::Windows);
        device.SetDescription(title);
        QPainter painter(&device);
        PaintChart(model, painter, size, notes);
        painter.end();
        bytes = device.Bytes();
        break;
    }
    }
    return bytes;
}

} // namespace wl
