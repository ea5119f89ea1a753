// The editors' grids: a title row with centred, word-wrapped titles, and a view that can end an edit on demand.
#pragma once

#include <QHeaderView>
#include <QTableView>

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

} // namespace wl
