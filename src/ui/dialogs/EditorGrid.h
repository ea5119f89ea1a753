// The editors' grids: a title row with centred, word-wrapped titles, and a view that can end an edit on demand.
#pragma once

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>

#include <functional>

namespace wl {

class TGridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TGridHeader(QWidget* parent = nullptr);

    int RowHeight() const { return FRowHeight; }
    void SetRowHeight(int height);
    // The tallest of the titles laid out word-wrapped within their columns.
    int WrappedTitleHeight() const;

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QString Title(int logicalIndex) const;

    int FRowHeight = 0;
};

// A grid whose open cell editor can be stored and closed from outside, as OK and Insert need. Every typed key goes
// to the cell that is current when it arrives, however fast the keys come.
class TEditorGrid : public QTableView {
    Q_OBJECT
public:
    explicit TEditorGrid(QWidget* parent = nullptr) : QTableView(parent) {}

    bool Editing() const { return state() == QAbstractItemView::EditingState; }
    void CommitEdit();
    // Typed text never moves the current cell.
    void keyboardSearch(const QString&) override {}

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
};

// The model under an editor's grid: rows as the form shows them, row 0 its title row (the header), each cell read
// from the form, so that both editors' grids answer alike.
class TEditorModel : public QAbstractTableModel {
public:
    struct TCells {
        std::function<QString(int col, int row)> Text;
        std::function<bool(int col, int row)> Selectable;
    };
    TEditorModel(QObject* parent, int rows, int columns, Qt::Alignment alignment, TCells cells);

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : FRows; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : FColumns; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Every cell and title anew, after the working copy changed beneath them.
    void Refresh();

private:
    int FRows, FColumns;
    Qt::Alignment FAlignment;
    TCells FCells;
};

} // namespace wl
