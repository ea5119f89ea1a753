// Tests of reading and writing the main window's saved state through a real, inactive controller.
#include "presentation/WindowState.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "model/Storage.h"
#include "support/IniStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

using namespace wl;

namespace {

const QString Placement = QStringLiteral("Placement96768");
const TWindowPlacement FormPlacement{0, 0, 696, 497, 200};

void WriteFile(const QString& path, const char* text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// Games Coin, Dice, Roulette and systems Flat, Martingale, at list positions 0, 1, 2 and 0, 1.
class WindowStateTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Folder.isValid());
        WriteFile(Folder.filePath(QStringLiteral("games.ini")),
                  "[Roulette]\r\nCount=2\r\nResult0=1\r\nProbability0=0.486486486486486\r\nResult1=-1\r\n"
                  "Probability1=0.513513513513514\r\n\r\n"
                  "[Coin]\r\nCount=2\r\nResult0=1\r\nProbability0=0.5\r\nResult1=-1\r\nProbability1=0.5\r\n\r\n"
                  "[Dice]\r\nCount=2\r\nResult0=1\r\nProbability0=0.25\r\nResult1=-1\r\nProbability1=0.75\r\n\r\n");
        WriteFile(Folder.filePath(QStringLiteral("bets.ini")),
                  "[Martingale]\r\nCount=2\r\nBet0=1\r\nWin0=0\r\nLoss0=1\r\nBet1=2\r\nWin1=0\r\nLoss1=0\r\n\r\n"
                  "[Flat]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=0\r\n\r\n");
    }

    std::unique_ptr<TChartController> NewController() {
        auto controller = std::make_unique<TChartController>(Folder.path());
        controller->SetChart(&Chart);
        return controller;
    }

    QStringList Captions(const TChartController& c) {
        QStringList captions;
        for (int i = 0; i < c.SeriesCount(); ++i)
            captions.append(c.GetSeriesCaption(i));
        return captions;
    }

    TIniStore StoreOf(const char* text) {
        TIniStore store;
        store.LoadFromBytes(QByteArray(text));
        return store;
    }

    QTemporaryDir Folder;
    TChart Chart;
};

} // namespace

TEST_F(WindowStateTest, RoundTrip) {
    TIniStore store;
    {
        auto c = NewController();
        ASSERT_EQ(c->Storage().Games->Count(), 3);
        c->SelectChartKind(6);
        c->CurrentKind().SetParam(0, 50);
        c->CurrentKind().SetParam(1, 300);
        c->AddSeries(*c->Storage().Games->Item(1), *c->Storage().Systems->Item(0));
        c->AddSeries(*c->Storage().Games->Item(0), *c->Storage().Systems->Item(1));
        SaveWindowState(store, *c, true, {10, 20, 800, 600, 150}, Placement);
    }
    EXPECT_EQ(store.ReadInteger(QStringLiteral("CHART"), QStringLiteral("ChartID")), 6);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Series"), QStringLiteral("Game1")), 0);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Series"), QStringLiteral("Bet1")), 1);

    auto c = NewController();
    const TLoadedWindowState loaded = LoadWindowState(store, *c, FormPlacement, Placement);
    EXPECT_EQ(c->ChartIndex(), 6);
    EXPECT_EQ(c->CurrentKind().GetParam(0), 50);
    EXPECT_EQ(c->CurrentKind().GetParam(1), 300);
    EXPECT_EQ(Captions(*c), (QStringList{QStringLiteral("Dice [Flat]"), QStringLiteral("Coin [Martingale]")}));
    EXPECT_TRUE(loaded.DataView);
    ASSERT_TRUE(loaded.Placement.has_value());
    EXPECT_EQ(*loaded.Placement, (TWindowPlacement{10, 20, 800, 600, 150}));
    EXPECT_FALSE(c->Running()) << "loading never starts a calculation";
}

TEST_F(WindowStateTest, EmptyStoreGivesDefaults) {
    auto c = NewController();
    const TLoadedWindowState loaded = LoadWindowState(TIniStore(), *c, FormPlacement, Placement);
    EXPECT_EQ(c->ChartIndex(), 0);
    EXPECT_EQ(c->CurrentKind().GetParam(0), 0);
    EXPECT_EQ(c->CurrentKind().GetParam(1), 10);
    EXPECT_EQ(c->SeriesCount(), 0);
    EXPECT_FALSE(loaded.DataView);
    EXPECT_FALSE(loaded.Placement.has_value());
}

TEST_F(WindowStateTest, BadValues) {
    struct TRow {
        const char* Name;
        const char* Text;
        int ChartId;
        int Param0, Param1;
        QStringList Captions;
    };
    const TRow rows[] = {
        {"chart id too large", "[CHART]\nChartID=13\nParam0=5\n", 0, 5, 10, {}},
        {"negative chart id", "[CHART]\nChartID=-1\n", 0, 0, 10, {}},
        {"chart id not a number", "[CHART]\nChartID=six\nParam1=x\n", 0, 0, 10, {}},
        {"parameters outside the fields' range", "[CHART]\nChartID=0\nParam0=-5\nParam1=2000000000\n", 0, 0, 10000, {}},
        {"hexadecimal is an integer", "[CHART]\nChartID=0x1\nParam0=0x10\n", 1, 16, 10, {}},
        {"a target below the bankroll gives the kind's own pair",
         "[CHART]\nChartID=6\nParam0=300\nParam1=200\n",
         6,
         100,
         200,
         {}},
        {"a target above the bankroll is kept", "[CHART]\nChartID=6\nParam0=300\nParam1=400\n", 6, 300, 400, {}},
        {"a series naming a missing game is skipped",
         "[Series]\nCount=3\nGame0=0\nBet0=0\nGame1=99\nBet1=0\nGame2=2\nBet2=1\n",
         0,
         0,
         10,
         {QStringLiteral("Coin [Flat]"), QStringLiteral("Roulette [Martingale]")}},
        {"negative and missing indexes",
         "[Series]\nCount=4\nGame0=-1\nBet0=0\nGame1=1\nBet1=2\nGame2=1\n",
         0,
         0,
         10,
         {}},
        {"negative count", "[Series]\nCount=-3\nGame0=0\nBet0=0\n", 0, 0, 10, {}},
        {"count bounds the entries read",
         "[Series]\nCount=1\nGame0=1\nBet0=1\nGame1=0\nBet1=0\n",
         0,
         0,
         10,
         {QStringLiteral("Dice [Martingale]")}},
        {"keys only like the written ones",
         "[Series]\nCount=5\nGame01=0\nBet01=0\nGame+2=0\nBet+2=0\ngame3=2\nbet3=0\n",
         0,
         0,
         10,
         {QStringLiteral("Roulette [Flat]")}},
    };
    for (const TRow& r : rows) {
        auto c = NewController();
        LoadWindowState(StoreOf(r.Text), *c, FormPlacement, Placement);
        EXPECT_EQ(c->ChartIndex(), r.ChartId) << r.Name;
        EXPECT_EQ(c->CurrentKind().GetParam(0), r.Param0) << r.Name;
        EXPECT_EQ(c->CurrentKind().GetParam(1), r.Param1) << r.Name;
        EXPECT_EQ(Captions(*c), r.Captions) << r.Name;
    }
}

TEST_F(WindowStateTest, MoreThanTenSeriesKeepsTheFirstTen) {
    QByteArray text = "[Series]\nCount=13\n";
    for (int i = 0; i < 13; ++i)
        text += "Game" + QByteArray::number(i) + "=" + QByteArray::number(i % 3) + "\nBet" + QByteArray::number(i) +
                "=" + QByteArray::number(i == 10 ? 1 : 0) + "\n";
    TIniStore store;
    store.LoadFromBytes(text);
    auto c = NewController();
    LoadWindowState(store, *c, FormPlacement, Placement);
    ASSERT_EQ(c->SeriesCount(), 10);
    EXPECT_EQ(c->GetSeriesCaption(9), QStringLiteral("Coin [Flat]"));
    EXPECT_EQ(c->GetSeriesCaption(0), QStringLiteral("Coin [Flat]"));
    EXPECT_EQ(c->GetSeriesCaption(1), QStringLiteral("Dice [Flat]"));
}

TEST_F(WindowStateTest, HugeCountReadsOnlyWhatIsThere) {
    auto c = NewController();
    LoadWindowState(StoreOf("[Series]\nCount=2147483647\nGame7=1\nBet7=0\nGame2000000000=2\nBet2000000000=1\n"), *c,
                    FormPlacement, Placement);
    EXPECT_EQ(Captions(*c), (QStringList{QStringLiteral("Dice [Flat]"), QStringLiteral("Roulette [Martingale]")}));
}

TEST_F(WindowStateTest, PlacementPerScreenSetup) {
    EXPECT_EQ(PlacementSectionName(96, 768), QStringLiteral("Placement96768"));
    EXPECT_EQ(PlacementSectionName(144, 1440), QStringLiteral("Placement1441440"));

    const TIniStore store = StoreOf("[Placement1441440]\nWidth=900\n[Placement96768]\nWidth=750\nHeight=bad\n");
    auto c = NewController();
    const auto other = LoadWindowState(store, *c, FormPlacement, QStringLiteral("Placement120800"));
    EXPECT_FALSE(other.Placement.has_value());
    const auto here = LoadWindowState(store, *c, FormPlacement, Placement);
    ASSERT_TRUE(here.Placement.has_value());
    EXPECT_EQ(*here.Placement, (TWindowPlacement{0, 0, 750, 497, 200}));
}

TEST_F(WindowStateTest, FewerSeriesThanLastTimeLeaveOldKeysUnread) {
    TIniStore store = StoreOf("[Series]\nCount=5\nGame0=0\nBet0=0\nGame1=0\nBet1=0\nGame2=0\nBet2=0\nGame3=0\nBet3=0\n"
                              "Game4=0\nBet4=0\n");
    {
        auto c = NewController();
        c->AddSeries(*c->Storage().Games->Item(2), *c->Storage().Systems->Item(1));
        c->AddSeries(*c->Storage().Games->Item(1), *c->Storage().Systems->Item(0));
        SaveWindowState(store, *c, false, FormPlacement, Placement);
    }
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Series"), QStringLiteral("Game4"), -1), 0);
    auto c = NewController();
    const auto loaded = LoadWindowState(store, *c, FormPlacement, Placement);
    EXPECT_EQ(Captions(*c), (QStringList{QStringLiteral("Roulette [Martingale]"), QStringLiteral("Dice [Flat]")}));
    EXPECT_FALSE(loaded.DataView);
}
