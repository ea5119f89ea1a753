// Tests of wagerlens-calc, run as a separate program: its output, its messages and its exit codes.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct TRun {
    int Code = -1;
    QString Out;
    QString Err;
};

TRun RunCalc(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(WL_CALC_BINARY), args);
    EXPECT_TRUE(process.waitForFinished(60000)) << "wagerlens-calc did not finish";
    TRun run;
    run.Code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Digest(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1)
                                          : QByteArray();
}

const QByteArray CoinGame =
    "[Coin]\r\nCount=2\r\nResult0=1\r\nProbability0=0.5\r\nResult1=-1\r\nProbability1=0.5\r\n\r\n";
const QByteArray FlatSystem = "[Flat]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=0\r\n\r\n";

class CalcProgramTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Folder.isValid());
        SetFiles(CoinGame, FlatSystem);
    }
    void SetFiles(const QByteArray& games, const QByteArray& bets) {
        WriteFile(Folder.filePath(QStringLiteral("games.ini")), games);
        WriteFile(Folder.filePath(QStringLiteral("bets.ini")), bets);
    }
    QStringList With(QStringList args) { return QStringList{QStringLiteral("--dir"), Folder.path()} + args; }

    QTemporaryDir Folder;
};

QStringList Args(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The figures of the first series of a JSON summary.
QJsonObject FirstFigures(const QString& json) {
    return QJsonDocument::fromJson(json.toUtf8()).array().at(0).toObject().value(QStringLiteral("figures")).toObject();
}

} // namespace

TEST_F(CalcProgramTest, CoinGameTwoRoundsAsTheTextExport) {
    const QByteArray games = Digest(Folder.filePath(QStringLiteral("games.ini")));
    const QByteArray bets = Digest(Folder.filePath(QStringLiteral("bets.ini")));

    const TRun run = RunCalc(With(Args("--chart 0 --param1 2 --series Coin Flat")));
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Out, QStringLiteral("X\tCoin [Flat]\n-2\t 25.000000\n-1\t  0.000000\n0\t 50.000000\n"
                                      "1\t  0.000000\n2\t 25.000000\n"));
    EXPECT_EQ(run.Err, QString()) << "no progress bar when stderr is not a terminal";

    EXPECT_EQ(Digest(Folder.filePath(QStringLiteral("games.ini"))), games);
    EXPECT_EQ(Digest(Folder.filePath(QStringLiteral("bets.ini"))), bets);
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "nothing else is written";
}

TEST_F(CalcProgramTest, FormatsAndKinds) {
    struct TRow {
        const char* Name;
        const char* Args;
        const char* Out;
        bool WholeOutput; // else Out is the start of a longer table
    };
    const TRow rows[] = {
        {"full precision", "--chart 0 --param1 1 --series Coin Flat --format full",
         "X\tCoin [Flat]\n-1\t50\n0\t0\n1\t50\n", true},
        {"html table, names matched ignoring case", "--chart 0 --param1 1 --series coin FLAT --format html",
         "<table border=\"1\">\n<tr align=\"center\"><th>X</th><th>Coin [Flat]</th></tr>\n"
         "<tr align=\"right\"><td>&nbsp;-1&nbsp;</td><td>&nbsp;50.000000&nbsp;</td></tr>\n"
         "<tr align=\"right\"><td>&nbsp;0&nbsp;</td><td>&nbsp;-&nbsp;</td></tr>\n"
         "<tr align=\"right\"><td>&nbsp;1&nbsp;</td><td>&nbsp;50.000000&nbsp;</td></tr>\n</table>\n",
         true},
        {"csv: quoted header, full digits, CR LF", "--chart 0 --param1 1 --series Coin Flat --format csv",
         "\"X\",\"Coin [Flat]\"\r\n-1,50\r\n0,0\r\n1,50\r\n", true},
        {"a memory budget leaves a small chart as it is",
         "--chart 0 --param1 1 --series Coin Flat --format full --memory-budget 64",
         "X\tCoin [Flat]\n-1\t50\n0\t0\n1\t50\n", true},
        {"a tolerance leaves the values it cannot change",
         "--chart 0 --param1 1 --series Coin Flat --format full --tolerance 1e-12",
         "X\tCoin [Flat]\n-1\t50\n0\t0\n1\t50\n", true},
        {"cumulative", "--chart=1 --param1=1 --series Coin Flat",
         "X\tCoin [Flat]\n-1\t 50.000000\n0\t 50.000000\n1\t100.000000\n", true},
        {"win probability by round", "--chart 3 --series Coin Flat --format full",
         "X\tCoin [Flat]\n0\t0\n1\t50\n2\t25\n3\t50\n", false},
        {"expected result plots its zeros", "--chart 2 --series Coin Flat",
         "X\tCoin [Flat]\n0\t  0.000000\n1\t  0.000000\n", false},
        {"win/loss rate", "--chart 5 --series Coin Flat --format full", "X\tCoin [Flat]\n0\t0\n1\t1\n2\t1\n", false},
        {"risk of ruin, bankroll 1 and target 2: round 1 ruins half",
         "--chart 6 --param0 1 --param1 2 --series Coin Flat --format full", "X\tCoin [Flat]\n0\t0\n1\t50\n2\t50\n",
         false},
        {"success/ruin rate", "--chart 8 --param0 1 --param1 2 --series Coin Flat --format full",
         "X\tCoin [Flat]\n0\t0\n1\t1\n2\t1\n", false},
        // The plotting cut-off (5e-7) leaves out the balances -30 and -29 in the text, not in the exact formats.
        {"text keeps the cut-off", "--chart 0 --param1 30 --series Coin Flat", "X\tCoin [Flat]\n-28\t  0.000003\n",
         false},
        {"full: every computed row and value", "--chart 0 --param1 30 --series Coin Flat --format full",
         "X\tCoin [Flat]\n-30\t9.3132257461547852E-8\n-29\t0\n-28\t2.7939677238464355E-6\n", false},
        {"csv: every computed row and value", "--chart 0 --param1 30 --series Coin Flat --format csv",
         "\"X\",\"Coin [Flat]\"\r\n-30,9.3132257461547852E-8\r\n", false},
        {"html: an expected result is no probability to hide", "--chart 2 --series Loser Flat --format html",
         "<table border=\"1\">\n<tr align=\"center\"><th>X</th><th>Loser [Flat]</th></tr>\n"
         "<tr align=\"right\"><td>&nbsp;0&nbsp;</td><td>&nbsp;0.000000&nbsp;</td></tr>\n"
         "<tr align=\"right\"><td>&nbsp;1&nbsp;</td><td>&nbsp;-0.500000&nbsp;</td></tr>\n",
         false},
    };
    SetFiles(CoinGame + "[Loser]\r\nCount=2\r\nResult0=1\r\nProbability0=0.25\r\nResult1=-1\r\n"
                        "Probability1=0.75\r\n\r\n",
             FlatSystem);
    for (const TRow& r : rows) {
        const TRun run = RunCalc(With(Args(r.Args)));
        EXPECT_EQ(run.Code, 0) << r.Name << ": " << run.Err.toStdString();
        if (r.WholeOutput)
            EXPECT_EQ(run.Out, QString::fromUtf8(r.Out)) << r.Name;
        else
            EXPECT_TRUE(run.Out.startsWith(QString::fromUtf8(r.Out))) << r.Name << ":\n"
                                                                      << run.Out.left(80).toStdString();
    }
}

// JSON as scripts read it: one object per series; the summary's figures by name, as percentages.
TEST_F(CalcProgramTest, JsonTablesAndSummaries) {
    const TRun table = RunCalc(With(Args("--chart 0 --param1 1 --series Coin Flat --format json")));
    ASSERT_EQ(table.Code, 0) << table.Err.toStdString();
    const QJsonObject series = QJsonDocument::fromJson(table.Out.toUtf8()).array().at(0).toObject();
    EXPECT_EQ(series.value(QStringLiteral("caption")).toString(), QStringLiteral("Coin [Flat]"));
    EXPECT_EQ(series.value(QStringLiteral("x")).toArray(), (QJsonArray{-1, 0, 1}));
    EXPECT_EQ(series.value(QStringLiteral("y")).toArray(), (QJsonArray{50, 0, 50}));

    // Bankroll 1, target 2: the first round ends every session, half of them in ruin.
    const TRun summary =
        RunCalc(With(Args("--chart 6 --param0 1 --param1 2 --series Coin Flat --summary --format json")));
    ASSERT_EQ(summary.Code, 0) << summary.Err.toStdString();
    const QJsonObject figures = FirstFigures(summary.Out);
    EXPECT_EQ(figures.value(QStringLiteral("SessionRuin")).toDouble(), 50.0);
    EXPECT_EQ(figures.value(QStringLiteral("Duration")).toDouble(), 1.0);
    EXPECT_FALSE(figures.contains(QStringLiteral("InPlay")));

    const TRun text = RunCalc(With(Args("--chart 0 --param1 2 --series Coin Flat --summary")));
    EXPECT_TRUE(text.Out.contains(QStringLiteral("\nAfter 2 rounds\n  Expected net result  ")));
    EXPECT_FALSE(text.Out.contains(QStringLiteral("ruined"))) << "no bankroll, no ruin";
}

// The planner's summary: the game and the bankrolls its chart answers with, nothing of a single player's horizon.
TEST_F(CalcProgramTest, PlannerSummaryGivesTheChartsAnswers) {
    const TRun chart = RunCalc(With(Args("--chart 9 --param0 100 --series Coin Flat")));
    const TRun summary = RunCalc(With(Args("--chart 9 --param0 100 --series Coin Flat --summary --format json")));
    ASSERT_EQ(summary.Code, 0) << summary.Err.toStdString();
    const QJsonObject figures = FirstFigures(summary.Out);
    const auto figure = [&figures](const char* id) { return figures.value(QLatin1String(id)).toInt(-1); };
    EXPECT_TRUE(chart.Err.contains(QStringLiteral("within 100 rounds of at most 1 %: %1, 5 %: %2, 10 %: %3\n")
                                       .arg(figure("PlannerBankroll1"))
                                       .arg(figure("PlannerBankroll5"))
                                       .arg(figure("PlannerBankroll10"))))
        << chart.Err.toStdString() << summary.Out.toStdString();
    EXPECT_EQ(figure("PlannerRounds"), 100);
    EXPECT_EQ(figure("HouseEdge"), 0);
    EXPECT_FALSE(figures.contains(QStringLiteral("Mean")) || figures.contains(QStringLiteral("PlannerTarget")));
}

TEST_F(CalcProgramTest, LimitWarningGoesToStandardErrorOnly) {
    SetFiles(CoinGame, "[Big]\r\nCount=1\r\nBet0=1000\r\nWin0=0\r\nLoss0=0\r\n\r\n");
    TRun run = RunCalc(With(Args("--chart 0 --param1 6 --series Coin Big")));
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Err, QString()) << "6000 lies beyond 5000, but the rows widen";
    EXPECT_TRUE(run.Out.startsWith(QStringLiteral("X\tCoin [Big]\n-6000\t  1.562500\n")));
    // A result past any budget: the range stops, and the warning says where and that no budget follows it.
    SetFiles("[Huge]\r\nCount=2\r\nResult0=2000000000\r\nProbability0=0.5\r\nResult1=-1\r\nProbability1=0.5\r\n\r\n",
             "[Double]\r\nCount=1\r\nBet0=2\r\nWin0=0\r\nLoss0=0\r\n\r\n");
    run = RunCalc(With(Args("--chart 0 --param1 2 --memory-budget 64 --series Huge Double")));
    EXPECT_EQ(run.Code, 0);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("are not followed at any memory budget"))) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(QStringLiteral("from round 1 on: Huge [Double]"))) << run.Err.toStdString();
    EXPECT_FALSE(run.Out.contains(QStringLiteral("budget")));
}

// Stored as they are, charted as they are, and said once each on standard error.
TEST_F(CalcProgramTest, OddGamesAndSystemsAreChartedWithAWarning) {
    SetFiles("[Odd]\r\nCount=2\r\nResult0=1\r\nProbability0=0.6\r\nResult1=-1\r\nProbability1=0,5\r\n\r\n",
             "[Minus]\r\nCount=1\r\nBet0=-1\r\nWin0=0\r\nLoss0=0\r\n\r\n" + FlatSystem);
    const TRun run = RunCalc(With(Args("--chart 0 --param1 1 --series Odd Flat --series Odd Minus")));
    EXPECT_EQ(run.Code, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Err,
              QStringLiteral("wagerlens-calc: warning: games.ini, section [Odd]: the value \"0,5\" of Probability1 is "
                             "not a number and counts as 0. Correct it in the editor.\n"
                             "wagerlens-calc: warning: The probabilities of the game \"Odd\" add up to 0.6, not 1: its "
                             "charts will not add up to 100 %. Correct them in the game editor.\n"
                             "wagerlens-calc: warning: The betting system \"Minus\": state 0 bets -1 units, less than "
                             "nothing. Correct it in the system editor.\n"));
    EXPECT_TRUE(run.Out.startsWith(QStringLiteral("X\tOdd [Flat]\tOdd [Minus]\n"))) << run.Out.toStdString();
}

TEST_F(CalcProgramTest, ListAndHelp) {
    SetFiles(CoinGame + "[Dice]\r\nCount=1\r\nResult0=1\r\nProbability0=1\r\n\r\n", FlatSystem);
    TRun run = RunCalc(With({QStringLiteral("--list")}));
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Out, QStringLiteral("game 0: Coin\ngame 1: Dice\nsystem 0: Flat\n"));

    run = RunCalc({QStringLiteral("--help")});
    EXPECT_EQ(run.Code, 0);
    EXPECT_TRUE(run.Out.contains(QStringLiteral("--series GAME SYSTEM")));
    // The exact formats say how exact: to within the tolerance the tails were followed to.
    EXPECT_TRUE(run.Out.contains(QStringLiteral("are exact, to within the tolerance (--tolerance)")));
    EXPECT_EQ(run.Err, QString());

    run = RunCalc({QStringLiteral("--version")});
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Out, QStringLiteral("wagerlens-calc 1.3.0.10\n"));
}

TEST_F(CalcProgramTest, GamesOrSystemsFromFilesBesideTheFolder) {
    QTemporaryDir other;
    const QString dice = other.filePath(QStringLiteral("dice.ini"));
    WriteFile(dice, "[Dice]\r\nCount=1\r\nResult0=1\r\nProbability0=1\r\n\r\n");
    TRun run = RunCalc(With({QStringLiteral("--games"), dice, QStringLiteral("--list")}));
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Out, QStringLiteral("game 0: Dice\nsystem 0: Flat\n")) << "the folder's systems stay";

    run = RunCalc(With({QStringLiteral("--systems"), dice, QStringLiteral("--list")}));
    EXPECT_EQ(run.Out, QStringLiteral("game 0: Coin\nsystem 0: Dice\n"));

    run = RunCalc(
        With({QStringLiteral("--games"), other.filePath(QStringLiteral("none.ini")), QStringLiteral("--list")}));
    EXPECT_EQ(run.Code, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("--games: cannot read"))) << run.Err.toStdString();
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files).size(), 1) << "nothing is written beside the file";
}

TEST_F(CalcProgramTest, BadArgumentsExitTwoWithOneLine) {
    struct TRow {
        const char* Name;
        QStringList Args;
        const char* Reason; // part of the message
    };
    const QStringList coin = {QStringLiteral("--series"), QStringLiteral("Coin"), QStringLiteral("Flat")};
    const TRow rows[] = {
        {"no arguments", {}, "--chart"},
        {"unknown option", Args("--chart 0 --colour red") + coin, "--colour"},
        {"missing value", Args("--chart"), "needs a value"},
        {"chart out of range", Args("--chart 13") + coin, "0..12"},
        {"negative chart", Args("--chart -1") + coin, "0..12"},
        {"no round limit for the planner without a target", Args("--chart 9 --param0 0") + coin, "needs a target"},
        {"a session's target below 2", Args("--chart 11 --param0 1") + coin, "from 2 to 10000"},
        {"chart not a number", Args("--chart two") + coin, "two"},
        {"fractional parameter", Args("--chart 0 --param1 1.5") + coin, "1.5"},
        {"hexadecimal parameter", Args("--chart 0 --param1 0x10") + coin, "0x10"},
        {"parameter too large", Args("--chart 0 --param1 10001") + coin, "0..10000"},
        {"no series", Args("--chart 0"), "--series"},
        {"series without system", Args("--chart 0 --series Coin"), "GAME SYSTEM"},
        {"second parameter of a one-parameter chart", Args("--chart 2 --param1 3") + coin, "--param1"},
        {"target not above the bankroll", Args("--chart 6 --param0 300 --param1 200") + coin,
         "must be above the bankroll (300)"},
        {"bad format", Args("--chart 0 --format xml") + coin, "xml"},
        {"list with a chart", Args("--list --chart 0"), "--list"},
        {"benchmarks with other arguments", Args("--bench --chart 0"), "--bench"},
        {"chart given twice", Args("--chart 0 --chart 1") + coin, "twice"},
        {"memory budget below its range", Args("--chart 0 --memory-budget 10") + coin, "64..1048576, not 10"},
        {"tolerance above its range", Args("--chart 0 --tolerance 0.01") + coin, "0..1e-9"},
        {"negative tolerance", Args("--chart 0 --tolerance -1e-15") + coin, "0..1e-9"},
        {"tolerance not a number", Args("--chart 0 --tolerance nan") + coin, "\"nan\""},
        {"eleven series",
         Args("--chart 0") + coin + coin + coin + coin + coin + coin + coin + coin + coin + coin + coin, "10"},
        {"unknown game names the known ones", Args("--chart 0 --series Dice Flat"), "known games: \"Coin\""},
        {"unknown system names the known ones", Args("--chart 0 --series Coin Martingale"), "known systems: \"Flat\""},
        {"a line break in a name stays on one line",
         {QStringLiteral("--chart"), QStringLiteral("0"), QStringLiteral("--series"), QStringLiteral("Di\nce"),
          QStringLiteral("Flat")},
         "Di ce"},
    };
    for (const TRow& r : rows) {
        const TRun run = RunCalc(With(r.Args));
        EXPECT_EQ(run.Code, 2) << r.Name;
        EXPECT_EQ(run.Out, QString()) << r.Name;
        EXPECT_EQ(run.Err.count(QLatin1Char('\n')), 1) << r.Name << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Err.endsWith(QLatin1Char('\n'))) << r.Name;
        EXPECT_TRUE(run.Err.contains(QString::fromUtf8(r.Reason))) << r.Name << ": " << run.Err.toStdString();
    }

    const TRun missing =
        RunCalc({QStringLiteral("--dir"), Folder.filePath(QStringLiteral("nowhere")), QStringLiteral("--list")});
    EXPECT_EQ(missing.Code, 2);
}

TEST_F(CalcProgramTest, FailuresExitOneWithNothingOnStdout) {
    // games.ini that cannot be read at all.
    QTemporaryDir broken;
    ASSERT_TRUE(QDir(broken.path()).mkdir(QStringLiteral("games.ini")));
    TRun run = RunCalc({QStringLiteral("--dir"), broken.path(), QStringLiteral("--list")});
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(run.Out, QString());
    EXPECT_TRUE(run.Err.contains(QStringLiteral("games.ini"))) << run.Err.toStdString();

    // A loss sends the player to a state the system lacks.
    SetFiles(CoinGame, "[Broken]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=3\r\n\r\n");
    run = RunCalc(With(Args("--chart 0 --series Coin Broken")));
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(run.Out, QString());
    EXPECT_TRUE(run.Err.startsWith(QStringLiteral("wagerlens-calc: The series \"Coin [Broken]\" cannot be charted.\n")))
        << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(QStringLiteral("state 0 goes to state 3")));
    EXPECT_FALSE(run.Err.contains(QLatin1Char('\r')));
}

TEST_F(CalcProgramTest, OutputThatCannotBeWrittenIsAFailure) {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    QProcess process;
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(QStringLiteral(WL_CALC_BINARY), With(Args("--chart 0 --series Coin Flat")));
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains(QStringLiteral("could not write")));
}

TEST_F(CalcProgramTest, ProgressBarOnlyOnATerminal) {
    // script(1) gives the program a terminal; the table goes to a file so that only stderr reaches it.
    const QString script = QStringLiteral("/usr/bin/script");
    if (!QFile::exists(script))
        GTEST_SKIP() << "no script(1) to provide a terminal";
    const QString table = Folder.filePath(QStringLiteral("table.txt"));
    const QString command = QStringLiteral("'%1' --dir '%2' --chart 0 --param1 20 --series Coin Flat > '%3'")
                                .arg(QStringLiteral(WL_CALC_BINARY), Folder.path(), table);
    QProcess process;
    process.start(script, {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString terminal = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << terminal.toStdString();
    EXPECT_TRUE(terminal.contains(QStringLiteral("100%"))) << terminal.toStdString();
    QFile file(table);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("X\tCoin [Flat]\n-20\t"));
}
