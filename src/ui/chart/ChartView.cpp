// The Qt Charts view of the chart model.
#include "ui/chart/ChartView.h"

#include "ui/widgets/Guard.h"

#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsItem>
#include <QGraphicsLayout>
#include <QImage>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

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

// The marks of the folded axis' breaks: two short slanted strokes across the axis line, which is cut between them,
// and a pale band through the plot where the squeezed stretch lies.
class TBreakMarks : public QGraphicsItem {
public:
    explicit TBreakMarks(QGraphicsItem* parent) : QGraphicsItem(parent) { setZValue(1000.0); }
    void Place(std::vector<double> pixels, const QRectF& plot) {
        prepareGeometryChange();
        FPixels = std::move(pixels);
        FPlot = plot;
        update();
    }
    QRectF boundingRect() const override { return FPixels.empty() ? QRectF() : FPlot.adjusted(-8, -8, 8, 8); }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        const double y = FPlot.bottom();
        for (const double x : FPixels) {
            painter->fillRect(QRectF(x - 3.0, FPlot.top(), 6.0, FPlot.height()), QColor(236, 236, 236));
            painter->fillRect(QRectF(x - 3.0, y - 2.0, 6.0, 5.0), Qt::white);
            painter->setPen(QPen(Qt::black, 1.0));
            painter->drawLine(QPointF(x - 6.0, y + 5.0), QPointF(x - 2.0, y - 5.0));
            painter->drawLine(QPointF(x + 2.0, y + 5.0), QPointF(x + 6.0, y - 5.0));
        }
    }

private:
    std::vector<double> FPixels;
    QRectF FPlot;
};

// A tick label of the folded axis: whole numbers in full, others with the digits they need.
QString FoldedTickLabel(double value, bool whole) {
    if (whole || std::fabs(value) >= 1e6)
        return QString::number(value, 'f', 0);
    return QString::number(value, 'g', 12);
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
    // Shown instead of the plain one while the axis is folded: its labels sit at ticks chosen on both sides of
    // each break.
    FAxisXFolded = new QCategoryAxis(chart);
    FAxisXFolded->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    FAxisXFolded->setGridLinePen(FAxisX->gridLinePen());
    FAxisXFolded->setMinorGridLineVisible(false);
    FAxisXFolded->setLinePen(QPen(Qt::black));
    FAxisXFolded->setLabelsColor(Qt::black);
    FAxisXFolded->setTitleBrush(Qt::black);
    FAxisXFolded->setVisible(false);
    chart->addAxis(FAxisXFolded, Qt::AlignBottom);
    FBreakMarks = new TBreakMarks(chart);
    connect(chart, &QChart::plotAreaChanged, this, [this] { Guarded(this, [&] { RefreshFold(); }); });

    for (int i = 0; i < TChart::LineCount; ++i) {
        auto* series = new QLineSeries(chart);
        series->setName(QStringLiteral("Series%1").arg(i + 1));
        chart->addSeries(series);
        series->attachAxis(FAxisX);
        series->attachAxis(FAxisXFolded);
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
        marks->attachAxis(FAxisXFolded);
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
    TChartChange c = change;
    // Qt's X values are axis units, so a new fold moves every point.
    TAxisFold fold = FModel->BottomFold();
    if (!(fold == FFold)) {
        FFold = std::move(fold);
        c.PointsChanged = (1u << TChart::LineCount) - 1;
        c.AxesChanged = true;
    }
    // Emptying the changed series before the axes move spares Qt Charts laying out the old points once more.
    for (int i = 0; i < TChart::LineCount; ++i) {
        if (c.PointsChanged & (1u << i)) {
            FSeries[static_cast<size_t>(i)]->clear();
            for (QLineSeries* stroke : FMoreStrokes[static_cast<size_t>(i)])
                stroke->clear();
        }
    }
    // Automatic axes follow the points, so any change may move them. A zoom alone glides to its new ranges, unless
    // the axis is folded: the breaks depend on the range.
    const bool zoomOnly = c.PointsChanged == 0 && c.LooksChanged == 0 && FModel->ZoomDepth() != FZoomDepth;
    FZoomDepth = FModel->ZoomDepth();
    if (zoomOnly && isVisible() && !FFold.Folded() && !c.AxesChanged)
        AnimateAxes();
    else if (zoomOnly || c.AxesChanged || c.PointsChanged != 0 ||
             FZoomAnimation->state() != QAbstractAnimation::Running)
        MirrorAxes(); // a change of looks alone (markers after a zoom) lets a running glide finish

    for (int i = 0; i < TChart::LineCount; ++i) {
        const uint32_t bit = 1u << i;
        if (c.PointsChanged & bit)
            MirrorPoints(i);
        if (c.LooksChanged & bit)
            MirrorLooks(i);
    }
}

void TChartView::MirrorPoints(int index) {
    const TChartLine& line = FModel->Line(index);
    const auto& points = line.Points();
    const std::vector<TChartLine::TRun> runs = line.Runs();
    auto& more = FMoreStrokes[static_cast<size_t>(index)];
    while (more.size() + 1 < runs.size())
        more.push_back(NewStroke(index));
    for (size_t r = 0; r < runs.size(); ++r) {
        QList<QPointF> list;
        list.reserve(runs[r].End - runs[r].First);
        for (int p = runs[r].First; p < runs[r].End; ++p) {
            const TChartPoint& point = points[static_cast<size_t>(p)];
            // A held value runs flat to the X before the next point, then steps: never a slope across the gap.
            if (line.HeldAcrossGaps() && !list.isEmpty() && point.X - points[static_cast<size_t>(p - 1)].X > 1.0)
                list.append(QPointF(FFold.ToAxis(point.X - 1.0), list.back().y()));
            list.append(QPointF(FFold.ToAxis(point.X), point.Y));
        }
        // A line of one point draws nothing; a value alone between empty stretches stands as a spike from 0.
        if (list.size() == 1)
            list.prepend(QPointF(list.front().x(), 0.0));
        // One replace is one layout, however many points.
        (r == 0 ? FSeries[static_cast<size_t>(index)] : more[r - 1])->replace(list);
    }
    for (size_t r = std::max<size_t>(runs.size(), 1); r <= more.size(); ++r)
        more[r - 1]->clear();
    QList<QPointF> marks;
    for (const TChartPoint& p : line.Marks())
        marks.append(QPointF(FFold.ToAxis(p.X), p.Y));
    FMarks[static_cast<size_t>(index)]->replace(marks);
}

QLineSeries* TChartView::NewStroke(int index) {
    QLineSeries* first = FSeries[static_cast<size_t>(index)];
    auto* stroke = new QLineSeries(chart());
    chart()->addSeries(stroke);
    stroke->attachAxis(FAxisX);
    stroke->attachAxis(FAxisXFolded);
    stroke->attachAxis(FAxisY);
    stroke->setMarkerSize(first->markerSize());
    stroke->setPen(first->pen());
    stroke->setLightMarker(first->lightMarker());
    stroke->setVisible(first->isVisible());
    return stroke;
}

int TChartView::StrokeCount(int index) const {
    int count = FSeries.at(static_cast<size_t>(index))->count() > 0 ? 1 : 0;
    for (const QLineSeries* stroke : FMoreStrokes.at(static_cast<size_t>(index)))
        count += stroke->count() > 0 ? 1 : 0;
    return count;
}

QLineSeries* TChartView::Stroke(int index, int stroke) const {
    return stroke == 0 ? FSeries.at(static_cast<size_t>(index))
                       : FMoreStrokes.at(static_cast<size_t>(index)).at(static_cast<size_t>(stroke - 1));
}

QValueAxis* TChartView::BottomAxis() const {
    return FFold.Folded() ? FAxisXFolded : FAxisX;
}

void TChartView::MirrorLooks(int index) {
    const TChartLine& line = FModel->Line(index);
    QPen pen = FSeries[static_cast<size_t>(index)]->pen();
    pen.setColor(ToQColor(line.Color()));
    pen.setWidth(std::max(1, line.PenWidth()));
    const QImage marker = line.PointersVisible() ? MarkerImage(line.Color()) : QImage();
    std::vector<QLineSeries*> strokes{FSeries[static_cast<size_t>(index)]};
    strokes.insert(strokes.end(), FMoreStrokes[static_cast<size_t>(index)].begin(),
                   FMoreStrokes[static_cast<size_t>(index)].end());
    for (QLineSeries* series : strokes) {
        series->setPen(pen);
        series->setLightMarker(marker);
        series->setVisible(line.Visible());
    }
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
    apply(FAxisX, {FFold.ToAxis(x.Minimum), FFold.ToAxis(x.Maximum)}, tickX,
          FModel != nullptr && FModel->BottomAxis().WholeNumbers());
    apply(FAxisY, y, tickY, FModel != nullptr && FModel->LeftAxis().WholeNumbers());
    FAxisXFolded->setRange(FAxisX->min(), FAxisX->max());
    FAxisX->setVisible(!FFold.Folded());
    FAxisXFolded->setVisible(FFold.Folded());
    RefreshFold();
}

void TChartView::RefreshFold() {
    const QRectF plot = chart()->plotArea();
    std::vector<double> pixels;
    const double min = FAxisX->min();
    const double span = FAxisX->max() - min;
    const auto pixelOf = [&](double u) { return plot.left() + (u - min) / span * plot.width(); };
    if (FFold.Folded() && span > 0.0) {
        for (const TAxisFold::TBreak& b : FFold.Breaks()) {
            const double middle = (b.AxisFrom + b.AxisTo) / 2.0;
            if (middle > min && middle < min + span)
                pixels.push_back(pixelOf(middle));
        }
        // Labels at the ticks, none closer to the one before than its width allows.
        const bool whole = FModel != nullptr && FModel->BottomAxis().WholeNumbers();
        const QFontMetricsF metrics(FAxisXFolded->labelsFont());
        const int maxTicks = std::max(2, static_cast<int>(plot.width() / 80.0));
        const auto ticks = FFold.Ticks(FFold.FromAxis(min), FFold.FromAxis(min + span), maxTicks, whole);
        QStringList labels;
        std::vector<double> at;
        double lastRight = -1e300;
        for (const double t : ticks) {
            const QString label = FoldedTickLabel(t, whole);
            const double u = FFold.ToAxis(t);
            const double half = metrics.horizontalAdvance(label) / 2.0 + 4.0;
            // Nor over a break mark.
            const bool onMark = std::any_of(pixels.begin(), pixels.end(),
                                            [&](double p) { return std::fabs(p - pixelOf(u)) < half + 4.0; });
            if (onMark || pixelOf(u) - half < lastRight || labels.contains(label) || (!at.empty() && u <= at.back()))
                continue;
            labels << label;
            at.push_back(u);
            lastRight = pixelOf(u) + half;
        }
        const QStringList old = FAxisXFolded->categoriesLabels();
        bool same = old.size() == labels.size();
        for (qsizetype i = 0; same && i < labels.size(); ++i)
            same = old[i] == labels[i] && FAxisXFolded->endValue(old[i]) == at[static_cast<size_t>(i)];
        if (!same) {
            for (const QString& label : old)
                FAxisXFolded->remove(label);
            // Left of the range: the axis labels its start value too, which is no tick of ours.
            FAxisXFolded->setStartValue(min - span);
            for (qsizetype i = 0; i < labels.size(); ++i)
                FAxisXFolded->append(labels[i], at[static_cast<size_t>(i)]);
        }
    }
    static_cast<TBreakMarks*>(FBreakMarks)->Place(std::move(pixels), plot);
}

double TChartView::PixelOfX(double x) const {
    const QRectF plot = chart()->plotArea();
    const double span = FAxisX->max() - FAxisX->min();
    const double px = plot.left() + (FFold.ToAxis(x) - FAxisX->min()) / (span > 0.0 ? span : 1.0) * plot.width();
    return mapFromScene(chart()->mapToScene(QPointF(px, plot.top()))).x();
}

double TChartView::XOfPixel(double pixel) const {
    const QRectF plot = chart()->plotArea();
    const double px = chart()->mapFromScene(mapToScene(QPoint(static_cast<int>(std::lround(pixel)), 0))).x();
    const double u = FAxisX->min() +
                     (px - plot.left()) / (plot.width() > 0.0 ? plot.width() : 1.0) * (FAxisX->max() - FAxisX->min());
    return FFold.FromAxis(u);
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
    title(FAxisXFolded, FModel->BottomAxis().Title());
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
    // Read against the model's ranges, not the axes shown: a glide may still be under way.
    const QRectF plot = chart()->plotArea();
    const QPointF at = chart()->mapFromScene(mapToScene(pos));
    const auto share = [](double v, double from, double length) { return length > 0.0 ? (v - from) / length : 0.5; };
    const TAxisFold fold = FModel->BottomFold();
    const TAxisRange bottom = FModel->EffectiveRange(TAxisKind::Bottom);
    const TAxisRange left = FModel->EffectiveRange(TAxisKind::Left);
    const double u0 = fold.ToAxis(bottom.Minimum);
    const double x = fold.FromAxis(u0 + share(at.x(), plot.left(), plot.width()) * (fold.ToAxis(bottom.Maximum) - u0));
    const double y = left.Minimum + share(plot.bottom(), at.y(), plot.height()) * (left.Maximum - left.Minimum);
    FModel->ZoomPercentAt(delta > 0 ? 95.0 : 105.0, x, y);
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
            // Qt's X is in axis units: across a break they stand for many X.
            const double ax = FFold.FromAxis(a.x());
            const double bx = FFold.FromAxis(b.x());
            FModel->Zoom({std::min(ax, bx), std::max(ax, bx)}, {std::min(a.y(), b.y()), std::max(a.y(), b.y())});
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
