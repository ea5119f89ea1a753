// Tests of the preferences: language choice, lookups, help and site addresses, list positions, the store.
#include "preferences/Preferences.h"

#include "support/Exception.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace wl {
namespace {

class PreferencesTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;

    QString Path(const QString& relative) const { return Dir.path() + QLatin1Char('/') + relative; }

    void WriteFile(const QString& relative, const QByteArray& content) const {
        const QString path = Path(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void WriteLanguage(const QString& fileName, const QByteArray& content = "[Info]\r\nLanguage=X\r\n") const {
        WriteFile(QStringLiteral("Langs/") + fileName, content);
    }

    TPreferencesSetup Setup(const QString& systemLanguage = QStringLiteral("ENU")) const {
        TPreferencesSetup setup;
        setup.ProgramFolder = Dir.path();
        setup.StorePath = Path(QStringLiteral("wagerlens.ini"));
        setup.SystemLanguage = systemLanguage;
        setup.PlayNowAddress = QString();
        return setup;
    }
};

TEST_F(PreferencesTest, ChoosesTheLanguage) {
    struct Row {
        const char* Name;
        std::vector<const char*> Files;
        const char* System;
        const char* Saved; // nullptr: no saved value
        const char* Expected;
    };
    const Row rows[] = {
        {"system language not shipped falls back to ENG", {"ENG.ini", "RUS.ini"}, "ENU", nullptr, "ENG"},
        {"system language shipped", {"ENG.ini", "RUS.ini"}, "RUS", nullptr, "RUS"},
        {"without ENG the first in order", {"RUS.ini", "DEU.ini"}, "ENU", nullptr, "DEU"},
        {"saved choice wins over the default", {"ENG.ini", "RUS.ini"}, "ENU", "RUS", "RUS"},
        {"saved choice in lower case", {"ENG.ini", "RUS.ini"}, "ENU", "rus", "RUS"},
        {"saved choice not available is ignored", {"ENG.ini", "RUS.ini"}, "ENU", "FRA", "ENG"},
        {"file names in any letter case", {"eng.INI", "rus.ini"}, "RUS", nullptr, "RUS"},
        {"code is the first three letters", {"english.ini"}, "DEU", nullptr, "ENG"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        QTemporaryDir dir;
        Dir.swap(dir);
        for (const char* file : row.Files)
            WriteLanguage(QString::fromLatin1(file));
        if (row.Saved)
            WriteFile(QStringLiteral("wagerlens.ini"), QByteArray("[Preferences]\r\nLanguage=") + row.Saved + "\r\n");
        const TPreferences prefs(Setup(QString::fromLatin1(row.System)));
        EXPECT_EQ(prefs.LanguageCode(), QString::fromLatin1(row.Expected));
        EXPECT_EQ(prefs.Languages().at(prefs.LanguageIndex()), prefs.LanguageCode());
    }
}

TEST_F(PreferencesTest, ReadsTextsOnlyFromTheFileNamedByTheCode) {
    WriteLanguage(QStringLiteral("english.ini"), "[Buttons]\r\nOK=From english\r\n");
    {
        const TPreferences prefs(Setup());
        EXPECT_EQ(prefs.LanguageCode(), QStringLiteral("ENG"));
        EXPECT_EQ(prefs.GetButtonText(QStringLiteral("OK")), QString());
    }
    WriteLanguage(QStringLiteral("Eng.ini"), "[Buttons]\r\nOK=From Eng\r\n");
    const TPreferences prefs(Setup());
    EXPECT_EQ(prefs.GetButtonText(QStringLiteral("OK")), QStringLiteral("From Eng"));
}

TEST_F(PreferencesTest, ListsACodeFoundTwiceTwice) {
    WriteLanguage(QStringLiteral("eng.ini"), "[Info]\r\n Language = English \r\n");
    WriteLanguage(QStringLiteral("English.ini"), "[Buttons]\r\nOK=x\r\n");
    WriteLanguage(QStringLiteral("DEU.ini"), "[Info]\r\nLanguage=Deutsch\r\n");
    const TPreferences prefs(Setup());
    EXPECT_EQ(prefs.Languages(), (QStringList{QStringLiteral("DEU"), QStringLiteral("ENG"), QStringLiteral("ENG")}));
    // Both ENG entries read eng.ini, the file named by the code.
    EXPECT_EQ(prefs.GetLanguageNames(),
              (QStringList{QStringLiteral("Deutsch"), QStringLiteral("English"), QStringLiteral("English")}));
}

TEST_F(PreferencesTest, DisplayNameIsEmptyWithoutTheValueAndCutAt1023) {
    WriteLanguage(QStringLiteral("DEU.ini"), "[Buttons]\r\nOK=x\r\n");
    WriteLanguage(QStringLiteral("ENG.ini"), "[Info]\r\nLanguage=" + QByteArray(2000, 'a') + "\r\n");
    const TPreferences prefs(Setup());
    const QStringList names = prefs.GetLanguageNames();
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(names[0], QString());
    EXPECT_EQ(names[1].size(), 1023);
}

TEST_F(PreferencesTest, SelectsLanguagesByCodeAndPosition) {
    WriteLanguage(QStringLiteral("ENG.ini"), "[Buttons]\r\nOK=OK\r\n");
    WriteLanguage(QStringLiteral("RUS.ini"), "[Buttons]\r\nOK=\xD0\x94\xD0\xB0\r\n");
    TPreferences prefs(Setup());
    prefs.SelectLanguageByIndex(1);
    EXPECT_EQ(prefs.LanguageCode(), QStringLiteral("RUS"));
    EXPECT_EQ(prefs.GetButtonText(QStringLiteral("OK")), QString::fromUtf8("\xD0\x94\xD0\xB0"));
    prefs.SelectLanguage(QStringLiteral("FRA"));
    EXPECT_EQ(prefs.LanguageCode(), QStringLiteral("RUS"));
    EXPECT_THROW(prefs.SelectLanguageByIndex(2), ERangeError);
    EXPECT_THROW(prefs.SelectLanguageByIndex(-1), ERangeError);
    EXPECT_EQ(prefs.LanguageCode(), QStringLiteral("RUS"));
}

TEST_F(PreferencesTest, WithoutLanguageFilesCreationFailsClearly) {
    const std::pair<const char*, bool> cases[] = {{"no Langs folder", false}, {"empty Langs folder", true}};
    for (const auto& [name, makeFolder] : cases) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        Dir.swap(dir);
        if (makeFolder)
            QDir().mkpath(Path(QStringLiteral("Langs")));
        WriteFile(QStringLiteral("Langs/readme.txt"), "not a language");
        try {
            const TPreferences prefs(Setup());
            ADD_FAILURE() << "created without language files";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("There are no files in Langs!"));
        }
    }
}

TEST_F(PreferencesTest, LooksUpTextsTheWayTheFilesAreWritten) {
    WriteLanguage(QStringLiteral("ENG.ini"), "; comment\r\n"
                                             "[Buttons]\r\n"
                                             "OK =Spaced\r\n"
                                             "Cancel\r\n"
                                             "Add= Leading space\r\n"
                                             "DELETE=First\r\n"
                                             "delete=Second\r\n"
                                             "[buttons]\r\n"
                                             "Edit=In the second section\r\n"
                                             "[Messages]\r\n"
                                             "Ask=a=b\r\n");
    const TPreferences prefs(Setup());
    struct Row {
        const char* Name;
        QString Section, Key, Expected;
    };
    const Row rows[] = {
        {"space before = does not define the key", QStringLiteral("Buttons"), QStringLiteral("OK"), QString()},
        {"line without = is never found", QStringLiteral("Buttons"), QStringLiteral("Cancel"), QString()},
        {"value keeps its leading space", QStringLiteral("Buttons"), QStringLiteral("Add"),
         QStringLiteral(" Leading space")},
        {"key ignores case, first occurrence wins", QStringLiteral("Buttons"), QStringLiteral("Delete"),
         QStringLiteral("First")},
        {"section ignores case, first occurrence wins", QStringLiteral("BUTTONS"), QStringLiteral("Edit"), QString()},
        {"value is everything after the first =", QStringLiteral("Messages"), QStringLiteral("Ask"),
         QStringLiteral("a=b")},
        {"missing section", QStringLiteral("Menu"), QStringLiteral("Help"), QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(prefs.GetText(row.Section, row.Key), row.Expected);
    }
    EXPECT_EQ(prefs.GetMessageText(QStringLiteral("ask")), QStringLiteral("a=b"));
}

TEST_F(PreferencesTest, WindowCaptionIsThreeSpacesAndTheTrimmedName) {
    WriteLanguage(QStringLiteral("ENG.ini"), "[Editor]\r\nWindowName= \t Game Editor  \x01\r\n"
                                             "[Empty]\r\nWindowName=\r\n");
    const TPreferences prefs(Setup());
    EXPECT_EQ(prefs.GetWindowCaption(QStringLiteral("Editor")), QStringLiteral("   Game Editor"));
    EXPECT_EQ(prefs.GetWindowCaption(QStringLiteral("Empty")), QStringLiteral("   "));
    EXPECT_EQ(prefs.GetWindowCaption(QStringLiteral("Missing")), QStringLiteral("   "));
}

TEST_F(PreferencesTest, HelpFileFallsBackToTheEnglishOne) {
    WriteFile(QStringLiteral("Help/Wagerlens_rus.qch"), "x");
    WriteFile(QStringLiteral("Help/Wagerlens_eng.qch"), "x");
    struct Row {
        const char* Name;
        QByteArray Info;
        QString Expected;
    };
    const Row rows[] = {
        {"named file exists", "HelpFile=Wagerlens_rus.qch", QStringLiteral("Help/Wagerlens_rus.qch")},
        {"named file missing", "HelpFile=Wagerlens_xyz.qch", QStringLiteral("Help/Wagerlens_eng.qch")},
        {"no HelpFile key", "Language=x", QStringLiteral("Help/Wagerlens_eng.qch")},
        {"empty name does not give the folder", "HelpFile=", QStringLiteral("Help/Wagerlens_eng.qch")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        WriteLanguage(QStringLiteral("ENG.ini"), "[Info]\r\n" + row.Info + "\r\n");
        const TPreferences prefs(Setup());
        EXPECT_EQ(prefs.GetHelpFileName(), Path(row.Expected));
    }
    QFile::remove(Path(QStringLiteral("Help/Wagerlens_eng.qch")));
    WriteLanguage(QStringLiteral("ENG.ini"), "[Info]\r\nHelpFile=Missing.qch\r\n");
    const TPreferences prefs(Setup());
    EXPECT_EQ(prefs.GetHelpFileName(), Path(QStringLiteral("Help/Wagerlens_eng.qch")));
}

TEST_F(PreferencesTest, SiteAddressDependsOnRussian) {
    WriteLanguage(QStringLiteral("ENG.ini"));
    WriteLanguage(QStringLiteral("RUS.ini"));
    WriteLanguage(QStringLiteral("DEU.ini"));
    TPreferences prefs(Setup());
    EXPECT_EQ(prefs.GetSiteAddress(), MakerSiteAddress() + QStringLiteral("/from_wagerlens"));
    prefs.SelectLanguage(QStringLiteral("RUS"));
    EXPECT_EQ(prefs.GetSiteAddress(), MakerSiteAddress() + QStringLiteral("/from_wagerlens_ru"));
    prefs.SelectLanguage(QStringLiteral("DEU"));
    EXPECT_EQ(prefs.GetSiteAddress(), MakerSiteAddress() + QStringLiteral("/from_wagerlens"));
    EXPECT_FALSE(MakerSiteAddress().endsWith(QLatin1Char('/')));
}

TEST_F(PreferencesTest, RestoresListPositionsOnlyInsideTheList) {
    WriteLanguage(QStringLiteral("ENG.ini"));
    struct Row {
        const char* Name;
        QByteArray Stored;
        int Count;
        int ExpectedIndex, ExpectedTop; // the caller's values are 2 and 3 before the call
    };
    const Row rows[] = {
        {"index equal to the count is ignored", "ItemIndex=5\r\nItemTop=5", 5, 2, 3},
        {"last item", "ItemIndex=4\r\nItemTop=4", 5, 4, 4},
        {"minus one is ignored", "ItemIndex=-1\r\nItemTop=-1", 5, 2, 3},
        {"missing values read as 0", "", 5, 0, 0},
        {"bad integers read as 0", "ItemIndex=abc\r\nItemTop=1.5", 5, 0, 0},
        {"empty list keeps everything", "ItemIndex=0\r\nItemTop=0", 0, 2, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        WriteFile(QStringLiteral("wagerlens.ini"), "[SelectedGame]\r\n" + row.Stored + "\r\n");
        const TPreferences prefs(Setup());
        int index = 2;
        int top = 3;
        prefs.RestoreListPosition(QStringLiteral("SelectedGame"), row.Count, index, top);
        EXPECT_EQ(index, row.ExpectedIndex);
        EXPECT_EQ(top, row.ExpectedTop);
    }
}

TEST_F(PreferencesTest, StoreIsWrittenOnceWithTheLanguageAndKeepsOtherSections) {
    WriteLanguage(QStringLiteral("ENG.ini"));
    WriteLanguage(QStringLiteral("RUS.ini"));
    WriteFile(QStringLiteral("wagerlens.ini"), "[CHART]\r\nChartID=6\r\n");
    {
        TPreferences prefs(Setup());
        prefs.SaveListPosition(QStringLiteral("SelectedBet"), -1, 7);
        prefs.SelectLanguage(QStringLiteral("RUS"));
        EXPECT_EQ(prefs.Store().ReadInteger(QStringLiteral("CHART"), QStringLiteral("ChartID")), 6);
        prefs.Save();
    }
    QFile file(Path(QStringLiteral("wagerlens.ini")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[CHART]\r\nChartID=6\r\n\r\n"
                                         "[SelectedBet]\r\nItemIndex=-1\r\nItemTop=7\r\n\r\n"
                                         "[Preferences]\r\nLanguage=RUS\r\n\r\n"));
    const TPreferences again(Setup());
    EXPECT_EQ(again.LanguageCode(), QStringLiteral("RUS"));
}

// A hand-edited value the program cannot use reads as the default; a set value survives a restart.
TEST_F(PreferencesTest, MemoryBudgetReadsAsTheDefaultUnlessUsable) {
    WriteLanguage(QStringLiteral("ENG.ini"));
    const std::pair<const char*, int> rows[] = {
        {nullptr, 1024}, {"2048", 2048}, {"64", 64}, {"63", 1024}, {"-5", 1024}, {"1048577", 1024}, {"lots", 1024},
    };
    for (const auto& [stored, expected] : rows) {
        SCOPED_TRACE(stored ? stored : "none");
        WriteFile(QStringLiteral("wagerlens.ini"),
                  stored ? QByteArray("[Preferences]\r\nMemoryBudget=") + stored + "\r\n" : QByteArray());
        const TPreferences prefs(Setup());
        EXPECT_EQ(prefs.MemoryBudget(), expected);
        EXPECT_EQ(prefs.MemoryBudgetBytes(), int64_t{expected} * 1024 * 1024);
    }
    {
        TPreferences prefs(Setup());
        EXPECT_THROW(prefs.SetMemoryBudget(MemoryBudgetMinimum - 1), ERangeError);
        EXPECT_EQ(prefs.MemoryBudget(), 1024) << "a refused value changes nothing";
        prefs.SetMemoryBudget(4096);
        prefs.Save();
    }
    EXPECT_EQ(TPreferences(Setup()).MemoryBudget(), 4096);
}

// The smallest probability followed: 0 is a choice (follow every balance), not a missing value.
TEST_F(PreferencesTest, ToleranceReadsAsTheDefaultUnlessUsable) {
    WriteLanguage(QStringLiteral("ENG.ini"));
    const std::pair<const char*, double> rows[] = {
        {nullptr, 1e-15}, {"0", 0.0},        {"1e-12", 1e-12}, {"1e-9", 1e-9},
        {"2e-9", 1e-15},  {"-1e-15", 1e-15}, {"nan", 1e-15},   {"tiny", 1e-15},
    };
    for (const auto& [stored, expected] : rows) {
        SCOPED_TRACE(stored ? stored : "none");
        WriteFile(QStringLiteral("wagerlens.ini"),
                  stored ? QByteArray("[Preferences]\r\nSmallestProbability=") + stored + "\r\n" : QByteArray());
        EXPECT_EQ(TPreferences(Setup()).Tolerance(), expected);
    }
    {
        TPreferences prefs(Setup());
        EXPECT_THROW(prefs.SetTolerance(1e-3), ERangeError);
        prefs.SetTolerance(0.0);
        prefs.Save();
    }
    EXPECT_EQ(TPreferences(Setup()).Tolerance(), 0.0);
}

TEST_F(PreferencesTest, UnreadableStoreIsNotOverwritten) {
    WriteLanguage(QStringLiteral("ENG.ini"));
    // A folder where the file should be: it exists but cannot be read as a file.
    QDir().mkpath(Path(QStringLiteral("wagerlens.ini")));
    WriteFile(QStringLiteral("wagerlens.ini/keep"), "x");
    TPreferences prefs(Setup());
    EXPECT_EQ(prefs.LanguageCode(), QStringLiteral("ENG"));
    EXPECT_THROW(prefs.Save(), EFileError);
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("wagerlens.ini/keep"))).isFile());
}

TEST_F(PreferencesTest, StoreInANewFolderIsCreated) {
    WriteLanguage(QStringLiteral("ENG.ini"));
    TPreferencesSetup setup = Setup();
    setup.StorePath = Path(QStringLiteral("per-user/data/wagerlens.ini"));
    TPreferences prefs(setup);
    prefs.Save();
    EXPECT_TRUE(QFileInfo(setup.StorePath).isFile());
}

TEST_F(PreferencesTest, FormatsMessageTextsSafely) {
    WriteLanguage(QStringLiteral("ENG.ini"), "[Messages]\r\n"
                                             "Good=Delete \"%s\"?\r\n"
                                             "Percent=100%% sure about %s?\r\n"
                                             "Integer=Delete %d?\r\n"
                                             "Two=Delete %s %s?\r\n"
                                             "Write=Delete %n\r\n"
                                             "Bare=100% sure?\r\n"
                                             "None=Delete it?\r\n");
    const TPreferences prefs(Setup());
    const QString name = QStringLiteral("Coin %s %d 100%");
    EXPECT_EQ(prefs.FormatMessageText(QStringLiteral("Good"), {name}), QStringLiteral("Delete \"Coin %s %d 100%\"?"));
    EXPECT_EQ(prefs.FormatMessageText(QStringLiteral("Percent"), {name}),
              QStringLiteral("100% sure about Coin %s %d 100%?"));
    for (const char* key : {"Integer", "Two", "Write", "Bare", "None", "Missing"}) {
        SCOPED_TRACE(key);
        EXPECT_THROW(prefs.FormatMessageText(QString::fromLatin1(key), {name}), EFormatError);
    }
}

TEST_F(PreferencesTest, PlayNowAddressComesFromThePerUserSettings) {
    WriteLanguage(QStringLiteral("ENG.ini"));
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    TPreferencesSetup setup = Setup();
    setup.PlayNowAddress.reset();
    EXPECT_EQ(TPreferences(setup).PlayNowAddress(), QString());
    {
        QSettings settings(QStringLiteral("Brellion"), QStringLiteral("Wagerlens"));
        settings.setValue(QStringLiteral("PlayNowURL"), QStringLiteral("https://play.example/now"));
    }
    EXPECT_EQ(TPreferences(setup).PlayNowAddress(), QStringLiteral("https://play.example/now"));
    {
        // Written by hand, an address with a comma comes back from the settings as a list.
        QFile file(settingsDir.path() + QStringLiteral("/Brellion/Wagerlens.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[General]\nPlayNowURL=https://play.example/go?a=1,b=2\n");
    }
    EXPECT_EQ(TPreferences(setup).PlayNowAddress(), QStringLiteral("https://play.example/go?a=1,b=2"));
}

TEST_F(PreferencesTest, ProcessWideObjectIsRetriedAfterAFailedCreation) {
    SetPreferencesSetup(Setup());
    EXPECT_THROW(GetPreferences(), Exception);
    EXPECT_FALSE(PreferencesExist());
    WriteLanguage(QStringLiteral("ENG.ini"));
    TPreferences& prefs = GetPreferences();
    EXPECT_EQ(&prefs, &GetPreferences());
    ReleasePreferences();
    EXPECT_FALSE(PreferencesExist());
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("wagerlens.ini"))).isFile());
}

TEST_F(PreferencesTest, StoreLivesBesideTheProgramWhenItsFolderIsWritable) {
    const TPreferencesSetup beside =
        PreferencesSetupFor(Path(QStringLiteral("wagerlens")), Path(QStringLiteral("user")));
    EXPECT_EQ(beside.ProgramFolder, Dir.path());
    EXPECT_EQ(beside.StorePath, Path(QStringLiteral("wagerlens.ini")));
    // A folder the program cannot write to (here one that does not exist) sends the store to the user's folder.
    const TPreferencesSetup away =
        PreferencesSetupFor(Path(QStringLiteral("missing/bin/wagerlens")), Path(QStringLiteral("user")));
    EXPECT_EQ(away.ProgramFolder, Path(QStringLiteral("missing/bin")));
    EXPECT_EQ(away.StorePath, Path(QStringLiteral("user/wagerlens.ini")));
}

TEST(LanguageCodes, MapLocalesToThreeLetterCodes) {
    const std::pair<const char*, const char*> rows[] = {
        {"en_US", "ENU"}, {"en_GB", "ENG"}, {"en", "ENU"},    {"ru_RU", "RUS"}, {"ru", "RUS"},    {"de_DE", "DEU"},
        {"de_AT", "DEA"}, {"fr_FR", "FRA"}, {"fr_CA", "FRC"}, {"es_ES", "ESN"}, {"it_IT", "ITA"}, {"pt_BR", "PTB"},
        {"pt_PT", "PTG"}, {"ja_JP", "JPN"}, {"C", "ENU"},     {"eo", "EPO"},    {"cy_GB", "CYM"},
    };
    for (const auto& [locale, code] : rows) {
        SCOPED_TRACE(locale);
        EXPECT_EQ(LanguageCodeForLocale(QString::fromLatin1(locale)), QString::fromLatin1(code));
    }
    EXPECT_EQ(SystemLanguageCode().size(), 3);
}

TEST(PercentEncode, KeepsOnlyTheSafeCharacters) {
    const std::pair<QByteArray, const char*> rows[] = {
        {"a b", "a%20b"},
        {"line\r\nbreak", "line%0D%0Abreak"},
        {"100%", "100%25"},
        {"caf\xE9", "caf%E9"},
        {"Az09.@!$'()*-_", "Az09.@!$'()*-_"},
        {"a&b=c?d#e/f+g", "a%26b%3Dc%3Fd%23e%2Ff%2Bg"},
        {QByteArray("cut\0here", 8), "cut"},
        {"", ""},
    };
    for (const auto& [input, expected] : rows) {
        SCOPED_TRACE(input.toStdString());
        EXPECT_EQ(PercentEncode(input), QString::fromLatin1(expected));
    }
    EXPECT_EQ(PercentEncode(QString::fromUtf8("\xC3\xA9")), QStringLiteral("%C3%A9"));
}

} // namespace
} // namespace wl
