// The text and HTML builders of the data table and the export file-name rules.
#include "presentation/DataExport.h"

#include "charts/ChartController.h"
#include "engine/GameCalculator.h"
#include "presentation/DataTable.h"
#include "support/Exception.h"
#include "support/Numbers.h"
#include "support/SafeFormat.h"

#include <QDateTime>
#include <QLocale>
#include <QUrl>

#include <algorithm>
#include <charconv>
#include <utility>

namespace wl {

namespace {

// A lone tab or line break in a caption would shift or split the columns of the text table.
QString PlainCaption(const QString& caption) {
    QString result = caption;
    for (QChar& c : result)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return result;
}

QString ConvertDecimal(const QString& line, const QString& replacement) {
    if (replacement == QStringLiteral("."))
        return line;
    QString result = line;
    result.replace(QLatin1Char('.'), replacement);
    return result;
}

const TDataTable& TableOf(const TDataSource& source) {
    if (source.Table == nullptr)
        throw Exception("The data table to export is missing");
    return *source.Table;
}

QString FormatColorHex(TColor color) {
    QString hex;
    for (int part : {ColorRed(color), ColorGreen(color), ColorBlue(color)})
        hex += QString::number(part, 16).rightJustified(2, QLatin1Char('0'));
    return hex;
}

} // namespace

QString SkippedRowText(const TTableRows::TRow& row) {
    return FormatInteger(row.X) + QStringLiteral("..") + FormatInteger(row.LastX);
}

TDataSource DataSourceOf(const TChartController& controller, const TDataTable& table) {
    TDataSource source;
    source.Table = &table;
    source.MinX = controller.MinX();
    source.MaxX = controller.MaxX();
    for (int k = 0; k < controller.SeriesCount(); ++k) {
        source.Captions.append(controller.GetSeriesCaption(k));
        source.Colors.push_back(controller.GetCalculator(k).LineColor());
    }
    source.Answers = controller.BankrollAnswers();
    source.Warning = controller.LimitWarning();
    source.Probabilities = controller.ShownValuesAreProbabilities();
    return source;
}

QChar DecimalSymbolFrom(const QString& localeSymbol) {
    return localeSymbol.isEmpty() ? QLatin1Char('.') : localeSymbol.at(0);
}

QString FormatFixedPadded(double value, int decimals, int width) {
    char buffer[400]; // the largest double has 309 integer digits
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const QString text =
        result.ec == std::errc() ? QString::fromLatin1(buffer, result.ptr - buffer) : FormatFull(value);
    return text.rightJustified(width, QLatin1Char(' '));
}

void BuildDataText(QStringList& lines, const TDataSource& source, QChar decimalSymbol) {
    const TDataTable& table = TableOf(source);
    QString title = QStringLiteral("X");
    for (const QString& caption : source.Captions)
        title += QLatin1Char('\t') + PlainCaption(caption);
    lines.append(title);

    const QString symbol(decimalSymbol);
    TTableRows(table, source.MinX, source.MaxX, true).ForEach([&](const TTableRows::TRow& row) {
        // A skipped stretch shows the value that holds over it: 0, or a cumulative value carried from before.
        QString line = row.Marker ? SkippedRowText(row) : FormatInteger(row.X);
        for (int k = 0; k < source.Captions.size(); ++k)
            line += QLatin1Char('\t') + FormatFixedPadded(table.Value(row.X, k), 6, 10);
        lines.append(ConvertDecimal(line, symbol));
    });
    if (!source.Answers.isEmpty())
        lines << QString() << source.Answers;
    if (!source.Warning.isEmpty())
        lines << QString() << source.Warning;
}

std::pair<int64_t, int64_t> ComputedRows(const TDataSource& source) {
    const TDataTable& table = TableOf(source);
    if (table.ComputedMinX() > table.ComputedMaxX())
        return {source.MinX, source.MaxX};
    return {std::min(source.MinX, table.ComputedMinX()), std::max(source.MaxX, table.ComputedMaxX())};
}

void BuildDataFullText(QStringList& lines, const TDataSource& source) {
    const TDataTable& table = TableOf(source);
    QString title = QStringLiteral("X");
    for (const QString& caption : source.Captions)
        title += QLatin1Char('\t') + PlainCaption(caption);
    lines.append(title);

    const auto [first, last] = ComputedRows(source);
    TTableRows(table, first, last, false).ForEach([&](const TTableRows::TRow& row) {
        QString line = FormatInteger(row.X);
        for (int k = 0; k < source.Captions.size(); ++k)
            line += QLatin1Char('\t') + FormatFull(table.ComputedValue(row.X, k));
        lines.append(line);
    });
}

namespace {

QString CsvField(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

void BuildDataCsv(QStringList& lines, const TDataSource& source) {
    const TDataTable& table = TableOf(source);
    QStringList header{CsvField(QStringLiteral("X"))};
    for (const QString& caption : source.Captions)
        header.append(CsvField(caption));
    lines.append(header.join(QLatin1Char(',')));
    const auto [first, last] = ComputedRows(source);
    TTableRows(table, first, last, false).ForEach([&](const TTableRows::TRow& row) {
        QString line = FormatInteger(row.X);
        for (int k = 0; k < source.Captions.size(); ++k)
            line += QLatin1Char(',') + FormatFull(table.ComputedValue(row.X, k));
        lines.append(line);
    });
}

void BuildDataHtmlTable(QStringList& lines, const TDataSource& source, QChar decimalSymbol) {
    const TDataTable& table = TableOf(source);
    lines.append(QStringLiteral("<table border=\"1\">"));
    QString header = QStringLiteral("<tr align=\"center\"><th>X</th>");
    for (const QString& caption : source.Captions)
        header += QStringLiteral("<th>") + HtmlEscape(caption) + QStringLiteral("</th>");
    lines.append(header + QStringLiteral("</tr>"));

    const QString symbol = HtmlEscape(QString(decimalSymbol));
    TTableRows(table, source.MinX, source.MaxX, true).ForEach([&](const TTableRows::TRow& row) {
        const int64_t x = row.X;
        QString line = QStringLiteral("<tr align=\"right\"><td>&nbsp;") +
                       (row.Marker ? SkippedRowText(row) : FormatInteger(x)) + QStringLiteral("&nbsp;</td>");
        for (int k = 0; k < source.Captions.size(); ++k) {
            const double v = table.Value(x, k);
            if (source.Probabilities && v < 1e-6)
                line += QStringLiteral("<td>&nbsp;-&nbsp;</td>");
            else
                line += QStringLiteral("<td>&nbsp;") + FormatFixedPadded(v, 6, 0) + QStringLiteral("&nbsp;</td>");
        }
        lines.append(ConvertDecimal(line, symbol) + QStringLiteral("</tr>"));
    });
    lines.append(QStringLiteral("</table>"));
}

void BuildHtmlPage(QStringList& lines, const TDataSource& source, const THtmlPageInfo& info, QChar decimalSymbol) {
    lines.append(QStringLiteral("<html><body>"));
    lines.append(QStringLiteral("<h1>") + HtmlEscape(info.ChartName) + QStringLiteral("</h1>"));
    // A file name is not yet a URL: "#", "?", "%" and spaces would mean something else in a reference.
    const QString reference = QString::fromLatin1(QUrl::toPercentEncoding(info.PictureFileName));
    lines.append(QStringLiteral("<img src=\"") + HtmlEscape(reference) + QStringLiteral("\" width=\"") +
                 FormatInteger(info.PictureWidth) + QStringLiteral("\" height=\"") + FormatInteger(info.PictureHeight) +
                 QStringLiteral("\">"));
    lines.append(QStringLiteral("<table border=\"0\" cellspacing=\"3\" cellpadding=\"0\">"));
    for (int k = 0; k < source.Captions.size(); ++k) {
        const TColor color =
            k < static_cast<int>(source.Colors.size()) ? source.Colors[static_cast<size_t>(k)] : clWhite;
        const QString swatch =
            QStringLiteral("<table border=\"1\" cellpadding=\"0\" cellspacing=\"0\" bordercolor=\"#000000\" "
                           "width=\"20\"><tr><td bgcolor=\"#") +
            FormatColorHex(color) + QStringLiteral("\">&nbsp;</td></tr></table>");
        lines.append(QStringLiteral("<tr><td>") + swatch + QStringLiteral("</td><td>&nbsp;&nbsp;") +
                     HtmlEscape(source.Captions.at(k)) + QStringLiteral("</td></tr>"));
    }
    lines.append(QStringLiteral("</table><p></p>"));
    // The answer before the table: a planner's table runs to thousands of rows.
    for (const QString& answer : source.Answers)
        lines.append(QStringLiteral("<p>") + HtmlEscape(answer) + QStringLiteral("</p>"));
    BuildDataHtmlTable(lines, source, decimalSymbol);
    if (!source.Warning.isEmpty())
        lines.append(QStringLiteral("<p><strong>") + HtmlEscape(source.Warning) + QStringLiteral("</strong></p>"));
    // The escaped format keeps its placeholders; the link is markup of ours and goes in after escaping.
    const QString link = QStringLiteral("<a href=\"") + HtmlEscape(ProductPageAddress(info.SiteAddress)) +
                         QStringLiteral("\"><strong>Wagerlens</strong></a>");
    lines.append(QStringLiteral("<p></p><hr><small>") +
                 SafeFormat(HtmlEscape(info.FooterFormat), {HtmlEscape(info.GeneratedAt), link}));
    lines.append(QStringLiteral("</small></body></html>"));
}

QString HtmlEscape(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (char32_t c : text.toUcs4()) {
        switch (c) {
        case U'&':
            result += QStringLiteral("&amp;");
            break;
        case U'<':
            result += QStringLiteral("&lt;");
            break;
        case U'>':
            result += QStringLiteral("&gt;");
            break;
        case U'"':
            result += QStringLiteral("&quot;");
            break;
        case U'\'':
            result += QStringLiteral("&#39;");
            break;
        default:
            if (c < 0x20 || c == 0x7F)
                result += QLatin1Char(' ');
            else if (c > 0x7F)
                result += QStringLiteral("&#") + QString::number(static_cast<uint>(c)) + QLatin1Char(';');
            else
                result += QChar(static_cast<char16_t>(c));
        }
    }
    return result;
}

QString ProductPageAddress(const QString& siteAddress) {
    return siteAddress + QStringLiteral("/soft/wagerlens/");
}

QString FormatGeneratedTime(const QDateTime& when, const QLocale& locale) {
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), QLocale::LongFormat);
}

QString LinesToText(const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QByteArray LinesToBytes(const QStringList& lines) {
    return LinesToText(lines).toUtf8();
}

namespace {

// The position of the extension's dot in the file name part of path, or -1.
qsizetype ExtensionDot(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return dot > slash ? dot : -1;
}

struct TExtension {
    const char* Name;
    TExportKind Kind;
};

constexpr TExtension Extensions[] = {
    {"bmp", TExportKind::Bitmap},   {"gif", TExportKind::Gif},  {"emf", TExportKind::EnhancedMetafile},
    {"wmf", TExportKind::Metafile}, {"txt", TExportKind::Text}, {"htm", TExportKind::Html},
    {"html", TExportKind::Html},    {"png", TExportKind::Png},  {"svg", TExportKind::Svg},
    {"pdf", TExportKind::Pdf},      {"csv", TExportKind::Csv},
};

} // namespace

TExportKind ExportKindOf(const QString& path) {
    const qsizetype dot = ExtensionDot(path);
    if (dot < 0)
        return TExportKind::None;
    const QString ext = path.mid(dot + 1).toUpper();
    for (const TExtension& e : Extensions)
        if (ext == QString::fromLatin1(e.Name).toUpper())
            return e.Kind;
    return TExportKind::None;
}

QString WritableExtensions() {
    QStringList names;
    for (const TExtension& e : Extensions)
        names.append(QString::fromLatin1(e.Name));
    return names.join(QStringLiteral(", "));
}

bool IsPictureExport(TExportKind kind) {
    switch (kind) {
    case TExportKind::Bitmap:
    case TExportKind::Metafile:
    case TExportKind::EnhancedMetafile:
    case TExportKind::Gif:
    case TExportKind::Png:
    case TExportKind::Svg:
    case TExportKind::Pdf:
        return true;
    case TExportKind::None:
    case TExportKind::Text:
    case TExportKind::Html:
    case TExportKind::Csv:
        return false;
    }
    return false;
}

QString FilterExtension(const QString& pattern) {
    const QString first = pattern.section(QLatin1Char(';'), 0, 0).trimmed();
    if (!first.startsWith(QStringLiteral("*.")))
        return {};
    const QString extension = first.mid(2);
    return extension.contains(QLatin1Char('*')) || extension.contains(QLatin1Char('?')) ? QString() : extension;
}

QString ChangeFileExtension(const QString& path, const QString& extension) {
    const qsizetype dot = ExtensionDot(path);
    return (dot < 0 ? path : path.left(dot)) + extension;
}

} // namespace wl
