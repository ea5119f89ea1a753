// The help's example of a session played until ruin or double: its figures are what the summary computes, in every
// language.
#include "charts/SeriesSummary.h"
#include "model/BetList.h"
#include "model/GameList.h"
#include "model/Storage.h"
#include "support/AtomicFile.h"
#include "support/Numbers.h"
#include "support/TextCodec.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace wl {
namespace {

TEST(SessionHelpExample, UntilRuinOrDoubleMatchesTheHelp) {
    QTemporaryDir copy;
    for (const char* name : {"games.ini", "bets.ini"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(WL_SOURCE_DATA_DIR "/") + QLatin1String(name),
                                copy.path() + QLatin1Char('/') + QLatin1String(name)));
    const TStorage storage(copy.path());
    const int g = static_cast<int>(storage.Games->NameList().indexOf(QStringLiteral("European roulette - red/black")));
    ASSERT_GE(g, 0);
    QStringList rows;
    for (const char* system : {"Flat bet, 1 unit", "Martingale, 7 doublings"}) {
        const int s = static_cast<int>(storage.Systems->NameList().indexOf(QString::fromUtf8(system)));
        ASSERT_GE(s, 0);
        TSummaryParams p;
        p.Rounds = 3000;
        p.Session = true;
        p.Bankroll = 100;
        p.Target = 200;
        p.Limits = {-5000, 5000};
        p.StateReach = false;
        const auto summary = ComputeSeriesSummary(*storage.Games->Item(g), *storage.Systems->Item(s), p);
        ASSERT_TRUE(summary && summary->Session && summary->Session->Solved);
        const TSessionFigures& f = *summary->Session;
        rows << QStringLiteral("<tr><td>") + QString::fromUtf8(system) + QStringLiteral("</td><td>") +
                    FormatFixed(100.0 * *f.Ruin, 6) + QStringLiteral("&nbsp;%</td><td>") +
                    FormatFixed(100.0 * *f.Success, 6) + QStringLiteral("&nbsp;%</td><td>") +
                    FormatFixed(*f.Duration, 6) + QStringLiteral("</td><td>") + FormatFixed(*f.DurationSd, 6) +
                    QStringLiteral("</td><td>") + FormatFixed(*f.EndResult, 6) + QStringLiteral("</td></tr>");
    }
    for (const char* page : {"eng/charts.htm", "deu/charts.htm", "rus/charts.htm"}) {
        SCOPED_TRACE(page);
        QByteArray bytes;
        ASSERT_TRUE(ReadWholeFile(QStringLiteral(WL_SOURCE_DATA_DIR "/help/") + QLatin1String(page), bytes));
        const QString help = DecodeText(bytes);
        const bool comma = QLatin1String(page) != QLatin1String("eng/charts.htm");
        for (QString row : rows) {
            if (comma)
                row.replace(QLatin1Char('.'), QLatin1Char(','));
            EXPECT_TRUE(help.contains(row)) << row.toStdString();
        }
    }
}

} // namespace
} // namespace wl
