// Pictures of the chart model in every export format, drawn by the same chart view that shows it on screen.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

class QPainter;

namespace wl {

class TChart;

enum class TPictureFormat { Bitmap, Png, Gif, Svg, Pdf, EnhancedMetafile, Metafile };

// Draws the chart as a view of that size shows it, onto painter's device from its top left corner. Notes (the
// planner's answers, the limit line) stand under the chart, wrapped, inside the same size: a picture must not
// lose what the window says beside the chart.
void PaintChart(TChart& model, QPainter& painter, const QSize& size, const QStringList& notes = {});
// The chart as a 32-bit opaque image.
QImage ChartImage(TChart& model, const QSize& size, const QStringList& notes = {});
// The whole file of the picture in that format; title names the picture where the format keeps one.
QByteArray ChartPictureBytes(TChart& model, const QSize& size, TPictureFormat format, const QString& title,
                             const QStringList& notes = {});

// An 8-bit GIF of image: an exact palette when it has 256 colours or fewer. Raises Exception on failure.
QByteArray EncodeGif(const QImage& image);

} // namespace wl
