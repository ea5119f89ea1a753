// The chart kind base class, its three families, the nine concrete kinds and the registry that creates them.
#pragma once

#include "engine/BankrollPlanner.h"
#include "engine/GameCalculator.h"
#include "support/Checked.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace wl {

class TChart;
class TChartController;
class ITextSource;
class TStepPool;

// The balances a kind's calculators track; moves beyond them pile up at them. By default every balance that holds
// probability, within the memory budget.
struct TBalanceLimits {
    int32_t Low = -TGameCalculator::BalanceReach;
    int32_t High = TGameCalculator::BalanceReach;
};

class TChartDescription {
public:
    TChartDescription() { Params.Fill(0); }
    virtual ~TChartDescription() = default;
    TChartDescription(const TChartDescription&) = delete;
    TChartDescription& operator=(const TChartDescription&) = delete;

    QString SectionName;
    TCheckedArray<int32_t, 0, 2> Params;
    // Rounds up to which every series has been computed and collected for this kind; 0 = nothing reusable.
    int32_t ComputedRounds = 0;

    virtual void ParamChanged(int /*index*/) {}
    virtual void SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY);
    // Turns the distribution of calculator after `round` rounds into the kind's values (calculation thread).
    virtual void CollectRound(TGameCalculator& calculator, int round) = 0;
    virtual void Activate(TChartController& /*controller*/, int prev) { ComputedRounds = prev; }
    virtual int ParamCount() const { return 0; }
    virtual QString GetParamName(int index) const;
    virtual int RoundsToCompute() const { return 3000; }
    virtual int Bankroll() const { return 0; }
    virtual int TargetBankroll() const { return 0; }

    // A risk kind removes probability from the distributions whatever its target; kinds that reuse
    // distributions ask this rather than TargetBankroll() != 0.
    virtual bool RemovesProbability() const { return false; }
    virtual TBalanceLimits BalanceLimits() const { return {}; }
    // Whether every value is plotted, the small ones included (the calculators' ShowAll during a run).
    virtual bool ShowsAllValues() const { return false; }
    // Whether the values are probabilities (or rates of them), so that one below the tables' cut-off means nothing
    // happened rather than a value to read.
    virtual bool ValuesAreProbabilities() const { return true; }
    // The first X of the chart's range and its tables: bankrolls start at 1, rounds and balances reach 0.
    virtual int64_t FirstShownX() const { return 0; }
    // Whether a value holds over the X up to the next computed one (a cumulative probability), rather than the X
    // between holding nothing.
    virtual bool ValuesHoldAcrossGaps() const { return false; }
    // Called on the calculation thread before any round, with the series of the run; kinds with per-series state
    // prepare it here so that collecting never has to insert.
    virtual void PrepareSeries(const std::vector<TGameCalculator*>& /*calculators*/) {}
    // Kinds that compute each series whole (the bankroll planner's) rather than round by round: the thread calls
    // ComputeSeries once per series instead of stepping it. progress gets the steps done, out of
    // RoundsToCompute(), and stops the work when it returns false.
    virtual bool ComputesWhole() const { return false; }
    virtual void ComputeSeries(TGameCalculator& /*calculator*/, TStepPool* /*pool*/,
                               const std::function<bool(int32_t step)>& /*progress*/) {}
    // The bankrolls for 1, 5 and 10 % risk of ruin of a series, for the kinds that give them.
    virtual std::optional<TBankrollAnswer> SeriesAnswer(const TGameCalculator& /*calculator*/) const {
        return std::nullopt;
    }
    // Whether the line drawn is the risk of ruin, so that the answer's bankrolls can be marked on it.
    virtual bool LineIsRuin() const { return true; }

    QString GetName() const;
    QString GetXName() const;
    // The language's title; a kind may fill in its own figures.
    virtual QString GetYName() const;
    void SetAxisTitles(TChart& chart) const;
    int GetParam(int index) const { return Params[CheckIndex(index, 0, 2, "chart parameter index")]; }
    void SetParam(int index, int value);
    // Why value cannot be parameter index of this kind, with what to do instead; empty when it can. SetParam takes
    // any value: the window and the companion ask first.
    virtual QString ParamProblem(int /*index*/, int /*value*/) const { return {}; }

    void SetTextSource(const ITextSource* texts) { FTexts = texts; }

protected:
    QString Text(const QString& key) const;
    const ITextSource* Texts() const { return FTexts; }

private:
    const ITextSource* FTexts = nullptr;
};

// Net results: the balance distribution after N rounds. Params: bankroll, rounds.
class TBalanceChart : public TChartDescription {
public:
    TBalanceChart();
    void ParamChanged(int index) override;
    void SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) override;
    void Activate(TChartController& controller, int prev) override;
    int ParamCount() const override { return 2; }
    int RoundsToCompute() const override { return Params[1]; }
    int Bankroll() const override { return Params[0]; }

protected:
    void CollectSpans(TGameCalculator& calculator, bool cumulative);
};

class TNetResultsChart : public TBalanceChart {
public:
    TNetResultsChart();
    void CollectRound(TGameCalculator& calculator, int round) override;
};

class TNetResultsCumulativeChart : public TBalanceChart {
public:
    TNetResultsCumulativeChart();
    void CollectRound(TGameCalculator& calculator, int round) override;
    bool ValuesHoldAcrossGaps() const override { return true; }
};

// Progress: one value per round for rounds 1..3000. Params: bankroll.
class TRoundsChart : public TChartDescription {
public:
    void ParamChanged(int index) override;
    void SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) override;
    void Activate(TChartController& controller, int prev) override;
    int ParamCount() const override { return 1; }
    int Bankroll() const override { return Params[0]; }

protected:
    // The frame every progress kind shares: resets the X range at round 1 and appends v.
    static void StoreRoundValue(TGameCalculator& calculator, int round, double v);
};

class TExpResultChart : public TRoundsChart {
public:
    TExpResultChart();
    void CollectRound(TGameCalculator& calculator, int round) override;
    void SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) override;
    bool ShowsAllValues() const override { return true; }
    bool ValuesAreProbabilities() const override { return false; }
};

class TWinProbChart : public TRoundsChart {
public:
    TWinProbChart();
    void CollectRound(TGameCalculator& calculator, int round) override;
};

class TLoseProbChart : public TRoundsChart {
public:
    TLoseProbChart();
    void CollectRound(TGameCalculator& calculator, int round) override;
};

class TWinLoseRateChart : public TRoundsChart {
public:
    TWinLoseRateChart();
    void CollectRound(TGameCalculator& calculator, int round) override;
    void SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) override;
};

// Risk: a player with bankroll B who leaves when ruined or at target T. Params: bankroll, target.
class TRangeChart : public TChartDescription {
public:
    TRangeChart();
    void ParamChanged(int index) override;
    void SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) override;
    void CollectRound(TGameCalculator& calculator, int round) override;
    void Activate(TChartController& controller, int prev) override;
    int ParamCount() const override { return 2; }
    int Bankroll() const override { return Params[0]; }
    int TargetBankroll() const override { return Params[1]; }
    bool RemovesProbability() const override { return true; }
    // A bankroll of at least 1 and a target above it: otherwise the player is ruined or done before round 1.
    QString ParamProblem(int index, int value) const override;
    // Wide enough to reach both the ruined player and the successful one, so that no move past a limit is lost.
    TBalanceLimits BalanceLimits() const override;

    virtual void StoreRangeValue(TGameCalculator& calculator, int round, double ruin, double success) = 0;
};

class TRORChart : public TRangeChart {
public:
    TRORChart();
    void StoreRangeValue(TGameCalculator& calculator, int round, double ruin, double success) override;
};

class TCOSChart : public TRangeChart {
public:
    TCOSChart();
    void StoreRangeValue(TGameCalculator& calculator, int round, double ruin, double success) override;
};

class TCOSRORRateChart : public TRangeChart {
public:
    TCOSRORRateChart();
    void StoreRangeValue(TGameCalculator& calculator, int round, double ruin, double success) override;
    void PrepareSeries(const std::vector<TGameCalculator*>& calculators) override;

    struct TSums {
        double CumulativeRuin = 0.0;
        double CumulativeSuccess = 0.0;
    };
    // The running sums of a series; ERangeError for a calculator that PrepareSeries has not seen.
    const TSums& Sums(const TGameCalculator& calculator) const;

    // The rate of two cumulative sums: success / ruin, capped at 100; 0 while both are at most 1.0e-7, or when the
    // division cannot be done.
    static double Rate(double cumulativeSuccess, double cumulativeRuin);

private:
    // One slot per series, keyed by its calculator; only PrepareSeries inserts or erases, so parallel collection
    // of different series touches different slots.
    std::map<const TGameCalculator*, TSums> FSums;
};

inline constexpr int ChartKindCount = 13;

// The nine kinds, the bankroll planner's two and the two until the session ends, in registry order; the index is
// the chart identifier.
std::vector<std::unique_ptr<TChartDescription>> CreateChartKinds();

} // namespace wl
