// The bankroll planner's kinds: one value per starting bankroll, from one backward pass per series.
#pragma once

#include "charts/ChartDescription.h"
#include "engine/BankrollPlanner.h"

#include <map>

namespace wl {

// Params: rounds N (1..10000, default 1000; 0: until the session ends, which needs a target), target bankroll T
// (0..10000, default 0 = none). X is the starting bankroll: 1..T-1 with a target, else 1 up to where the risk falls
// below 1e-6 %, at most 10000.
class TBankrollChart : public TChartDescription {
public:
    TBankrollChart();
    void ParamChanged(int index) override;
    void SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) override;
    // Never stepped round by round: ComputeSeries does the whole series.
    void CollectRound(TGameCalculator& /*calculator*/, int /*round*/) override {}
    void Activate(TChartController& controller, int prev) override;
    int ParamCount() const override { return 2; }
    // At least one round, and a target of 0 (none) or one that leaves a bankroll below it.
    QString ParamProblem(int index, int value) const override;
    int RoundsToCompute() const override;
    // "within N rounds" with the number of rounds in place of N.
    QString GetYName() const override;
    int TargetBankroll() const override { return Params[1]; }
    bool RemovesProbability() const override { return true; }
    bool ComputesWhole() const override { return true; }
    int64_t FirstShownX() const override { return 1; }
    void PrepareSeries(const std::vector<TGameCalculator*>& calculators) override;
    void ComputeSeries(TGameCalculator& calculator, TStepPool* pool,
                       const std::function<bool(int32_t step)>& progress) override;
    std::optional<TBankrollAnswer> SeriesAnswer(const TGameCalculator& calculator) const override;
    bool LineIsRuin() const override { return !ShowsSuccess(); }

    // The last bankroll shown without a target: the first whose risk is below 1e-6 %, or the last computed.
    static int32_t LastShownBankroll(const TBankrollCurve& curve);

protected:
    virtual bool ShowsSuccess() const = 0;

private:
    // The progress steps of a run with no round limit.
    static constexpr int SolvedSteps = 1000;
    void Show(TGameCalculator& calculator, const TBankrollCurve& curve,
              std::pair<const TGameCalculator* const, std::optional<TBankrollAnswer>>& slot) const;

    // One slot per series, keyed by its calculator; only PrepareSeries inserts or erases.
    std::map<const TGameCalculator*, std::optional<TBankrollAnswer>> FAnswers;
};

class TRiskByBankrollChart : public TBankrollChart {
public:
    TRiskByBankrollChart();

protected:
    bool ShowsSuccess() const override { return false; }
};

class TSuccessByBankrollChart : public TBankrollChart {
public:
    TSuccessByBankrollChart();

protected:
    bool ShowsSuccess() const override { return true; }
};

} // namespace wl
