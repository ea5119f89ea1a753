// The text and HTML forms of the data table (text export, copy, HTML page) and the export file-name rules.
//
// Numbers are formatted with "." and then, in data lines only, turned into the user's decimal symbol. Every text
// that comes from a user or a language file (captions, chart names, addresses) is escaped in the HTML lines, and
// non-ASCII characters become character references, so the page reads the same in any character set.
#pragma once

#include "presentation/DataTable.h"
#include "support/Color.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

class QDateTime;
class QLocale;

namespace wl {

class TChartController;

// What the exports show: the rows MinX..MaxX of the table, one column per series.
struct TDataSource {
    const TDataTable* Table = nullptr;
    int64_t MinX = 0;
    int64_t MaxX = 0;
    QStringList Captions;       // series order
    std::vector<TColor> Colors; // series order; white for a series without a line
    // The bankroll planner's answers, one line per series (TChartController::BankrollAnswers); the text and the
    // page show them after the table.
    QStringList Answers;
    // Where the values are not exact (TChartController::LimitWarning); the text and the page end with it.
    QString Warning;
    // Whether the values are probabilities, which the HTML table hides below its cut-off; other values (an expected
    // result) are always shown.
    bool Probabilities = true;
};

// The controller's series, captions, colours and X range over the given table.
TDataSource DataSourceOf(const TChartController& controller, const TDataTable& table);

// The X cell of a marker row: the skipped X as "first..last".
QString SkippedRowText(const TTableRows::TRow& row);

// The first character of the locale's decimal symbol, "." when it has none.
QChar DecimalSymbolFrom(const QString& localeSymbol);

// printf's "%<width>.<decimals>f" in the C locale, without printf: right-aligned, rounded like printf.
QString FormatFixedPadded(double value, int decimals, int width);

// The tab-separated table: the title line "X<tab>caption...", then one line per row of TTableRows with "%10.6f"
// values (a marker row: the skipped X as "first..last" and the values that hold over them), then an empty line and
// the warning, if any.
void BuildDataText(QStringList& lines, const TDataSource& source, QChar decimalSymbol);
// The X range of the exact formats (full text, CSV): MinX..MaxX widened to every row that holds a computed value.
std::pair<int64_t, int64_t> ComputedRows(const TDataSource& source);
// The same layout with every computed value in 17 significant digits and "." (the companion's full output): the
// values too small to plot included, over the range of ComputedRows, with a row for every X that some series
// covers and no marker rows.
void BuildDataFullText(QStringList& lines, const TDataSource& source);
// RFC 4180: a header row of quoted captions, then one row per X with every computed value in 17 significant digits
// and "." whatever the locale, over the same rows as the full text.
// The HTML table: probabilities below 1e-6 show as "-", a marker row as "first..last" with the values that hold.
void BuildDataCsv(QStringList& lines, const TDataSource& source);
void BuildDataHtmlTable(QStringList& lines, const TDataSource& source, QChar decimalSymbol);

struct THtmlPageInfo {
    QString ChartName;       // as the language gives it, not upper-cased
    QString PictureFileName; // file name only, no folder
    int PictureWidth = 0;
    int PictureHeight = 0;
    QString GeneratedAt; // see FormatGeneratedTime
    QString SiteAddress; // the maker's web site; the footer links to its product page
    // The footer in the chosen language: the time, then the linked program name.
    QString FooterFormat = QStringLiteral("Generated %s by %s");
};

// The whole page: heading, picture, colour legend, the answers, the HTML data table, the limit line and the footer.
void BuildHtmlPage(QStringList& lines, const TDataSource& source, const THtmlPageInfo& info, QChar decimalSymbol);

QString HtmlEscape(const QString& text);
// The site address followed by "/soft/wagerlens/".
QString ProductPageAddress(const QString& siteAddress);
// The locale's short date and long time, for the page's footer.
QString FormatGeneratedTime(const QDateTime& when, const QLocale& locale);

// Every line followed by CR LF, encoded as UTF-8: the form of a written file and of the copied text.
QByteArray LinesToBytes(const QStringList& lines);
QString LinesToText(const QStringList& lines);

enum class TExportKind { None, Bitmap, Metafile, EnhancedMetafile, Gif, Text, Html, Png, Svg, Pdf, Csv };

// The export the name's extension selects (from the last dot of the file name, compared in upper case exactly):
// .BMP .WMF .EMF .GIF .TXT .HTM (.HTML too) .PNG .SVG .PDF .CSV; anything else is None.
TExportKind ExportKindOf(const QString& path);
// The extensions that ExportKindOf knows, for telling the user: "bmp, gif, ...".
QString WritableExtensions();
// Pictures of the chart, as opposed to the tables.
bool IsPictureExport(TExportKind kind);
// The extension a save filter's pattern gives a name typed without one: "*.htm" -> "htm", the first of
// "*.htm;*.html"; empty for "*" or "*.*".
QString FilterExtension(const QString& pattern);
// Replaces the file name's extension (from its last dot) or appends one: ("c/chart.htm", ".GIF") -> "c/chart.GIF".
QString ChangeFileExtension(const QString& path, const QString& extension);

} // namespace wl
