// Checks every shipped language file against the inventory of texts the program reads.
#include "preferences/Preferences.h"

#include "support/AtomicFile.h"
#include "support/IniStore.h"
#include "support/SafeFormat.h"
#include "support/TextSource.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace wl {
namespace {

struct TTextKey {
    QString Section;
    QString Key;
    QStringList Placeholders; // for texts used as formats; others must hold none
    bool IsFormat = false;
};

// Every (section, key) that the program reads from a language file.
std::vector<TTextKey> Inventory() {
    std::vector<TTextKey> keys;
    const auto add = [&keys](const char* section, std::initializer_list<const char*> names) {
        for (const char* name : names)
            keys.push_back({QString::fromLatin1(section), QString::fromLatin1(name), {}, false});
    };
    add("Info", {"Language", "HelpFile"});
    add("Buttons", {"OK", "Cancel", "Add", "Delete", "Edit", "Clear", "Menu", "Play", "Copy", "Save", "Send"});
    add("Menu", {"Chart", "Data", "Summary", "Language", "Preferences", "Help", "About"});
    add("PreferencesWindow", {"WindowName", "MemoryBudget"});
    add("Summary", {"Game",
                    "HouseEdge",
                    "GameDeviation",
                    "Win",
                    "Draw",
                    "Loss",
                    "Mean",
                    "Deviation",
                    "Median",
                    "Q05",
                    "Q25",
                    "Q75",
                    "Q95",
                    "Ahead",
                    "Even",
                    "Behind",
                    "Staked",
                    "PerStaked",
                    "PerStakedNote",
                    "Ruin",
                    "RoundsPlayed",
                    "Bets",
                    "LargestBet",
                    "SessionRuin",
                    "SessionSuccess",
                    "Duration",
                    "DurationMedian",
                    "Duration90",
                    "EndResult",
                    "DurationSd",
                    "TailDecay",
                    "SessionError",
                    "PlannerUntilEnd",
                    "PlannerRounds",
                    "PlannerTarget",
                    "PlannerLast",
                    "PlannerNone"});
    add("MainWindow", {"ChartsHeader", "SeriesHeader"});
    add("SelectGameWindow", {"WindowName", "HeaderGames", "HeaderSystems"});
    add("GameEditorWindow", {"WindowName", "GameName", "HeaderInfo", "HeaderTable", "Info0", "Info1", "Info2", "Info3",
                             "Info4", "Info5", "Info6", "Info7", "Outcomes", "Probability"});
    add("SystemEditorWindow",
        {"WindowName", "SystemName", "HeaderStates", "State", "BetSize", "WinState", "LossState"});
    add("Exception", {"Header"});
    add("Wagerlens 1.3", {"WindowName"});
    add("AboutWindow", {"Version", "Notice0", "Notice1", "Notice2"});
    add("Messages", {"DeleteOutcome", "HHNotInstalled", "SaveFilter", "NameEmpty", "NameControl", "ResultRange",
                     "DiscardChanges", "Confirm", "BetRange", "RiskWithoutBankroll", "CloseAnyway", "PlannerRounds",
                     "PlannerTargetOne", "PlannerNoLimitNoTarget", "SessionTarget", "UserErrorCaption", "SuccessNeedsTarget"});
    // The crash report's labels, shown in the reader's language on the next start.
    add("Messages", {"CrashAt", "CrashBuildId", "CrashSignal", "CrashFaultOffset", "CrashTrace", "CrashOutsideCode"});
    const std::pair<const char*, QStringList> formats[] = {
        {"DeleteGame", {QStringLiteral("%s")}},
        {"DeleteSystem", {QStringLiteral("%s")}},
        {"UnknownFileType", {QStringLiteral("%s"), QStringLiteral("%s")}},
        {"NameInUse", {QStringLiteral("%s")}},
        {"NameCase", {QStringLiteral("%s"), QStringLiteral("%s")}},
        {"TooManyOutcomes", {QStringLiteral("%d")}},
        {"SeriesInUse", {QStringLiteral("%d")}},
        {"SuccessorRange", {QStringLiteral("%d")}},
        {"HelpFileMissing", {QStringLiteral("%s")}},
        {"HelpTopicMissing", {QStringLiteral("%s"), QStringLiteral("%s")}},
        {"ParamRange", {QStringLiteral("%s"), QStringLiteral("%d"), QStringLiteral("%d"), QStringLiteral("%d")}},
        {"TargetNotAboveBankroll", {QStringLiteral("%d"), QStringLiteral("%d")}},
        {"BankrollAnswer",
         {QStringLiteral("%s"), QStringLiteral("%d"), QStringLiteral("%s"), QStringLiteral("%s"),
          QStringLiteral("%s")}},
        {"BankrollMoreThan", {QStringLiteral("%d")}},
        {"PreviousCrash", {QStringLiteral("%s")}},
        {"SeriesOutOfMemory", {QStringLiteral("%s"), QStringLiteral("%d")}},
        {"FolderNotSynced", {QStringLiteral("%s"), QStringLiteral("%s")}},
        {"UnreadableValue", {QStringLiteral("%s"), QStringLiteral("%s"), QStringLiteral("%s"), QStringLiteral("%s")}},
        {"NegativeProbability", {QStringLiteral("%s"), QStringLiteral("%d"), QStringLiteral("%s")}},
        {"ProbabilitySum", {QStringLiteral("%s"), QStringLiteral("%s")}},
        {"NegativeBet", {QStringLiteral("%s"), QStringLiteral("%d"), QStringLiteral("%d")}},
        {"ClearSeries", {QStringLiteral("%d")}},
        {"HtmlFooter", {QStringLiteral("%s"), QStringLiteral("%s")}},
        {"SuccessorAddsStates", {QStringLiteral("%d"), QStringLiteral("%d"), QStringLiteral("%d")}},
        {"PlannerBoundWarning",
         {QStringLiteral("%d"), QStringLiteral("%s"), QStringLiteral("%d"), QStringLiteral("%s")}},
    };
    for (const auto& [key, placeholders] : formats)
        keys.push_back({QStringLiteral("Messages"), QString::fromLatin1(key), placeholders, true});
    const QString d = QStringLiteral("%d");
    const std::pair<const char*, QStringList> summaryFormats[] = {
        {"Horizon", {d}},
        {"StateBet", {d}},
        {"StateReach", {d}},
        {"StateRounds", {d}},
        {"Session", {d, d}},
        {"ChartRuin", {d}},
        {"ChartSuccess", {d}},
        {"InPlay", {d}},
        {"Planner", {d}},
        {"PlannerBankroll", {d}},
        {"StarLimits", {QStringLiteral("%s"), QStringLiteral("%s"), d}},
        {"ExactTo", {QStringLiteral("%s")}},
        {"Calculating", {d}},
        {"Completing", {d, d, d}},
        {"StarPlanner", {QStringLiteral("%s"), d, QStringLiteral("%s")}},
    };
    for (const auto& [key, placeholders] : summaryFormats)
        keys.push_back({QStringLiteral("Summary"), QString::fromLatin1(key), placeholders, true});

    const std::pair<const char*, int> charts[] = {
        {"Chart - Net Results", 2},
        {"Chart - Cummulative Net Results", 2},
        {"Chart - Expected Result", 1},
        {"Chart - Win Probability Progress", 1},
        {"Chart - Loss Probability Progress", 1},
        {"Chart - Win/Loss Probability Rate", 1},
        {"Chart - ROR", 2},
        {"Chart - COS", 2},
        {"Chart - COS/ROR Rate", 2},
        {"Chart - Risk of Ruin by Bankroll", 2},
        {"Chart - Chance of Success by Bankroll", 2},
        {"Chart - Expected Rounds by Bankroll", 1},
        {"Chart - Net Result at the End by Bankroll", 1},
    };
    for (const auto& [section, paramCount] : charts) {
        add(section, {"Name", "XName", "YName", "Param0"});
        if (paramCount == 2)
            add(section, {"Param1"});
    }
    return keys;
}

QStringList Placeholders(const QString& text) {
    QStringList found;
    static const QRegularExpression pattern(QStringLiteral("%(%|[-+ #0-9.*]*[a-zA-Z]?)"));
    auto it = pattern.globalMatch(text);
    while (it.hasNext()) {
        const QString match = it.next().captured(0);
        if (match != QLatin1String("%%"))
            found.append(match);
    }
    return found;
}

QString LangsFolder() {
    return QStringLiteral(WL_SOURCE_DATA_DIR "/Langs");
}

QStringList ShippedFiles() {
    return QDir(LangsFolder()).entryList({QStringLiteral("*.ini")}, QDir::Files);
}

TEST(LanguageFiles, ShipEnglishRussianAndGerman) {
    EXPECT_EQ(ShippedFiles(),
              (QStringList{QStringLiteral("DEU.ini"), QStringLiteral("ENG.ini"), QStringLiteral("RUS.ini")}));
}

TEST(LanguageFiles, DefineEveryTextTheProgramReads) {
    const std::vector<TTextKey> inventory = Inventory();
    std::set<QString> sections;
    for (const TTextKey& key : inventory)
        sections.insert(key.Section.toLower());

    for (const QString& fileName : ShippedFiles()) {
        SCOPED_TRACE(fileName.toStdString());
        QByteArray bytes;
        ASSERT_TRUE(ReadWholeFile(LangsFolder() + QLatin1Char('/') + fileName, bytes));
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8(bytes);
        EXPECT_FALSE(utf8.hasError()) << "not valid UTF-8";
        EXPECT_FALSE(bytes.contains("\n") && bytes.count("\r\n") != bytes.count("\n")) << "mixed line ends";
        TIniStore file;
        file.LoadFromBytes(bytes);

        for (const TTextKey& key : inventory) {
            SCOPED_TRACE(QString(key.Section + QLatin1Char('/') + key.Key).toStdString());
            ASSERT_TRUE(file.ValueExists(key.Section, key.Key)) << "missing";
            const QString text = file.ReadString(key.Section, key.Key);
            EXPECT_FALSE(text.trimmed().isEmpty()) << "empty";
            EXPECT_EQ(text, text.trimmed()) << "blanks around the text";
            if (key.IsFormat) {
                EXPECT_EQ(Placeholders(text), key.Placeholders);
                // One figure per placeholder, each of the type it asks for.
                std::vector<TFormatArg> args;
                for (const QString& p : key.Placeholders)
                    args.push_back(p == QLatin1String("%s") ? TFormatArg(QStringLiteral("Coin")) : TFormatArg(32LL));
                EXPECT_NO_THROW(MessageText(nullptr, key.Key, text, args));
            } else if (key.Section == QLatin1String("Messages")) {
                EXPECT_FALSE(text.contains(QLatin1Char('%'))) << "a plain message holds no percent sign";
            } else {
                // Plain texts may say "%" as a unit, but nothing that looks like a placeholder.
                for (const QString& p : Placeholders(text))
                    EXPECT_EQ(p, QStringLiteral("%")) << text.toStdString();
            }
        }
        for (const QString& section : file.Sections())
            EXPECT_TRUE(sections.count(section.toLower()))
                << "section the program never reads: " << section.toStdString();

        const QString code = fileName.left(3);
        EXPECT_EQ(file.ReadString(QStringLiteral("Info"), QStringLiteral("HelpFile")),
                  QStringLiteral("Wagerlens_%1.qch").arg(code.toLower()));
    }
}

TEST(LanguageFiles, EachNamesAHelpProjectWithTheSixTopics) {
    const QStringList topics{QStringLiteral("main_win.htm"), QStringLiteral("select_win.htm"),
                             QStringLiteral("game_win.htm"), QStringLiteral("bet_win.htm"),
                             QStringLiteral("charts.htm"),   QStringLiteral("summary.htm")};
    static const QRegularExpression link(QStringLiteral("href=\"([^\"#]*)"));
    for (const QString& fileName : ShippedFiles()) {
        const QString code = fileName.left(3).toLower();
        SCOPED_TRACE(code.toStdString());
        const QString folder = QStringLiteral(WL_SOURCE_DATA_DIR "/help/") + code + QLatin1Char('/');
        QByteArray project;
        ASSERT_TRUE(ReadWholeFile(folder + QStringLiteral("Wagerlens_%1.qhp").arg(code), project));
        EXPECT_TRUE(
            project.contains(QByteArray("<namespace>com.brellion.wagerlens." + code.toLatin1() + "</namespace>")));
        EXPECT_TRUE(project.contains("<virtualFolder>doc</virtualFolder>"));
        for (const QString& topic : topics) {
            SCOPED_TRACE(topic.toStdString());
            EXPECT_TRUE(project.contains(QByteArray("<file>" + topic.toLatin1() + "</file>")));
            QByteArray page;
            ASSERT_TRUE(ReadWholeFile(folder + topic, page));
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QString text = utf8(page);
            EXPECT_FALSE(utf8.hasError());
            EXPECT_TRUE(text.contains(QLatin1String("charset=utf-8")));
            auto it = link.globalMatch(text);
            while (it.hasNext()) {
                const QString target = it.next().captured(1);
                EXPECT_TRUE(topics.contains(target)) << "link to " << target.toStdString();
            }
        }
    }
}

TEST(LanguageFiles, ArePickedUpByThePreferences) {
    QTemporaryDir dir;
    TPreferencesSetup setup;
    setup.ProgramFolder = QStringLiteral(WL_SOURCE_DATA_DIR);
    setup.StorePath = dir.path() + QStringLiteral("/wagerlens.ini");
    setup.SystemLanguage = QStringLiteral("DEU");
    setup.PlayNowAddress = QString();
    TPreferences prefs(setup);
    EXPECT_EQ(prefs.LanguageCode(), QStringLiteral("DEU"));
    EXPECT_EQ(prefs.GetLanguageNames(),
              (QStringList{QStringLiteral("Deutsch"), QStringLiteral("English"), QString::fromUtf8("Русский")}));
    for (int i = 0; i < prefs.Languages().size(); ++i) {
        prefs.SelectLanguageByIndex(i);
        SCOPED_TRACE(prefs.LanguageCode().toStdString());
        const QString name = QStringLiteral("Martingale, 7 doublings");
        const QString question = prefs.FormatMessageText(QStringLiteral("DeleteSystem"), {name});
        EXPECT_TRUE(question.contains(name));
        EXPECT_TRUE(prefs.GetWindowCaption(QStringLiteral("GameEditorWindow")).startsWith(QStringLiteral("   ")));
    }
}

} // namespace
} // namespace wl
