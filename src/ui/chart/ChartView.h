// The chart on screen: a Qt Charts view that mirrors the core's chart model and turns drags and the wheel into
// model calls, so that every zoom goes through the model's zoom stack.
#pragma once

#include "charts/Chart.h"

#include <QChartView>
#include <QPoint>

#include <array>
#include <vector>

class QCategoryAxis;
class QGraphicsItem;
class QLineSeries;
class QScatterSeries;
class QRubberBand;
class QValueAxis;
class QVariantAnimation;

namespace wl {

class TChartView : public QChartView, private IChartObserver {
    Q_OBJECT
public:
    explicit TChartView(QWidget* parent = nullptr);
    ~TChartView() override;

    // Observes model (not owned); nullptr detaches. Mirrors everything at once.
    void SetModel(TChart* model);
    TChart* Model() const { return FModel; }

    // The plotting rectangle in this widget's coordinates.
    QRect PlotRect() const;
    // The wheel rule: inside the plotting rectangle of a visible chart, a positive delta zooms out (95 %) and any
    // other zooms in (105 %), about the point under the cursor. Returns whether it zoomed.
    bool WheelZoom(const QPoint& pos, int delta);

    // The first stroke of a line; a line broken across gaps has one more series for each further stroke.
    QLineSeries* Series(int index) const { return FSeries.at(static_cast<size_t>(index)); }
    int StrokeCount(int index) const;
    QLineSeries* Stroke(int index, int stroke) const;
    // The marks of a line (TChartLine::Marks): rings in the line's colour.
    QScatterSeries* MarkSeries(int index) const { return FMarks.at(static_cast<size_t>(index)); }
    QValueAxis* LeftAxis() const { return FAxisY; }
    // The bottom axis shown: the plain one, or while the axis is folded the one labelled at the chosen ticks.
    QValueAxis* BottomAxis() const;
    // The bottom axis' fold as last mirrored: Qt's X values are its axis units.
    const TAxisFold& Fold() const { return FFold; }
    // The pixel X in this widget of a model X, and back, across the breaks.
    double PixelOfX(double x) const;
    double XOfPixel(double pixel) const;
    // Relabels the folded axis and places the break marks for the current plot area (after a resize).
    void RefreshFold();

    // Copies the model into the Qt series and axes, everything or what change names.
    void Mirror(const TChartChange& change);

Q_SIGNALS:
    void Zoomed();
    void UndoZoomed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ChartChanged(const TChart& chart, const TChartChange& change) override;
    void ChartZoomed(const TChart& chart) override;
    void ChartUndoZoomed(const TChart& chart) override;

    void MirrorLooks(int index);
    void MirrorPoints(int index);
    QLineSeries* NewStroke(int index);
    void MirrorAxes();
    void AnimateAxes();
    void ApplyRanges(const TAxisRange& x, const TAxisRange& y, const TAxisRange& tickX, const TAxisRange& tickY);

    TChart* FModel = nullptr;
    std::array<QLineSeries*, TChart::LineCount> FSeries{};
    std::array<QScatterSeries*, TChart::LineCount> FMarks{};
    QValueAxis* FAxisX = nullptr;
    QCategoryAxis* FAxisXFolded = nullptr;
    std::array<std::vector<QLineSeries*>, TChart::LineCount> FMoreStrokes{};
    TAxisFold FFold;
    QGraphicsItem* FBreakMarks = nullptr; // owned by the chart
    QValueAxis* FAxisY = nullptr;
    QRubberBand* FRubberBand = nullptr;
    QPoint FDragStart;
    bool FDragging = false;
    int FZoomDepth = 0;
    QVariantAnimation* FZoomAnimation = nullptr;
    TAxisRange FAnimateFromX, FAnimateFromY, FAnimateToX, FAnimateToY;
};

// A tick step of 1, 2 or 5 times a power of ten that splits span into at most about maxTicks parts.
double NiceTickInterval(double span, int maxTicks);
// Decimals enough to tell ticks of that interval apart.
int TickDecimals(double interval);

} // namespace wl
