// The header caption bar's painting and its band arithmetic.
#include "ui/widgets/GradientLabel.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace wl {

namespace {

int Clamp255(int v) {
    return std::clamp(v, 0, 255);
}

QColor Shifted(const QColor& c, int delta) {
    return QColor(Clamp255(c.red() + delta), Clamp255(c.green() + delta), Clamp255(c.blue() + delta));
}

int Blend(int top, int bottom, int i, int n) {
    return static_cast<int>(std::lround(top + static_cast<double>(i) * (bottom - top) / (n - 1)));
}

} // namespace

std::vector<TGradientBand> GradientBands(const QColor& base, int height) {
    std::vector<TGradientBand> bands;
    const QColor top = Shifted(base, 20);
    const QColor bottom = Shifted(base, -15);
    const int h = std::max(height, 0);
    const int n = std::max(2, std::min(20, h));
    const int b = h / n;
    for (int i = 0; i < n; ++i) {
        const QColor c(Blend(top.red(), bottom.red(), i, n), Blend(top.green(), bottom.green(), i, n),
                       Blend(top.blue(), bottom.blue(), i, n));
        bands.push_back({i * b, b, c});
    }
    if (h % n != 0)
        bands.push_back({n * b, h % n, bottom});
    return bands;
}

TGradientLabel::TGradientLabel(QWidget* parent) : QLabel(parent) {
    // The gradient covers every pixel, so the toolkit need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void TGradientLabel::AssignFrom(const QLabel& source) {
    setAlignment(source.alignment());
    setText(source.text());
    setFont(source.font());
    setWordWrap(source.wordWrap());
    setPalette(source.palette());
    setCursor(source.cursor());
    setSizePolicy(source.sizePolicy());
    setMinimumSize(source.minimumSize());
    setMaximumSize(source.maximumSize());
    setToolTip(source.toolTip());
    setObjectName(source.objectName());
}

void TGradientLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor base = palette().color(QPalette::Window);
    for (const TGradientBand& band : GradientBands(base, height()))
        painter.fillRect(0, band.Top, width(), band.Height, band.Color);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

void TGradientLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace wl
