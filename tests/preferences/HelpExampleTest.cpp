// The worked example in the help quotes risk-of-ruin figures; they must be what the engine computes.
#include "charts/ChartDescription.h"
#include "charts/SeriesSummary.h"
#include "engine/BankrollPlanner.h"
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "model/BetList.h"
#include "model/GameList.h"
#include "model/Storage.h"
#include "support/AtomicFile.h"
#include "support/Numbers.h"
#include "support/TextCodec.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace wl {
namespace {

class HelpExampleTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"games.ini", "bets.ini"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(WL_SOURCE_DATA_DIR "/") + QLatin1String(name),
                                    Copy.path() + QLatin1Char('/') + QLatin1String(name)));
        Storage = std::make_unique<TStorage>(Copy.path());
    }

    // Runs a risk kind over 3000 rounds with bankroll 100 and target 200; returns the calculator with its values.
    std::unique_ptr<TGameCalculator> Run(TRangeChart& kind, const char* game, const char* system) const {
        const int g = static_cast<int>(Storage->Games->NameList().indexOf(QString::fromUtf8(game)));
        const int s = static_cast<int>(Storage->Systems->NameList().indexOf(QString::fromUtf8(system)));
        EXPECT_GE(g, 0);
        EXPECT_GE(s, 0);
        auto calculator = std::make_unique<TGameCalculator>();
        if (g < 0 || s < 0)
            return calculator;
        calculator->Game = Storage->Games->Item(g);
        calculator->BetSystem = Storage->Systems->Item(s);
        kind.SetParam(0, 100);
        kind.SetParam(1, 200);
        calculator->Bankroll = kind.Bankroll();
        for (int round = 1; round <= 3000; ++round) {
            if (round == 1)
                calculator->Reset();
            else
                calculator->Step();
            kind.CollectRound(*calculator, round);
        }
        return calculator;
    }

    QTemporaryDir Copy;
    std::unique_ptr<TStorage> Storage;
};

QString HelpText(const char* page = "eng/charts.htm") {
    QByteArray bytes;
    EXPECT_TRUE(ReadWholeFile(QStringLiteral(WL_SOURCE_DATA_DIR "/help/") + QLatin1String(page), bytes));
    return DecodeText(bytes);
}

// As the help prints a percentage: one decimal, then a non-breaking space and the sign.
QString Percent(double value, int decimals = 1) {
    return FormatFixed(value, decimals) + QStringLiteral("&nbsp;%");
}

TEST_F(HelpExampleTest, MartingaleOnEuropeanRouletteMatchesTheHelp) {
    const QString help = HelpText();
    TRORChart ruin;
    const auto martingale = Run(ruin, "European roulette - red/black", "Martingale, 7 doublings");
    TCOSChart success;
    const auto martingaleSuccess = Run(success, "European roulette - red/black", "Martingale, 7 doublings");
    TRORChart flatRuin;
    const auto flat = Run(flatRuin, "European roulette - red/black", "Flat bet, 1 unit");
    TCOSChart flatSuccess;
    const auto flatCos = Run(flatSuccess, "European roulette - red/black", "Flat bet, 1 unit");
    TCOSChart coinSuccess;
    const auto coin = Run(coinSuccess, "Coin toss - fair coin", "Martingale, 7 doublings");

    const QString martingaleRow = QStringLiteral("<tr><td>Martingale, 7 doublings</td><td>") +
                                  Percent(martingale->Results[100]) + QStringLiteral("</td><td>") +
                                  Percent(martingale->Results[500]) + QStringLiteral("</td><td>") +
                                  Percent(martingale->Results[3000]) + QStringLiteral("</td><td>") +
                                  Percent(martingaleSuccess->Results[3000]) + QStringLiteral("</td></tr>");
    EXPECT_TRUE(help.contains(martingaleRow)) << martingaleRow.toStdString();

    EXPECT_LT(flat->Results[100], 1e-6);
    const QString flatRow = QStringLiteral("<td>") + Percent(flat->Results[500], 3) + QStringLiteral("</td><td>") +
                            Percent(flat->Results[3000]) + QStringLiteral("</td><td>") +
                            Percent(flatCos->Results[3000]) + QStringLiteral("</td></tr>");
    EXPECT_TRUE(help.contains(flatRow)) << flatRow.toStdString();

    EXPECT_TRUE(help.contains(QStringLiteral("is ") + Percent(coin->Results[3000]) + QStringLiteral(": the system")));
    const double rate = martingaleSuccess->Results[3000] / martingale->Results[3000];
    EXPECT_TRUE(help.contains(QStringLiteral("one number, ") + FormatFixed(rate, 2) + QLatin1Char('.')));
    // The first ruin the help mentions.
    EXPECT_EQ(martingale->Results[14], 0.0);
    EXPECT_GT(martingale->Results[15], 0.0);
}

TEST_F(HelpExampleTest, PlannerExampleMatchesTheHelp) {
    const TFloatModeGuard floatMode;
    const QString help = HelpText();
    const TGameDescription& roulette = *Storage->Games->Item(
        static_cast<int>(Storage->Games->NameList().indexOf(QStringLiteral("European roulette - red/black"))));
    for (const char* system : {"Martingale, 7 doublings", "Flat bet, 1 unit"}) {
        const int s = static_cast<int>(Storage->Systems->NameList().indexOf(QString::fromUtf8(system)));
        ASSERT_GE(s, 0);
        const TBankrollCurve curve = BankrollCurve(roulette, *Storage->Systems->Item(s), 1000, 0);
        const TBankrollAnswer a = BankrollsForRisk(curve);
        QString row = QStringLiteral("<tr><td>") + QString::fromUtf8(system) + QStringLiteral("</td>");
        for (const int32_t b : a.Bankrolls)
            row += QStringLiteral("<td>") + QString::number(b) + QStringLiteral("</td>");
        row += QStringLiteral("<td>") + Percent(100.0 * curve.Ruin[100]) + QStringLiteral("</td>");
        EXPECT_TRUE(help.contains(row)) << row.toStdString();
    }
}

// The summary's worked example, in every language: the martingale with unlimited money, every balance followed, and
// with a bankroll of 2047, where the result per unit staked is minus the house edge.
TEST_F(HelpExampleTest, SummaryExampleMatchesTheHelp) {
    const TGameDescription& roulette = *Storage->Games->Item(
        static_cast<int>(Storage->Games->NameList().indexOf(QStringLiteral("European roulette - red/black"))));
    const TBetDescription& martingale = *Storage->Systems->Item(
        static_cast<int>(Storage->Systems->NameList().indexOf(QStringLiteral("Martingale, 10 doublings"))));
    QStringList cells[2];
    for (int k = 0; k < 2; ++k) {
        TSummaryParams p;
        p.Rounds = 1000;
        p.Bankroll = k == 0 ? 0 : 2047;
        const std::optional<TSeriesSummary> s = ComputeSeriesSummary(roulette, martingale, p);
        ASSERT_TRUE(s && s->States.size() == 11);
        EXPECT_EQ(s->LimitRound, 0);
        const THorizonFigures& h = s->Horizon;
        for (const double v :
             {h.Mean, h.Ahead * 100.0, h.Staked, h.ResultPerStaked * 100.0, *s->States[10].Reach * 100.0})
            cells[k] << FormatFixed(v, 6);
        cells[k] << QString::number(h.Median) << QString::number(h.Q05);
        cells[k] << FormatFixed(100.0 * s->Game.HouseEdge, 6);
        if (k == 1)
            cells[k] << FormatFixed(100.0 * *h.Ruin, 6);
    }
    for (const char* page : {"eng/summary.htm", "rus/summary.htm", "deu/summary.htm"}) {
        SCOPED_TRACE(page);
        const QString help = HelpText(page);
        const bool comma = QLatin1String(page) != QLatin1String("eng/summary.htm");
        for (int k = 0; k < 2; ++k)
            for (QString cell : cells[k]) {
                cell = QStringLiteral("<td>") + (comma ? cell.replace(QLatin1Char('.'), QLatin1Char(',')) : cell) +
                       QStringLiteral("</td>");
                EXPECT_TRUE(help.contains(cell)) << cell.toStdString();
            }
    }
}

} // namespace
} // namespace wl
