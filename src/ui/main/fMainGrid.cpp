// The main window's data grid: its columns and rows for the window's size, and the drawing of its cells.
#include "ui/main/fMain.h"

#include "charts/ChartController.h"
#include "engine/GameCalculator.h"
#include "presentation/Layout.h"
#include "ui/main/DataGrid.h"
#include "ui/main/fMainParts.h"
#include "ui/widgets/GradientLabel.h"

#include <QPainter>

#include <vector>

namespace wl {

using namespace mainparts;

void TfmMain::LayoutViews() {
    // The header line follows its layout; the menu and play labels keep the size of their texts.
    for (TGradientLabel* label : {lMenu, lPlay})
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(label->text()) + 2);

    FGridRows = TTableRows(*FDataTable, FController->MinX(), FController->MaxX(), true);
    // The grid's client width depends on whether its scroll bar shows, which depends on the row count.
    for (int pass = 0; pass < 2; ++pass) {
        const int n = FController->SeriesCount();
        const QWidget* client = DataGrid->viewport();
        const TGridGeometry g = ComputeGridGeometry(n, client->width(), client->height(), TDataGrid::GridLineWidth,
                                                    DataGrid->DefaultRowHeight(), FGridRows.Count());
        std::vector<int> widths{g.XColumnWidth};
        widths.insert(widths.end(), static_cast<size_t>(n), g.SeriesColumnWidth);
        const int before = client->width();
        DataGrid->SetGeometry(widths, g.RowCount);
        const QFontMetrics fm(DataGrid->font());
        FCellDecimals =
            ChooseCellDecimals(g.SeriesColumnWidth, [&fm](const QString& text) { return fm.horizontalAdvance(text); });
        if (DataGrid->viewport()->width() == before)
            break;
    }
    DataGrid->viewport()->update();
}

void TfmMain::DataGridDrawCell(QPainter& painter, int column, int row, const QRect& rect, int) {
    painter.fillRect(rect, painter.brush());
    if (row == 0) {
        if (column == 0) {
            painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("X"));
            return;
        }
        const int k = column - 1;
        if (k >= FController->SeriesCount())
            return;
        const QFontMetrics fm(painter.font());
        const int h = fm.height() - 2;
        const int o = (DataGrid->DefaultRowHeight() - h) / 2;
        const QRect square(rect.left() + o, rect.top() + o, h, h);
        painter.save();
        painter.setBrush(ToQColor(FController->GetCalculator(k).LineColor()));
        painter.setPen(Qt::black);
        painter.drawRect(square);
        painter.restore();
        QFont f = painter.font();
        f.setBold(k == SelectedSeries());
        painter.setFont(f);
        const QRect textRect(square.right() + 1 + o, rect.top(), rect.right() - square.right() - o, rect.height());
        const QString caption =
            QFontMetrics(f).elidedText(FController->GetSeriesCaption(k), Qt::ElideRight, textRect.width());
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
        return;
    }
    if (row > FGridRows.Count())
        return;
    const TTableRows::TRow r = FGridRows.Row(row - 1);
    QString text;
    if (column == 0 && r.Marker) // the balances no series holds, in one row, with the values that hold over them
        text = painter.fontMetrics().elidedText(SkippedRowText(r), Qt::ElideMiddle, rect.width() - 3);
    else if (column == 0)
        text = QString::number(r.X);
    else
        text = FormatGridValue(FDataTable->Value(r.X, column - 1), FCellDecimals,
                               FController->ShownValuesAreProbabilities());
    painter.drawText(rect.adjusted(0, 0, -3, 0), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

} // namespace wl
