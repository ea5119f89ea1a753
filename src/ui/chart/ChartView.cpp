// The Qt Charts view of the chart model.
#include "ui/chart/ChartView.h"

#include "ui/widgets/Guard.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QImage>
#include <QLineSeries>
#include <QMouseEvent>
#include <QRubberBand>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace wl {

namespace {

QColor ToQColor(TColor c) {
    return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

QImage MarkerImage(TColor c) {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(ToQColor(c));
    return image;
}

constexpr int MinDragPixels = 4;
constexpr int ZoomAnimationMs = 250;

} // namespace

double NiceTickInterval(double span, int maxTicks) {
    if (!(span > 0.0) || !std::isfinite(span) || maxTicks < 1)
        return 1.0;
    const double raw = span / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw)
            return m * power;
    }
    return 10.0 * power;
}

int TickDecimals(double interval) {
    if (!(interval > 0.0) || interval >= 1.0)
        return 0;
    return std::clamp(static_cast<int>(std::ceil(-std::log10(interval) - 1e-9)), 0, 10);
}

TChartView::TChartView(QWidget* parent) : QChartView(parent) {
    // The chart QChartView's constructor made, and owns: setChart() would only release it, never delete it.
    QChart* chart = this->chart();
    chart->legend()->hide();
    chart->setTitle(QString());
    chart->setBackgroundBrush(Qt::white);
    chart->setBackgroundRoundness(0);
    // The chart's own background is the white wall; a plot-area background would cover the axis lines.
    chart->setPlotAreaBackgroundVisible(false);
    chart->setMargins(QMargins(4, 6, 10, 4));
    // The white back wall reaches the panel's edges.
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    // The zoom is animated here rather than by Qt Charts, whose axis animation can crash when the tick count
    // changes during it.
    chart->setAnimationOptions(QChart::NoAnimation);
    FZoomAnimation = new QVariantAnimation(this);
    FZoomAnimation->setDuration(ZoomAnimationMs);
    FZoomAnimation->setStartValue(0.0);
    FZoomAnimation->setEndValue(1.0);
    FZoomAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(FZoomAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        const double t = v.toDouble();
        const auto mix = [t](const TAxisRange& a, const TAxisRange& b) {
            return TAxisRange{a.Minimum + (b.Minimum - a.Minimum) * t, a.Maximum + (b.Maximum - a.Maximum) * t};
        };
        Guarded(this, [&] {
            ApplyRanges(mix(FAnimateFromX, FAnimateToX), mix(FAnimateFromY, FAnimateToY), FAnimateToX, FAnimateToY);
        });
    });

    FAxisX = new QValueAxis(chart);
    FAxisY = new QValueAxis(chart);
    for (QValueAxis* axis : {FAxisX, FAxisY}) {
        QPen grid(QColor(128, 128, 128));
        grid.setStyle(Qt::DotLine);
        grid.setCosmetic(true);
        axis->setGridLinePen(grid);
        axis->setMinorGridLineVisible(false);
        axis->setLinePen(QPen(Qt::black));
        axis->setLineVisible(true);
        axis->setLabelsColor(Qt::black);
        axis->setTitleBrush(Qt::black);
        axis->setTickType(QValueAxis::TicksDynamic);
    }
    chart->addAxis(FAxisX, Qt::AlignBottom);
    chart->addAxis(FAxisY, Qt::AlignLeft);

    for (int i = 0; i < TChart::LineCount; ++i) {
        auto* series = new QLineSeries(chart);
        series->setName(QStringLiteral("Series%1").arg(i + 1));
        chart->addSeries(series);
        series->attachAxis(FAxisX);
        series->attachAxis(FAxisY);
        series->setMarkerSize(2.0);
        QPen pen(ToQColor(ChartLineColors[static_cast<size_t>(i)]));
        pen.setWidth(1);
        series->setPen(pen);
        FSeries[static_cast<size_t>(i)] = series;
    }
    // Added after every line, so that the marks are drawn over all of them.
    for (int i = 0; i < TChart::LineCount; ++i) {
        auto* marks = new QScatterSeries(chart);
        marks->setName(QStringLiteral("Marks%1").arg(i + 1));
        chart->addSeries(marks);
        marks->attachAxis(FAxisX);
        marks->attachAxis(FAxisY);
        marks->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        marks->setMarkerSize(9.0);
        marks->setBrush(Qt::white);
        FMarks[static_cast<size_t>(i)] = marks;
    }
    // Axis labels and grid lines are drawn outside the bounding rectangles that the scene reports as changed, so
    // partial updates leave pieces of the previous ranges behind after a zoom; the chart fills the view anyway.
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    setRenderHint(QPainter::Antialiasing, false);
    setFrameShape(QFrame::NoFrame);
    setBackgroundBrush(Qt::white);
    setRubberBand(QChartView::NoRubberBand);
    FRubberBand = new QRubberBand(QRubberBand::Rectangle, this);
    FRubberBand->hide();
}

TChartView::~TChartView() {
    SetModel(nullptr);
}

void TChartView::SetModel(TChart* model) {
    if (FModel == model)
        return;
    if (FModel != nullptr)
        FModel->RemoveObserver(this);
    FModel = model;
    if (FModel != nullptr) {
        FModel->AddObserver(this);
        TChartChange all;
        all.PointsChanged = all.LooksChanged = (1u << TChart::LineCount) - 1;
        all.AxesChanged = true;
        Mirror(all);
    }
}

void TChartView::Mirror(const TChartChange& change) {
    if (FModel == nullptr)
        return;
    // Emptying the changed series before the axes move spares Qt Charts laying out the old points once more.
    for (int i = 0; i < TChart::LineCount; ++i) {
        if (change.PointsChanged & (1u << i))
            FSeries[static_cast<size_t>(i)]->clear();
    }
    // Automatic axes follow the points, so any change may move them. A zoom alone glides to its new ranges.
    const bool zoomOnly = change.PointsChanged == 0 && change.LooksChanged == 0 && FModel->ZoomDepth() != FZoomDepth;
    FZoomDepth = FModel->ZoomDepth();
    if (zoomOnly && isVisible())
        AnimateAxes();
    else if (change.AxesChanged || change.PointsChanged != 0 || FZoomAnimation->state() != QAbstractAnimation::Running)
        MirrorAxes(); // a change of looks alone (markers after a zoom) lets a running glide finish

    for (int i = 0; i < TChart::LineCount; ++i) {
        const uint32_t bit = 1u << i;
        if (change.PointsChanged & bit) {
            const auto& points = FModel->Line(i).Points();
            QList<QPointF> list;
            list.reserve(static_cast<qsizetype>(points.size()));
            for (const TChartPoint& p : points)
                list.append(QPointF(p.X, p.Y));
            // One replace is one layout, however many points.
            FSeries[static_cast<size_t>(i)]->replace(list);
            QList<QPointF> marks;
            for (const TChartPoint& p : FModel->Line(i).Marks())
                marks.append(QPointF(p.X, p.Y));
            FMarks[static_cast<size_t>(i)]->replace(marks);
        }
        if (change.LooksChanged & bit)
            MirrorLooks(i);
    }
}

void TChartView::MirrorLooks(int index) {
    const TChartLine& line = FModel->Line(index);
    QLineSeries* series = FSeries[static_cast<size_t>(index)];
    QPen pen = series->pen();
    pen.setColor(ToQColor(line.Color()));
    pen.setWidth(std::max(1, line.PenWidth()));
    series->setPen(pen);
    series->setLightMarker(line.PointersVisible() ? MarkerImage(line.Color()) : QImage());
    series->setVisible(line.Visible());
    QScatterSeries* marks = FMarks[static_cast<size_t>(index)];
    QPen ring(ToQColor(line.Color()));
    ring.setWidth(2);
    marks->setPen(ring);
    marks->setVisible(line.Visible());
}

void TChartView::ApplyRanges(const TAxisRange& x, const TAxisRange& y, const TAxisRange& tickX,
                             const TAxisRange& tickY) {
    const auto apply = [](QValueAxis* axis, const TAxisRange& r, const TAxisRange& ticks, bool whole) {
        // The old interval over the new range (or the other way round) can mean thousands of labels to measure,
        // so the ticks are fixed while range and interval change.
        axis->setTickType(QValueAxis::TicksFixed);
        axis->setRange(r.Minimum, r.Maximum);
        // Ticks follow the final range, so the labels stay put while the zoom glides.
        double interval = NiceTickInterval(ticks.Maximum - ticks.Minimum, 8);
        if (whole)
            interval = std::max(interval, 1.0);
        axis->setTickAnchor(std::ceil(ticks.Minimum / interval) * interval);
        axis->setTickInterval(interval);
        axis->setLabelFormat(QStringLiteral("%.") + QString::number(TickDecimals(interval)) + QStringLiteral("f"));
        axis->setTickType(QValueAxis::TicksDynamic);
    };
    apply(FAxisX, x, tickX, FModel != nullptr && FModel->BottomAxis().WholeNumbers());
    apply(FAxisY, y, tickY, FModel != nullptr && FModel->LeftAxis().WholeNumbers());
}

void TChartView::MirrorAxes() {
    FZoomAnimation->stop();
    const TAxisRange x = FModel->EffectiveRange(TAxisKind::Bottom);
    const TAxisRange y = FModel->EffectiveRange(TAxisKind::Left);
    ApplyRanges(x, y, x, y);
    const auto title = [](QValueAxis* axis, const QString& text) {
        if (axis->titleText() != text)
            axis->setTitleText(text);
        axis->setTitleVisible(!text.isEmpty());
    };
    title(FAxisX, FModel->BottomAxis().Title());
    title(FAxisY, FModel->LeftAxis().Title());
}

void TChartView::AnimateAxes() {
    FZoomAnimation->stop();
    FAnimateFromX = {FAxisX->min(), FAxisX->max()};
    FAnimateFromY = {FAxisY->min(), FAxisY->max()};
    FAnimateToX = FModel->EffectiveRange(TAxisKind::Bottom);
    FAnimateToY = FModel->EffectiveRange(TAxisKind::Left);
    FZoomAnimation->start();
}

void TChartView::ChartChanged(const TChart&, const TChartChange& change) {
    Mirror(change);
}

void TChartView::ChartZoomed(const TChart&) {
    Q_EMIT Zoomed();
}

void TChartView::ChartUndoZoomed(const TChart&) {
    Q_EMIT UndoZoomed();
}

QRect TChartView::PlotRect() const {
    return mapFromScene(chart()->mapToScene(chart()->plotArea())).boundingRect();
}

bool TChartView::WheelZoom(const QPoint& pos, int delta) {
    if (FModel == nullptr || !isVisible() || !PlotRect().contains(pos))
        return false;
    FModel->ZoomPercent(delta > 0 ? 95.0 : 105.0);
    return true;
}

void TChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && FModel != nullptr) {
        FDragStart = event->position().toPoint();
        FDragging = true;
        FRubberBand->setGeometry(QRect(FDragStart, QSize()));
        FRubberBand->show();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void TChartView::mouseMoveEvent(QMouseEvent* event) {
    if (FDragging) {
        FRubberBand->setGeometry(QRect(FDragStart, event->position().toPoint()).normalized());
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void TChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (!FDragging || event->button() != Qt::LeftButton) {
        QChartView::mouseReleaseEvent(event);
        return;
    }
    FDragging = false;
    FRubberBand->hide();
    event->accept();
    const QPoint end = event->position().toPoint();
    const QPoint d = end - FDragStart;
    if (std::abs(d.x()) < MinDragPixels && std::abs(d.y()) < MinDragPixels)
        return;
    Guarded(this, [&] {
        if (d.x() > 0 && d.y() > 0) {
            const QPointF a = chart()->mapToValue(chart()->mapFromScene(mapToScene(FDragStart)));
            const QPointF b = chart()->mapToValue(chart()->mapFromScene(mapToScene(end)));
            FModel->Zoom({std::min(a.x(), b.x()), std::max(a.x(), b.x())},
                         {std::min(a.y(), b.y()), std::max(a.y(), b.y())});
        } else {
            // Dragging back towards the top left takes the latest zoom back.
            FModel->UndoZoom();
        }
    });
}

void TChartView::wheelEvent(QWheelEvent* event) {
    Guarded(this, [&] { WheelZoom(event->position().toPoint(), event->angleDelta().y()); });
    // Left unhandled on purpose: the window may act on it too.
    event->ignore();
}

} // namespace wl
