// A fuzzed game, system, bankroll, target and round count through the reference loops and each fast kernel: after
// every round both distributions must hold the same bits, and a failure must be the same failure.
#include "engine/GameCalculator.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"
#include "support/Exception.h"

#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace wl;

namespace {

// Mostly small values, where the interesting cases are, now and then anything a file may hold. A short input
// gives the plain cases (the provider returns the minimum once it runs dry).
int32_t Integer(FuzzedDataProvider& in, int32_t small) {
    switch (in.ConsumeIntegralInRange(0, 7)) {
    case 5: { // near the ends of 32 bits, where sums and differences overflow
        const int32_t offset = in.ConsumeIntegralInRange(0, 20000);
        return in.ConsumeBool() ? std::numeric_limits<int32_t>::min() + offset
                                : std::numeric_limits<int32_t>::max() - offset;
    }
    case 6:
        return in.ConsumeIntegral<int32_t>();
    case 7:
        return in.ConsumeIntegralInRange(-9000, 9000);
    default:
        return in.ConsumeIntegralInRange(-small, small);
    }
}

// 1..max mostly; 0 and -1 (a file may say so) now and then. Short inputs give 1.
int32_t Count(FuzzedDataProvider& in, int32_t max) {
    const int32_t v = in.ConsumeIntegralInRange(1, max + 2);
    return v <= max ? v : max + 1 - v;
}

double Probability(FuzzedDataProvider& in, int outcomes) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
    case 7:
        return 0.0;
    case 8:
        return -in.ConsumeProbability<double>();
    case 9:
        return in.ConsumeFloatingPoint<double>(); // any finite value a file may hold
    default:
        return in.ConsumeProbability<double>() * 2.0 / std::max(outcomes, 1);
    }
}

struct TRun {
    std::unique_ptr<TGameCalculator> Calc = std::make_unique<TGameCalculator>();
    std::string Error;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    TGameDescription game;
    game.OutcomeCount = Count(in, TGameDescription::MaxOutcomes);
    for (int o = 0; o < game.OutcomeCount; ++o) {
        game.OutcomeResults[o] = Integer(in, 60);
        game.OutcomeProbabilities[o] = Probability(in, game.OutcomeCount);
    }
    TBetDescription system;
    system.StateCount = Count(in, TBetDescription::MaxStates);
    for (int s = 0; s < system.StateCount; ++s) {
        system.Bets[s] = Integer(in, 40);
        const bool inUse = in.ConsumeIntegralInRange(0, 15) != 15;
        system.WinStates[s] = inUse ? in.ConsumeIntegralInRange(0, system.StateCount - 1) : Integer(in, 25);
        system.LossStates[s] = inUse ? in.ConsumeIntegralInRange(0, system.StateCount - 1) : Integer(in, 25);
    }
    // The window keeps its parameters in 0..10000; risk charts take the players at -Bankroll and at Target.
    const int32_t bankroll = in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange(1, in.ConsumeBool() ? 80 : 10000);
    const int32_t target = in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange(1, 10000);
    const int rounds = in.ConsumeIntegralInRange(1, 400);
    // Risk charts widen the limits to reach both players; a change of limits reallocates a kept calculator.
    // The balance charts track every balance, their rows widening as the moves reach out, within a budget.
    const int limits = in.ConsumeIntegralInRange(0, 2);
    const bool wide = limits == 1;
    int32_t low = wide ? -std::clamp(bankroll, 5000, TGameCalculator::WideBalanceLimit) : -5000;
    int32_t high = wide ? std::clamp(target, 5000, TGameCalculator::WideBalanceLimit) : 5000;
    const int64_t budget = limits == 2 ? int64_t{in.ConsumeIntegralInRange(1, 64)} << 20 : 0;
    if (limits == 2) {
        low = -TGameCalculator::BalanceReach;
        high = TGameCalculator::BalanceReach;
    }

    // Kept from input to input, also after a failure: the window keeps a series' calculator and starts it again
    // with a Reset, which must leave nothing of a broken round.
    static std::vector<TRun> runs(TGameCalculator::Avx2Supported() ? 3 : 2);
    const TStepKernel kernels[] = {TStepKernel::Reference, TStepKernel::Portable, TStepKernel::Avx2};
    for (size_t k = 0; k < runs.size(); ++k) {
        runs[k].Error.clear();
        runs[k].Calc->Kernel = kernels[k];
        runs[k].Calc->Game = &game;
        runs[k].Calc->BetSystem = &system;
        runs[k].Calc->Bankroll = bankroll;
        runs[k].Calc->LowBound = low;
        runs[k].Calc->HighBound = high;
        runs[k].Calc->MemoryBudget = budget;
    }
    // Each round compares the tracked cells of the states in use; the end compares their whole rows, so a stray
    // write outside the tracked range is caught too.
    // The budget counts the cells each round spreads and takes, so that a wide input runs fewer rounds instead of
    // taking seconds.
    long long work = 0;
    for (int round = 1; round <= rounds && work < 500000; ++round) {
        for (TRun& run : runs) {
            TGameCalculator& c = *run.Calc;
            try {
                round == 1 ? c.Reset() : c.Step();
                if (bankroll > 0)
                    for (int b = c.MinBalance; b <= -bankroll && b <= c.MaxBalance; ++b, work += system.StateCount)
                        c.TakeBalanceProbability(b);
                if (target > 0)
                    for (int b = std::max(target, c.MinBalance); b <= c.MaxBalance; ++b, work += system.StateCount)
                        c.TakeBalanceProbability(b);
            } catch (const Exception& e) {
                run.Error = e.what();
            }
        }
        const TGameCalculator& ref = *runs[0].Calc;
        for (size_t k = 1; k < runs.size(); ++k) {
            const TGameCalculator& c = *runs[k].Calc;
            if (runs[k].Error != runs[0].Error)
                fuzz::Fail("the kernels fail differently");
            if (!runs[0].Error.empty())
                return 0;
            if (c.MinBalance != ref.MinBalance || c.MaxBalance != ref.MaxBalance || c.RoundCount != ref.RoundCount ||
                c.CurrentBuffer != ref.CurrentBuffer)
                fuzz::Fail("the kernels track different ranges");
            const int first = ref.MinBalance - ref.LowLimit();
            const size_t bytes = static_cast<size_t>(ref.MaxBalance - ref.MinBalance + 1) * sizeof(double);
            for (int s = 0; s < std::clamp(system.StateCount, 1, TGameCalculator::StateLimit); ++s)
                if (std::memcmp(c.Row(c.CurrentBuffer, s) + first, ref.Row(ref.CurrentBuffer, s) + first, bytes) != 0)
                    fuzz::Fail("the kernels' distributions differ");
        }
        work += static_cast<long long>(std::max(system.StateCount, 1)) * (ref.MaxBalance - ref.MinBalance + 1) *
                std::max(game.OutcomeCount, 1);
    }
    for (size_t k = 1; k < runs.size(); ++k)
        if (!runs[k].Calc->SameCells(*runs[0].Calc))
            fuzz::Fail("the kernels' distributions differ");
    return 0;
}
