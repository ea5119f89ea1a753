// The summary as rows of figures under headings, one column per series, and its text, HTML, CSV and JSON forms.
//
// Probabilities show as percentages, results in bet units, rounds as numbers. The view and the text use the data
// view's six decimals; CSV and JSON carry every figure exactly (17 significant digits, "." always). A figure that
// does not apply to a series is empty; one that the balance limits cut ends in "*" where it is shown.
#pragma once

#include "support/Color.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace wl {

class ITextSource;
class TChartController;
struct TDataSource;
struct TSeriesSummary;

enum class TSummaryUnit { Heading, Note, Percent, Units, Rounds, Whole };

struct TSummaryRow {
    QString Id; // stable, for CSV and JSON: "HouseEdge", "State2Reach"
    QString Label;
    TSummaryUnit Unit = TSummaryUnit::Heading;
    std::vector<std::optional<double>> Values; // per series, as shown (percentages for Percent)
    std::vector<bool> Cut;                     // per series
    std::vector<int> Bound;                    // per series: 1 at least, -1 at most, 0 the value itself
};

struct TSummarySource {
    QStringList Captions;
    std::vector<TColor> Colors;
    std::vector<TSummaryRow> Rows;
    QString Warning; // the limit warning, when a figure is cut
    // Per series, why its figures carry "*" (empty where none does); also the last rows, as notes.
    std::vector<QString> Reasons;
};

// The rows for the given series (nullptr: a series without a summary, its column empty). Rows that apply to no
// series are left out. texts gives the labels ("Summary" section), English without them.
TSummarySource BuildSummarySource(const QStringList& captions, const std::vector<TColor>& colors,
                                  const std::vector<const TSeriesSummary*>& summaries, const ITextSource* texts);
TSummarySource SummarySourceOf(const TChartController& controller, const ITextSource* texts);

// A value as the view shows it: six decimals (whole numbers without), "≥ " or "≤ " before a bound, "*" when cut,
// empty when absent.
QString FormatSummaryValue(const TSummaryRow& row, size_t series, QChar decimalSymbol);

// Aligned columns for reading, then the warning.
void BuildSummaryText(QStringList& lines, const TSummarySource& source, QChar decimalSymbol);
// A table with the captions in their colours and the headings across it, then the warning.
void BuildSummaryHtml(QStringList& lines, const TSummarySource& source, QChar decimalSymbol);
// RFC 4180: "Id","Figure", then one quoted caption per series; one record per figure, headings and notes left out,
// and a last record "Starred" with the reasons where a figure is not exact.
void BuildSummaryCsv(QStringList& lines, const TSummarySource& source);
// An array with one object per series: caption, cut (whether the limits cut its figures), the reason and figures
// by Id.
QByteArray SummaryJson(const TSummarySource& source);

// The ordinary table as JSON: an array with one object per series, its caption and the x and y of every computed
// row, as the full and CSV forms carry them.
QByteArray DataJson(const TDataSource& source);

} // namespace wl
