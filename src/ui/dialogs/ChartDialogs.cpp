// The dialogs the chart controller opens.
#include "ui/dialogs/ChartDialogs.h"

#include "ui/dialogs/fAbout.h"
#include "ui/dialogs/fBetSystemEditor.h"
#include "ui/dialogs/fGameEditor.h"
#include "ui/dialogs/fSelector.h"

namespace wl {

bool TChartDialogs::SelectGameAndSystem(TChartController& controller) {
    return wl::SelectGameAndSystem(controller, FParent);
}

std::unique_ptr<TGameDescription> TChartDialogs::NewGame(const QStringList& names) {
    return wl::NewGame(names, FParent);
}

bool TChartDialogs::EditGame(const TGameDescription& game, const QStringList& names, TGameDescription& edited) {
    return wl::EditGame(game, names, edited, FParent);
}

std::unique_ptr<TBetDescription> TChartDialogs::NewSystem(const QStringList& names) {
    return wl::NewSystem(names, FParent);
}

bool TChartDialogs::EditSystem(const TBetDescription& system, const QStringList& names, TBetDescription& edited) {
    return wl::EditSystem(system, names, edited, FParent);
}

void TChartDialogs::ShowAbout() {
    wl::ShowAbout(FParent);
}

} // namespace wl
