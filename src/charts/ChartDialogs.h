// The dialogs the controller opens. The window layer sets an implementation; without one they act as cancelled.
#pragma once

#include <QStringList>

#include <memory>

namespace wl {

class TChartController;
class TGameDescription;
class TBetDescription;

class IChartDialogs {
public:
    virtual ~IChartDialogs() = default;

    // The selector: shows the games and systems of the controller's storage, may create, edit and delete them
    // through the controller, and adds the chosen series with AddSeries on OK. Returns whether one was added.
    virtual bool SelectGameAndSystem(TChartController& controller) = 0;

    // names: the keys of the list in list order, for name completion and the letter-case check.
    virtual std::unique_ptr<TGameDescription> NewGame(const QStringList& names) = 0;
    // Fills edited (a working copy made from game) and returns true on OK; game itself is not touched.
    virtual bool EditGame(const TGameDescription& game, const QStringList& names, TGameDescription& edited) = 0;
    virtual std::unique_ptr<TBetDescription> NewSystem(const QStringList& names) = 0;
    virtual bool EditSystem(const TBetDescription& system, const QStringList& names, TBetDescription& edited) = 0;

    virtual void ShowAbout() = 0;
};

} // namespace wl
