// The header caption bar: a label that paints a vertical gradient in bands behind its text.
#pragma once

#include <QColor>
#include <QLabel>

#include <vector>

namespace wl {

// One horizontal band of the gradient: rows [Top, Top + Height), filled with Color.
struct TGradientBand {
    int Top = 0;
    int Height = 0;
    QColor Color;
};

// The bands for a bar of the given height whose base colour is base: 20 lighter at the top, 15 darker at the
// bottom, at most 20 bands, the rows left over at the bottom in the bottom colour.
std::vector<TGradientBand> GradientBands(const QColor& base, int height);

class TGradientLabel : public QLabel {
    Q_OBJECT
public:
    explicit TGradientLabel(QWidget* parent = nullptr);

    // Takes over what a plain label shows and how it reacts, but not its geometry.
    void AssignFrom(const QLabel& source);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace wl
