// The series check shared by the forward calculator and the planner's backward pass.
#include "engine/SeriesCheck.h"

#include "engine/GameCalculator.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"
#include "support/Checked.h"
#include "support/Exception.h"

#include <algorithm>

namespace wl {

int CheckedSeries(const TGameDescription* game, const TBetDescription* bets) {
    if (!game || !bets)
        throw Exception("The series has no game or no betting system");
    // Probability sent to a state the system does not have would silently vanish from every chart.
    const TBetDescription& system = *bets;
    if (system.StateCount < 1)
        throw ELimitError({QStringLiteral("SystemWithoutStates"),
                           QStringLiteral("The betting system \"%s\" has no states (Count=%d). Give it a state in "
                                          "the system editor."),
                           {system.Name, static_cast<long long>(system.StateCount)}});
    CheckIndex(system.StateCount, 1, TGameCalculator::StateLimit, "state count");
    for (int s = 0; s < system.StateCount; ++s)
        for (const int32_t next : {system.WinStates.Data()[s], system.LossStates.Data()[s]})
            if (next < 0 || next >= system.StateCount)
                throw ELimitError({QStringLiteral("SuccessorOutOfRange"),
                                   QStringLiteral("The betting system \"%s\": state %d goes to state %d, but the "
                                                  "system has only the states 0..%d. Correct it in the system "
                                                  "editor."),
                                   {system.Name, static_cast<long long>(s), static_cast<long long>(next),
                                    static_cast<long long>(system.StateCount - 1)}});
    // A count below 0 (a hand-made file) means none, as in the model.
    return CheckIndex(std::max(game->OutcomeCount, 0), 0, TGameDescription::MaxOutcomes, "outcome count");
}

} // namespace wl
