// The kinds by bankroll until the session ends: the expected rounds, and the expected net result at the end, for
// every starting bankroll 1..T-1 from one solve per series.
#pragma once

#include "charts/ChartDescription.h"
#include "engine/SessionSolver.h"

namespace wl {

// Param: the target T (2..10000, default 200). X is the starting bankroll 1..T-1.
class TSessionByBankrollChart : public TChartDescription {
public:
    static constexpr int MaxTarget = 10000;

    TSessionByBankrollChart();
    void ParamChanged(int index) override;
    void SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) override;
    void CollectRound(TGameCalculator& /*calculator*/, int /*round*/) override {}
    void Activate(TChartController& controller, int prev) override;
    int ParamCount() const override { return 1; }
    QString ParamProblem(int index, int value) const override;
    // The progress steps of one solve.
    int RoundsToCompute() const override { return 1000; }
    bool ComputesWhole() const override { return true; }
    bool ValuesAreProbabilities() const override { return false; }
    // Rounds and results, negative ones and zeros included: every value is drawn.
    bool ShowsAllValues() const override { return true; }
    // Bankrolls start at 1: a player with nothing places no bet.
    int64_t FirstShownX() const override { return 1; }
    void ComputeSeries(TGameCalculator& calculator, TStepPool* pool,
                       const std::function<bool(int32_t step)>& progress) override;

protected:
    virtual const std::vector<double>& ValuesOf(const TSessionSolution& solution) const = 0;
};

class TRoundsByBankrollChart : public TSessionByBankrollChart {
public:
    TRoundsByBankrollChart();

protected:
    const std::vector<double>& ValuesOf(const TSessionSolution& s) const override { return s.Rounds; }
};

class TEndResultByBankrollChart : public TSessionByBankrollChart {
public:
    TEndResultByBankrollChart();

protected:
    const std::vector<double>& ValuesOf(const TSessionSolution& s) const override { return s.NetAtEnd; }
};

} // namespace wl
