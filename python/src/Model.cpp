// Games and systems for Python: made and checked as the editors check them, read as the program reads its files.
#include "Model.h"
#include "Bindings.h"

#include "model/NameList.h"
#include "model/NameValidation.h"
#include "model/Oddities.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <QFileInfo>

#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace wl::python {

namespace {

QString Text(const py::handle& value) {
    return QString::fromStdString(py::str(value).cast<std::string>());
}

QString CheckedName(const std::string& name) {
    const QString result = QString::fromStdString(name);
    const QString problem = ValidateName(result, {}, -1);
    if (!problem.isEmpty())
        RaiseValueError(problem);
    return result;
}

// A whole number in the range the editors accept (the 32-bit range without its lowest value, whose negation does not
// fit). int and numpy's integers pass; 1.5, "1" and True do not.
int32_t WholeNumber(const py::handle& value, const QString& what) {
    if (PyBool_Check(value.ptr()))
        RaiseValueError(QStringLiteral("%1 is a bool, not a whole number").arg(what));
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!index) {
        PyErr_Clear();
        RaiseValueError(QStringLiteral("%1 is not a whole number: %2").arg(what, Text(py::repr(value))));
    }
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    constexpr long long lowest = -static_cast<long long>(std::numeric_limits<int32_t>::max());
    if (overflow != 0 || v < lowest || v > std::numeric_limits<int32_t>::max())
        RaiseValueError(QStringLiteral("%1 lies outside -2147483647..2147483647: %2").arg(what, Text(index)));
    return static_cast<int32_t>(v);
}

double FiniteNumber(const py::handle& value, const QString& what) {
    const double v = PyFloat_AsDouble(value.ptr());
    if (v == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        RaiseValueError(QStringLiteral("%1 is not a number: %2").arg(what, Text(py::repr(value))));
    }
    if (!std::isfinite(v))
        RaiseValueError(QStringLiteral("%1 is not a finite number: %2").arg(what, Text(py::repr(value))));
    return v;
}

// The items of a (result, probability) pair or a (bet, win, loss) triple.
std::vector<py::handle> Fields(const py::handle& item, size_t count, const QString& what) {
    if (!py::isinstance<py::sequence>(item) || py::isinstance<py::str>(item) || py::len(item) != count)
        RaiseValueError(QStringLiteral("%1 must be %2 numbers, not %3").arg(what).arg(count).arg(Text(py::repr(item))));
    std::vector<py::handle> fields;
    const py::sequence sequence = py::reinterpret_borrow<py::sequence>(item);
    for (size_t i = 0; i < count; ++i)
        fields.push_back(sequence[i]);
    return fields;
}

// Stored as made, but said: a game whose probabilities do not add up to 1, a negative bet, a value read as 0.
void WarnOddities(const std::vector<TUserText>& oddities) {
    for (const TUserText& odd : oddities)
        if (PyErr_WarnEx(PyExc_UserWarning, PythonMessage(odd.Text(nullptr)).c_str(), 1) != 0)
            throw py::error_already_set(); // warnings turned into errors
}

TPyGame MakeGame(const std::string& name, const py::iterable& outcomes) {
    auto game = std::make_shared<TGameDescription>();
    game->Name = CheckedName(name);
    game->OutcomeCount = 0;
    for (const py::handle item : outcomes) {
        const int i = game->OutcomeCount;
        if (i >= TGameDescription::MaxOutcomes)
            RaiseValueError(QStringLiteral("A game has at most %1 outcomes.").arg(TGameDescription::MaxOutcomes));
        const QString what = QStringLiteral("outcome %1").arg(i);
        const std::vector<py::handle> fields = Fields(item, 2, what + QStringLiteral(" (result, probability)"));
        game->SetResult(i, WholeNumber(fields[0], QStringLiteral("the result of ") + what));
        game->SetProbability(i, FiniteNumber(fields[1], QStringLiteral("the probability of ") + what));
        ++game->OutcomeCount;
    }
    if (game->OutcomeCount == 0)
        RaiseValueError(QStringLiteral("The game \"%1\" has no outcomes.").arg(game->Name));
    WarnOddities(GameOddities(*game));
    return {std::move(game)};
}

TPySystem MakeSystem(const std::string& name, const py::iterable& states) {
    auto system = std::make_shared<TBetDescription>();
    system->Name = CheckedName(name);
    std::vector<std::vector<py::handle>> rows;
    for (const py::handle item : states) {
        if (static_cast<int>(rows.size()) >= TBetDescription::MaxStates)
            RaiseValueError(QStringLiteral("A betting system has at most %1 states.").arg(TBetDescription::MaxStates));
        rows.push_back(Fields(item, 3, QStringLiteral("state %1 (bet, win state, loss state)").arg(rows.size())));
    }
    if (rows.empty())
        RaiseValueError(QStringLiteral("The betting system \"%1\" has no states.").arg(system->Name));
    system->StateCount = static_cast<int32_t>(rows.size());
    for (int s = 0; s < system->StateCount; ++s) {
        const std::vector<py::handle>& row = rows[static_cast<size_t>(s)];
        system->SetBet(s, WholeNumber(row[0], QStringLiteral("the bet of state %1").arg(s)));
        const int32_t next[2] = {WholeNumber(row[1], QStringLiteral("the win state of state %1").arg(s)),
                                 WholeNumber(row[2], QStringLiteral("the loss state of state %1").arg(s))};
        // As the calculation refuses it: probability sent to a missing state would vanish from every chart.
        for (const int32_t n : next)
            if (n < 0 || n >= system->StateCount)
                RaiseValueError(QStringLiteral("The betting system \"%1\": state %2 goes to state %3, but the system "
                                               "has only the states 0..%4")
                                    .arg(system->Name)
                                    .arg(s)
                                    .arg(n)
                                    .arg(system->StateCount - 1));
        system->SetWinState(s, next[0]);
        system->SetLossState(s, next[1]);
    }
    WarnOddities(SystemOddities(*system));
    return {std::move(system)};
}

// The descriptions of a games.ini or bets.ini, and the names of the sections that could not be read.
template <typename T>
std::pair<std::vector<std::shared_ptr<const T>>, std::vector<std::string>> LoadList(const std::string& path) {
    const QString file = QString::fromStdString(path);
    const QFileInfo info(file);
    // The list reads a missing file as an empty one, which is right for the program's own folder only.
    if (!info.isFile())
        throw EFileError(QStringLiteral("Cannot read \"%1\": %2")
                             .arg(file, info.exists() ? QStringLiteral("not a file") : QStringLiteral("no such file")));
    TNameList<T> list(file);
    list.Load();
    std::vector<std::shared_ptr<const T>> items;
    for (int i = 0; i < list.Count(); ++i) {
        items.push_back(std::make_shared<const T>(*list.Item(i)));
        if constexpr (std::is_same_v<T, TGameDescription>)
            WarnOddities(GameOddities(*items.back()));
        else
            WarnOddities(SystemOddities(*items.back()));
    }
    std::vector<std::string> unread;
    for (const QString& name : list.KeptSectionNames())
        unread.push_back(name.toStdString());
    return {std::move(items), std::move(unread)};
}

} // namespace

void RegisterModel(py::module_& m) {
    py::class_<TPyGame>(m, "Game")
        .def(py::init(&MakeGame), py::arg("name"), py::arg("outcomes"))
        .def_property_readonly("name", [](const TPyGame& g) { return g.Game->Name.toStdString(); })
        .def_property_readonly("outcomes",
                               [](const TPyGame& g) {
                                   std::vector<std::pair<int32_t, double>> outcomes;
                                   for (int i = 0; i < g.Game->OutcomeCount; ++i)
                                       outcomes.emplace_back(g.Game->Result(i), g.Game->Probability(i));
                                   return outcomes;
                               })
        .def("info", [](const TPyGame& g, int k) { return g.Game->Info(k); });

    py::class_<TPySystem>(m, "System")
        .def(py::init(&MakeSystem), py::arg("name"), py::arg("states"))
        .def_property_readonly("name", [](const TPySystem& s) { return s.System->Name.toStdString(); })
        .def_property_readonly("states", [](const TPySystem& s) {
            std::vector<std::tuple<int32_t, int32_t, int32_t>> states;
            for (int i = 0; i < s.System->StateCount; ++i)
                states.emplace_back(s.System->Bet(i), s.System->WinState(i), s.System->LossState(i));
            return states;
        });

    m.def("load_games", [](const std::string& path) {
        auto [items, unread] = LoadList<TGameDescription>(path);
        std::vector<TPyGame> games;
        for (auto& item : items)
            games.push_back({std::move(item)});
        return std::make_pair(std::move(games), std::move(unread));
    });
    m.def("load_systems", [](const std::string& path) {
        auto [items, unread] = LoadList<TBetDescription>(path);
        std::vector<TPySystem> systems;
        for (auto& item : items)
            systems.push_back({std::move(item)});
        return std::make_pair(std::move(systems), std::move(unread));
    });
}

} // namespace wl::python
