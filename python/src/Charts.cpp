// Charts and distributions for Python, computed through the controller, its thread, the chart kinds and the data
// table exactly as wagerlens-calc computes them, so that the numbers are the companion's to the bit.
#include "Bindings.h"
#include "Calculation.h"
#include "Model.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "charts/ChartDescription.h"
#include "charts/PlannerCharts.h"
#include "charts/SessionCharts.h"
#include "model/Storage.h"
#include "preferences/Preferences.h"
#include "presentation/DataExport.h"
#include "presentation/DataTable.h"
#include "presentation/SummaryExport.h"
#include "support/Exception.h"
#include "presentation/WindowState.h"
#include "support/IniStore.h"
#include "support/TextSource.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace wl::python {

namespace {

using TSeriesList = std::vector<std::pair<TPyGame, TPySystem>>;

// The index of the chart kind of type T in the chart list, so that the planner's kinds are named by what they are.
template <typename T> int KindIndex() {
    const auto kinds = CreateChartKinds();
    for (size_t i = 0; i < kinds.size(); ++i)
        if (dynamic_cast<const T*>(kinds[i].get()) != nullptr)
            return static_cast<int>(i);
    throw std::logic_error("a chart kind is missing from the chart list");
}

// The bankroll planner's kinds: the risk of ruin and the chance of success by starting bankroll.
int RiskByBankrollKind() {
    static const int kind = KindIndex<TRiskByBankrollChart>();
    return kind;
}
int SuccessByBankrollKind() {
    static const int kind = KindIndex<TSuccessByBankrollChart>();
    return kind;
}
// The session's kinds until it ends: expected rounds and the net result at the end by starting bankroll.
int RoundsByBankrollKind() {
    static const int kind = KindIndex<TRoundsByBankrollChart>();
    return kind;
}
int EndResultByBankrollKind() {
    static const int kind = KindIndex<TEndResultByBankrollChart>();
    return kind;
}

// What a finished calculation leaves for Python, gathered without the GIL.
struct TOutcome {
    bool Completed = false;
    QString ParamProblem; // the kind refuses a parameter: nothing was calculated
    QStringList Captions;
    QStringList Failures;                   // per series; empty where the series succeeded
    std::vector<std::exception_ptr> Errors; // per series; null where the series succeeded
    std::optional<QString> ThreadError;
    QString Warning;
    QStringList Answers; // the bankroll planner's answer, one line per series, as the companion prints it
    // chart: the data table's rows, one per X some series covers (as the full format lists them), one column per
    // series; MinX is the first
    int64_t MinX = 0;
    std::vector<int64_t> Xs;
    std::vector<std::vector<double>> Columns;
    // distribution: the first series' probabilities over the stretches that may hold any, ascending
    std::vector<std::pair<int64_t, std::vector<double>>> Stretches;
    // summary: the figures as the companion's --summary gives them
    TSummarySource Summary;
    // bankroll curve: the bankrolls for a risk of ruin of 1, 5 and 10 % (0: none up to the last bankroll)
    std::optional<TBankrollAnswer> Answer;
};

// What a calculation collects besides the chart.
enum class TExtra { None, Summary };

void CheckParam(const char* name, std::optional<int> value) {
    if (value && (*value < ParamMinimum || *value > ParamMaximum))
        RaiseValueError(QStringLiteral("%1 must lie in %2..%3, not %4")
                            .arg(QLatin1String(name))
                            .arg(ParamMinimum)
                            .arg(ParamMaximum)
                            .arg(*value));
}

void CheckRounds(int rounds) {
    if (rounds < 1 || rounds > ParamMaximum)
        RaiseValueError(QStringLiteral("rounds must lie in 1..%1, not %2").arg(ParamMaximum).arg(rounds));
}

void CheckSeries(const TSeriesList& series) {
    if (series.empty())
        RaiseValueError(QStringLiteral("Give at least one (game, system) pair."));
    if (series.size() > static_cast<size_t>(TChart::LineCount))
        RaiseValueError(
            QStringLiteral("A chart holds at most %1 series, not %2.").arg(TChart::LineCount).arg(series.size()));
}

// Runs kind over series as the companion does: the kind first, then its parameters, then the series, then the start.
// collect reads the finished controller. Without the GIL from here on.
template <typename TCollect>
TOutcome Calculate(TCalculationWait& wait, int kind, std::optional<int> param0, std::optional<int> param1,
                   const TSeriesList& series, TExtra extra, TCollect&& collect, double tolerance = ToleranceDefault) {
    TOutcome outcome;
    TChart chart; // outlives the controller, which draws into it until it is destroyed
    TChartController controller(std::make_unique<TStorage>());
    controller.SetChart(&chart);
    wait.Attach(controller);
    controller.SelectChartKind(kind);
    TChartDescription& description = controller.CurrentKind();
    if (param0)
        description.SetParam(0, *param0);
    if (param1)
        description.SetParam(1, *param1);
    for (int i = 0; i < description.ParamCount(); ++i)
        if (outcome.ParamProblem = description.ParamProblem(i, description.GetParam(i));
            !outcome.ParamProblem.isEmpty())
            return outcome;
    for (const auto& [game, system] : series)
        controller.AddSeries(*game.Game, *system.System);
    controller.SetSummaryWanted(extra == TExtra::Summary);
    controller.SetTolerance(tolerance);
    controller.SetActive(true);
    outcome.Completed = wait.Wait(controller);
    if (!outcome.Completed)
        return outcome;
    outcome.ThreadError = controller.LastThreadError();
    for (int k = 0; k < controller.SeriesCount(); ++k) {
        outcome.Captions.append(controller.GetSeriesCaption(k));
        outcome.Failures.append(controller.SeriesFailure(k));
        outcome.Errors.push_back(controller.SeriesError(k));
    }
    outcome.Warning = controller.LimitWarning();
    collect(controller, outcome);
    return outcome;
}

// A series that could not be calculated: the caller's game or system is ValueError, rows beyond the memory budget
// MemoryError, and any other failure is the program's, RuntimeError.
void RaiseFailures(const TOutcome& outcome) {
    if (!outcome.ParamProblem.isEmpty())
        RaiseValueError(outcome.ParamProblem);
    for (int k = 0; k < outcome.Failures.size(); ++k) {
        if (outcome.Failures[k].isEmpty())
            continue;
        const std::string text = PythonMessage(outcome.Captions[k] + QStringLiteral(": ") + outcome.Failures[k]);
        const std::exception_ptr error = k < static_cast<int>(outcome.Errors.size()) ? outcome.Errors[k] : nullptr;
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const EResourceError&) {
            PyErr_SetString(PyExc_MemoryError, text.c_str());
            throw py::error_already_set();
        } catch (...) {
            if (!IsUserError(error))
                throw std::runtime_error(text);
        }
        throw py::value_error(text);
    }
    if (outcome.ThreadError)
        throw std::runtime_error(PythonMessage(*outcome.ThreadError));
}

py::array_t<double> Array(const std::vector<double>& values) {
    py::array_t<double> array(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), array.mutable_data());
    return array;
}

// The rows and values of the exact formats (--format full): every computed value, however small.
void CollectTable(TChartController& controller, TOutcome& out) {
    TDataTable table;
    CaptureChartData(table, controller);
    const TDataSource source = DataSourceOf(controller, table);
    const auto [first, last] = ComputedRows(source);
    out.MinX = first;
    out.Answers = source.Answers;
    TTableRows(table, first, last, false).ForEach([&out](const TTableRows::TRow& row) { out.Xs.push_back(row.X); });
    for (int k = 0; k < source.Captions.size(); ++k) {
        std::vector<double>& column = out.Columns.emplace_back();
        column.reserve(out.Xs.size());
        for (const int64_t x : out.Xs)
            column.push_back(table.ComputedValue(x, k));
    }
}

py::dict ChartResult(TCalculationWait& wait, int kind, std::optional<int> param0, std::optional<int> param1,
                     const TSeriesList& series, double tolerance = ToleranceDefault) {
    TOutcome outcome;
    {
        py::gil_scoped_release release;
        outcome = Calculate(wait, kind, param0, param1, series, TExtra::None, CollectTable, tolerance);
    }
    wait.RaiseIfStopped();
    RaiseFailures(outcome);
    py::dict result;
    py::array_t<int64_t> x(static_cast<py::ssize_t>(outcome.Xs.size()));
    for (py::ssize_t i = 0; i < x.size(); ++i)
        x.mutable_at(i) = outcome.Xs[static_cast<size_t>(i)];
    result["x"] = x;
    py::list captions, columns;
    for (int k = 0; k < outcome.Captions.size(); ++k) {
        captions.append(outcome.Captions[k].toStdString());
        columns.append(Array(outcome.Columns[static_cast<size_t>(k)]));
    }
    result["captions"] = captions;
    result["y"] = columns;
    result["warning"] = PythonMessage(outcome.Warning);
    py::list answers;
    for (const QString& answer : outcome.Answers)
        answers.append(PythonMessage(answer));
    result["answers"] = answers;
    return result;
}

// The checks of the companion's arguments, before anything is calculated.
void CheckChart(int kind, const TSeriesList& series, std::optional<int> param0, std::optional<int> param1) {
    if (kind < 0 || kind >= ChartKindCount)
        RaiseValueError(QStringLiteral("The chart kind must lie in 0..%1, not %2").arg(ChartKindCount - 1).arg(kind));
    CheckParam("param0", param0);
    CheckParam("param1", param1);
    if (param1 && CreateChartKinds()[static_cast<size_t>(kind)]->ParamCount() < 2)
        RaiseValueError(QStringLiteral("Chart kind %1 has no second parameter; leave out param1.").arg(kind));
    CheckSeries(series);
}

// The smallest probability followed, as the companion's --tolerance takes it.
void CheckTolerance(double tolerance) {
    if (!(tolerance >= 0.0 && tolerance <= ToleranceMaximum))
        RaiseValueError(QStringLiteral("tolerance must lie within 0..1e-9 (0: follow every balance)."));
}

py::object Chart(int kind, const TSeriesList& series, std::optional<int> param0, std::optional<int> param1,
                 py::object progress, double tolerance) {
    CheckChart(kind, series, param0, param1);
    CheckTolerance(tolerance);
    TCalculationWait wait(std::move(progress));
    return ChartResult(wait, kind, param0, param1, series, tolerance);
}

const char* UnitName(TSummaryUnit unit) {
    switch (unit) {
    case TSummaryUnit::Percent:
        return "%";
    case TSummaryUnit::Units:
        return "bets";
    case TSummaryUnit::Rounds:
        return "rounds";
    case TSummaryUnit::Whole:
        return "whole";
    case TSummaryUnit::Heading:
    case TSummaryUnit::Note:
        break;
    }
    return "";
}

// The summary's figures, one tuple (id, label, unit, values per series, cut per series) each, as --summary gives
// them in JSON: headings and notes left out, percentages as percentages, None where a figure does not apply.
py::dict Summary(int kind, const TSeriesList& series, std::optional<int> param0, std::optional<int> param1,
                 py::object progress, double tolerance) {
    CheckChart(kind, series, param0, param1);
    CheckTolerance(tolerance);
    TCalculationWait wait(std::move(progress));
    TOutcome outcome;
    {
        py::gil_scoped_release release;
        outcome = Calculate(
            wait, kind, param0, param1, series, TExtra::Summary,
            [](TChartController& controller, TOutcome& out) { out.Summary = SummarySourceOf(controller, nullptr); },
            tolerance);
    }
    wait.RaiseIfStopped();
    RaiseFailures(outcome);
    py::list rows;
    for (const TSummaryRow& row : outcome.Summary.Rows) {
        if (row.Unit == TSummaryUnit::Heading || row.Unit == TSummaryUnit::Note)
            continue;
        py::list values, cut;
        for (size_t k = 0; k < row.Values.size(); ++k) {
            values.append(row.Values[k] ? py::object(py::float_(*row.Values[k])) : py::object(py::none()));
            cut.append(k < row.Cut.size() && row.Cut[k]);
        }
        rows.append(py::make_tuple(row.Id.toStdString(), row.Label.toStdString(), UnitName(row.Unit), values, cut));
    }
    py::list captions;
    for (const QString& caption : outcome.Summary.Captions)
        captions.append(caption.toStdString());
    py::dict result;
    result["captions"] = captions;
    result["rows"] = rows;
    result["warning"] = PythonMessage(outcome.Summary.Warning);
    py::list reasons;
    for (const QString& reason : outcome.Summary.Reasons)
        reasons.append(PythonMessage(reason));
    result["reasons"] = reasons;
    return result;
}

// The bankroll planner's curve of one series: chart kind 9 (risk of ruin) or 10 (chance of success) with its rounds
// and target, the answer and the program's line giving it.
py::tuple BankrollCurve(const TPyGame& game, const TPySystem& system, int rounds, int target, bool success,
                        py::object progress) {
    const TSeriesList series{{game, system}};
    const int kind = success ? SuccessByBankrollKind() : RiskByBankrollKind();
    // 0 rounds: until the session ends, which the kind takes only with a target.
    if (rounds != 0)
        CheckRounds(rounds);
    CheckParam("target", target);
    CheckChart(kind, series, rounds, target);
    if (success && target == 0)
        RaiseValueError(QStringLiteral("The chance of success needs a target bankroll of at least 2."));
    TCalculationWait wait(std::move(progress));
    TOutcome outcome;
    {
        py::gil_scoped_release release;
        outcome = Calculate(wait, kind, rounds, target, series, TExtra::None,
                            [](TChartController& controller, TOutcome& out) {
                                CollectTable(controller, out);
                                out.Answer = controller.SeriesAnswer(0);
                            });
    }
    wait.RaiseIfStopped();
    RaiseFailures(outcome);
    py::object answer = py::none();
    if (outcome.Answer) {
        py::dict bankrolls;
        for (size_t i = 0; i < std::size(PlannerRisks); ++i)
            bankrolls[py::float_(PlannerRisks[i])] = outcome.Answer->Bankrolls[i] > 0
                                                         ? py::object(py::int_(outcome.Answer->Bankrolls[i]))
                                                         : py::object(py::none());
        answer =
            py::make_tuple(bankrolls, outcome.Answer->LastBankroll, PythonMessage(outcome.Answers.value(0, QString())));
    }
    return py::make_tuple(outcome.MinX, Array(outcome.Columns.front()), answer, PythonMessage(outcome.Warning));
}

py::tuple Distribution(const TPyGame& game, const TPySystem& system, int rounds, int bankroll, py::object progress,
                       double tolerance) {
    CheckRounds(rounds);
    CheckTolerance(tolerance);
    CheckParam("bankroll", bankroll);
    TCalculationWait wait(std::move(progress));
    TOutcome outcome;
    {
        py::gil_scoped_release release;
        // The net result after N rounds holds the distribution the chart is drawn from.
        outcome = Calculate(wait, 0, bankroll, rounds, {{game, system}}, TExtra::None,
                            [](TChartController& controller, TOutcome& out) {
                                // Only the covered stretches: far clusters would make a dense array of zeros.
                                const TGameCalculator& c = controller.GetCalculator(0);
                                for (const TGameCalculator::TBalanceSpan& span : c.CoveringSpans()) {
                                    std::vector<double> values;
                                    values.reserve(static_cast<size_t>(span.Hi - span.Lo + 1));
                                    for (int64_t b = span.Lo; b <= span.Hi; ++b)
                                        values.push_back(c.BalanceProbability(static_cast<int>(b)));
                                    out.Stretches.emplace_back(span.Lo, std::move(values));
                                }
                            },
                            tolerance);
    }
    wait.RaiseIfStopped();
    RaiseFailures(outcome);
    py::list stretches;
    for (const auto& [first, values] : outcome.Stretches)
        stretches.append(py::make_tuple(first, Array(values)));
    return py::make_tuple(stretches, PythonMessage(outcome.Warning));
}

// The texts of a language file, for the names of the chart kinds.
class TLanguageTexts final : public ITextSource {
public:
    explicit TLanguageTexts(const QString& path) {
        if (!FStore.LoadFromFile(path))
            throw EFileError(QStringLiteral("Cannot read \"%1\": no such file").arg(path));
    }
    QString GetText(const QString& section, const QString& key) const override {
        return FStore.ReadString(section, key);
    }

private:
    TIniStore FStore;
};

py::list ChartKinds(const std::string& languageFile) {
    const TLanguageTexts texts(QString::fromStdString(languageFile));
    py::list kinds;
    for (const auto& kind : CreateChartKinds()) {
        kind->SetTextSource(&texts);
        py::list params;
        for (int i = 0; i < kind->ParamCount(); ++i)
            params.append(kind->GetParamName(i).toStdString());
        kinds.append(py::make_tuple(kind->GetName().toStdString(), kind->GetXName().toStdString(),
                                    kind->GetYName().toStdString(), params));
    }
    return kinds;
}

} // namespace

void RegisterCharts(py::module_& m) {
    m.attr("chart_kind_count") = ChartKindCount;
    m.attr("param_minimum") = ParamMinimum;
    m.attr("param_maximum") = ParamMaximum;
    m.attr("risk_by_bankroll_kind") = RiskByBankrollKind();
    m.attr("success_by_bankroll_kind") = SuccessByBankrollKind();
    m.attr("rounds_by_bankroll_kind") = RoundsByBankrollKind();
    m.attr("net_at_end_by_bankroll_kind") = EndResultByBankrollKind();
    m.def("chart", &Chart, py::arg("kind"), py::arg("series"), py::arg("param0"), py::arg("param1"),
          py::arg("progress"), py::arg("tolerance") = ToleranceDefault);
    m.def("summary", &Summary, py::arg("kind"), py::arg("series"), py::arg("param0"), py::arg("param1"),
          py::arg("progress"), py::arg("tolerance") = ToleranceDefault);
    m.def("bankroll_curve", &BankrollCurve, py::arg("game"), py::arg("system"), py::arg("rounds"), py::arg("target"),
          py::arg("success"), py::arg("progress"));
    m.def("distribution", &Distribution, py::arg("game"), py::arg("system"), py::arg("rounds"), py::arg("bankroll"),
          py::arg("progress"), py::arg("tolerance") = ToleranceDefault);
    m.def("chart_kinds", &ChartKinds, py::arg("language_file"));
}

} // namespace wl::python
