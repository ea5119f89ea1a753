// The main window's summary view: one column per series in its colour, one row per figure under headings, and its
// copy and export as text, HTML and CSV.
#include "ui/main/fMain.h"

#include "charts/ChartController.h"
#include "engine/GameCalculator.h"
#include "preferences/Preferences.h"
#include "presentation/SummaryExport.h"
#include "support/AtomicFile.h"
#include "ui/chart/ChartView.h"
#include "ui/main/ChartExport.h"
#include "ui/main/DataGrid.h"
#include "ui/main/fMainParts.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

namespace wl {

using namespace mainparts;

bool TfmMain::SummaryShown() const {
    return !SummaryGrid->isHidden();
}

void TfmMain::ShowSummaryView() {
    setUpdatesEnabled(false);
    MainChart->hide();
    DataGrid->hide();
    SummaryGrid->show();
    miLines->setChecked(false);
    miData->setChecked(false);
    miSummary->setChecked(true);
    setUpdatesEnabled(true);
    // Starts a calculation when the figures are missing; they appear when it ends.
    FController->SetSummaryWanted(true);
    FillSummaryGrid();
}

void TfmMain::HideSummaryView() {
    SummaryGrid->hide();
    miSummary->setChecked(false);
    FController->SetSummaryWanted(false);
}

void TfmMain::FillSummaryGrid() {
    if (!SummaryShown())
        return;
    const TSummarySource source = SummarySourceOf(*FController, &GetPreferences());
    const int series = static_cast<int>(source.Captions.size());
    SummaryGrid->clear();
    // clear() keeps the spans: a heading's span would blank whatever row takes its place in another layout.
    SummaryGrid->clearSpans();
    SummaryGrid->setColumnCount(series + 1);
    SummaryGrid->setRowCount(static_cast<int>(source.Rows.size()));
    SummaryGrid->setHorizontalHeaderItem(0, new QTableWidgetItem(QString()));
    int widestSystem = 0;
    for (int k = 0; k < series; ++k) {
        // In the series' colour, without a swatch: the header elides its text as if no icon took room beside it.
        // The system's name whole under the game's: side by side they are cut on both ends in narrow columns.
        const QString caption = source.Captions.at(k);
        const qsizetype open = caption.lastIndexOf(QStringLiteral(" ["));
        const QString shown = open > 0 && caption.endsWith(QLatin1Char(']'))
                                  ? caption.left(open) + QLatin1Char('\n') + caption.mid(open + 2).chopped(1)
                                  : caption;
        widestSystem = std::max(widestSystem, SummaryGrid->horizontalHeader()->fontMetrics().horizontalAdvance(
                                                  shown.mid(shown.lastIndexOf(QLatin1Char('\n')) + 1)));
        auto* header = new QTableWidgetItem(shown);
        header->setForeground(ToQColor(source.Colors[static_cast<size_t>(k)]).darker(130));
        header->setToolTip(source.Captions.at(k));
        SummaryGrid->setHorizontalHeaderItem(k + 1, header);
    }
    const QChar decimal = SystemDecimalSymbol();
    for (int r = 0; r < static_cast<int>(source.Rows.size()); ++r) {
        const TSummaryRow& row = source.Rows[static_cast<size_t>(r)];
        auto* label = new QTableWidgetItem(row.Label);
        label->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (row.Unit == TSummaryUnit::Heading || row.Unit == TSummaryUnit::Note) {
            QFont font = label->font();
            font.setBold(row.Unit == TSummaryUnit::Heading);
            font.setItalic(row.Unit == TSummaryUnit::Note);
            label->setFont(font);
            SummaryGrid->setItem(r, 0, label);
            SummaryGrid->setSpan(r, 0, 1, series + 1);
            continue;
        }
        SummaryGrid->setItem(r, 0, label);
        for (int k = 0; k < series; ++k) {
            auto* value = new QTableWidgetItem(FormatSummaryValue(row, static_cast<size_t>(k), decimal));
            value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            SummaryGrid->setItem(r, k + 1, value);
        }
    }
    // The labels as wide as they need, the values sharing the rest; the header keeps that when the view is resized
    // (widths set once here would follow the size the view had before the window's layout settled).
    QHeaderView* header = SummaryGrid->horizontalHeader();
    // The system's name, which tells the series apart, never cut: the view scrolls rather than hide it.
    header->setMinimumSectionSize(
        std::max(110, widestSystem + 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 8));
    // Two lines, read from their start: a centred line wider than its column is cut at both ends.
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setFixedHeight(2 * header->fontMetrics().lineSpacing() + 8);
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (int k = 1; k <= series; ++k)
        header->setSectionResizeMode(k, QHeaderView::Stretch);
}

QColor TfmMain::StaleSummaryColor() {
    return QColor(160, 160, 160);
}

void TfmMain::MarkSummaryStale() {
    for (int r = 0; r < SummaryGrid->rowCount(); ++r)
        for (int c = 1; c < SummaryGrid->columnCount(); ++c)
            if (QTableWidgetItem* item = SummaryGrid->item(r, c))
                item->setForeground(StaleSummaryColor());
}

bool TfmMain::CopySummary() {
    if (!SummaryShown())
        return false;
    QStringList lines;
    BuildSummaryText(lines, SummarySourceOf(*FController, &GetPreferences()), SystemDecimalSymbol());
    QGuiApplication::clipboard()->setText(LinesToText(lines));
    return true;
}

bool TfmMain::ExportSummary(const QString& name) {
    if (!SummaryShown())
        return false;
    const TExportKind kind = ExportKindOf(name);
    if (kind != TExportKind::Text && kind != TExportKind::Html && kind != TExportKind::Csv)
        return false; // the pictures show the chart, as in the other views
    const TSummarySource source = SummarySourceOf(*FController, &GetPreferences());
    QStringList lines;
    if (kind == TExportKind::Text) {
        BuildSummaryText(lines, source, SystemDecimalSymbol());
    } else if (kind == TExportKind::Csv) {
        BuildSummaryCsv(lines, source);
    } else {
        lines << QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>")
              << QStringLiteral("<h1>") + HtmlEscape(FController->GetChartKindName(FController->ChartIndex())) +
                     QStringLiteral("</h1>");
        BuildSummaryHtml(lines, source, SystemDecimalSymbol());
        lines << QStringLiteral("</body></html>");
    }
    WriteFileAtomically(name, LinesToBytes(lines));
    return true;
}

} // namespace wl
