// Tests of the text and HTML builders of the data table and the export file-name rules.
#include "presentation/DataExport.h"
#include "presentation/DataTable.h"

#include "charts/Chart.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

#include <functional>

#include <utility>
#include <vector>

using namespace wl;

namespace {

// Two series over X = -1..1: a fair coin after one round, and a series with tiny and exact values.
struct TFixture {
    TDataTable Table;
    TDataSource Source;

    explicit TFixture(QStringList captions = {QStringLiteral("Coin [Flat]"), QStringLiteral("Dice [Martingale]")}) {
        Table.SetValue(-1, 0, 50.0);
        Table.SetValue(1, 0, 50.0);
        Table.SetValue(-1, 1, 1e-7);
        Table.SetValue(0, 1, 12.3456789);
        Table.SetValue(1, 1, 1e-6);
        Source.Table = &Table;
        Source.MinX = -1;
        Source.MaxX = 1;
        Source.Captions = std::move(captions);
        Source.Colors = {MakeColor(255, 0, 0), MakeColor(0, 128, 0)};
    }
};

const QString Hostile = QStringLiteral("<b>x</b> & \"q\" 'a'");

} // namespace

TEST(DataText, TitleAndRowsInPrintfLayout) {
    TFixture f;
    QStringList lines;
    BuildDataText(lines, f.Source, QLatin1Char('.'));
    const QStringList expected = {
        QStringLiteral("X\tCoin [Flat]\tDice [Martingale]"),
        QStringLiteral("-1\t 50.000000\t  0.000000"),
        QStringLiteral("0\t  0.000000\t 12.345679"),
        QStringLiteral("1\t 50.000000\t  0.000001"),
    };
    EXPECT_EQ(lines, expected);
}

TEST(DataText, DecimalSymbolConvertsDataLinesOnly) {
    TFixture f({QStringLiteral("Dice 1.5 [Flat]")});
    QStringList lines;
    BuildDataText(lines, f.Source, QLatin1Char(','));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("X\tDice 1.5 [Flat]"));
    EXPECT_EQ(lines[1], QStringLiteral("-1\t 50,000000"));
}

TEST(DataText, NoSeriesGivesXColumnOnly) {
    TFixture f(QStringList{});
    f.Source.MinX = -2;
    f.Source.MaxX = 2;
    QStringList lines;
    BuildDataText(lines, f.Source, QLatin1Char('.'));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("X"), QStringLiteral("-2"), QStringLiteral("-1"), QStringLiteral("0"),
                                  QStringLiteral("1"), QStringLiteral("2")}));
}

TEST(DataText, ControlCharactersInCaptionsCannotSplitColumns) {
    TFixture f({QStringLiteral("A\tB [C\r\nD]")});
    QStringList lines;
    BuildDataText(lines, f.Source, QLatin1Char('.'));
    EXPECT_EQ(lines[0], QStringLiteral("X\tA B [C  D]"));
}

TEST(DataText, FullTextKeepsEveryDigit) {
    TFixture f;
    f.Table.SetValue(0, 0, 0.1 + 0.2);
    QStringList lines;
    BuildDataFullText(lines, f.Source);
    ASSERT_EQ(lines.size(), 4);
    const QStringList cells = lines[2].split(QLatin1Char('\t'));
    ASSERT_EQ(cells.size(), 3);
    EXPECT_EQ(cells[0], QStringLiteral("0"));
    EXPECT_EQ(cells[1].toDouble(), 0.1 + 0.2);
    EXPECT_EQ(cells[2].toDouble(), 12.3456789);
}

TEST(DataText, PrintfFixedFormatting) {
    struct TRow {
        const char* Name;
        double Value;
        int Decimals;
        int Width;
        const char* Expected;
    };
    const TRow rows[] = {
        {"padded", 25.0, 6, 10, " 25.000000"},
        {"wider than width", 12345.5, 6, 10, "12345.500000"},
        {"negative zero like printf", -0.0, 6, 10, " -0.000000"},
        {"sample to one decimal", 98.9999999, 1, 10, "      99.0"},
        {"binary value decides rounding", 0.125, 2, 0, "0.12"},
        {"no padding", 0.5, 6, 0, "0.500000"},
    };
    for (const TRow& r : rows)
        EXPECT_EQ(FormatFixedPadded(r.Value, r.Decimals, r.Width), QLatin1String(r.Expected)) << r.Name;
}

TEST(HtmlTable, DashesBelowOneMillionthAndConvertsDecimals) {
    TFixture f;
    QStringList lines;
    BuildDataHtmlTable(lines, f.Source, QLatin1Char(','));
    const QStringList expected = {
        QStringLiteral("<table border=\"1\">"),
        QStringLiteral("<tr align=\"center\"><th>X</th><th>Coin [Flat]</th><th>Dice [Martingale]</th></tr>"),
        QStringLiteral("<tr align=\"right\"><td>&nbsp;-1&nbsp;</td><td>&nbsp;50,000000&nbsp;</td>"
                       "<td>&nbsp;-&nbsp;</td></tr>"),
        QStringLiteral("<tr align=\"right\"><td>&nbsp;0&nbsp;</td><td>&nbsp;-&nbsp;</td>"
                       "<td>&nbsp;12,345679&nbsp;</td></tr>"),
        QStringLiteral("<tr align=\"right\"><td>&nbsp;1&nbsp;</td><td>&nbsp;50,000000&nbsp;</td>"
                       "<td>&nbsp;0,000001&nbsp;</td></tr>"),
        QStringLiteral("</table>"),
    };
    EXPECT_EQ(lines, expected);
}

TEST(HtmlTable, HostileCaptionsAndDecimalSymbolAreEscaped) {
    TFixture f({Hostile + QStringLiteral(" [Flat]")});
    QStringList lines;
    BuildDataHtmlTable(lines, f.Source, QLatin1Char('<'));
    EXPECT_EQ(lines[1], QStringLiteral("<tr align=\"center\"><th>X</th><th>&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot; "
                                       "&#39;a&#39; [Flat]</th></tr>"));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("50&lt;000000"))) << lines[2].toStdString();
}

TEST(HtmlPage, LinesInOrderWithEverythingEscaped) {
    TFixture f({Hostile, QString::fromUtf8("Würfel [€]")});
    f.Source.Colors = {MakeColor(0, 64, 128), clWhite};
    THtmlPageInfo info;
    info.ChartName = QStringLiteral("<script>alert(1)</script>");
    info.PictureFileName = QStringLiteral("a\"b.GIF");
    info.PictureWidth = 459;
    info.PictureHeight = 380;
    info.GeneratedAt = QStringLiteral("07/12/2026 21:00:00");
    info.SiteAddress = QStringLiteral("https://example.org");
    QStringList lines;
    BuildHtmlPage(lines, f.Source, info, QLatin1Char('.'));

    ASSERT_EQ(lines.size(), 2 + 2 + 2 + 1 + 6 + 2);
    EXPECT_EQ(lines[0], QStringLiteral("<html><body>"));
    EXPECT_EQ(lines[1], QStringLiteral("<h1>&lt;script&gt;alert(1)&lt;/script&gt;</h1>"));
    EXPECT_EQ(lines[2], QStringLiteral("<img src=\"a%22b.GIF\" width=\"459\" height=\"380\">"));
    EXPECT_EQ(lines[3], QStringLiteral("<table border=\"0\" cellspacing=\"3\" cellpadding=\"0\">"));
    const QString swatch = QStringLiteral("<tr><td><table border=\"1\" cellpadding=\"0\" cellspacing=\"0\" "
                                          "bordercolor=\"#000000\" width=\"20\"><tr><td bgcolor=\"#%1\">&nbsp;</td>"
                                          "</tr></table></td><td>&nbsp;&nbsp;%2</td></tr>");
    EXPECT_EQ(lines[4], swatch.arg(QStringLiteral("004080"),
                                   QStringLiteral("&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot; &#39;a&#39;")));
    EXPECT_EQ(lines[5], swatch.arg(QStringLiteral("ffffff"), QStringLiteral("W&#252;rfel [&#8364;]")));
    EXPECT_EQ(lines[6], QStringLiteral("</table><p></p>"));
    EXPECT_EQ(lines[7], QStringLiteral("<table border=\"1\">"));
    EXPECT_EQ(lines[13],
              QStringLiteral("<p></p><hr><small>Generated 07/12/2026 21:00:00 by "
                             "<a href=\"https://example.org/soft/wagerlens/\"><strong>Wagerlens</strong></a>"));
    EXPECT_EQ(lines[14], QStringLiteral("</small></body></html>"));
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains(QStringLiteral("<b>")) || line.contains(QStringLiteral("<script>")))
            << line.toStdString();
}

TEST(DataText, TextAndPageEndWithTheLimitWarning) {
    TFixture f;
    f.Source.Warning = QStringLiteral("Up to 3.2 % of the probability lies at <the> edge");
    QStringList text;
    BuildDataText(text, f.Source, QLatin1Char(','));
    ASSERT_EQ(text.size(), 1 + 3 + 2);
    EXPECT_EQ(text[4], QString());
    EXPECT_EQ(text[5], f.Source.Warning) << "the decimal symbol is for data lines only";
    QStringList page;
    BuildHtmlPage(page, f.Source, THtmlPageInfo{}, QLatin1Char('.'));
    EXPECT_EQ(page[page.size() - 3],
              QStringLiteral("<p><strong>Up to 3.2 % of the probability lies at &lt;the&gt; edge</strong></p>"));
}

TEST(HtmlPage, AnswersBeforeTheTableAndTheFooterInTheChosenLanguage) {
    struct TRow {
        const char* Name;
        QString Format;
        QString Expected;
    };
    const QString link =
        QStringLiteral("<a href=\"https://example.org/soft/wagerlens/\"><strong>Wagerlens</strong></a>");
    const TRow rows[] = {
        {"English", QStringLiteral("Generated %s by %s"),
         QStringLiteral("<p></p><hr><small>Generated 1&lt;2 by ") + link},
        {"German, the link in the middle", QStringLiteral("Erstellt am %s mit %s"),
         QStringLiteral("<p></p><hr><small>Erstellt am 1&lt;2 mit ") + link},
        {"Russian, escaped", QString::fromUtf8("Создано %s программой %s <i>"),
         QStringLiteral("<p></p><hr><small>&#1057;&#1086;&#1079;&#1076;&#1072;&#1085;&#1086; 1&lt;2 "
                        "&#1087;&#1088;&#1086;&#1075;&#1088;&#1072;&#1084;&#1084;&#1086;&#1081; ") +
             link + QStringLiteral(" &lt;i&gt;")},
    };
    for (const TRow& row : rows) {
        TFixture f;
        f.Source.Answers = {QStringLiteral("Coin [Flat]: the bankroll for 1 %: 12")};
        THtmlPageInfo info;
        info.GeneratedAt = QStringLiteral("1<2");
        info.SiteAddress = QStringLiteral("https://example.org");
        info.FooterFormat = row.Format;
        QStringList lines;
        BuildHtmlPage(lines, f.Source, info, QLatin1Char('.'));
        const qsizetype answer = lines.indexOf(QStringLiteral("<p>Coin [Flat]: the bankroll for 1 %: 12</p>"));
        const qsizetype table = lines.indexOf(QStringLiteral("<table border=\"1\">"));
        ASSERT_GE(answer, 0) << row.Name;
        EXPECT_LT(answer, table) << row.Name << ": the answer is not lost after thousands of rows";
        EXPECT_EQ(lines[lines.size() - 2], row.Expected) << row.Name;
    }
}

TEST(HtmlPage, PictureReferenceIsPercentEncoded) {
    const std::pair<const char*, const char*> rows[] = {
        {"run#2.GIF", "run%232.GIF"},
        {"a b%20.GIF", "a%20b%2520.GIF"},
        {"a?b&c.GIF", "a%3Fb%26c.GIF"},
        {"Würfel.GIF", "W%C3%BCrfel.GIF"},
    };
    for (const auto& [name, reference] : rows) {
        THtmlPageInfo info;
        info.PictureFileName = QString::fromUtf8(name);
        QStringList lines;
        BuildHtmlPage(lines, TFixture().Source, info, QLatin1Char('.'));
        EXPECT_TRUE(lines[2].startsWith(QStringLiteral("<img src=\"%1\"").arg(QLatin1String(reference))))
            << lines[2].toStdString();
    }
}

TEST(HtmlPage, EscapeKeepsTheWholePageAscii) {
    EXPECT_EQ(HtmlEscape(QString::fromUtf8("a\tb\x01😀")), QStringLiteral("a b &#128512;"));
}

TEST(HtmlPage, GeneratedTimeUsesLocaleFormats) {
    const QDateTime when(QDate(2026, 12, 7), QTime(21, 5, 9));
    const QString text = FormatGeneratedTime(when, QLocale::c());
    EXPECT_TRUE(text.contains(QStringLiteral("21:05:09"))) << text.toStdString();
}

TEST(Lines, WrittenWithCrLfAsUtf8) {
    EXPECT_EQ(LinesToBytes({QStringLiteral("a"), QString::fromUtf8("é")}), QByteArray("a\r\n\xc3\xa9\r\n"));
    EXPECT_EQ(LinesToText({}), QString());
}

TEST(ExportFileNames, KindsFromExtension) {
    struct TRow {
        const char* Path;
        TExportKind Kind;
    };
    const TRow rows[] = {
        {"chart.bmp", TExportKind::Bitmap},
        {"chart.WMF", TExportKind::Metafile},
        {"c.Emf", TExportKind::EnhancedMetafile},
        {"c.gif", TExportKind::Gif},
        {"c.txt", TExportKind::Text},
        {"/tmp/c.htm", TExportKind::Html},
        {"c.html", TExportKind::Html},
        {"c.PNG", TExportKind::Png},
        {"c.svg", TExportKind::Svg},
        {"c.pdf", TExportKind::Pdf},
        {"c.csv", TExportKind::Csv},
        {"c.jpg", TExportKind::None},
        {"c.", TExportKind::None},
        {"chart", TExportKind::None},
        {"dir.htm/chart", TExportKind::None},
        {"c.tar.txt", TExportKind::Text},
    };
    for (const TRow& r : rows)
        EXPECT_EQ(ExportKindOf(QLatin1String(r.Path)), r.Kind) << r.Path;
}

// RFC 4180 records: quoted fields may hold commas, doubled quotes and line breaks.
std::vector<QStringList> ReadCsv(const QString& text) {
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                field += text[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record.append(std::exchange(field, QString()));
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            record.append(std::exchange(field, QString()));
            records.push_back(std::exchange(record, QStringList()));
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_FALSE(quoted) << "an unterminated quoted field";
    EXPECT_TRUE(field.isEmpty() && record.isEmpty()) << "the last record lacks its CR LF";
    return records;
}

TEST(DataCsv, QuotedCaptionsAndFullDigitsReadBack) {
    TFixture f({QStringLiteral("Dice, \"loaded\" [Flat]"), QStringLiteral("Coin\r\n[Flat]")});
    f.Table.SetValue(0, 0, 0.1 + 0.2);
    QStringList lines;
    BuildDataCsv(lines, f.Source);
    const std::vector<QStringList> records = ReadCsv(LinesToText(lines));
    ASSERT_EQ(records.size(), 4U);
    EXPECT_EQ(records[0], (QStringList{QStringLiteral("X"), QStringLiteral("Dice, \"loaded\" [Flat]"),
                                       QStringLiteral("Coin\r\n[Flat]")}));
    for (const QStringList& r : records)
        EXPECT_EQ(r.size(), 3);
    EXPECT_EQ(records[2][0], QStringLiteral("0"));
    EXPECT_EQ(records[2][1].toDouble(), 0.1 + 0.2) << "17 significant digits read back exactly";
    EXPECT_EQ(records[2][2], QStringLiteral("12.345678899999999"));
    EXPECT_EQ(records[1][2], QStringLiteral("9.9999999999999995E-8"));
}

TEST(ExportFileNames, PictureBesideThePage) {
    EXPECT_EQ(ChangeFileExtension(QStringLiteral("/home/u/chart.htm"), QStringLiteral(".GIF")),
              QStringLiteral("/home/u/chart.GIF"));
    EXPECT_EQ(ChangeFileExtension(QStringLiteral("/home/u.v/chart"), QStringLiteral(".GIF")),
              QStringLiteral("/home/u.v/chart.GIF"));
}

TEST(DataText, SkippedBalancesGiveOneMarkerRowButCsvListsOnlyHeldRows) {
    // A lottery-like series in two clusters far apart, captured from its line as the window does.
    TChart chart;
    TSeriesValues computed;
    for (int64_t x : {-2, -1, 999998, 999999})
        computed[x] = x < 0 ? 49.5 : 1e-9;
    chart.Line(0).SetComputedValues(computed);
    chart.Line(0).SetPoints({{-2, 49.5}, {-1, 49.5}});
    TDataTable table;
    CaptureChartData(table, {&chart.Line(0)});
    TDataSource source;
    source.Table = &table;
    source.MinX = -2;
    source.MaxX = 0; // the plotted range with 0, as the controller reports it
    source.Captions = {QStringLiteral("Lottery [Flat]")};

    QStringList text;
    BuildDataText(text, source, QLatin1Char('.'));
    EXPECT_EQ(text, (QStringList{QStringLiteral("X\tLottery [Flat]"), QStringLiteral("-2\t 49.500000"),
                                 QStringLiteral("-1\t 49.500000"), QStringLiteral("0\t  0.000000")}))
        << "a single uncovered X stays a row";
    source.MaxX = 999999;
    text.clear();
    BuildDataText(text, source, QLatin1Char('.'));
    ASSERT_EQ(text.size(), 6);
    EXPECT_EQ(text[3], QStringLiteral("0..999997\t  0.000000")) << "nothing holds over the stretch";
    EXPECT_EQ(text[4], QStringLiteral("999998\t  0.000000"));
    QStringList html;
    BuildDataHtmlTable(html, source, QLatin1Char('.'));
    EXPECT_EQ(html[4], QStringLiteral("<tr align=\"right\"><td>&nbsp;0..999997&nbsp;</td><td>&nbsp;-&nbsp;</td></tr>"));

    QStringList csv;
    BuildDataCsv(csv, source);
    QStringList xs;
    for (qsizetype i = 1; i < csv.size(); ++i)
        xs << csv[i].section(QLatin1Char(','), 0, 0);
    EXPECT_EQ(xs, (QStringList{QStringLiteral("-2"), QStringLiteral("-1"), QStringLiteral("999998"),
                               QStringLiteral("999999")}));
    EXPECT_EQ(csv[3], QStringLiteral("999998,1.0000000000000001E-9"));
}

// A cumulative line in two clusters, as a game of +1000 against -1 leaves it: the stretch between holds the value
// reached before it, in every table and for a second series that covers the stretch.
TEST(DataText, AStretchACumulativeLineSkipsCarriesItsValue) {
    TChart chart;
    TSeriesValues cumulative;
    cumulative[-3000] = 4.9712393998036255;
    cumulative[-1999] = 19.899886246060742;
    cumulative[-1998] = 20.5;
    chart.Line(0).SetComputedValues(cumulative);
    chart.Line(0).SetPoints({{-3000, 4.9712393998036255}, {-1999, 19.899886246060742}, {-1998, 20.5}});
    chart.Line(0).SetHeldAcrossGaps(true);
    TSeriesValues other; // covers the stretch, so the first series has rows there
    for (int64_t x = -2500; x <= -2498; ++x)
        other[x] = 1.0;
    chart.Line(1).SetComputedValues(other);
    chart.Line(1).SetPoints({{-2500, 1.0}, {-2499, 1.0}, {-2498, 1.0}});
    TDataTable table;
    CaptureChartData(table, {&chart.Line(0), &chart.Line(1)});
    TDataSource source;
    source.Table = &table;
    source.MinX = -3000;
    source.MaxX = -1998;
    source.Captions = {QStringLiteral("Far [Flat]"), QStringLiteral("Near [Flat]")};

    struct TRow {
        const char* Name;
        std::function<QStringList()> Build;
        qsizetype Line;
        QString Expected;
    };
    const TRow rows[] = {
        {"text, the stretch before the other series",
         [&] {
             QStringList l;
             BuildDataText(l, source, QLatin1Char('.'));
             return l;
         },
         2, QStringLiteral("-2999..-2501\t  4.971239\t  0.000000")},
        {"text, where the other series is",
         [&] {
             QStringList l;
             BuildDataText(l, source, QLatin1Char('.'));
             return l;
         },
         3, QStringLiteral("-2500\t  4.971239\t  1.000000")},
        {"html",
         [&] {
             QStringList l;
             BuildDataHtmlTable(l, source, QLatin1Char('.'));
             return l;
         },
         3,
         QStringLiteral("<tr align=\"right\"><td>&nbsp;-2999..-2501&nbsp;</td><td>&nbsp;4.971239&nbsp;</td>"
                        "<td>&nbsp;-&nbsp;</td></tr>")},
        {"csv",
         [&] {
             QStringList l;
             BuildDataCsv(l, source);
             return l;
         },
         2, QStringLiteral("-2500,4.9712393998036255,1")},
    };
    for (const TRow& row : rows) {
        const QStringList lines = row.Build();
        ASSERT_GT(lines.size(), row.Line) << row.Name;
        EXPECT_EQ(lines[row.Line].toStdString(), row.Expected.toStdString()) << row.Name;
    }
    EXPECT_EQ(table.Value(-2000, 0), 4.9712393998036255) << "the view reads the same";
    EXPECT_EQ(table.ComputedValue(-1999, 0), 19.899886246060742);
    EXPECT_EQ(table.Value(-2000, 1), 0.0) << "a line that is not held reads 0 in its gaps";
}
