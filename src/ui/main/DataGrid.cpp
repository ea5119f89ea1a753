// The data view's grid.
#include "ui/main/DataGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace wl {

TDataGrid::TDataGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setTracking(true);
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(pal);
}

void TDataGrid::SetDefaultRowHeight(int height) {
    FRowHeight = std::max(1, height);
    UpdateScrollBar();
    viewport()->update();
}

void TDataGrid::SetGeometry(const std::vector<int>& columnWidths, int rowCount) {
    FColumnWidths = columnWidths.empty() ? std::vector<int>{0} : columnWidths;
    FRowCount = std::max(1, rowCount);
    if (FSelectedRow >= FRowCount || (FSelectedRow >= 0 && FSelectCell && !FSelectCell(0, FSelectedRow)))
        FSelectedRow = -1;
    UpdateScrollBar();
    viewport()->update();
}

int TDataGrid::VisibleDataRows() const {
    const int pitch = FRowHeight + GridLineWidth;
    return std::max(1, (viewport()->height() - pitch) / pitch);
}

void TDataGrid::UpdateScrollBar() {
    const int dataRows = std::max(0, FRowCount - 1);
    verticalScrollBar()->setRange(0, std::max(0, dataRows - VisibleDataRows()));
    verticalScrollBar()->setPageStep(VisibleDataRows());
    verticalScrollBar()->setSingleStep(1);
}

int TDataGrid::TopRow() const {
    return 1 + verticalScrollBar()->value();
}

QRect TDataGrid::CellRect(int column, int row) const {
    const int pitch = FRowHeight + GridLineWidth;
    int left = 0;
    for (int c = 0; c < column && c < ColumnCount(); ++c)
        left += FColumnWidths[static_cast<size_t>(c)] + GridLineWidth;
    const int top = row == 0 ? 0 : (row - TopRow() + 1) * pitch;
    return QRect(left, top, ColumnWidth(column), FRowHeight);
}

int TDataGrid::RowAt(int y) const {
    const int pitch = FRowHeight + GridLineWidth;
    if (y < 0)
        return -1;
    const int slot = y / pitch;
    const int row = slot == 0 ? 0 : TopRow() + slot - 1;
    return row < FRowCount ? row : -1;
}

void TDataGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Base));
    const int pitch = FRowHeight + GridLineWidth;
    const int lastSlot = viewport()->height() / pitch + 1;
    const QColor lineColor(192, 192, 192);
    for (int slot = 0; slot <= lastSlot; ++slot) {
        const int row = slot == 0 ? 0 : TopRow() + slot - 1;
        if (row >= FRowCount)
            break;
        const TCellState state =
            row == 0 ? TCellState::Fixed : (row == FSelectedRow ? TCellState::Selected : TCellState::Normal);
        int left = 0;
        for (int c = 0; c < ColumnCount(); ++c) {
            const QRect cell(left, slot * pitch, ColumnWidth(c), FRowHeight);
            if (cell.intersects(dirty)) {
                painter.save();
                const QColor fill = state == TCellState::Fixed      ? palette().color(QPalette::Button)
                                    : state == TCellState::Selected ? palette().color(QPalette::Highlight)
                                                                    : palette().color(QPalette::Base);
                painter.setBrush(fill);
                painter.setPen(state == TCellState::Selected ? palette().color(QPalette::HighlightedText)
                                                             : palette().color(QPalette::Text));
                if (FDrawCell)
                    FDrawCell(painter, c, row, cell, state);
                else
                    painter.fillRect(cell, fill);
                painter.restore();
            }
            left += ColumnWidth(c) + GridLineWidth;
        }
        painter.fillRect(0, slot * pitch + FRowHeight, viewport()->width(), GridLineWidth, lineColor);
    }
    int left = 0;
    for (int c = 0; c < ColumnCount(); ++c) {
        left += ColumnWidth(c);
        painter.fillRect(left, 0, GridLineWidth, viewport()->height(), lineColor);
        left += GridLineWidth;
    }
}

void TDataGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
}

bool TDataGrid::SelectRow(int row) {
    if (row < 1 || row >= FRowCount || (FSelectCell && !FSelectCell(0, row)))
        return false;
    if (row != FSelectedRow) {
        const int old = FSelectedRow;
        FSelectedRow = row;
        RepaintRow(old);
        RepaintRow(row);
        Q_EMIT SelectionChanged(row);
    }
    EnsureVisible(row);
    return true;
}

void TDataGrid::RepaintRow(int row) {
    if (row < 0)
        return;
    QRect r = CellRect(0, row);
    viewport()->update(QRect(0, r.top(), viewport()->width(), r.height()));
}

void TDataGrid::EnsureVisible(int row) {
    if (row < TopRow())
        verticalScrollBar()->setValue(row - 1);
    else if (row >= TopRow() + VisibleDataRows())
        verticalScrollBar()->setValue(row - VisibleDataRows());
}

int TDataGrid::SelectableFrom(int row, int step) const {
    // A row that cannot be selected (a marker row, or a row past the data) is passed over.
    for (int r = row; r >= 1 && r < FRowCount; r += step) {
        if (!FSelectCell || FSelectCell(0, r))
            return r;
    }
    return -1;
}

void TDataGrid::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton)
        SelectRow(RowAt(event->position().toPoint().y()));
}

void TDataGrid::keyPressEvent(QKeyEvent* event) {
    const int current = FSelectedRow < 1 ? TopRow() - 1 : FSelectedRow;
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Down:
        target = current + 1;
        break;
    case Qt::Key_Up:
        target = std::max(1, current - 1);
        break;
    case Qt::Key_PageDown:
        target = current + VisibleDataRows();
        break;
    case Qt::Key_PageUp:
        target = std::max(1, current - VisibleDataRows());
        break;
    case Qt::Key_Home:
        target = 1;
        break;
    case Qt::Key_End:
        target = FRowCount - 1;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    // A row that cannot be selected is passed over in the direction of the move; moving past the data stops at its
    // last row.
    target = std::min(target, FRowCount - 1);
    const int step = target < current ? -1 : 1;
    int row = SelectableFrom(target, step);
    if (row < 0)
        row = SelectableFrom(target, -step);
    if (row > 0)
        SelectRow(row);
    event->accept();
}

void TDataGrid::scrollContentsBy(int, int) {
    viewport()->update();
}

} // namespace wl
