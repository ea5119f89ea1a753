// The main window's summary view: one column per series in its colour, one row per figure under headings, and its
// copy and export as text, HTML and CSV.
#include "ui/main/fMain.h"

#include "charts/ChartController.h"
#include "engine/GameCalculator.h"
#include "preferences/Preferences.h"
#include "presentation/SummaryExport.h"
#include "support/AtomicFile.h"
#include "support/TextSource.h"
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
#include <memory>

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
    // Starts a calculation when the figures are missing; they appear series by series as each is complete.
    FController->SetSummaryWanted(true);
    FillSummaryGrid();
}

void TfmMain::HideSummaryView() {
    SummaryGrid->hide();
    miSummary->setChecked(false);
    FController->SetSummaryWanted(false);
}

namespace {

// The label column's role that names the row: the progress row is found by it.
constexpr int SummaryRowIdRole = Qt::UserRole;
const QString ProgressRowId = QStringLiteral("#progress");

} // namespace

void TfmMain::FillSummaryGrid() {
    if (!SummaryShown())
        return;
    // While a recompute runs, a series whose new figures have not arrived keeps its old ones, greyed; by caption, so
    // that a series deleted meanwhile takes its figures with it.
    const bool running = FController->Running();
    const int series = FController->SeriesCount();
    QStringList captions;
    std::vector<TColor> colors;
    std::vector<const TSeriesSummary*> fresh, shown;
    std::vector<bool> taken(FShownSummaries.size(), false);
    for (int k = 0; k < series; ++k) {
        captions.append(FController->GetSeriesCaption(k));
        colors.push_back(FController->GetCalculator(k).LineColor());
        fresh.push_back(FController->SeriesSummary(k));
        shown.push_back(fresh.back());
        for (size_t i = 0; i < FShownSummaries.size() && running && !fresh.back(); ++i)
            if (!taken[i] && FShownSummaries[i].first == captions.back()) {
                taken[i] = true;
                shown.back() = &FShownSummaries[i].second;
                break;
            }
    }
    const TPreferences& prefs = GetPreferences();
    TSummarySource source = BuildSummarySource(captions, colors, shown, &prefs);
    if (shown != fresh) {
        // The old figures give the rows their place; the new ones, where there are any, their labels.
        const TSummarySource labels = BuildSummarySource(captions, colors, fresh, &prefs);
        for (TSummaryRow& row : source.Rows)
            for (const TSummaryRow& current : labels.Rows)
                if (current.Id == row.Id)
                    row.Label = current.Label;
    }
    std::vector<std::pair<QString, TSeriesSummary>> kept;
    for (int k = 0; k < series; ++k)
        if (shown[static_cast<size_t>(k)])
            kept.emplace_back(captions.at(k), *shown[static_cast<size_t>(k)]);
    const int top = running ? 1 : 0; // the progress row
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
        const QString text = open > 0 && caption.endsWith(QLatin1Char(']'))
                                 ? caption.left(open) + QLatin1Char('\n') + caption.mid(open + 2).chopped(1)
                                 : caption;
        widestSystem = std::max(widestSystem, SummaryGrid->horizontalHeader()->fontMetrics().horizontalAdvance(
                                                  text.mid(text.lastIndexOf(QLatin1Char('\n')) + 1)));
        auto* header = new QTableWidgetItem(text);
        header->setForeground(ToQColor(source.Colors[static_cast<size_t>(k)]).darker(130));
        header->setToolTip(source.Captions.at(k));
        SummaryGrid->setHorizontalHeaderItem(k + 1, header);
    }
    if (running)
        ShowSummaryProgress(); // adds the row on top
    const QChar decimal = SystemDecimalSymbol();
    for (int i = 0; i < static_cast<int>(source.Rows.size()); ++i) {
        const TSummaryRow& row = source.Rows[static_cast<size_t>(i)];
        const int r = i + top;
        auto* label = new QTableWidgetItem(row.Label);
        label->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        label->setData(SummaryRowIdRole, row.Id);
        if (row.Unit == TSummaryUnit::Heading || row.Unit == TSummaryUnit::Note) {
            QFont font = label->font();
            font.setBold(row.Unit == TSummaryUnit::Heading);
            font.setItalic(row.Unit == TSummaryUnit::Note);
            label->setFont(font);
            SummaryGrid->setItem(r, 0, label);
            if (series > 0)
                SummaryGrid->setSpan(r, 0, 1, series + 1);
            continue;
        }
        SummaryGrid->setItem(r, 0, label);
        for (int k = 0; k < series; ++k) {
            const bool isStale = fresh[static_cast<size_t>(k)] != shown[static_cast<size_t>(k)];
            auto* value = new QTableWidgetItem(FormatSummaryValue(row, static_cast<size_t>(k), decimal));
            value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (isStale)
                value->setForeground(StaleSummaryColor());
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
    FShownSummaries = std::move(kept);
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

QString TfmMain::SummaryProgressText() const {
    const TPreferences& prefs = GetPreferences();
    if (!FController->CompletingSummaries())
        return SectionText(&prefs, QStringLiteral("Summary"), QStringLiteral("Calculating"),
                           QStringLiteral("Calculating: %d %%"), {static_cast<long long>(FCalcPercent)});
    long long done = 0;
    for (int k = 0; k < FController->SeriesCount(); ++k)
        done += FController->SeriesSummary(k) != nullptr ? 1 : 0;
    return SectionText(
        &prefs, QStringLiteral("Summary"), QStringLiteral("Completing"),
        QStringLiteral("Completing the figures: %d %%, %d of %d series done"),
        {static_cast<long long>(FCalcPercent), done, static_cast<long long>(FController->SeriesCount())});
}

void TfmMain::ShowSummaryProgress() {
    // A view without columns yet has no cell to take the row: the table would not own it.
    if (!SummaryShown() || SummaryGrid->columnCount() == 0)
        return;
    QTableWidgetItem* row = SummaryGrid->item(0, 0);
    if (row == nullptr || row->data(SummaryRowIdRole).toString() != ProgressRowId) {
        SummaryGrid->insertRow(0);
        auto item = std::make_unique<QTableWidgetItem>();
        item->setFlags(Qt::ItemIsEnabled);
        item->setData(SummaryRowIdRole, ProgressRowId);
        QFont font = item->font();
        font.setItalic(true);
        item->setFont(font);
        SummaryGrid->setItem(0, 0, item.get());
        row = item.release(); // the table owns it now
        if (SummaryGrid->columnCount() > 1)
            SummaryGrid->setSpan(0, 0, 1, SummaryGrid->columnCount());
    }
    row->setText(SummaryProgressText());
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
