// Games and systems that may be stored but make no sense to chart are kept as they are, and said.
#include "model/Oddities.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"
#include "support/IniStore.h"

#include <gtest/gtest.h>

namespace wl {
namespace {

QStringList Texts(const std::vector<TUserText>& oddities) {
    QStringList out;
    for (const TUserText& t : oddities)
        out.append(t.Text(nullptr));
    return out;
}

TEST(OdditiesTest, GamesAndSystemsSayWhatIsOdd) {
    struct TRow {
        const char* Name;
        const char* Ini; // one section, [X]
        bool IsGame;
        QStringList Expected;
    };
    const TRow rows[] = {
        {"a sound game",
         "[X]\nCount=2\nResult0=1\nProbability0=0.486486486486487\nResult1=-1\n"
         "Probability1=0.513513513513513\n",
         true,
         {}},
        {"probabilities adding up to 1.1",
         "[X]\nCount=2\nResult0=1\nProbability0=0.6\nResult1=-1\nProbability1=0.5\n",
         true,
         {QStringLiteral("The probabilities of the game \"X\" add up to 1.1, not 1: its charts will not add up to "
                         "100 %. Correct them in the game editor.")}},
        {"a negative probability",
         "[X]\nCount=2\nResult0=1\nProbability0=1.25\nResult1=-1\nProbability1=-0.25\n",
         true,
         {QStringLiteral("The game \"X\": outcome 2 has the probability -0.25, less than 0. Correct it in the game "
                         "editor.")}},
        {"numbers that cannot be read",
         "[X]\nCount=3\nResult0=1\nProbability0=0,486\nResult1=-1\nProbability1=nan\nResult2=99999999999\n"
         "Probability2=1\n",
         true,
         {QStringLiteral("games.ini, section [X]: the value \"0,486\" of Probability0 is not a number and counts as "
                         "0. Correct it in the editor."),
          QStringLiteral("games.ini, section [X]: the value \"nan\" of Probability1 is not a number and counts as 0. "
                         "Correct it in the editor."),
          QStringLiteral("games.ini, section [X]: the value \"99999999999\" of Result2 is not a number and counts as "
                         "0. Correct it in the editor.")}},
        {"a sound system", "[X]\nCount=2\nBet0=1\nWin0=0\nLoss0=1\nBet1=2\nWin1=0\nLoss1=0\n", false, {}},
        {"a negative bet",
         "[X]\nCount=2\nBet0=1\nWin0=0\nLoss0=1\nBet1=-2\nWin1=0\nLoss1=0\n",
         false,
         {QStringLiteral("The betting system \"X\": state 1 bets -2 units, less than nothing. Correct it in the "
                         "system editor.")}},
        {"a successor that cannot be read",
         "[X]\nCount=1\nBet0=1\nWin0=zero\nLoss0=0\n",
         false,
         {QStringLiteral("bets.ini, section [X]: the value \"zero\" of Win0 is not a number and counts as 0. Correct "
                         "it in the editor.")}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TIniStore store;
        store.LoadFromText(QString::fromUtf8(row.Ini));
        QStringList found;
        if (row.IsGame) {
            TGameDescription game;
            game.Name = QStringLiteral("X");
            game.LoadFromIni(store);
            found = Texts(GameOddities(game));
            // What the editor gives back has been seen there.
            TGameDescription edited;
            edited.Assign(game);
            EXPECT_EQ(edited.Unread, QStringList());
        } else {
            TBetDescription system;
            system.Name = QStringLiteral("X");
            system.LoadFromIni(store);
            found = Texts(SystemOddities(system));
        }
        EXPECT_EQ(found, row.Expected);
    }
}

} // namespace
} // namespace wl
