#include "model/Oddities.h"

#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <algorithm>
#include <cmath>

namespace wl {

namespace {

// Further from 1 than the rounding of probabilities written with 15 digits can take them.
constexpr double SumTolerance = 1e-9;

void AddUnread(std::vector<TUserText>& out, const QString& file, const QString& section, const QStringList& unread) {
    for (const QString& entry : unread) {
        const qsizetype at = entry.indexOf(QLatin1Char('='));
        out.push_back({QStringLiteral("UnreadableValue"),
                       QStringLiteral("%s, section [%s]: the value \"%s\" of %s is not a number and counts as 0. "
                                      "Correct it in the editor."),
                       {file, section, entry.mid(at + 1), entry.left(at)}});
    }
}

} // namespace

std::vector<TUserText> GameOddities(const TGameDescription& game) {
    std::vector<TUserText> out;
    AddUnread(out, QStringLiteral("games.ini"), game.Name, game.Unread);
    const int count = std::clamp(game.OutcomeCount, 0, TGameDescription::MaxOutcomes);
    for (int i = 0; i < count; ++i)
        if (const double p = game.OutcomeProbabilities.Data()[i]; p < 0.0)
            out.push_back({QStringLiteral("NegativeProbability"),
                           QStringLiteral("The game \"%s\": outcome %d has the probability %s, less than 0. Correct "
                                          "it in the game editor."),
                           {game.Name, static_cast<long long>(i + 1), QString::number(p, 'g', 15)}});
    const double sum = game.ProbabilitySum();
    if (!(std::fabs(sum - 1.0) <= SumTolerance))
        out.push_back({QStringLiteral("ProbabilitySum"),
                       QStringLiteral("The probabilities of the game \"%s\" add up to %s, not 1: its charts will not "
                                      "add up to 100 %%. Correct them in the game editor."),
                       {game.Name, QString::number(sum, 'g', 15)}});
    return out;
}

std::vector<TUserText> SystemOddities(const TBetDescription& system) {
    std::vector<TUserText> out;
    AddUnread(out, QStringLiteral("bets.ini"), system.Name, system.Unread);
    const int count = std::clamp(system.StateCount, 0, TBetDescription::MaxStates);
    for (int i = 0; i < count; ++i)
        if (const int32_t bet = system.Bets.Data()[i]; bet < 0)
            out.push_back({QStringLiteral("NegativeBet"),
                           QStringLiteral("The betting system \"%s\": state %d bets %d units, less than nothing. "
                                          "Correct it in the system editor."),
                           {system.Name, static_cast<long long>(i), static_cast<long long>(bet)}});
    return out;
}

std::vector<TUserText> SeriesOddities(const TGameDescription& game, const TBetDescription& system) {
    std::vector<TUserText> out = GameOddities(game);
    for (TUserText& t : SystemOddities(system))
        out.push_back(std::move(t));
    return out;
}

} // namespace wl
