// Pictures of the chart model in every export format, drawn by the same chart view that shows it on screen.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

class QPainter;

namespace wl {

class TChart;

enum class TPictureFormat { Bitmap, Png, Gif, Svg, Pdf, EnhancedMetafile, Metafile };

// Draws the chart as a view of that size shows it, onto painter's device from its top left corner.
void PaintChart(TChart& model, QPainter& painter, const QSize& size);
// The chart as a 32-bit opaque image.
QImage ChartImage(TChart& model, const QSize& size);
// The whole file of the picture in that format; title names the picture where the format keeps one.
QByteArray ChartPictureBytes(TChart& model, const QSize& size, TPictureFormat format, const QString& title);

// An 8-bit GIF of image: an exact palette when it has 256 colours or fewer. Raises Exception on failure.
QByteArray EncodeGif(const QImage& image);

} // namespace wl
