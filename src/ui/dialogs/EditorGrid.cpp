// The editors' grids.
#include "ui/dialogs/EditorGrid.h"

#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>
#include <utility>

namespace wl {

namespace {
constexpr int TitleFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr int TitleMargin = 2;
} // namespace

TGridHeader::TGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(false);
    setSectionsMovable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Fixed);
    FRowHeight = fontMetrics().height() + 6;
}

void TGridHeader::SetRowHeight(int height) {
    FRowHeight = height;
    updateGeometry();
    if (parentWidget() != nullptr)
        parentWidget()->updateGeometry();
}

QString TGridHeader::Title(int logicalIndex) const {
    return model() != nullptr ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
                              : QString();
}

int TGridHeader::WrappedTitleHeight() const {
    int h = 0;
    if (model() == nullptr)
        return h;
    for (int c = 0; c < count(); ++c) {
        const QRect cell(0, 0, std::max(1, sectionSize(c) - 2 * TitleMargin), 10000);
        h = std::max(h, fontMetrics().boundingRect(cell, TitleFlags, Title(c)).height() + 2 * TitleMargin);
    }
    return h;
}

QSize TGridHeader::sizeHint() const {
    QSize s = QHeaderView::sizeHint();
    s.setHeight(FRowHeight);
    return s;
}

void TGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logicalIndex;
    opt.text.clear();
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
    const QString title = Title(logicalIndex);
    const QRect inner = rect.adjusted(TitleMargin, 0, -TitleMargin, 0);
    // One line when it fits, wrapped otherwise; both centred.
    const int flags =
        fontMetrics().horizontalAdvance(title) > inner.width() ? TitleFlags : int(Qt::AlignCenter | Qt::TextSingleLine);
    painter->save();
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->drawText(inner, flags, title);
    painter->restore();
}

void TEditorGrid::CommitEdit() {
    if (!Editing())
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool TEditorGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // A click on the current cell opens it at once. The toolkit would wait a double-click interval first and
    // refuse the keys typed meanwhile, which then searched the grid and moved the current cell.
    if (trigger == SelectedClicked)
        trigger = DoubleClicked;
    return QTableView::edit(index, trigger, event);
}

TEditorModel::TEditorModel(QObject* parent, int rows, int columns, Qt::Alignment alignment, TCells cells)
    : QAbstractTableModel(parent), FRows(rows), FColumns(columns), FAlignment(alignment), FCells(std::move(cells)) {}

QVariant TEditorModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return FCells.Text(index.column(), index.row() + 1);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(FAlignment);
    return {};
}

QVariant TEditorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return FCells.Text(section, 0);
    return {};
}

Qt::ItemFlags TEditorModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !FCells.Selectable(index.column(), index.row() + 1))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void TEditorModel::Refresh() {
    Q_EMIT dataChanged(index(0, 0), index(FRows - 1, FColumns - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, FColumns - 1);
}

} // namespace wl
