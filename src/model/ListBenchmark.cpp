// Generated lists of many games and systems, timed through the same load and save as the program's.
#include "model/ListBenchmark.h"

#include "model/Storage.h"
#include "support/AtomicFile.h"
#include "support/Numbers.h"

#include <QTemporaryDir>

#include <cstdint>
#include <ctime>
#include <iomanip>

namespace wl {

namespace {

// A fixed pseudo-random sequence, so that every run measures the same files.
class TSequence {
public:
    uint32_t Next() {
        FState = FState * 1664525u + 1013904223u;
        return FState >> 8;
    }

private:
    uint32_t FState = 12345u;
};

// Distinct names in no particular order: a permuted number, so that the sorted load has real work.
QString GeneratedName(const char* prefix, int i) {
    const uint32_t scrambled = (static_cast<uint32_t>(i) * 2654435761u) % 1000003u;
    return QLatin1String(prefix) + FormatInteger(scrambled) + QLatin1String(" #") + FormatInteger(i);
}

QByteArray GeneratedGames(int count) {
    TSequence random;
    QString text;
    for (int i = 0; i < count; ++i) {
        const int outcomes = 2 + static_cast<int>(random.Next() % 3);
        text += QLatin1Char('[') + GeneratedName("Game ", i) + QLatin1String("]\r\nCount=") + FormatInteger(outcomes) +
                QLatin1String("\r\n");
        for (int k = 0; k < outcomes; ++k) {
            const long long result = k == 0 ? -1 : static_cast<long long>(random.Next() % 36);
            text += QLatin1String("Result") + FormatInteger(k) + QLatin1Char('=') + FormatInteger(result) +
                    QLatin1String("\r\nProbability") + FormatInteger(k) + QLatin1Char('=') +
                    FormatProbability(1.0 / outcomes) + QLatin1String("\r\n");
        }
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}

QByteArray GeneratedSystems(int count) {
    TSequence random;
    QString text;
    for (int i = 0; i < count; ++i) {
        const int states = 1 + static_cast<int>(random.Next() % 12);
        text += QLatin1Char('[') + GeneratedName("System ", i) + QLatin1String("]\r\nCount=") + FormatInteger(states) +
                QLatin1String("\r\n");
        for (int k = 0; k < states; ++k) {
            text += QLatin1String("Bet") + FormatInteger(k) + QLatin1Char('=') + FormatInteger(1LL << (k % 10)) +
                    QLatin1String("\r\nWin") + FormatInteger(k) + QLatin1String("=0\r\nLoss") + FormatInteger(k) +
                    QLatin1Char('=') + FormatInteger((k + 1) % states) + QLatin1String("\r\n");
        }
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}

// Processor time: on a shared machine the wall clock measures the neighbours as much as the code.
double ProcessorSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <typename TList> void TimeOne(TList& list, int& count, double& load, double& save) {
    double start = ProcessorSeconds();
    list.Load();
    load = ProcessorSeconds() - start;
    count = list.Count();
    list.Modified = true;
    start = ProcessorSeconds();
    list.Save();
    save = ProcessorSeconds() - start;
}

} // namespace

void WriteGeneratedLists(const QString& folder, int count) {
    WriteFileAtomically(FileInFolder(folder, QStringLiteral("games.ini")), GeneratedGames(count));
    WriteFileAtomically(FileInFolder(folder, QStringLiteral("bets.ini")), GeneratedSystems(count));
}

TListTimes TimeListLoadAndSave(const QString& folder) {
    TListTimes times;
    TGameList games(folder);
    TimeOne(games, times.GameCount, times.GamesLoad, times.GamesSave);
    TBetList systems(folder);
    TimeOne(systems, times.SystemCount, times.SystemsLoad, times.SystemsSave);
    return times;
}

int RunListBenchmark(int count, std::ostream& out) {
    const QTemporaryDir folder;
    if (!folder.isValid()) {
        out << "lists: error: no temporary folder\n";
        return 1;
    }
    WriteGeneratedLists(folder.path(), count);
    const TListTimes t = TimeListLoadAndSave(folder.path());
    out << std::fixed << std::setprecision(3) << "lists: " << t.GameCount << " games load " << t.GamesLoad << " s save "
        << t.GamesSave << " s, " << t.SystemCount << " systems load " << t.SystemsLoad << " s save " << t.SystemsSave
        << " s (processor time)\n";
    if (t.GameCount != count || t.SystemCount != count) {
        out << "error: the generated lists did not load back whole\n";
        return 1;
    }
    return 0;
}

} // namespace wl
