// The caption bar, the link look, help contexts and the help window, and the application's error handler.
#include "support/Exception.h"
#include "ui/main/Application.h"
#include "ui/main/DataGrid.h"
#include "ui/main/HelpWindow.h"
#include "ui/widgets/GradientLabel.h"
#include "ui/widgets/HelpContext.h"
#include "ui/widgets/Looks.h"

#include "UiTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <stdexcept>

namespace wl {
namespace {

TEST(GradientBands, HeightsDecideTheBands) {
    const QColor base(100, 100, 100);
    const auto b17 = GradientBands(base, 17);
    ASSERT_EQ(b17.size(), 17u);
    EXPECT_EQ(b17.front().Color, QColor(120, 120, 120));
    EXPECT_EQ(b17.back().Color, QColor(85, 85, 85));
    EXPECT_EQ(b17[16].Top, 16);
    EXPECT_EQ(b17[16].Height, 1);

    const auto b45 = GradientBands(base, 45);
    ASSERT_EQ(b45.size(), 21u) << "20 bands and the rows left over";
    EXPECT_EQ(b45[0].Height, 2);
    EXPECT_EQ(b45[19].Top, 38);
    EXPECT_EQ(b45[20].Top, 40);
    EXPECT_EQ(b45[20].Height, 5);
    EXPECT_EQ(b45[20].Color, QColor(85, 85, 85));

    // Channels clamp at both ends.
    const auto light = GradientBands(QColor(250, 5, 128), 2);
    EXPECT_EQ(light.front().Color, QColor(255, 25, 148));
    EXPECT_EQ(light.back().Color, QColor(235, 0, 113));
}

TEST(Looks, StyleHeaderReplacesAPlainLabelInItsLayout) {
    QWidget parent;
    auto* layout = new QVBoxLayout(&parent);
    auto* plain = new QLabel(QStringLiteral("GAME / BET"), &parent);
    plain->setAlignment(Qt::AlignCenter);
    plain->setCursor(Qt::PointingHandCursor);
    layout->addWidget(plain);

    QLabel* styled = StyleHeader(plain);
    ASSERT_NE(styled, plain);
    ASSERT_NE(qobject_cast<TGradientLabel*>(styled), nullptr);
    EXPECT_EQ(styled->text(), QStringLiteral("GAME / BET"));
    EXPECT_EQ(styled->parentWidget(), &parent);
    EXPECT_EQ(layout->indexOf(styled), 0);
    EXPECT_EQ(layout->indexOf(plain), -1);
    EXPECT_EQ(styled->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(styled->font().bold());
    EXPECT_EQ(styled->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(StyleHeader(styled), styled) << "a caption bar is styled in place";

    QLabel link(QStringLiteral("https://example.org"));
    StyleLink(link);
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST(HelpContexts, NumbersTopicsAndParents) {
    const std::pair<int, const char*> topics[] = {
        {100, "main_win.htm"},
        {200, "select_win.htm"},
        {300, "game_win.htm"},
        {400, "bet_win.htm"},
        {500, "charts.htm"},
        {600, "summary.htm"},
        {42, ""},
    };
    for (const auto& [context, topic] : topics)
        EXPECT_EQ(HelpTopicForContext(context), QString::fromLatin1(topic)) << context;

    QWidget window;
    auto* child = new QWidget(&window);
    auto* grandChild = new QWidget(child);
    SetHelpContext(&window, 100);
    SetHelpContext(child, 500);
    EXPECT_EQ(HelpContextOf(grandChild), 500);
    EXPECT_EQ(HelpContextOf(&window), 100);
    EXPECT_EQ(HelpContextOf(nullptr), 0);

    QString file, topic;
    SplitHelpPath(QStringLiteral("/x/Help/Wagerlens_eng.qch::/charts.htm"), file, topic);
    EXPECT_EQ(file, QStringLiteral("/x/Help/Wagerlens_eng.qch"));
    EXPECT_EQ(topic, QStringLiteral("charts.htm"));
    SplitHelpPath(QStringLiteral("/x/a.qch::/"), file, topic);
    EXPECT_TRUE(topic.isEmpty());
}

#ifdef WL_QHELPGENERATOR
TEST(HelpWindow, ShowsTheTopicOfACompressedHelpFile) {
    test::TUiFolder folder;
    folder.UsePreferences();
    QTemporaryDir dir;
    const QString d = dir.path() + QLatin1Char('/');
    test::WriteText(d + QStringLiteral("main_win.htm"),
                    "<html><body><p>Main window help, <a href=\"charts.htm\">charts"
                    "</a>, <a href=\"https://example.org/\">site</a></p></body></html>");
    test::WriteText(d + QStringLiteral("charts.htm"), "<html><body><p>The nine charts</p></body></html>");
    test::WriteText(d + QStringLiteral("t.qhp"),
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><QtHelpProject version=\"1.0\">"
                    "<namespace>org.example.wltest</namespace><virtualFolder>doc</virtualFolder>"
                    "<filterSection><files><file>main_win.htm</file><file>charts.htm</file></files>"
                    "</filterSection></QtHelpProject>");
    QProcess gen;
    gen.start(QStringLiteral(WL_QHELPGENERATOR),
              {d + QStringLiteral("t.qhp"), QStringLiteral("-o"), d + QStringLiteral("t.qch"), QStringLiteral("-s")});
    ASSERT_TRUE(gen.waitForFinished(30000));
    ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().constData();

    THelpWindow window;
    if (!window.Usable())
        GTEST_SKIP() << "the help engine's database driver is missing";
    window.ShowPath(d + QStringLiteral("t.qch::/charts.htm"));
    EXPECT_EQ(window.CurrentUrl().fileName(), QStringLiteral("charts.htm"));
    EXPECT_TRUE(window.findChild<QTextBrowser*>()->toPlainText().contains(QStringLiteral("nine charts")));

    // Links: a topic of the file opens here, an address outside goes to the browser.
    window.ShowPath(d + QStringLiteral("t.qch::/main_win.htm"));
    QList<QUrl> outside;
    window.Browser()->OpenExternal = [&outside](const QUrl& url) { outside << url; };
    Q_EMIT window.Browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
    EXPECT_EQ(outside, QList<QUrl>{QUrl(QStringLiteral("https://example.org/"))});
    EXPECT_EQ(window.CurrentUrl().fileName(), QStringLiteral("main_win.htm"));
    Q_EMIT window.Browser()->anchorClicked(QUrl(QStringLiteral("charts.htm")));
    EXPECT_EQ(window.CurrentUrl().fileName(), QStringLiteral("charts.htm"));
    EXPECT_EQ(outside.size(), 1);

    window.ShowPath(d + QStringLiteral("missing.qch::/charts.htm"));
    EXPECT_TRUE(window.findChild<QTextBrowser*>()->toPlainText().contains(QStringLiteral("cannot be opened")));
}
#endif

// The build's copy of data/ beside the binaries must never overwrite what a user has edited there, while the
// shipped language files follow the build (an older copy would show new texts empty).
TEST(DataCopy, CopiesOnlyWhatIsAbsentButRenewsTheShippedTexts) {
    QTemporaryDir src;
    QTemporaryDir dst;
    QDir().mkpath(src.path() + QStringLiteral("/Langs"));
    QDir().mkpath(src.path() + QStringLiteral("/help/eng"));
    test::WriteText(src.path() + QStringLiteral("/games.ini"), "shipped games");
    test::WriteText(src.path() + QStringLiteral("/bets.ini"), "shipped bets");
    test::WriteText(src.path() + QStringLiteral("/Langs/ENG.ini"), "shipped texts");
    test::WriteText(src.path() + QStringLiteral("/help/eng/main_win.htm"), "help source");
    test::WriteText(dst.path() + QStringLiteral("/games.ini"), "the user's games");
    QDir().mkpath(dst.path() + QStringLiteral("/Langs"));
    test::WriteText(dst.path() + QStringLiteral("/Langs/ENG.ini"), "an older build's texts");
    test::WriteText(dst.path() + QStringLiteral("/Langs/FRA.ini"), "the user's own language");

    QProcess copy;
    copy.start(QStringLiteral(WL_CMAKE_COMMAND),
               {QStringLiteral("-DSRC=") + src.path(), QStringLiteral("-DDST=") + dst.path(), QStringLiteral("-P"),
                QStringLiteral(WL_COPY_DATA_SCRIPT)});
    ASSERT_TRUE(copy.waitForFinished(30000));
    ASSERT_EQ(copy.exitCode(), 0) << copy.readAllStandardError().constData();

    const auto read = [&dst](const char* name) {
        QFile f(dst.path() + QLatin1Char('/') + QString::fromLatin1(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
    };
    EXPECT_EQ(read("games.ini"), QByteArray("the user's games"));
    EXPECT_EQ(read("bets.ini"), QByteArray("shipped bets"));
    EXPECT_EQ(read("Langs/ENG.ini"), QByteArray("shipped texts"));
    EXPECT_EQ(read("Langs/FRA.ini"), QByteArray("the user's own language"));
    EXPECT_EQ(read("help/eng/main_win.htm"), QByteArray("<absent>")) << "help sources become .qch files instead";
}

// Throws from inside an event handler, as a failing control handler would.
class TThrowingObject : public QObject {
public:
    int Kind = 0;
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        if (Kind == 0)
            throw Exception(QStringLiteral("Run calculations\r\nboom"));
        if (Kind == 1)
            throw std::runtime_error("plain failure");
        throw 42;
    }
};

TEST(Application, EscapedErrorsAreShownAndTheProgramGoesOn) {
    QStringList shown;
    SetErrorDisplay([&shown](const QString& m) { shown << m; });
    TThrowingObject object;
    for (int kind = 0; kind < 3; ++kind) {
        object.Kind = kind;
        QEvent e(QEvent::User);
        QCoreApplication::sendEvent(&object, &e);
    }
    SetErrorDisplay(nullptr);
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0], QStringLiteral("Run calculations\r\nboom"));
    EXPECT_EQ(shown[1], QStringLiteral("plain failure"));
    EXPECT_FALSE(shown[2].isEmpty());
}

} // namespace
} // namespace wl

namespace wl {

TEST(DataGridKeys, MovesPassOverRowsThatCannotBeSelected) {
    TDataGrid grid;
    grid.resize(200, 400);
    grid.SetGeometry({100}, 8); // data rows 1..6, row 4 a marker, row 7 past the data
    grid.SetSelectCell([](int, int row) { return row != 4 && row <= 6; });
    struct TStep {
        Qt::Key Key;
        int Row;
    };
    const TStep steps[] = {{Qt::Key_Down, 1}, {Qt::Key_Down, 2}, {Qt::Key_Down, 3}, {Qt::Key_Down, 5},
                           {Qt::Key_Up, 3},   {Qt::Key_End, 6},  {Qt::Key_Down, 6}, {Qt::Key_Home, 1}};
    for (const TStep& s : steps) {
        QTest::keyClick(&grid, s.Key);
        EXPECT_EQ(grid.SelectedRow(), s.Row) << s.Key;
    }
}

} // namespace wl
