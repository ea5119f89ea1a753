// What the main window's source files share: its title, the series list's item roles, two small helpers and the
// splitter bar.
#pragma once

#include "charts/Chart.h"
#include "ui/main/fMain.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/Looks.h"

#include <QColor>
#include <QMouseEvent>
#include <QString>
#include <QWidget>

namespace wl::mainparts {

using wl::ProductTitle;
constexpr int SeriesColorRole = Qt::UserRole + 1;
constexpr int SeriesFailedRole = Qt::UserRole + 2;
constexpr int GridRowHeight = 18;

inline QColor ToQColor(TColor c) {
    return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

inline QString Framed(const QString& text) {
    return QStringLiteral("  ") + text + QStringLiteral("  ");
}

} // namespace wl::mainparts

namespace wl {

// The 3-pixel bar between the two panels; dragging it asks the window whether the new width is allowed.
class TSplitterBar : public QWidget {
public:
    explicit TSplitterBar(TfmMain* owner) : QWidget(owner), FOwner(owner) {
        setObjectName(QStringLiteral("Splitter1"));
        setCursor(Qt::SplitHCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        FStartX = e->globalPosition().toPoint().x();
        FStartWidth = FOwner->MainPanelWidth();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!(e->buttons() & Qt::LeftButton))
            return;
        const int width = FStartWidth + e->globalPosition().toPoint().x() - FStartX;
        Guarded(this, [&] {
            if (FOwner->Splitter1CanResize(width))
                FOwner->SetMainPanelWidth(width);
        });
    }

private:
    TfmMain* FOwner;
    int FStartX = 0;
    int FStartWidth = 0;
};

} // namespace wl
