// The data view's grid: a fixed title row over rows of equal height, every cell drawn by its owner, whole rows
// selected, and only the rows the owner allows can be selected.
#pragma once

#include <QAbstractScrollArea>

#include <functional>
#include <vector>

namespace wl {

class TDataGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class TCellState { Fixed, Selected, Normal };
    using TDrawCell = std::function<void(QPainter& painter, int column, int row, const QRect& rect, TCellState state)>;
    using TSelectCell = std::function<bool(int column, int row)>;

    explicit TDataGrid(QWidget* parent = nullptr);

    static constexpr int GridLineWidth = 1;

    int DefaultRowHeight() const { return FRowHeight; }
    void SetDefaultRowHeight(int height);
    int ColumnCount() const { return static_cast<int>(FColumnWidths.size()); }
    int RowCount() const { return FRowCount; }
    int ColumnWidth(int column) const { return FColumnWidths.at(static_cast<size_t>(column)); }
    // Sets the columns and rows in one go; a selected row that no longer exists is dropped.
    void SetGeometry(const std::vector<int>& columnWidths, int rowCount);

    void SetDrawCell(TDrawCell draw) { FDrawCell = std::move(draw); }
    void SetSelectCell(TSelectCell select) { FSelectCell = std::move(select); }

    int SelectedRow() const { return FSelectedRow; } // -1 when none
    // Selects row when the owner allows it; returns whether it did.
    bool SelectRow(int row);
    int TopRow() const; // first data row shown below the title row
    void RepaintRow(int row);

    QRect CellRect(int column, int row) const; // in viewport coordinates
    int RowAt(int y) const;                    // -1 outside the rows

Q_SIGNALS:
    void SelectionChanged(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int VisibleDataRows() const;
    void UpdateScrollBar();
    void EnsureVisible(int row);
    // The nearest selectable row from row in direction step (+1 or -1), or -1.
    int SelectableFrom(int row, int step) const;

    std::vector<int> FColumnWidths{0};
    int FRowCount = 2;
    int FRowHeight = 18;
    int FSelectedRow = -1;
    TDrawCell FDrawCell;
    TSelectCell FSelectCell;
};

} // namespace wl
