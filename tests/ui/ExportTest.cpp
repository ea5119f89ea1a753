// Every export read back by readers other than ours (Qt's image and SVG readers, poppler, emf2svg, libwmf); the
// window's copy, save and page; the shell's --export.
#include "app/ExportMode.h"
#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "model/BetList.h"
#include "model/GameList.h"
#include "model/Storage.h"
#include "presentation/DataTable.h"
#include "ui/chart/ChartView.h"
#include "ui/main/Application.h"
#include "ui/main/ChartExport.h"
#include "ui/main/DataGrid.h"
#include "ui/main/fMain.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDirIterator>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace wl {
namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a program; an empty output path in the result means it failed.
int RunTool(const QString& program, const QStringList& args, QString* err = nullptr,
            const QStringList& environment = {}) {
    QProcess process;
    if (!environment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& e : environment)
            env.insert(e.section(QLatin1Char('='), 0, 0), e.section(QLatin1Char('='), 1));
        process.setProcessEnvironment(env);
    }
    process.start(program, args);
    if (!process.waitForFinished(120000))
        return -1;
    if (err != nullptr)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QImage RenderSvg(const QString& path, const QSize& size) {
    QSvgRenderer renderer(path);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (!renderer.isValid())
        return {};
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

// The share of pixels that still differ clearly after a 3 x 3 box blur of both pictures: the blur forgives lines
// and glyph edges that two renderers put one pixel apart, not a missing line, label or clip.
double DifferentShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 1.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    const auto blurred = [](const QImage& im, int px, int py, int shift) {
        int sum = 0;
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int u = px + dx;
                const int v = py + dy;
                if (u < 0 || v < 0 || u >= im.width() || v >= im.height())
                    continue;
                sum += (im.pixel(u, v) >> shift) & 0xFF;
                ++n;
            }
        return sum / n;
    };
    long different = 0;
    for (int py = 0; py < x.height(); ++py)
        for (int px = 0; px < x.width(); ++px)
            for (int shift : {0, 8, 16})
                if (std::abs(blurred(x, px, py, shift) - blurred(y, px, py, shift)) > 96) {
                    ++different;
                    break;
                }
    return static_cast<double>(different) / (static_cast<double>(x.width()) * x.height());
}

bool HasColor(const QImage& image, QRgb color) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (color & 0xFFFFFF))
                return true;
    }
    return false;
}

QRgb ToRgb(TColor c) {
    return qRgb(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

// Ten waves, the left axis cut at 10..80 so that every line crosses the plot's edge and must be clipped.
class PictureExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        TChartUpdate batch(Model);
        for (int k = 0; k < TChart::LineCount; ++k) {
            std::vector<TChartPoint> points;
            for (int x = 0; x <= 300; ++x)
                points.push_back({static_cast<double>(x), 50.0 + 45.0 * std::sin(x / 40.0 + k * 0.6)});
            TChartLine& line = Model.Line(k);
            line.SetPoints(points);
            line.SetColor(ChartLineColors[static_cast<size_t>(k)]);
            line.SetVisible(true);
            line.SetPointersVisible(k == 0);
            Table.SetValue(0, k, points.front().Y);
        }
        Model.LeftAxis().SetAutomatic(false);
        Model.LeftAxis().SetMinMax(10, 80);
        Model.BottomAxis().SetTitle(QStringLiteral("Round"));
        Model.LeftAxis().SetTitle(QStringLiteral("Risk of ruin, %"));
        Request.Chart = &Model;
        Request.PictureSize = QSize(449, 424);
        Request.Data.Table = &Table;
        Request.ChartName = QStringLiteral("Risk of ruin");
    }
    QString Path(const QString& name) const { return Dir.filePath(name); }
    QImage Exported(const QString& name) {
        ExportToFile(Path(name), Request);
        return QImage(Path(name));
    }

    void TearDown() override { Dir.setAutoRemove(!HasFailure()); }

    QTemporaryDir Dir;
    TChart Model;
    TDataTable Table;
    TExportRequest Request;
};

TEST_F(PictureExportTest, PicturesReadBackAtTheChartsSizeAndLookAlike) {
    const QImage png = Exported(QStringLiteral("c.png"));
    ASSERT_EQ(png.size(), Request.PictureSize);
    const QImage bmp = Exported(QStringLiteral("c.bmp"));
    EXPECT_EQ(bmp.size(), Request.PictureSize);
    EXPECT_EQ(bmp.depth(), 32) << "Qt reads a 24-bit bitmap as 32-bit";
    EXPECT_TRUE(ReadBytes(Path(QStringLiteral("c.bmp"))).mid(28, 2) == QByteArray("\x18\x00", 2)) << "24 bits";
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), bmp.convertToFormat(QImage::Format_RGB32));
    const QImage gif = Exported(QStringLiteral("c.gif"));
    EXPECT_EQ(gif.convertToFormat(QImage::Format_RGB32), bmp.convertToFormat(QImage::Format_RGB32))
        << "the GIF's palette is exact";
    for (TColor c : ChartLineColors)
        EXPECT_TRUE(HasColor(gif, ToRgb(c))) << std::hex << c;

    struct TRow {
        const char* Name;
        std::function<QImage(const QString&)> Read; // the file written, read by someone else's code
        double MostDifferent;                       // share of pixels
    };
    const TRow rows[] = {
        {"c.svg",
         [&](const QString& path) {
             EXPECT_EQ(QSvgRenderer(path).viewBox(), QRect(QPoint(0, 0), Request.PictureSize));
             EXPECT_TRUE(ReadBytes(path).contains("<title>Risk of ruin</title>"));
             return RenderSvg(path, Request.PictureSize);
         },
         0.02},
        {"c.pdf",
         [&](const QString& path) {
             EXPECT_EQ(RunTool(QStringLiteral("pdftoppm"),
                               {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                                QStringLiteral("-singlefile"), path, Path(QStringLiteral("pdf"))}),
                       0);
             return QImage(Path(QStringLiteral("pdf.png")));
         },
         0.02},
        {"c.emf",
         [&](const QString& path) {
             const QString svg = Path(QStringLiteral("emf.svg"));
             EXPECT_EQ(RunTool(QStringLiteral("emf2svg-conv"), {QStringLiteral("-i"), path, QStringLiteral("-o"), svg}),
                       0);
             const QString text = QString::fromUtf8(ReadBytes(svg)).toUpper();
             for (TColor c : ChartLineColors)
                 EXPECT_TRUE(text.contains(QColor(ToRgb(c)).name().toUpper())) << std::hex << c;
             for (const char* label : {"[ROUND]", "[RISK OF RUIN, %]", "[80]", "[300]"})
                 EXPECT_TRUE(text.contains(QLatin1String(label))) << label;
             // The point markers, 2 x 2 pictures of one colour, arrive as filled squares.
             EXPECT_GT(text.count(QStringLiteral("FILL=\"#FF0000\"")), 100);
             // A line's 300 segments arrive one by one and leave as one polyline for each run inside the plot.
             EXPECT_LE(text.count(QStringLiteral("STROKE=\"#FF0000\" STROKE-WIDTH=\"1.0000\"")), 4);
             return RenderSvg(svg, Request.PictureSize);
         },
         0.02},
        {"c.wmf",
         [&](const QString& path) {
             const QString svg = Path(QStringLiteral("wmf.svg"));
             EXPECT_EQ(RunTool(QStringLiteral("wmf2svg"), {QStringLiteral("-o"), svg, path}), 0);
             // libwmf writes a text one character at a time.
             QString characters;
             static const QRegularExpression glyph(QStringLiteral(">([^<]*)</text>"));
             for (const QRegularExpressionMatch& m : glyph.globalMatch(QString::fromUtf8(ReadBytes(svg))))
                 characters += m.captured(1).trimmed();
             for (const char* label : {"Round", "Riskofruin,%", "80", "300"})
                 EXPECT_TRUE(characters.contains(QLatin1String(label))) << label;
             const QString drawn = Path(QStringLiteral("wmf.png"));
             EXPECT_EQ(
                 RunTool(QStringLiteral("wmf2gd"), {QStringLiteral("--maxwidth=449"), QStringLiteral("--maxheight=424"),
                                                    QStringLiteral("--maxsize"), QStringLiteral("-o"), drawn, path}),
                 0);
             const QImage image(drawn);
             for (TColor c : ChartLineColors)
                 EXPECT_TRUE(HasColor(image, ToRgb(c))) << std::hex << c;
             return image;
         },
         // libwmf draws text at a fraction of its size and fills polygons with their right and bottom edges.
         0.05},
    };
    for (const TRow& r : rows) {
        SCOPED_TRACE(r.Name);
        ExportToFile(Path(QLatin1String(r.Name)), Request);
        const QImage image = r.Read(Path(QLatin1String(r.Name)));
        // A page size in points may round up to one more pixel.
        ASSERT_LE(std::abs(image.width() - png.width()) + std::abs(image.height() - png.height()), 1);
        EXPECT_LT(DifferentShare(image.copy(png.rect()), png), r.MostDifferent);
    }
}

TEST_F(PictureExportTest, MetafileHeadersFrameTheChartIn0_01Mm) {
    ExportToFile(Path(QStringLiteral("c.emf")), Request);
    ExportToFile(Path(QStringLiteral("c.wmf")), Request);
    const QByteArray emf = ReadBytes(Path(QStringLiteral("c.emf")));
    const QByteArray wmf = ReadBytes(Path(QStringLiteral("c.wmf")));
    const auto u32 = [](const QByteArray& b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); };
    const auto u16 = [](const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    ASSERT_GT(emf.size(), 108);
    EXPECT_EQ(u32(emf, 48), emf.size()) << "nBytes";
    EXPECT_EQ(u32(emf, 32), 11880 - 1) << "449 pixels at 96 dpi are 118.80 mm";
    EXPECT_EQ(u32(emf, 36), 11218 - 1);
    ASSERT_GT(wmf.size(), 40);
    EXPECT_EQ(u32(wmf, 0), static_cast<qint32>(0x9AC6CDD7));
    EXPECT_EQ(u16(wmf, 10), 449);
    EXPECT_EQ(u16(wmf, 14), 96) << "logical units per inch";
    EXPECT_EQ(2 * qFromLittleEndian<quint32>(wmf.constData() + 22 + 6) + 22, wmf.size()) << "size in words";
}

// --- the window ---

class WindowExportTest : public ::testing::Test {
protected:
    std::unique_ptr<TfmMain> Open() {
        Folder.UsePreferences("[CHART]\r\nChartID=0\r\nParam0=0\r\nParam1=4\r\n\r\n"
                              "[Series]\r\nCount=2\r\nGame0=0\r\nBet0=0\r\nGame1=1\r\nBet1=0\r\n");
        auto w = std::make_unique<TfmMain>(Folder.Path());
        w->show();
        w->FormActivate();
        EXPECT_TRUE(test::WaitFor([&] { return !w->Controller().Running() && w->Controller().MaxX() > 0; }));
        return w;
    }
    QString Path(const QString& name) const { return Out.filePath(name); }

    test::TUiFolder Folder;
    QTemporaryDir Out;
};

TEST_F(WindowExportTest, MenuCopyInBothViewsAndTheTextFile) {
    auto w = Open();
    const QList<QAction*> items = w->PopupMenu->actions();
    ASSERT_GE(items.size(), 7);
    EXPECT_EQ(items[2], w->miSummary);
    EXPECT_EQ(items[4], w->miCopy);
    EXPECT_EQ(items[5], w->miSave);
    EXPECT_EQ(w->miCopy->text(), QStringLiteral("Copy"));
    EXPECT_EQ(w->miSave->text(), QStringLiteral("Save"));

    w->miCopy->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), w->MainChart->size());

    w->ShowDataView();
    w->miCopy->trigger();
    w->ExportToFile(Path(QStringLiteral("t.txt")));
    const QByteArray file = ReadBytes(Path(QStringLiteral("t.txt")));
    EXPECT_EQ(QApplication::clipboard()->text().toUtf8(), file) << "byte for byte";
    EXPECT_TRUE(file.startsWith("X\tCoin [Flat]\tDie [Flat]\r\n-4\t  6.250000\t 48.225309\r\n"))
        << file.left(60).data();

    w->ExportToFile(Path(QStringLiteral("hidden.png")));
    EXPECT_EQ(QImage(Path(QStringLiteral("hidden.png"))).size(), w->DataGrid->size())
        << "the data view's chart is drawn at the size it would have";

    // The summary view copies and saves its figures; the pictures still show the chart.
    w->miSummary->trigger();
    EXPECT_TRUE(test::WaitFor([&] { return !w->Controller().Running() && w->Controller().SeriesSummary(1); }));
    w->miCopy->trigger();
    w->ExportToFile(Path(QStringLiteral("s.csv")));
    EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("\r\nThe game, per unit bet\r\n")));
    EXPECT_TRUE(ReadBytes(Path(QStringLiteral("s.csv"))).contains("\r\n\"HouseEdge\",\"House edge, %\",0,"));
    w->ExportToFile(Path(QStringLiteral("summary.png")));
    EXPECT_EQ(QImage(Path(QStringLiteral("summary.png"))).size(), w->SummaryGrid->size());

    // The figures stay in view, whole, when the window shrinks after they were filled in.
    w->resize(w->width() + 400, w->height());
    QApplication::processEvents();
    w->miSummary->trigger();
    w->resize(w->width() - 300, w->height());
    QApplication::processEvents();
    EXPECT_LE(w->SummaryGrid->horizontalHeader()->length(), w->SummaryGrid->viewport()->width());
}

TEST_F(WindowExportTest, PageWithItsPictureBesideIt) {
    auto w = Open();
    for (const char* name : {"chart.htm", "page.html"}) {
        SCOPED_TRACE(name);
        w->ExportToFile(Path(QLatin1String(name)));
        const QString picture = QFileInfo(QLatin1String(name)).completeBaseName() + QStringLiteral(".GIF");
        EXPECT_EQ(QImage(Path(picture)).size(), w->MainChart->size());
        const QStringList lines = QString::fromUtf8(ReadBytes(Path(QLatin1String(name)))).split(QStringLiteral("\r\n"));
        ASSERT_GE(lines.size(), 12);
        EXPECT_EQ(lines[0], QStringLiteral("<html><body>"));
        EXPECT_EQ(lines[1], QStringLiteral("<h1>Net result after N rounds</h1>"));
        EXPECT_EQ(lines[2], QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\">")
                                .arg(picture)
                                .arg(w->MainChart->width())
                                .arg(w->MainChart->height()));
        EXPECT_TRUE(lines[4].contains(QStringLiteral("bgcolor=\"#ff0000\"")) &&
                    lines[4].endsWith(QStringLiteral("<td>&nbsp;&nbsp;Coin [Flat]</td></tr>")))
            << lines[4].toStdString();
        EXPECT_TRUE(lines[5].contains(QStringLiteral("bgcolor=\"#008000\""))) << lines[5].toStdString();
        EXPECT_EQ(lines[8],
                  QStringLiteral("<tr align=\"center\"><th>X</th><th>Coin [Flat]</th><th>Die [Flat]</th></tr>"));
        EXPECT_EQ(lines[9], QStringLiteral("<tr align=\"right\"><td>&nbsp;-4&nbsp;</td><td>&nbsp;6.250000&nbsp;</td>"
                                           "<td>&nbsp;48.225309&nbsp;</td></tr>"));
        EXPECT_TRUE(lines[lines.size() - 3].contains(QStringLiteral("/soft/wagerlens/\"><strong>Wagerlens")));
        EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("</small></body></html>"));
    }
}

TEST_F(WindowExportTest, UnknownTypesAndFailedWritesAreShownAndWriteNothing) {
    auto w = Open();
    QStringList shown;
    // A name of 254 characters can exist and be written, although a temporary name beside it as long cannot.
    const QString longName = Path(QString(250, QLatin1Char('n')) + QStringLiteral(".txt"));
    test::WriteText(longName, "old");
    struct TRow {
        QString Name;
        QString Shown;
    };
    const TRow rows[] = {
        {Path(QStringLiteral("chart.jpg")), QStringLiteral("\"chart.jpg\" does not end in a file type")},
        {Path(QStringLiteral("chart")), QStringLiteral("It writes: bmp, gif, emf, wmf, txt, htm, html, png")},
        {Path(QStringLiteral("gone/chart.png")), QStringLiteral("gone/chart.png")},
    };
    for (const TRow& r : rows) {
        shown.clear();
        try {
            w->ExportToFile(r.Name);
        } catch (...) {
            shown << ExceptionMessage(std::current_exception());
        }
        ASSERT_FALSE(shown.isEmpty()) << r.Name.toStdString();
        EXPECT_TRUE(shown.last().contains(r.Shown)) << shown.last().toStdString();
    }
    EXPECT_EQ(QDir(Out.path()).entryList(QDir::Files).size(), 1) << "nothing written, no temporary left";
    w->ExportToFile(longName);
    EXPECT_NE(ReadBytes(longName), QByteArray("old"));
    EXPECT_EQ(QDir(Out.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary left";
}

TEST_F(WindowExportTest, DuringACalculationTheLastFinishedValuesAreSaved) {
    auto w = Open();
    w->ExportToFile(Path(QStringLiteral("before.txt")));
    w->seParam2->setValue(200);
    ASSERT_TRUE(w->Controller().Running()) << "its end is handed over on the event loop, not yet run";
    w->ExportToFile(Path(QStringLiteral("during.txt")));
    w->ShowDataView();
    w->CopyToClipboard();
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("during.txt"))), ReadBytes(Path(QStringLiteral("before.txt"))));
    EXPECT_EQ(QApplication::clipboard()->text().toUtf8(), ReadBytes(Path(QStringLiteral("before.txt"))));
    ASSERT_TRUE(test::WaitFor([&] { return !w->Controller().Running(); }));
}

TEST_F(WindowExportTest, WithoutSeriesOnlyTheXColumn) {
    auto w = Open();
    w->btnClearClick();
    w->ExportToFile(Path(QStringLiteral("empty.txt")));
    w->ExportToFile(Path(QStringLiteral("empty.htm")));
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("empty.txt"))), QByteArray("X\r\n")) << "no X range without series";
    const QByteArray page = ReadBytes(Path(QStringLiteral("empty.htm")));
    EXPECT_TRUE(page.contains("cellpadding=\"0\">\r\n</table><p></p>")) << "an empty legend";
}

TEST_F(WindowExportTest, SaveDialogOffersEveryTypeAndTheChosenOneCompletesTheName) {
    auto w = Open();
    // A home without a documents folder, whose name must not be offered as the file name.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", Out.path().toUtf8());
    struct TRow {
        const char* Name;
        int Down; // how far down the type list the user moves
        const char* Typed;
        const char* Written;
        const char* Offered; // the folder the dialog opens in, below Out; "" for Out itself
    };
    const TRow rows[] = {
        {"HTML, chosen first", 0, "typed", "typed.htm", ""},
        {"GIF", 1, "pic", "pic.gif", ""},
        {"a typed extension wins, in another folder", 1, "sub/table.txt", "sub/table.txt", ""},
        {"the next save opens where the last one went", 0, "sub/again", "sub/again.htm", "sub"},
    };
    ASSERT_TRUE(QDir(Out.path()).mkpath(QStringLiteral("sub")));
    for (const TRow& r : rows) {
        QStringList filters;
        QString selected;
        QString folder;
        QString offered;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            filters = dialog->nameFilters();
            selected = dialog->selectedNameFilter();
            folder = dialog->directory().absolutePath();
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                offered = edit->text();
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; types != nullptr && i < r.Down; ++i)
                QTest::keyClick(types, Qt::Key_Down);
            dialog->selectFile(Path(QLatin1String(r.Typed)));
            static_cast<QDialog*>(dialog)->accept();
        });
        w->miSave->trigger();
        EXPECT_EQ(filters.size(), 10) << r.Name;
        EXPECT_EQ(selected, QStringLiteral("HTML files (*.htm)")) << r.Name;
        EXPECT_EQ(folder, QDir(Path(QLatin1String(r.Offered))).absolutePath()) << r.Name;
        EXPECT_EQ(offered, QString()) << r.Name;
        EXPECT_TRUE(QFileInfo::exists(Path(QLatin1String(r.Written)))) << r.Name;
    }
    qputenv("HOME", home);
    EXPECT_EQ(QImage(Path(QStringLiteral("typed.GIF"))).size(), w->MainChart->size()) << "the page's picture";
    const QByteArray kept = "Folder=" + QDir(Path(QStringLiteral("sub"))).absolutePath().toUtf8();
    EXPECT_TRUE(ReadBytes(Folder.StorePath()).contains(kept)) << "kept in the store at once, not only on exit";
}

// --- the shell ---

// Without a display, or with an option it does not know, the program says so in words and exits; no crash report.
TEST(Shell, BadStartsAreToldInWordsWithoutADisplay) {
    QTemporaryDir home;
    struct TRow {
        const char* Name;
        QStringList Args;
        int Code;
        const char* Said;
    };
    const TRow rows[] = {
        {"a mistyped option", {QStringLiteral("-v")}, 2, "unknown option \"-v\""},
        {"an unknown long option", {QStringLiteral("--bogus=1")}, 2, "unknown option \"--bogus=1\""},
        {"no display", {}, 1, "the window cannot open"},
    };
    for (const TRow& row : rows) {
        QString err;
        const int code = RunTool(QStringLiteral(WL_APP_BINARY), row.Args, &err,
                                 {QStringLiteral("DISPLAY="), QStringLiteral("WAYLAND_DISPLAY="),
                                  QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("HOME=") + home.path()});
        EXPECT_EQ(code, row.Code) << row.Name << ": " << err.toStdString();
        EXPECT_TRUE(err.contains(QLatin1String(row.Said))) << row.Name << ": " << err.toStdString();
    }
    QDirIterator files(home.path(), QDir::Files, QDirIterator::Subdirectories);
    EXPECT_FALSE(files.hasNext()) << "a file was left: " << files.next().toStdString();
}

TEST_F(WindowExportTest, ShellExportAtTheWindowsChartSizeWithTheUsersDecimalSymbol) {
    Folder.UsePreferences();
    TfmMain window(Folder.Path());
    window.show();
    EXPECT_EQ(window.MainChart->size(), DefaultExportSize) << "a window of its default size";

    const QStringList calc = {
        QStringLiteral("--dir"),    Folder.Path(),       QStringLiteral("--chart"),  QStringLiteral("0"),
        QStringLiteral("--param1"), QStringLiteral("3"), QStringLiteral("--series"), QStringLiteral("Coin"),
        QStringLiteral("Flat")};
    const QStringList comma = {QStringLiteral("LC_ALL=de_DE.UTF-8")};
    QString err;
    ASSERT_EQ(RunTool(QStringLiteral(WL_APP_BINARY),
                      QStringList{QStringLiteral("--export"), Path(QStringLiteral("s.png"))} + calc, &err),
              0)
        << err.toStdString();
    EXPECT_EQ(QImage(Path(QStringLiteral("s.png"))).size(), DefaultExportSize);
    ASSERT_EQ(RunTool(QStringLiteral(WL_APP_BINARY),
                      QStringList{QStringLiteral("--export"), Path(QStringLiteral("s.txt")), QStringLiteral("--size"),
                                  QStringLiteral("300x200")} +
                          calc,
                      &err, comma),
              0)
        << err.toStdString();
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("s.txt"))),
              QByteArray("X\tCoin [Flat]\r\n-3\t 12,500000\r\n-2\t  0,000000\r\n-1\t 37,500000\r\n0\t  0,000000\r\n"
                         "1\t 37,500000\r\n2\t  0,000000\r\n3\t 12,500000\r\n"));
    ASSERT_EQ(RunTool(QStringLiteral(WL_APP_BINARY),
                      QStringList{QStringLiteral("--export"), Path(QStringLiteral("s.htm"))} + calc, &err, comma),
              0);
    EXPECT_TRUE(ReadBytes(Path(QStringLiteral("s.htm"))).contains("<td>&nbsp;12,500000&nbsp;</td>"));

    // 3000 rounds: too many points for markers, as in the window.
    QStringList rounds = calc;
    rounds[3] = QStringLiteral("3");
    rounds.erase(rounds.begin() + 4, rounds.begin() + 6);
    ASSERT_EQ(RunTool(QStringLiteral(WL_APP_BINARY),
                      QStringList{QStringLiteral("--export"), Path(QStringLiteral("r.svg"))} + rounds, &err),
              0)
        << err.toStdString();
    EXPECT_FALSE(ReadBytes(Path(QStringLiteral("r.svg"))).contains("<image"));

    EXPECT_EQ(RunTool(QStringLiteral(WL_APP_BINARY),
                      QStringList{QStringLiteral("--export"), Path(QStringLiteral("s.jpg"))} + calc, &err),
              2);
    EXPECT_TRUE(err.contains(QStringLiteral("bmp, gif"))) << err.toStdString();
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("s.jpg"))));
}

} // namespace
} // namespace wl
